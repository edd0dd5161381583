#include "gallery/save.h"

#include <fcntl.h>
#include <png.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <future>
#include <system_error>
#include <utility>

static constexpr char TEMPORARY_SUFFIX[] = ".XXXXXX";
static constexpr int SIGNALS_THAT_END[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};
// What open(2) gives a new file before the umask.
static constexpr mode_t NEW_FILE_MODE = 0666;
static constexpr std::size_t MAX_PATH = 4096;

// The temporary files being written, kept where a signal handler can reach
// them without allocating. The handler sees a path only while its slot is
// taken, and slots are taken and given back with the signals blocked, on the
// one thread that takes the signals: it cannot run half way through that.
static char pendingPaths[MAX_PICTURES_IN_FLIGHT][MAX_PATH];
static volatile std::sig_atomic_t pendingTaken[MAX_PICTURES_IN_FLIGHT];
// The final names, which the handler never needs.
static std::string finalPaths[MAX_PICTURES_IN_FLIGHT];

static void removePendingAndEnd(int signal)
{
    for (int slot = 0; slot < MAX_PICTURES_IN_FLIGHT; ++slot) {
        if (pendingTaken[slot] != 0)
            unlink(pendingPaths[slot]);
    }
    // Ended by the signal itself, so that whoever started the gallery sees why.
    std::signal(signal, SIG_DFL);
    raise(signal);
}

static sigset_t endingSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (int signal : SIGNALS_THAT_END)
        sigaddset(&set, signal);
    return set;
}

void blockEndingSignals()
{
    // Past a file-size limit (ulimit -f) a write then fails with EFBIG, and the
    // picture is given up like any that cannot be written, instead of the
    // signal ending the run with its temporary file left behind.
    std::signal(SIGXFSZ, SIG_IGN);
    const sigset_t set = endingSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void takeEndingSignals()
{
    struct sigaction action {};
    action.sa_handler = removePendingAndEnd;
    // One handler at a time: a second signal waits until the first has ended the run.
    action.sa_mask = endingSignals();
    for (int signal : SIGNALS_THAT_END) {
        // A signal that was ignored when the gallery started stays ignored,
        // as nohup(1) and the shell's background jobs expect.
        struct sigaction previous {};
        sigaction(signal, nullptr, &previous);
        if (previous.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
    const sigset_t set = endingSignals();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

// Around taking and giving back a slot: the handler never sees one half
// taken or half given back.
static sigset_t holdEndingSignals()
{
    const sigset_t set = endingSignals();
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &set, &previous);
    return previous;
}

static void releaseEndingSignals(const sigset_t& previous)
{
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

// A new file under a temporary name in dir for the picture `name`, open on fd:
// a ticket for finishPicture, or -1 with the reason in error.
//
// Written whole under a temporary name in the same directory, then renamed: a
// run that fails or is stopped half way leaves no truncated picture under the
// real name. The temporary name is made by mkstemp, which creates the file
// itself and follows no link, so a name that someone prepared in a shared
// directory is never opened.
static int startPicture(const std::filesystem::path& dir, const std::string& name, int& fd, std::string& error)
{
    std::string path = (dir / name).string();
    const std::string temporary = (dir / ("." + name + TEMPORARY_SUFFIX)).string();
    if (temporary.size() >= MAX_PATH) {
        error = "the path is too long";
        return -1;
    }
    int slot = 0;
    while (slot < MAX_PICTURES_IN_FLIGHT && pendingTaken[slot] != 0)
        ++slot;
    if (slot == MAX_PICTURES_IN_FLIGHT) {
        error = "too many pictures are being written at once";
        return -1;
    }
    finalPaths[slot] = std::move(path);
    const sigset_t previous = holdEndingSignals();
    std::memcpy(pendingPaths[slot], temporary.c_str(), temporary.size() + 1);
    fd = mkstemp(pendingPaths[slot]);
    const int openError = errno;
    pendingTaken[slot] = fd >= 0 ? 1 : 0;
    releaseEndingSignals(previous);
    if (fd < 0) {
        error = std::strerror(openError);
        return -1;
    }
    // mkstemp makes the file private; a picture is as readable as any file
    // the user creates.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, NEW_FILE_MODE & ~mask);
    return slot;
}

// strerror's text into text, from a function that other threads may call at
// the same time; it allocates nothing.
static void describeError(int number, char* text, std::size_t size)
{
    const char* described = strerror_r(number, text, size);
    if (described != text)
        std::snprintf(text, size, "%s", described);
}

// How the pictures are compressed: each row stored as its difference from the
// row above, and zlib at its fastest level looking for runs of equal bytes
// only. The pictures are mostly black with thin lines and smooth grey, so runs
// are most of what there is to find: against libpng's defaults this takes a
// quarter to a third of the time, for files about one and a half times as
// large (bench/README.md has the figures).
static constexpr int PNG_LEVEL = 1;
static constexpr int PNG_FILTERS = PNG_FILTER_UP;
static constexpr int PNG_STRATEGY = Z_RLE;
static constexpr std::size_t REASON_SIZE = 256;

// libpng reports an error by calling this and expects it not to return: the
// reason goes into the caller's buffer, and the longjmp back to encodePng.
static void onPngError(png_structp png, png_const_charp message)
{
    std::snprintf(static_cast<char*>(png_get_error_ptr(png)), REASON_SIZE, "%s", message);
    png_longjmp(png, 1);
}

static void onPngWarning(png_structp, png_const_charp) {}

// libpng's own interface, for its compression settings. Its errors come back
// by longjmp to the setjmp below, so nothing in this function has a
// destructor to skip, and nothing changes after the setjmp that is read
// after it.
static bool encodePng(std::FILE* file, const Picture& picture, char reason[REASON_SIZE])
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, reason, onPngError, onPngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        std::snprintf(reason, REASON_SIZE, "%s", "out of memory for libpng");
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, PNG_LEVEL);
    png_set_compression_strategy(png, PNG_STRATEGY);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTERS);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    // The colour space that the simplified interface wrote before.
    png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    png_write_info(png, info);
    const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * RGB_BYTES;
    for (int row = 0; row < picture.height; ++row)
        png_write_row(png, &picture.rgb[static_cast<std::size_t>(row) * rowBytes]);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

// Writes the picture as a PNG file through fd, flushed to the disk, and closes
// fd; false with the reason in error. Nothing here allocates but libpng until
// fd is closed, so it is closed on every way out.
static bool writePicture(int fd, const Picture& picture, std::string& error)
{
    char reason[REASON_SIZE] = "";
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        const int failure = errno;
        close(fd);
        describeError(failure, reason, sizeof reason);
        error = reason;
        return false;
    }
    errno = 0;
    bool written = encodePng(file, picture, reason);
    // libpng says no more than "Write Error" when the system refuses a write.
    if (!written && std::ferror(file) != 0 && errno != 0)
        describeError(errno, reason, sizeof reason);
    if (written && (std::fflush(file) != 0 || fsync(fd) != 0)) {
        describeError(errno, reason, sizeof reason);
        written = false;
    }
    if (std::fclose(file) != 0 && written) {
        describeError(errno, reason, sizeof reason);
        written = false;
    }
    if (!written)
        error = reason;
    return written;
}

// Renames the file written under the ticket to its name, or removes it when it
// was not written; false with the reason in error if the rename fails. On the
// thread that made the file.
static bool finishPicture(int ticket, bool written, std::string& error)
{
    int renameError = 0;
    const sigset_t previous = holdEndingSignals();
    if (written && std::rename(pendingPaths[ticket], finalPaths[ticket].c_str()) != 0) {
        renameError = errno;
        written = false;
    }
    if (!written)
        unlink(pendingPaths[ticket]);
    pendingTaken[ticket] = 0;
    releaseEndingSignals(previous);
    if (renameError != 0)
        error = std::strerror(renameError);
    return written;
}

bool startWriting(const std::filesystem::path& dir, const std::string& name, Picture picture, PictureWrite& write,
                  std::string& error)
{
    int fd = -1;
    write.ticket = startPicture(dir, name, fd, error);
    if (write.ticket < 0)
        return false;
    const auto writing = [fd, kept = std::move(picture)] {
        std::string failure;
        writePicture(fd, kept, failure);
        return failure;
    };
    // A thread starts with the signal mask of the one that starts it.
    const sigset_t previous = holdEndingSignals();
    try {
        try {
            write.failure = std::async(std::launch::async, writing);
        } catch (const std::system_error&) {
            // No thread to be had, with memory short say: the picture is
            // written here, when finishWriting waits for it.
            write.failure = std::async(std::launch::deferred, writing);
        }
    } catch (...) {
        releaseEndingSignals(previous);
        close(fd);
        finishPicture(write.ticket, false, error);
        throw;
    }
    releaseEndingSignals(previous);
    return true;
}

bool writeTextFile(const std::filesystem::path& dir, const std::string& name, const std::string& text,
                   std::string& error)
{
    int fd = -1;
    const int ticket = startPicture(dir, name, fd, error);
    if (ticket < 0)
        return false;
    int failure = 0;
    for (std::size_t done = 0; done < text.size() && failure == 0;) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written >= 0)
            done += static_cast<std::size_t>(written);
        else if (errno != EINTR)
            failure = errno;
    }
    if (failure == 0 && fsync(fd) != 0)
        failure = errno;
    if (close(fd) != 0 && failure == 0)
        failure = errno;
    if (failure != 0) {
        finishPicture(ticket, false, error);
        error = std::strerror(failure);
        return false;
    }
    return finishPicture(ticket, true, error);
}

bool finishWriting(PictureWrite& write, bool keep, std::string& error)
{
    std::string failure;
    try {
        failure = write.failure.get();
    } catch (...) {
        // The thread ran short of memory for its message; the file goes all the same.
        finishPicture(write.ticket, false, error);
        throw;
    }
    if (!keep)
        return finishPicture(write.ticket, false, error);
    if (!failure.empty()) {
        finishPicture(write.ticket, false, error);
        error = failure;
        return false;
    }
    return finishPicture(write.ticket, true, error);
}
