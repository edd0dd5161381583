#pragma once

#include "gallery/ending_signals.h"

#include <filesystem>
#include <string>

// Every file of a run is written whole before it gets its name, so that a run
// that fails or is stopped half way leaves no truncated file under a real
// name. All of it happens relative to the output folder as it was opened, so
// that the folder renamed mid-run changes nothing.

// Opens the folder that receives the files; false with the reason in error.
bool openOutputFolder(const std::filesystem::path& dir, std::string& error);

// The name as the user knows it: the folder as given, and the name in it.
std::string outputPath(const std::string& name);

// A file being written. Where the filesystem allows, it has no name at all
// until it is complete (O_TMPFILE), and nothing is left of it however the
// process ends; elsewhere it has a hidden random name, which the signal
// handlers remove.
struct TemporaryFile {
    int fd = -1;
    // Where its hidden name is kept for the handlers, or -1 while it has none.
    int slot = -1;
};

// Makes a new file in the output folder to be written through file.fd, as
// readable as any file the user creates; false with the reason in error.
bool createTemporaryFile(const std::string& name, TemporaryFile& file, std::string& error);

// While one lives, the calling thread may make names in the output folder:
// the ending signals wait, and a crash on another thread waits a moment for
// the naming to end before it removes the hidden names, so that none is made
// behind its back. A file named under it is listed under it too.
class FileNaming {
public:
    FileNaming();
    ~FileNaming();
    FileNaming(const FileNaming&) = delete;
    FileNaming& operator=(const FileNaming&) = delete;

private:
    EndingSignalsBlocked blocked_;
};

// Closes the written file and gives it its name, replacing whatever had it
// but never following a link planted there; false with the reason in error,
// and then the file is gone. Call it under a FileNaming.
bool nameTemporaryFile(TemporaryFile& file, const std::string& name, std::string& error);

// Closes and removes a file that is not to be kept.
void discardTemporaryFile(TemporaryFile& file);

// Removes every hidden name, from a signal handler: async-signal-safe. From
// then on no new name is made.
void removeHiddenFiles();
