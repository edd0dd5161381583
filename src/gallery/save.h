#pragma once

#include "gallery/picture.h"

#include <filesystem>
#include <future>
#include <string>

// Blocks the signals that end the gallery in the calling thread and in every
// thread it starts from then on, and ignores SIGXFSZ. Call it before glutInit,
// so that the driver's threads never take them.
void blockEndingSignals();

// From then on SIGHUP, SIGINT, SIGQUIT and SIGTERM, taken in the calling thread
// only, remove every temporary file of a picture being saved before they end
// the program; a signal ignored at start stays ignored.
void takeEndingSignals();

// The most pictures that may be between startWriting and finishWriting at once.
constexpr int MAX_PICTURES_IN_FLIGHT = 64;

// A picture on its way to its file: encoded and written on a thread of its
// own while the caller goes on, then renamed by finishWriting.
struct PictureWrite {
    int ticket = -1;
    // Why the write failed; empty when it did not.
    std::future<std::string> failure;
};

// Makes the picture's temporary file in dir and starts writing it; false with
// the reason in error if not even the file could be made. The thread that
// writes it never takes the ending signals.
bool startWriting(const std::filesystem::path& dir, const std::string& name, Picture picture, PictureWrite& write,
                  std::string& error);

// Writes text into the file `name` in dir as a picture is written: into a new
// temporary file, flushed to the disk and renamed, and removed by the ending
// signals. False with the reason in error; nothing is left then.
bool writeTextFile(const std::filesystem::path& dir, const std::string& name, const std::string& text,
                   std::string& error);

// Waits for the write, then gives the picture its name; or, if the write
// failed or keep is false, removes it. False with the reason in error if the
// picture was to be kept and is not.
bool finishWriting(PictureWrite& write, bool keep, std::string& error);
