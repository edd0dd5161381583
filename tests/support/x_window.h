#pragma once

// After gtest: X11's macros, None among them, break its headers.
#include "pixels.h"

extern "C" {
#include <xdo.h>
}
#include <X11/Xutil.h>

#include <chrono>
#include <thread>

// Polls until done, for half a minute at most, far longer than anything takes
// even on a busy machine.
template <typename Done>
bool waitFor(Done done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (; !done(); std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
    }
    return true;
}

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
