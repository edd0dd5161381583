#pragma once

#include "viewer/viewer_state.h"

#include <filesystem>
#include <string>
#include <vector>

// What the command line asks for. Empty counts mean one picture per shape with
// the counts that the keys left.
struct GalleryOptions {
    int size = 0;
    std::string keys;
    std::vector<ShapeId> shapes;
    std::vector<int> counts;
    std::filesystem::path dir = ".";
    // A C program beside each picture that draws it.
    bool programs = false;
    bool help = false;
};

// False with a message in error when the command line is not one the gallery
// can carry out; nothing has been touched then. An empty error means that
// getopt_long has already said what is wrong.
bool parseGalleryArgs(int argc, char** argv, GalleryOptions& options, std::string& error);

// The text of --help, with the limits that the parser applies.
std::string galleryUsage();
