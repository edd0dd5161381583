#include "gallery/png_encoding.h"

#include <libdeflate.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

// How the pictures are compressed: each row stored as its difference from the
// row above, and zlib at its fastest level looking for runs of equal bytes
// only. The pictures are mostly black with thin lines and smooth grey, so runs
// are most of what there is to find: against libpng's defaults this takes a
// fraction of the time, for files about one and a half times as large
// (bench/README.md has the figures).
static constexpr int ZLIB_LEVEL = 1;
static constexpr int ZLIB_STRATEGY = Z_RLE;
static constexpr int ZLIB_MEMORY_LEVEL = 8;
// The zlib stream's own header, for a 32 KiB window and the fastest level,
// and its checksum at the end are written here: deflate makes the raw data
// between them, and libdeflate sums the bytes many times faster than zlib.
static constexpr unsigned char ZLIB_HEADER[] = {0x78, 0x01};
static constexpr int RAW_DEFLATE = -MAX_WBITS;
static constexpr unsigned char FILTER_UP = 2;
static constexpr unsigned char PNG_SIGNATURE[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
static constexpr unsigned char BIT_DEPTH = 8;
static constexpr unsigned char COLOUR_RGB = 2;
// The colour space that the pictures were always written in.
static constexpr unsigned char SRGB_PERCEPTUAL = 0;
static constexpr std::size_t CHUNK_HEAD = 8;
static constexpr std::size_t CHUNK_CRC = 4;
static constexpr std::size_t IDAT_SIZE = 1 << 16;
// How often a picture being written looks whether it is still wanted.
static constexpr int ROWS_BETWEEN_LOOKS = 64;

void describeError(int number, char (&reason)[REASON_SIZE])
{
    const char* described = strerror_r(number, reason, sizeof reason);
    if (described != reason)
        std::snprintf(reason, sizeof reason, "%s", described);
}

bool writeFully(int fd, const void* data, std::size_t size, char (&reason)[REASON_SIZE])
{
    const auto* at = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t written = write(fd, at, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            describeError(written < 0 ? errno : EIO, reason);
            return false;
        }
        at += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

static void putBigEndian(unsigned char* to, unsigned long value)
{
    for (int byte = 0; byte < 4; ++byte)
        to[byte] = static_cast<unsigned char>(value >> (24 - 8 * byte));
}

PngEncoder::PngEncoder(int fd, int width, int height)
    : fd_(fd), rowBytes_(static_cast<std::size_t>(width) * RGB_BYTES), filtered_(rowBytes_ + 1), previous_(rowBytes_),
      chunk_(CHUNK_HEAD + IDAT_SIZE + CHUNK_CRC)
{
    started_ = deflateInit2(&stream_, ZLIB_LEVEL, Z_DEFLATED, RAW_DEFLATE, ZLIB_MEMORY_LEVEL, ZLIB_STRATEGY) == Z_OK;
    if (!started_) {
        fail("out of memory for zlib");
        return;
    }
    filtered_[0] = FILTER_UP;
    unsigned char* header = &chunk_[CHUNK_HEAD];
    putBigEndian(header, static_cast<unsigned long>(width));
    putBigEndian(header + 4, static_cast<unsigned long>(height));
    const unsigned char rest[] = {BIT_DEPTH, COLOUR_RGB, 0, 0, 0};
    std::copy(std::begin(rest), std::end(rest), header + 8);
    failed_ = !writeFully(fd_, PNG_SIGNATURE, sizeof PNG_SIGNATURE, reason_) || !writeChunk("IHDR", 8 + sizeof rest);
    chunk_[CHUNK_HEAD] = SRGB_PERCEPTUAL;
    failed_ = failed_ || !writeChunk("sRGB", 1);
    std::copy(std::begin(ZLIB_HEADER), std::end(ZLIB_HEADER), &chunk_[CHUNK_HEAD]);
    filled_ = sizeof ZLIB_HEADER;
}

PngEncoder::~PngEncoder()
{
    if (started_)
        deflateEnd(&stream_);
}

bool PngEncoder::fail(const char* why)
{
    if (reason_[0] == '\0')
        std::snprintf(reason_, sizeof reason_, "%s", why);
    failed_ = true;
    return false;
}

// The chunk's data is in place after its head; its length, type and CRC go
// around it, and the whole goes out in one write.
bool PngEncoder::writeChunk(const char* type, std::size_t size)
{
    putBigEndian(chunk_.data(), static_cast<unsigned long>(size));
    std::memcpy(&chunk_[4], type, 4);
    const unsigned long crc = crc32(0, &chunk_[4], static_cast<uInt>(4 + size));
    putBigEndian(&chunk_[CHUNK_HEAD + size], crc);
    return writeFully(fd_, chunk_.data(), CHUNK_HEAD + size + CHUNK_CRC, reason_);
}

// Deflates what is in the stream's input into IDAT chunks, each written as
// soon as it is full.
bool PngEncoder::compress(int flush)
{
    for (;;) {
        stream_.next_out = &chunk_[CHUNK_HEAD + filled_];
        stream_.avail_out = static_cast<uInt>(IDAT_SIZE - filled_);
        const int result = deflate(&stream_, flush);
        filled_ = IDAT_SIZE - stream_.avail_out;
        if (result == Z_STREAM_ERROR)
            return fail("zlib cannot compress the picture");
        if (filled_ == IDAT_SIZE) {
            if (!writeChunk("IDAT", filled_))
                return fail("");
            filled_ = 0;
            continue;
        }
        if (stream_.avail_in == 0 && (flush == Z_NO_FLUSH || result == Z_STREAM_END))
            return true;
    }
}

bool PngEncoder::writeRows(const unsigned char* rows, int count)
{
    // Locals, so that the compiler sees that the bytes written are no length.
    const std::size_t bytes = rowBytes_;
    unsigned char* const difference = &filtered_[1];
    unsigned char* const above = previous_.data();
    for (int row = 0; row < count && !failed_; ++row, rows += bytes) {
        for (std::size_t at = 0; at < bytes; ++at)
            difference[at] = static_cast<unsigned char>(rows[at] - above[at]);
        std::memcpy(above, rows, bytes);
        adler_ = libdeflate_adler32(static_cast<std::uint32_t>(adler_), filtered_.data(), filtered_.size());
        stream_.next_in = filtered_.data();
        stream_.avail_in = static_cast<uInt>(filtered_.size());
        compress(Z_NO_FLUSH);
    }
    return !failed_;
}

bool PngEncoder::end()
{
    if (failed_ || !compress(Z_FINISH))
        return false;
    unsigned char sum[4];
    putBigEndian(sum, adler_);
    for (unsigned char byte : sum) {
        if (filled_ == IDAT_SIZE && !writeChunk("IDAT", filled_))
            return fail("");
        filled_ = filled_ == IDAT_SIZE ? 0 : filled_;
        chunk_[CHUNK_HEAD + filled_++] = byte;
    }
    if (!writeChunk("IDAT", filled_) || !writeChunk("IEND", 0))
        return fail("");
    return true;
}

bool writePng(int fd, const Picture& picture, const std::atomic<bool>& cancelled, char (&reason)[REASON_SIZE])
{
    PngEncoder encoder(fd, picture.width, picture.height);
    const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * RGB_BYTES;
    bool written = true;
    for (int row = 0; written && row < picture.height; row += ROWS_BETWEEN_LOOKS) {
        if (cancelled.load()) {
            std::snprintf(reason, sizeof reason, "%s", "not wanted any more");
            return false;
        }
        written = encoder.writeRows(&picture.rgb[static_cast<std::size_t>(row) * rowBytes],
                                    std::min(ROWS_BETWEEN_LOOKS, picture.height - row));
    }
    written = written && encoder.end();
    if (!written) {
        std::snprintf(reason, sizeof reason, "%s", encoder.reason());
        return false;
    }
    if (fsync(fd) != 0) {
        describeError(errno, reason);
        return false;
    }
    return true;
}
