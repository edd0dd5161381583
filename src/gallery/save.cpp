#include "gallery/gallery.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

static constexpr char TEMPORARY_SUFFIX[] = ".XXXXXX";
static constexpr int SIGNALS_THAT_END[] = {SIGHUP, SIGINT, SIGTERM};
// What open(2) gives a new file before the umask.
static constexpr mode_t NEW_FILE_MODE = 0666;

// The temporary file being written, kept where a signal handler can reach it
// without allocating. The handler sees `pendingPath` only while `pending` is
// set, and both change with the signals blocked.
static char pendingPath[4096];
static volatile std::sig_atomic_t pending = 0;

static void removePendingAndEnd(int signal)
{
    if (pending != 0)
        unlink(pendingPath);
    // Ended by the signal itself, so that whoever started the gallery sees why.
    std::signal(signal, SIG_DFL);
    raise(signal);
}

static void blockEndingSignals(bool block)
{
    sigset_t set;
    sigemptyset(&set);
    for (int signal : SIGNALS_THAT_END)
        sigaddset(&set, signal);
    sigprocmask(block ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

void removeTemporaryFilesOnSignals()
{
    struct sigaction action {};
    action.sa_handler = removePendingAndEnd;
    sigemptyset(&action.sa_mask);
    for (int signal : SIGNALS_THAT_END) {
        // A signal that was ignored when the gallery started stays ignored,
        // as nohup(1) and the shell's background jobs expect.
        struct sigaction previous {};
        sigaction(signal, nullptr, &previous);
        if (previous.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
}

// libpng's simplified interface: no setjmp error handling in C++ code. Flushed
// to the disk before it counts as written.
static bool writePng(int fd, const Picture& picture, std::string& error)
{
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        error = std::strerror(errno);
        close(fd);
        return false;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_RGB;
    bool written = png_image_write_to_stdio(&image, file, 0, picture.rgb.data(), 0, nullptr) != 0;
    if (!written)
        error = image.message;
    png_image_free(&image);
    if (written && (std::fflush(file) != 0 || fsync(fd) != 0)) {
        error = std::strerror(errno);
        written = false;
    }
    if (std::fclose(file) != 0 && written) {
        error = std::strerror(errno);
        written = false;
    }
    return written;
}

// Written whole under a temporary name in the same directory, then renamed: a
// run that fails or is stopped half way leaves no truncated picture under the
// real name. The temporary name is made by mkstemp, which creates the file
// itself and follows no link, so a name that someone prepared in a shared
// directory is never opened.
bool savePicture(const std::filesystem::path& dir, const std::string& name, const Picture& picture, std::string& error)
{
    const std::string path = (dir / name).string();
    const std::string temporary = (dir / ("." + name + TEMPORARY_SUFFIX)).string();
    if (temporary.size() >= sizeof pendingPath) {
        error = "the path is too long";
        return false;
    }
    blockEndingSignals(true);
    std::memcpy(pendingPath, temporary.c_str(), temporary.size() + 1);
    const int fd = mkstemp(pendingPath);
    const int openError = errno;
    pending = fd >= 0 ? 1 : 0;
    blockEndingSignals(false);
    if (fd < 0) {
        error = std::strerror(openError);
        return false;
    }
    // mkstemp makes the file private; a picture is as readable as any file
    // the user creates.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, NEW_FILE_MODE & ~mask);

    bool saved = writePng(fd, picture, error);
    blockEndingSignals(true);
    if (saved && std::rename(pendingPath, path.c_str()) != 0) {
        error = std::strerror(errno);
        saved = false;
    }
    if (!saved)
        unlink(pendingPath);
    pending = 0;
    blockEndingSignals(false);
    return saved;
}
