#include "gallery/sheet_writer.h"

#include "gallery/picture_writer.h"

#include <unistd.h>

#include <cerrno>
#include <utility>

SheetWriter::SheetWriter(std::string name, int width, int height)
    : name_(std::move(name)), width_(width), height_(height)
{
    if (!createTemporaryFile(name_, file_, error_))
        return;
    encoder_ = std::make_unique<PngEncoder>(file_.fd, width_, height_);
    // Without a thread the bands are encoded as they come, on the caller's.
    startThread(thread_, [this] { encodeQueued(); });
}

SheetWriter::~SheetWriter()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        abandoned_ = true;
    }
    changed_.notify_one();
    if (thread_.joinable())
        thread_.join();
    encoder_.reset();
    discardTemporaryFile(file_);
}

void SheetWriter::encode(const Picture& band)
{
    if (failed_ || encoder_->writeRows(band.rgb.data(), band.height))
        return;
    const std::lock_guard<std::mutex> lock(mutex_);
    failed_ = true;
}

void SheetWriter::encodeQueued()
{
    for (;;) {
        Picture band;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return !queue_.empty() || ending_ || abandoned_; });
            if (abandoned_ || queue_.empty())
                return;
            band = std::move(queue_.front());
            queue_.pop_front();
        }
        encode(band);
    }
}

bool SheetWriter::failure()
{
    bool failed = !error_.empty();
    if (!failed) {
        const std::lock_guard<std::mutex> lock(mutex_);
        failed = failed_;
        if (failed)
            error_ = encoder_->reason();
    }
    if (failed && !told_)
        complain("cannot write %s: %s", outputPath(name_).c_str(), error_.c_str());
    told_ = told_ || failed;
    return failed;
}

bool SheetWriter::write(std::vector<Picture> bands)
{
    if (failure())
        return false;
    if (!thread_.joinable()) {
        for (const Picture& band : bands)
            encode(band);
        return !failure();
    }
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        for (Picture& band : bands)
            queue_.push_back(std::move(band));
    }
    changed_.notify_one();
    return true;
}

bool SheetWriter::finish(const Listing& listing)
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    changed_.notify_one();
    if (thread_.joinable())
        thread_.join();
    if (failure())
        return false;
    if (!encoder_->end() || fsync(file_.fd) != 0) {
        if (encoder_->reason()[0] == '\0') {
            char reason[REASON_SIZE];
            describeError(errno, reason);
            error_ = reason;
        } else {
            error_ = encoder_->reason();
        }
        failure();
        return false;
    }
    return nameAndList(file_, name_, listing);
}
