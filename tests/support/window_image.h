#pragma once

// After gtest: X11's macros, None among them, break its headers.
#include "pixels.h"

#include <X11/Xutil.h>

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
