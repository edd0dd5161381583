#include "gallery/temporary_files.h"

#include "gallery/ending_signals.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>

// What open(2) gives a new file before the umask.
static constexpr mode_t NEW_FILE_MODE = 0666;
static constexpr int RANDOM_LETTERS = 6;
static constexpr int NAME_ATTEMPTS = 100;
// More than the files ever in flight: the pictures, the sheet and the card.
static constexpr int HIDDEN_SLOTS = 64;

static std::filesystem::path folderPath;
static int folder = -1;

// The hidden names, kept where a signal handler can reach them without
// allocating. A slot is filled before it is marked taken, and taken and given
// back on the main thread with the ending signals blocked; a crash handler on
// another thread at worst removes a name that is already gone.
static char hiddenNames[HIDDEN_SLOTS][NAME_MAX + 1];
static std::atomic<bool> hiddenTaken[HIDDEN_SLOTS];
// The thread making names, if any, and whether the process is going: each
// side sets its own before it looks at the other's, so a name is either not
// made or waited for.
static std::atomic<pid_t> namingThread{0};
static std::atomic<bool> dying{false};
// How long a crash waits for a naming to end, in steps of a millisecond: a
// report line held up by its reader must not hold up the end.
static constexpr int CRASH_WAIT_STEPS = 1000;
static constexpr long CRASH_WAIT_STEP_NS = 1000000;

FileNaming::FileNaming()
{
    namingThread.store(gettid());
}

FileNaming::~FileNaming()
{
    namingThread.store(0);
}

// A name may be made only while the process is not going.
static bool mayName()
{
    if (!dying.load())
        return true;
    errno = EINTR;
    return false;
}

bool openOutputFolder(const std::filesystem::path& dir, std::string& error)
{
    folderPath = dir;
    folder = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        error = std::strerror(errno);
    return folder >= 0;
}

std::string outputPath(const std::string& name)
{
    return (folderPath / name).string();
}

// ".NAME.XXXXXX", the X random letters, in a free slot; -1 if none is free or
// the name is too long.
static int takeHiddenName(const std::string& name)
{
    static constexpr char LETTERS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[RANDOM_LETTERS] = {};
    if (getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random))
        return -1;
    std::string hidden = "." + name + ".";
    for (unsigned char byte : random)
        hidden += LETTERS[byte % (sizeof LETTERS - 1)];
    if (hidden.size() > NAME_MAX)
        return -1;
    for (int slot = 0; slot < HIDDEN_SLOTS; ++slot) {
        if (hiddenTaken[slot].load())
            continue;
        std::memcpy(hiddenNames[slot], hidden.c_str(), hidden.size() + 1);
        hiddenTaken[slot].store(true);
        return slot;
    }
    return -1;
}

static void giveBackHiddenName(int& slot, bool remove)
{
    if (slot < 0)
        return;
    if (remove)
        unlinkat(folder, hiddenNames[slot], 0);
    hiddenTaken[slot].store(false);
    slot = -1;
}

// A hidden name that no file had, made with the file, as mkstemp(3) does.
static int openHidden(const std::string& name, int& slot)
{
    const FileNaming naming;
    for (int attempt = 0; attempt < NAME_ATTEMPTS; ++attempt) {
        slot = takeHiddenName(name);
        if (slot < 0) {
            errno = ENAMETOOLONG;
            return -1;
        }
        if (!mayName()) {
            giveBackHiddenName(slot, false);
            return -1;
        }
        const int fd =
            openat(folder, hiddenNames[slot], O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, NEW_FILE_MODE);
        const int failure = errno;
        if (fd >= 0)
            return fd;
        giveBackHiddenName(slot, false);
        errno = failure;
        if (failure != EEXIST)
            return -1;
    }
    return -1;
}

bool createTemporaryFile(const std::string& name, TemporaryFile& file, std::string& error)
{
    file.fd = openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, NEW_FILE_MODE);
    // Filesystems without unnamed files answer in one of these ways.
    if (file.fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL))
        file.fd = openHidden(name, file.slot);
    if (file.fd < 0)
        error = std::strerror(errno);
    return file.fd >= 0;
}

// An unnamed file gets a hidden name first, the only way to a name that
// replaces another: linkat(2) never replaces, rename(2) does.
static bool linkHidden(TemporaryFile& file, const std::string& name)
{
    file.slot = takeHiddenName(name);
    if (file.slot < 0) {
        errno = ENAMETOOLONG;
        return false;
    }
    if (!mayName()) {
        giveBackHiddenName(file.slot, false);
        return false;
    }
    char self[32];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", file.fd);
    if (linkat(AT_FDCWD, self, folder, hiddenNames[file.slot], AT_SYMLINK_FOLLOW) == 0)
        return true;
    // Without /proc, only a process that may read any file may link this way.
    if (errno == ENOENT && linkat(file.fd, "", folder, hiddenNames[file.slot], AT_EMPTY_PATH) == 0)
        return true;
    const int failure = errno;
    giveBackHiddenName(file.slot, false);
    errno = failure;
    return false;
}

bool nameTemporaryFile(TemporaryFile& file, const std::string& name, std::string& error)
{
    const bool unnamed = file.slot < 0;
    bool named = !unnamed || linkHidden(file, name);
    int failure = errno;
    if (close(file.fd) != 0 && named) {
        failure = errno;
        named = false;
    }
    file.fd = -1;
    if (named && renameat(folder, hiddenNames[file.slot], folder, name.c_str()) != 0) {
        failure = errno;
        named = false;
    }
    giveBackHiddenName(file.slot, !named);
    if (!named)
        error = std::strerror(failure);
    return named;
}

void discardTemporaryFile(TemporaryFile& file)
{
    if (file.fd >= 0)
        close(file.fd);
    file.fd = -1;
    const EndingSignalsBlocked blocked;
    giveBackHiddenName(file.slot, true);
}

void removeHiddenFiles()
{
    dying.store(true);
    const pid_t naming = namingThread.load();
    if (naming != 0 && naming != gettid()) {
        const timespec step{0, CRASH_WAIT_STEP_NS};
        for (int waited = 0; waited < CRASH_WAIT_STEPS && namingThread.load() != 0; ++waited)
            nanosleep(&step, nullptr);
    }
    for (int slot = 0; slot < HIDDEN_SLOTS; ++slot) {
        if (hiddenTaken[slot].load())
            unlinkat(folder, hiddenNames[slot], 0);
    }
}
