#pragma once

#include "gallery/picture.h"
#include "gallery/png_encoding.h"
#include "gallery/report.h"
#include "gallery/temporary_files.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A picture written as it is made, band after band from the top, on a thread
// of its own: the contact sheet, whose upper rows are encoded while the
// pictures below are still being drawn. Whatever is not finished when it goes
// is removed.
class SheetWriter {
public:
    // Makes the file; a failure is told by the first call that follows.
    SheetWriter(std::string name, int width, int height);
    ~SheetWriter();
    SheetWriter(const SheetWriter&) = delete;
    SheetWriter& operator=(const SheetWriter&) = delete;

    // The next bands, each as wide as the picture. False after a message
    // once the file cannot be written.
    bool write(std::vector<Picture> bands);
    // Waits for the last row to be written, then names and lists the file.
    // False after a message.
    bool finish(const Listing& listing);

private:
    void encodeQueued();
    void encode(const Picture& band);
    bool failure();

    std::string name_;
    int width_;
    int height_;
    TemporaryFile file_;
    std::unique_ptr<PngEncoder> encoder_;
    std::string error_;
    bool told_ = false;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    // What waits for the thread, and how it is doing; under mutex_.
    std::deque<Picture> queue_;
    bool ending_ = false;
    bool abandoned_ = false;
    bool failed_ = false;
};
