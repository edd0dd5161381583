#include "gallery/png_encoding.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

// How the pictures are compressed: each row stored as its difference from the
// row above, and zlib at its fastest level looking for runs of equal bytes
// only. The pictures are mostly black with thin lines and smooth grey, so runs
// are most of what there is to find: against libpng's defaults this takes a
// quarter to a third of the time, for files about one and a half times as
// large (bench/README.md has the figures).
static constexpr int PNG_LEVEL = 1;
static constexpr int PNG_FILTERS = PNG_FILTER_UP;
static constexpr int PNG_STRATEGY = Z_RLE;
// libpng hands over a few bytes at a time; they go to the file in blocks.
static constexpr std::size_t WRITE_BLOCK = 1 << 16;
// How often a picture being written looks whether it is still wanted.
static constexpr int ROWS_BETWEEN_LOOKS = 64;

void describeError(int number, char (&reason)[REASON_SIZE])
{
    const char* described = strerror_r(number, reason, sizeof reason);
    if (described != reason)
        std::snprintf(reason, sizeof reason, "%s", described);
}

// libpng reports an error by calling this and expects it not to return: the
// reason goes into the encoder, and the longjmp back to the setjmp of the
// call that failed. A write error has put its own reason there already.
static void onPngError(png_structp png, png_const_charp message)
{
    auto* reason = static_cast<char*>(png_get_error_ptr(png));
    if (reason[0] == '\0')
        std::snprintf(reason, REASON_SIZE, "%s", message);
    png_longjmp(png, 1);
}

static void onPngWarning(png_structp, png_const_charp) {}

// libpng's errors come back by longjmp to the setjmp of each member below, so
// none of them has a destructor to skip, and nothing changes after a setjmp
// that is read after it.
PngEncoder::PngEncoder(int fd, int width, int height) : fd_(fd), width_(width)
{
    buffer_.reserve(WRITE_BLOCK);
    png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, reason_, onPngError, onPngWarning);
    info_ = png_ != nullptr ? png_create_info_struct(png_) : nullptr;
    if (info_ == nullptr) {
        std::snprintf(reason_, sizeof reason_, "%s", "out of memory for libpng");
        failed_ = true;
        return;
    }
    if (setjmp(png_jmpbuf(png_)) != 0) {
        failed_ = true;
        return;
    }
    png_set_write_fn(png_, this, onWrite, nullptr);
    png_set_compression_level(png_, PNG_LEVEL);
    png_set_compression_strategy(png_, PNG_STRATEGY);
    png_set_filter(png_, PNG_FILTER_TYPE_BASE, PNG_FILTERS);
    png_set_IHDR(png_, info_, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_set_sRGB(png_, info_, PNG_sRGB_INTENT_PERCEPTUAL);
    png_write_info(png_, info_);
}

PngEncoder::~PngEncoder()
{
    png_destroy_write_struct(&png_, &info_);
}

void PngEncoder::onWrite(png_structp png, png_bytep data, png_size_t length)
{
    auto* encoder = static_cast<PngEncoder*>(png_get_io_ptr(png));
    while (length > 0) {
        const std::size_t room = WRITE_BLOCK - encoder->buffer_.size();
        const std::size_t taken = std::min(room, length);
        encoder->buffer_.insert(encoder->buffer_.end(), data, data + taken);
        data += taken;
        length -= taken;
        if (encoder->buffer_.size() == WRITE_BLOCK && !encoder->flushBuffer())
            png_error(png, "write error");
    }
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

bool PngEncoder::flushBuffer()
{
    if (!writeFully(fd_, buffer_.data(), buffer_.size(), reason_))
        return false;
    buffer_.clear();
    return true;
}

bool PngEncoder::writeRows(const unsigned char* rows, int count)
{
    if (failed_)
        return false;
    if (setjmp(png_jmpbuf(png_)) != 0) {
        failed_ = true;
        return false;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(width_) * RGB_BYTES;
    for (int row = 0; row < count; ++row)
        png_write_row(png_, rows + static_cast<std::size_t>(row) * rowBytes);
    return true;
}

bool PngEncoder::end()
{
    if (failed_)
        return false;
    if (setjmp(png_jmpbuf(png_)) != 0) {
        failed_ = true;
        return false;
    }
    png_write_end(png_, info_);
    failed_ = !flushBuffer();
    return !failed_;
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
