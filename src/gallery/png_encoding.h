#pragma once

#include "gallery/picture.h"

#include <zlib.h>

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
// fd stays open. Nothing in it allocates after the start.
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
    bool writeChunk(const char* type, std::size_t size);
    bool compress(int flush);
    bool fail(const char* why);

    z_stream stream_{};
    bool started_ = false;
    int fd_;
    std::size_t rowBytes_;
    // The filter byte and the row as its difference from the row above.
    std::vector<unsigned char> filtered_;
    std::vector<unsigned char> previous_;
    unsigned long adler_ = 1;
    // A chunk being filled: its length and type, its data, then room for its CRC.
    std::vector<unsigned char> chunk_;
    std::size_t filled_ = 0;
    bool failed_ = false;
    char reason_[REASON_SIZE] = "";
};

// The whole picture through fd, flushed to the disk, unless cancelled on the
// way; false with the reason in reason.
bool writePng(int fd, const Picture& picture, const std::atomic<bool>& cancelled, char (&reason)[REASON_SIZE]);
