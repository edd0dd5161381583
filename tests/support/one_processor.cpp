// Preloaded by tests/busy.sh beside `taskset -c 0`: glibc's counts of the
// processors, which std::thread::hardware_concurrency and drivers read rather
// than the affinity mask, say one too, as on a machine with one.

#include <dlfcn.h>
#include <unistd.h>

extern "C" int get_nprocs() noexcept
{
    return 1;
}

extern "C" int get_nprocs_conf() noexcept
{
    return 1;
}

extern "C" long sysconf(int name) noexcept
{
    if (name == _SC_NPROCESSORS_ONLN || name == _SC_NPROCESSORS_CONF)
        return 1;
    static const auto next = reinterpret_cast<long (*)(int)>(dlsym(RTLD_NEXT, "sysconf"));
    return next(name);
}
