#include "gallery/report.h"

#include "controls/controls.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>

static constexpr char PROGRAM[] = "varenthe-gallery";

static int firstReportError = 0;

void reportFile(const std::string& name, const Listing& listing)
{
    std::printf("%s\t%s\t%s\t", name.c_str(), listing.label.c_str(), listing.counts.c_str());
    // The viewer's own trace, which flushes the line.
    printCameraTrace();
    if (std::ferror(stdout) != 0 && firstReportError == 0)
        firstReportError = errno != 0 ? errno : EIO;
}

int reportError()
{
    return firstReportError;
}

static void say(const char* prefix, const char* format, std::va_list arguments)
{
    std::fprintf(stderr, "%s: %s", PROGRAM, prefix);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
}

void complain(const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    say("", format, arguments);
    va_end(arguments);
}

void warn(const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    say("warning: ", format, arguments);
    va_end(arguments);
}
