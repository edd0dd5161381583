#include "gallery/picture_writer.h"

#include "gallery/ending_signals.h"
#include "gallery/png_encoding.h"
#include "gallery/temporary_files.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

// Eight 4096-pixel pictures are 384 MiB.
static constexpr std::size_t MOST_FILES_IN_FLIGHT = 8;

std::size_t filesInFlight()
{
    cpu_set_t processors;
    CPU_ZERO(&processors);
    if (sched_getaffinity(0, sizeof processors, &processors) != 0)
        return 1;
    return std::clamp<std::size_t>(static_cast<std::size_t>(CPU_COUNT(&processors)), 1, MOST_FILES_IN_FLIGHT);
}

bool startThread(std::thread& thread, std::function<void()> work)
{
    // A thread starts with the signal mask of the one that starts it.
    const EndingSignalsBlocked blocked;
    try {
        thread = std::thread(std::move(work));
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

bool nameAndList(TemporaryFile& file, const std::string& name, const Listing& listing)
{
    std::string error;
    {
        const FileNaming naming;
        if (nameTemporaryFile(file, name, error)) {
            reportFile(name, listing);
            return true;
        }
    }
    complain("cannot write %s: %s", outputPath(name).c_str(), error.c_str());
    return false;
}

// One file on its way: what goes into it, and the thread that writes it.
struct PictureWriter::Job {
    std::string name;
    Listing listing;
    Picture picture;
    std::string text;
    TemporaryFile file;
    std::thread thread;
    std::atomic<bool> cancelled{false};
    bool written = false;
    char reason[REASON_SIZE] = "";

    ~Job()
    {
        cancelled.store(true);
        if (thread.joinable())
            thread.join();
        discardTemporaryFile(file);
    }

    void run()
    {
        try {
            written = picture.width > 0 ? writePng(file.fd, picture, cancelled, reason) : writeText();
        } catch (const std::bad_alloc&) {
            describeError(ENOMEM, reason);
        }
    }

    bool writeText()
    {
        if (!writeFully(file.fd, text.data(), text.size(), reason))
            return false;
        if (fsync(file.fd) == 0)
            return true;
        describeError(errno, reason);
        return false;
    }
};

PictureWriter::PictureWriter(std::size_t limit) : limit_(std::max<std::size_t>(limit, 1)) {}

// Unfinished files go: their threads are told to stop where they are, and the
// files, which have no name yet, are removed.
PictureWriter::~PictureWriter() = default;

bool PictureWriter::write(const std::string& name, const Listing& listing, Picture picture)
{
    auto job = std::make_unique<Job>();
    job->name = name;
    job->listing = listing;
    job->picture = std::move(picture);
    return start(std::move(job));
}

bool PictureWriter::writeText(const std::string& name, const Listing& listing, std::string text)
{
    auto job = std::make_unique<Job>();
    job->name = name;
    job->listing = listing;
    job->text = std::move(text);
    return start(std::move(job));
}

bool PictureWriter::start(std::unique_ptr<Job> job)
{
    while (!failed_ && inFlight_.size() >= limit_)
        failed_ = !finishOldest();
    if (failed_)
        return false;
    std::string error;
    if (!createTemporaryFile(job->name, job->file, error)) {
        complain("cannot write %s: %s", outputPath(job->name).c_str(), error.c_str());
        failed_ = true;
        return false;
    }
    Job& started = *job;
    inFlight_.push_back(std::move(job));
    if (!startThread(started.thread, [&started] { started.run(); }))
        started.run();
    return true;
}

bool PictureWriter::finishOldest()
{
    const std::unique_ptr<Job> job = std::move(inFlight_.front());
    inFlight_.pop_front();
    if (job->thread.joinable())
        job->thread.join();
    if (!job->written) {
        complain("cannot write %s: %s", outputPath(job->name).c_str(), job->reason);
        return false;
    }
    if (!nameAndList(job->file, job->name, job->listing))
        return false;
    if (job->picture.rgb.size() > spare_.rgb.size())
        spare_ = std::move(job->picture);
    return true;
}

Picture PictureWriter::spare()
{
    return std::move(spare_);
}

bool PictureWriter::finish()
{
    while (!failed_ && !inFlight_.empty())
        failed_ = !finishOldest();
    return !failed_;
}
