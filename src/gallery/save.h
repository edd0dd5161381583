#pragma once

#include "gallery/picture.h"

#include <filesystem>
#include <string>

// Blocks the signals that end the gallery in the calling thread and in every
// thread it starts from then on. Call it first thing in main, before glutInit,
// so that the driver's threads never take them.
void blockEndingSignals();

// From then on SIGHUP, SIGINT, SIGQUIT and SIGTERM, taken in the calling thread
// only, remove every temporary file of a picture being saved before they end
// the program; a signal ignored at start stays ignored.
void takeEndingSignals();

// The most pictures that may be between startPicture and finishPicture at once.
constexpr int MAX_PICTURES_IN_FLIGHT = 64;

// A new file under a temporary name in dir, for the picture `name`, open on
// fd: a ticket for finishPicture, or -1 with the reason in error. Call it,
// and finishPicture, from the thread that called takeEndingSignals.
int startPicture(const std::filesystem::path& dir, const std::string& name, int& fd, std::string& error);

// Writes the picture as a PNG file through fd, flushed to the disk, and
// closes fd; false with the reason in error. Safe on any thread.
bool writePicture(int fd, const Picture& picture, std::string& error);

// Renames the file written under the ticket to its name, or removes it when it
// was not written. False with the reason in error if the rename fails.
bool finishPicture(int ticket, bool written, std::string& error);

// The three above: the picture complete under its name in dir, or nothing.
bool savePicture(const std::filesystem::path& dir, const std::string& name, const Picture& picture, std::string& error);
