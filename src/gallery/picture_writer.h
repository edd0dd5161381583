#pragma once

#include "gallery/picture.h"
#include "gallery/report.h"
#include "gallery/temporary_files.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>

// How many files may be written at once: one per processor that the process
// may run on, so that they keep those busy while the next picture is drawn,
// and a few at most, so that memory stays bounded on a large machine.
std::size_t filesInFlight();

// Starts work on a thread that never takes the ending signals; false if no
// thread can be had, with memory short say, and then the caller does the work.
bool startThread(std::thread& thread, std::function<void()> work);

// Names a written file and lists it, with the ending signals held back in
// between, so that a file is never named without being listed; false after a
// message, and the file is gone.
bool nameAndList(TemporaryFile& file, const std::string& name, const Listing& listing);

// The files of a run on their way to the output folder: each encoded and
// written on a thread of its own while the caller goes on, at most a few at
// once, then named and listed in the order in which they were handed over.
// Once one cannot be written, nothing more is: it says why, and from then on
// every call is false. Whatever is not finished when it goes is removed.
class PictureWriter {
public:
    explicit PictureWriter(std::size_t limit);
    ~PictureWriter();
    PictureWriter(const PictureWriter&) = delete;
    PictureWriter& operator=(const PictureWriter&) = delete;

    // Takes the picture over; first waits for the oldest file while the
    // limit is in flight. False after a message.
    bool write(const std::string& name, const Listing& listing, Picture picture);
    // A text file, such as a web page, the same way.
    bool writeText(const std::string& name, const Listing& listing, std::string text);
    // Waits for every file in flight. False after a message.
    bool finish();
    // A picture that is written and named, for its memory: the next one drawn
    // into it faults in no fresh pages. Empty if there is none.
    Picture spare();

private:
    struct Job;
    bool start(std::unique_ptr<Job> job);
    bool finishOldest();

    std::size_t limit_;
    bool failed_ = false;
    std::deque<std::unique_ptr<Job>> inFlight_;
    Picture spare_;
};
