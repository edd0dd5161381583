#include "bench.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>

#include <algorithm>
#include <csignal>
#include <cstdio>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

static constexpr int STARTUP_ROUNDS = 11;
static constexpr double STARTUP_TIMEOUT_SECONDS = 30.0;
static constexpr double MS = 1000.0;

static int xErrors = 0;

// A window can vanish between the map and a read of its image; that must not
// end the benchmark the way Xlib's default handler would.
static int onXError(Display*, XErrorEvent*)
{
    ++xErrors;
    return 0;
}

static pid_t spawn(const char* path)
{
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid < 0)
        fail("cannot fork");
    if (pid == 0) {
        execl(path, path, static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

static void nextEvent(Display* display, double deadline, XEvent* event)
{
    while (XPending(display) == 0) {
        const double left = deadline - monotonicSeconds();
        if (left <= 0.0)
            fail("no first frame within 30 s");
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, static_cast<int>(left * MS) + 1);
    }
    XNextEvent(display, event);
}

// True once any pixel of the window is not black. Xvfb runs with a black
// root, and the window has no background of its own, so black means that no
// frame has arrived yet.
static bool showsFrame(Display* display, Window window)
{
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0)
        return false;
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr)
        return false;
    const unsigned long colour = image->red_mask | image->green_mask | image->blue_mask;
    bool lit = false;
    for (int y = 0; y < image->height && !lit; ++y)
        for (int x = 0; x < image->width && !lit; ++x)
            lit = (XGetPixel(image, x, y) & colour) != 0;
    XDestroyImage(image);
    return lit;
}

// Starts the program and returns the seconds until its top-level window is
// mapped and until its first frame is on screen. Both waits are on X events:
// MapNotify on the root, then damage to the window, after each of which the
// image is read again.
static void timeFirstFrame(Display* display, int damageEventBase, const char* path,
                           double& mapSeconds, double& frameSeconds)
{
    const Window root = DefaultRootWindow(display);
    XSync(display, True);
    const double start = monotonicSeconds();
    const double deadline = start + STARTUP_TIMEOUT_SECONDS;
    const pid_t pid = spawn(path);

    Window window = 0;
    XEvent event{};
    while (window == 0) {
        nextEvent(display, deadline, &event);
        if (event.type == MapNotify && event.xmap.event == root && !event.xmap.override_redirect)
            window = event.xmap.window;
    }
    mapSeconds = monotonicSeconds() - start;

    // The damage object exists before the first read of the image, so a frame
    // drawn after that read is reported and none is missed.
    const Damage damage = XDamageCreate(display, window, XDamageReportNonEmpty);
    while (!showsFrame(display, window)) {
        do {
            nextEvent(display, deadline, &event);
        } while (event.type != damageEventBase + XDamageNotify
                 || reinterpret_cast<XDamageNotifyEvent*>(&event)->damage != damage);
        XDamageSubtract(display, damage, None, None);
    }
    frameSeconds = monotonicSeconds() - start;

    // Sent before the program ends: its window, and the damage with it, go
    // away when it does.
    XDamageDestroy(display, damage);
    XSync(display, False);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

static void printStartupRow(const char* program, const std::vector<double>& map,
                            const std::vector<double>& frame)
{
    std::vector<double> sorted = frame;
    std::sort(sorted.begin(), sorted.end());
    std::printf("| %s | %.1f | %.1f | %.1f | %.1f |\n", program, median(map) * MS,
                median(frame) * MS, sorted.front() * MS, sorted.back() * MS);
}

void runStartupBenchmark(const std::string& displayName)
{
    Display* display = XOpenDisplay(displayName.c_str());
    if (display == nullptr)
        fail("cannot open the private display " + displayName);
    XSetErrorHandler(onXError);
    int damageEventBase = 0;
    int damageErrorBase = 0;
    if (!XDamageQueryExtension(display, &damageEventBase, &damageErrorBase))
        fail("the X server has no DAMAGE extension");
    int damageMajor = 1;
    int damageMinor = 1;
    XDamageQueryVersion(display, &damageMajor, &damageMinor);
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);

    double mapSeconds = 0.0;
    double frameSeconds = 0.0;
    // One start of each, not counted, brings the binaries and libraries into the
    // page cache, so that the first counted round is not the only cold one.
    timeFirstFrame(display, damageEventBase, VARENTHE_BINARY, mapSeconds, frameSeconds);
    timeFirstFrame(display, damageEventBase, FIRST_FRAME_FLOOR_BINARY, mapSeconds, frameSeconds);

    std::vector<double> viewerMap;
    std::vector<double> viewerFrame;
    std::vector<double> floorMap;
    std::vector<double> floorFrame;
    std::vector<double> ratios;
    for (int round = 0; round < STARTUP_ROUNDS; ++round) {
        timeFirstFrame(display, damageEventBase, VARENTHE_BINARY, mapSeconds, frameSeconds);
        viewerMap.push_back(mapSeconds);
        viewerFrame.push_back(frameSeconds);
        const double viewerSeconds = frameSeconds;
        timeFirstFrame(display, damageEventBase, FIRST_FRAME_FLOOR_BINARY, mapSeconds, frameSeconds);
        floorMap.push_back(mapSeconds);
        floorFrame.push_back(frameSeconds);
        ratios.push_back(viewerSeconds / frameSeconds);
    }
    XCloseDisplay(display);

    std::printf("| program | window mapped, ms (median) | first frame on screen, ms (median) | "
                "first frame, fastest | first frame, slowest |\n");
    std::printf("|---|---:|---:|---:|---:|\n");
    printStartupRow("varenthe", viewerMap, viewerFrame);
    printStartupRow("floor", floorMap, floorFrame);
    std::printf("\nFirst frame, viewer/floor (median of %d paired starts): %.3f%s\n\n",
                STARTUP_ROUNDS, median(ratios), xErrors > 0 ? " (X errors seen)" : "");
    std::fflush(stdout);
}
