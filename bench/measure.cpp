#include "bench.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

static double seconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double processCpuSeconds()
{
    return seconds(CLOCK_PROCESS_CPUTIME_ID);
}

double monotonicSeconds()
{
    return seconds(CLOCK_MONOTONIC);
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    if (values.size() % 2 == 1)
        return values[middle];
    return (values[middle - 1] + values[middle]) / 2.0;
}

void fail(const std::string& reason)
{
    std::fflush(stdout);
    std::fprintf(stderr, "varenthe-bench: %s\n", reason.c_str());
    std::exit(1);
}
