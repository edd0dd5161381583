#pragma once

#include <string>

// What the gallery says: one line on standard output per file written, and
// its errors and warnings on standard error, each named as the program.

// A file's report line, after its name: the shape's menu label, or what the
// file is, and its slices and stacks, tab-separated.
struct Listing {
    std::string label;
    std::string counts;
};

// One tab-separated line: the file name, the listing and the viewer's camera
// trace. Flushed at once, so that a file is listed as soon as it is named.
void reportFile(const std::string& name, const Listing& listing);

// The first errno with which a report line could not be written, or 0: the
// pictures matter more than their listing, so a reader that goes away stops
// nothing and is told at the end.
int reportError();

// "varenthe-gallery: " and the message, on standard error.
[[gnu::format(printf, 1, 2)]] void complain(const char* format, ...);

// "varenthe-gallery: warning: " and the message, on standard error.
[[gnu::format(printf, 1, 2)]] void warn(const char* format, ...);
