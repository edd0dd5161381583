#pragma once

// X11's macros, None among them, break gtest's headers, which come first.
#include <gtest/gtest.h>

#include "pixels.h"

#include "app/app.h"

extern "C" {
#include <xdo.h>
}
#include <X11/Xutil.h>

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <thread>

// libxdo on the test's X server. A window may go away, or not be viewable
// yet, between two requests about it; that is for the tests to judge, not a
// reason to end.
inline xdo_t* openXdo()
{
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    return xdo_new(nullptr);
}

// The first viewable window whose name matches the pattern, or 0.
inline Window findWindow(xdo_t* xdo, const std::string& pattern)
{
    xdo_search_t search{};
    search.winname = pattern.c_str();
    search.searchmask = SEARCH_NAME | SEARCH_ONLYVISIBLE;
    search.max_depth = -1;
    Window* found = nullptr;
    unsigned int count = 0;
    xdo_search_windows(xdo, &search, &found, &count);
    const Window window = count > 0 ? found[0] : 0;
    XFree(found);
    return window;
}

// What a window shows; empty while it is not viewable, since X has no pixels
// for it then.
inline Image windowImage(Display* display, Window window)
{
    XWindowAttributes a{};
    XGetWindowAttributes(display, window, &a);
    XImage* shot = XGetImage(display, window, 0, 0, unsigned(a.width), unsigned(a.height), AllPlanes, ZPixmap);
    Image image{shot != nullptr ? a.width : 0, a.height, {}};
    for (int i = 0; i < image.width * image.height; ++i) {
        const unsigned long p = XGetPixel(shot, i % image.width, i / image.width);
        for (int shift : {16, 8, 0})
            image.rgb.push_back(static_cast<unsigned char>((p >> shift) & 0xff));
    }
    if (shot != nullptr)
        XDestroyImage(shot);
    return image;
}

// A program with a window on the test's X server, started by a shell command
// with its standard output a pipe to the test, read while the test waits.
class WindowedProgram {
protected:
    // Killing the program's X connection ends a program that is still running.
    ~WindowedProgram()
    {
        if (program != nullptr) {
            xdo_kill_window(xdo, window);
            pclose(program);
        }
        xdo_free(xdo);
    }

    // Starts the program and waits for its window, its name matching the
    // pattern, to show the picture but for `allowed` pixels, where the viewer
    // opens its window. No window manager runs, so the test gives the window
    // the keyboard, as a person would by clicking into it.
    std::string launch(const std::string& command, const std::string& name, const Image& expected, int allowed = 0)
    {
        output.clear();
        ended = false;
        program = popen(command.c_str(), "re");
        if (!until([&] { return (window = findWindow(xdo, name)) != 0; }))
            return "no window named " + name;
        xdo_focus_window(xdo, window);
        XWindowAttributes a{};
        XGetWindowAttributes(xdo->xdpy, window, &a);
        if (a.x != WINDOW_POSITION || a.y != WINDOW_POSITION)
            return "the window is at " + std::to_string(a.x) + ", " + std::to_string(a.y);
        return waitForPicture(expected, allowed);
    }

    // Empty once the window shows the picture; or how it differs.
    std::string waitForPicture(const Image& expected, int allowed = 0)
    {
        std::string failures;
        until([&] { return (failures = differences(windowImage(xdo->xdpy, window), expected, allowed)).empty(); });
        return failures;
    }

    // Polls `done`, collecting the program's output meanwhile, for half a
    // minute at most: far longer than anything takes even on a busy machine.
    template <typename Done>
    bool until(Done done)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (char buffer[4096];; std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
            pollfd readable{fileno(program), POLLIN, 0};
            const ssize_t got = !ended && poll(&readable, 1, 0) > 0 ? read(readable.fd, buffer, sizeof buffer) : 0;
            ended = ended || (got == 0 && readable.revents != 0);
            output.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
            if (done())
                return true;
            if (std::chrono::steady_clock::now() > deadline)
                return false;
        }
    }

    // Escape; the program's exit status once its window and output are gone.
    int escape()
    {
        xdo_send_keysequence_window(xdo, CURRENTWINDOW, "Escape", 0);
        XWindowAttributes a{};
        // A program that hangs is left for the destructor to end.
        if (!until([&] { return ended && XGetWindowAttributes(xdo->xdpy, window, &a) == 0; })) {
            ADD_FAILURE() << "Escape did not end the program";
            return -1;
        }
        const int status = pclose(program);
        program = nullptr;
        return status;
    }

    xdo_t* xdo = openXdo();
    FILE* program = nullptr;
    std::string output;
    bool ended = false;
    Window window = 0;
};
