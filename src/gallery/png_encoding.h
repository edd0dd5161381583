#pragma once

#include "gallery/picture.h"

#include <png.h>

#include <atomic>
#include <cstddef>
#include <vector>

// Room for why an encoding failed: kept in the encoder, so that a failure
// needs no memory to be told.
constexpr std::size_t REASON_SIZE = 256;

// strerror's text into reason, from any thread, allocating nothing.
void describeError(int number, char (&reason)[REASON_SIZE]);

// Writes all size bytes through fd, whatever the system takes at a time;
// false with the reason in reason.
bool writeFully(int fd, const void* data, std::size_t size, char (&reason)[REASON_SIZE]);

// A PNG file of RGB rows written through fd, top row first, as the rows come;
// fd stays open. Nothing in it allocates after the start but libpng.
class PngEncoder {
public:
    PngEncoder(int fd, int width, int height);
    ~PngEncoder();
    PngEncoder(const PngEncoder&) = delete;
    PngEncoder& operator=(const PngEncoder&) = delete;

    // The next count rows, width * 3 bytes each; false once writing has failed.
    bool writeRows(const unsigned char* rows, int count);
    // The end of the file, after the last row, and the bytes still held here.
    bool end();
    // Empty while nothing has failed.
    const char* reason() const { return reason_; }

private:
    static void onWrite(png_structp png, png_bytep data, png_size_t length);
    bool flushBuffer();

    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    int fd_;
    int width_;
    bool failed_ = false;
    char reason_[REASON_SIZE] = "";
    std::vector<unsigned char> buffer_;
};

// The whole picture through fd, flushed to the disk, unless cancelled on the
// way; false with the reason in reason.
bool writePng(int fd, const Picture& picture, const std::atomic<bool>& cancelled, char (&reason)[REASON_SIZE]);
