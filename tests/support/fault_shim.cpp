// Preloaded into the gallery, this fails one chosen call of its on its output
// folder, or does something else at that moment, so that a test can reach
// every way in which writing can fail. Set in the environment:
//   VARENTHE_FAULT_DIR    the output folder: only calls on it, on names in it and
//                         on files open for writing in it are counted
//   VARENTHE_FAULT_LOG    a file that gets "fired KIND N" when a fault fires and,
//                         at a normal exit, "KIND COUNT" for every kind
//   VARENTHE_FAULT_BYTES  the byte count of a picture, for the kind alloc
//   VARENTHE_FAULT        KIND:N[:ACTION], comma-separated: at the N-th call of
//                         KIND (N "*": at every one) fail it with the kind's
//                         errno, or with the errno that ACTION names (EISDIR),
//                         or, given another ACTION, make the call and then do
//                         that: a signal (HUP, INT, QUIT, TERM sent to the
//                         process; SEGV, BUS, ABRT raised in the calling thread),
//                         move (the folder renamed to DIR.old) or readonly
//                         (chmod 0555, which binds root only without CAP_DAC_OVERRIDE).
// The log also gets "visible NAME" for a file made in the folder under a name
// that does not start with a dot, which is for the finished files alone.
// The kinds: open (open, openat: EACCES), tmpfile (an openat with O_TMPFILE,
// also counted as an open unless refused: EOPNOTSUPP), write (ENOSPC), fsync
// (EIO), link (linkat: EACCES), rename (renameat: EACCES), close (EIO, once
// closed), thread (pthread_create once a file in the folder was opened for
// writing: EAGAIN), alloc (malloc of a picture's bytes, which operator new
// then reports as std::bad_alloc), gl (glFlush, followed by an invalid
// glEnable that glGetError then reports). These are the calls by which the
// gallery writes its files; it makes no other.

#include <dlfcn.h>
#include <fcntl.h>
#include <libgen.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// glibc's own allocator, which the malloc below calls rather than look it up
// with dlsym, which may allocate.
extern "C" void* __libc_malloc(size_t size); // NOLINT(bugprone-reserved-identifier)

namespace {

enum Kind { OPEN, TMPFILE, WRITE, FSYNC, LINK, RENAME, CLOSE, THREAD, ALLOC, GL, KINDS };
constexpr const char* KIND_NAMES[KINDS] = {"open",   "tmpfile", "write",  "fsync", "link",
                                           "rename", "close",   "thread", "alloc", "gl"};
constexpr int KIND_ERRORS[KINDS] = {EACCES, EOPNOTSUPP, ENOSPC, EIO, EACCES, EACCES, EIO, EAGAIN, ENOMEM, EINVAL};
constexpr long EVERY_CALL = -1;
constexpr mode_t READ_ONLY_FOLDER = 0555;

const char* setting(const char* name)
{
    return std::getenv(name) != nullptr ? std::getenv(name) : "";
}

// Read once, at load: for each kind the call to fault and the action then.
long faultAt[KINDS];
char actions[KINDS][16];
const char* const folder = setting("VARENTHE_FAULT_DIR");
const char* const logPath = setting("VARENTHE_FAULT_LOG");
const std::size_t pictureBytes = std::strtoul(setting("VARENTHE_FAULT_BYTES"), nullptr, 10);
std::atomic<long> counts[KINDS];
std::atomic<bool> folderOpened;

__attribute__((constructor)) void readFaults()
{
    // Not preloaded into what the gallery starts, such as a sanitizer's symbolizer.
    unsetenv("LD_PRELOAD");
    char list[256], *rest = list;
    std::snprintf(list, sizeof list, "%s", setting("VARENTHE_FAULT"));
    for (char* item; (item = strtok_r(rest, ",", &rest)) != nullptr;) {
        char kind[16] = "", at[16] = "", action[16] = "";
        std::sscanf(item, "%15[a-z]:%15[0-9*]:%15s", kind, at, action);
        for (int k = 0; k < KINDS; ++k) {
            if (std::strcmp(kind, KIND_NAMES[k]) == 0) {
                faultAt[k] = at[0] == '*' ? EVERY_CALL : std::atol(at);
                std::memcpy(actions[k], action, sizeof action);
            }
        }
    }
}

template <typename F>
F* next(const char* name)
{
    return reinterpret_cast<F*>(dlsym(RTLD_NEXT, name));
}

void note(const char* text, const char* kind, long number)
{
    if (FILE* file = std::fopen(logPath, "a")) {
        std::fprintf(file, "%s%s %ld\n", text, kind, number);
        std::fclose(file);
    }
}

__attribute__((destructor)) void noteCounts()
{
    for (int k = 0; k < KINDS; ++k)
        note("", KIND_NAMES[k], counts[k]);
}

// What the call's turn brings: an errno to fail it with, or an action to
// take once it is made.
struct Hit {
    int error = 0;
    const char* action = nullptr;
};

Hit fire(Kind kind)
{
    const long n = ++counts[kind];
    if (faultAt[kind] != EVERY_CALL && faultAt[kind] != n)
        return {};
    note("fired ", KIND_NAMES[kind], n);
    for (int error = 1; error < EHWPOISON; ++error) {
        if (strerrorname_np(error) != nullptr && std::strcmp(actions[kind], strerrorname_np(error)) == 0)
            return {error, nullptr};
    }
    return actions[kind][0] == '\0' ? Hit{KIND_ERRORS[kind], nullptr} : Hit{0, actions[kind]};
}

void act(const char* action)
{
    const int saved = errno;
    char moved[PATH_MAX];
    std::snprintf(moved, sizeof moved, "%s.old", folder);
    if (std::strcmp(action, "move") == 0)
        std::rename(folder, moved);
    if (std::strcmp(action, "readonly") == 0)
        chmod(folder, READ_ONLY_FOLDER);
    for (int s = 1; s < NSIG; ++s) {
        if (sigabbrev_np(s) == nullptr || std::strcmp(action, sigabbrev_np(s)) != 0)
            continue;
        // A crash comes in the calling thread, and comes again once its
        // handler returns, as abort(3) makes it.
        if (s == SIGSEGV || s == SIGBUS || s == SIGABRT) {
            raise(s);
            signal(s, SIG_DFL);
            raise(s);
        }
        kill(getpid(), s);
    }
    errno = saved;
}

// The call made, unless the hit fails it, and the action taken after it. A
// failed close has closed the file all the same.
template <typename Failed, typename Call>
auto guard(Kind kind, Hit hit, Failed failed, Call call) -> decltype(call())
{
    using Result = decltype(call());
    const Result result = hit.error == 0 || kind == CLOSE ? call() : static_cast<Result>(failed);
    if (hit.action != nullptr)
        act(hit.action);
    errno = hit.error != 0 ? hit.error : errno;
    return hit.error != 0 ? static_cast<Result>(failed) : result;
}

// The folder is known by its inode, and so still known once renamed.
bool isFolder(int dirfd, const char* path)
{
    static struct stat wanted;
    struct stat seen {};
    if (wanted.st_ino == 0)
        stat(folder, &wanted);
    return fstatat(dirfd, path, &seen, 0) == 0 && seen.st_ino == wanted.st_ino && seen.st_dev == wanted.st_dev;
}

// Whether the path names the folder or a name in it.
bool concerns(int dirfd, const char* path)
{
    char parent[PATH_MAX];
    std::snprintf(parent, sizeof parent, "%s", path);
    return folder[0] != '\0' && (isFolder(dirfd, path) || isFolder(dirfd, dirname(parent)));
}

Hit pathFault(Kind kind, int dirfd, const char* path)
{
    return concerns(dirfd, path) ? fire(kind) : Hit{};
}

// Counted for a file open for writing in the folder; an O_TMPFILE one reads
// back as "DIR/#123 (deleted)".
Hit fileFault(Kind kind, int fd)
{
    char link[32], path[PATH_MAX] = "";
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const bool writing = (fcntl(fd, F_GETFL) & O_ACCMODE) != O_RDONLY && readlink(link, path, sizeof path - 1) > 0;
    return writing && path[0] == '/' ? pathFault(kind, AT_FDCWD, path) : Hit{};
}

} // namespace

extern "C" {

// NAME(PARAMETERS) returning TYPE, failed with FAILED or followed by an action
// as the hit says.
#define WRAP(TYPE, NAME, PARAMETERS, ARGUMENTS, KIND, HIT, FAILED)                                                     \
    TYPE NAME PARAMETERS                                                                                               \
    {                                                                                                                  \
        static auto* real = next<TYPE PARAMETERS>(#NAME);                                                              \
        return guard(KIND, HIT, FAILED, [&] { return real ARGUMENTS; });                                               \
    }

// The gallery opens its folder with open and its files in it with openat. An
// O_TMPFILE open that the fault refuses is not counted as an open.
int openat(int dirfd, const char* path, int flags, ...)
{
    va_list rest;
    va_start(rest, flags);
    const mode_t mode = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(rest, mode_t) : 0;
    va_end(rest);
    folderOpened = folderOpened || ((flags & O_ACCMODE) != O_RDONLY && concerns(dirfd, path));
    char name[PATH_MAX];
    std::snprintf(name, sizeof name, "%s", path);
    if ((flags & O_TMPFILE) != O_TMPFILE && (flags & O_CREAT) != 0 && concerns(dirfd, path) && basename(name)[0] != '.')
        note("visible ", path, 0);
    Hit hit = (flags & O_TMPFILE) == O_TMPFILE ? pathFault(TMPFILE, dirfd, path) : Hit{};
    hit = hit.error != 0 || hit.action != nullptr ? hit : pathFault(OPEN, dirfd, path);
    static auto* real = next<int(int, const char*, int, ...)>("openat");
    return guard(OPEN, hit, -1, [&] { return real(dirfd, path, flags, mode); });
}

int open(const char* path, int flags, ...)
{
    va_list rest;
    va_start(rest, flags);
    const mode_t mode = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(rest, mode_t) : 0;
    va_end(rest);
    return openat(AT_FDCWD, path, flags, mode);
}

WRAP(ssize_t, write, (int fd, const void* data, size_t size), (fd, data, size), WRITE, fileFault(WRITE, fd), -1)
WRAP(int, fsync, (int fd), (fd), FSYNC, fileFault(FSYNC, fd), -1)
WRAP(int, close, (int fd), (fd), CLOSE, fileFault(CLOSE, fd), -1)
WRAP(int, linkat, (int from, const char* old, int to, const char* name, int flags), (from, old, to, name, flags), LINK,
     pathFault(LINK, to, name), -1)
WRAP(int, renameat, (int from, const char* old, int to, const char* name), (from, old, to, name), RENAME,
     pathFault(RENAME, to, name), -1)
// The driver starts threads of its own before the gallery opens a file to write.
WRAP(int, pthread_create, (pthread_t * thread, const pthread_attr_t* attributes, void* (*start)(void*), void* argument),
     (thread, attributes, start, argument), THREAD, folderOpened ? fire(THREAD) : Hit{}, EAGAIN)

void* malloc(size_t size) noexcept
{
    const Hit hit = size == pictureBytes && pictureBytes != 0 ? fire(ALLOC) : Hit{};
    return guard(ALLOC, hit, nullptr, [&] { return __libc_malloc(size); });
}

void glFlush()
{
    static auto* real = next<void()>("glFlush");
    real();
    const Hit hit = fire(GL);
    // GL_INVALID_ENUM, as from a call that the gallery got wrong.
    if (hit.error != 0)
        next<void(unsigned)>("glEnable")(0);
    if (hit.action != nullptr)
        act(hit.action);
}

} // extern "C"
