#include "x_harness.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <stdexcept>
#include <thread>

#ifndef VARENTHE_BINARY
#error "VARENTHE_BINARY must name the viewer binary under test"
#endif

static constexpr char SCREEN_GEOMETRY[] = "1280x1024x24";
static constexpr char VIEWER_TITLE[] = "Varenthe";
static constexpr int POLL_MS = 10;
static constexpr unsigned int RIGHT_BUTTON = 3;
static constexpr unsigned char ESCAPE_BYTE = 27;
static constexpr unsigned char DELETE_BYTE = 0x7f;

using Clock = std::chrono::steady_clock;

static void pump(ViewerProcess& viewer);

// Polls `done` until it holds, collecting the viewer's output meanwhile; gives
// up when the time is over or the viewer has ended without `done` holding.
template <typename Done>
static bool waitUntil(ViewerProcess* viewer, double seconds, Done done)
{
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(seconds));
    for (;;) {
        if (viewer != nullptr)
            pump(*viewer);
        if (done())
            return true;
        if (Clock::now() >= deadline || (viewer != nullptr && viewer->exited))
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
    }
}

// Takes pending events until one of `type` that `accept` takes; the events
// before it are dropped.
template <typename Accept>
static bool takeEvent(Display* connection, int type, Accept accept)
{
    while (XPending(connection) > 0) {
        XEvent event;
        XNextEvent(connection, &event);
        if (event.type == type && accept(event))
            return true;
    }
    return false;
}

// The viewer's window goes away whenever the viewer ends, possibly between
// two requests about it; that is for the tests to judge, not a reason for
// Xlib to end the test process.
static int ignoreXError(Display*, XErrorEvent*)
{
    return 0;
}

// Keys the tests never press: unused codes, function and keypad keys, and
// vendor keys.
static bool spareKey(Display* connection, int code)
{
    const KeySym keysym = XkbKeycodeToKeysym(connection, static_cast<KeyCode>(code), 0, 0);
    return keysym == NoSymbol || (keysym >= XK_F1 && keysym <= XK_F35) ||
           (keysym >= XK_KP_Space && keysym <= XK_KP_Equal) || keysym > 0xffff;
}

// Bytes that no key of the server's map types (the upper half of Latin-1 and
// the codes between) get spare keys, two to a key, before any viewer starts:
// a viewer that has read the key map would not see later changes.
static void mapUpperBytes(Display* connection)
{
    int low, high;
    XDisplayKeycodes(connection, &low, &high);
    int byte = 0x80;
    for (int code = low; code <= high && byte <= 0xff; ++code) {
        if (!spareKey(connection, code))
            continue;
        KeySym pair[2] = {static_cast<KeySym>(byte), static_cast<KeySym>(byte + 1)};
        XChangeKeyboardMapping(connection, code, 2, pair, 1);
        byte += 2;
    }
    XSync(connection, False);
    if (byte <= 0xff)
        throw std::runtime_error("the X server's key map has too few spare key codes");
}

static bool onPath(const char* program)
{
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (access((dir + "/" + program).c_str(), X_OK) == 0)
            return true;
    }
    return false;
}

XServer startXServer()
{
    if (!onPath("Xvfb"))
        throw std::runtime_error("Xvfb is not installed: install the Debian package xvfb");
    int ready[2];
    if (pipe(ready) != 0)
        throw std::runtime_error("pipe failed");
    XServer server;
    server.pid = fork();
    if (server.pid == 0) {
        // A test that is killed on its timeout takes its server with it.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(ready[0]);
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
        const std::string fd = std::to_string(ready[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", SCREEN_GEOMETRY, "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ready[1]);

    // Xvfb writes the display number it chose once it accepts connections.
    std::string number;
    char buffer[16];
    ssize_t got = 0;
    pollfd waiting{ready[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos && poll(&waiting, 1, 30000) > 0 &&
           (got = read(ready[0], buffer, sizeof buffer)) > 0)
        number.append(buffer, static_cast<std::size_t>(got));
    close(ready[0]);
    if (number.find('\n') == std::string::npos) {
        kill(server.pid, SIGKILL);
        waitpid(server.pid, nullptr, 0);
        throw std::runtime_error("Xvfb did not start (Debian package xvfb)");
    }
    server.display = ":" + number.substr(0, number.find('\n'));
    XSetErrorHandler(ignoreXError);
    server.connection = XOpenDisplay(server.display.c_str());
    int event, error, major, minor;
    if (server.connection == nullptr || !XTestQueryExtension(server.connection, &event, &error, &major, &minor))
        throw std::runtime_error("cannot drive Xvfb on " + server.display + " through XTest");
    XSelectInput(server.connection, DefaultRootWindow(server.connection), SubstructureNotifyMask);
    mapUpperBytes(server.connection);
    return server;
}

void stopXServer(XServer& server)
{
    if (server.connection != nullptr)
        XCloseDisplay(server.connection);
    server.connection = nullptr;
    if (server.pid > 0) {
        kill(server.pid, SIGTERM);
        waitpid(server.pid, nullptr, 0);
    }
    server.pid = -1;
}

ViewerProcess startViewer(XServer& server, const std::vector<std::string>& arguments, bool setDisplay)
{
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    if (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0)
        throw std::runtime_error("no pseudo-terminal");
    const int output = open(ptsname(terminal), O_RDWR | O_NOCTTY);
    termios raw{};
    tcgetattr(output, &raw);
    cfmakeraw(&raw);
    tcsetattr(output, TCSANOW, &raw);
    int errors[2];
    if (pipe(errors) != 0)
        throw std::runtime_error("pipe failed");

    ViewerProcess viewer;
    viewer.pid = fork();
    if (viewer.pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(output, STDOUT_FILENO);
        dup2(errors[1], STDERR_FILENO);
        if (setDisplay)
            setenv("DISPLAY", server.display.c_str(), 1);
        else
            unsetenv("DISPLAY");
        // The sanitizer build preloads libraries into the viewer alone, not
        // into the X server; see tests/CMakeLists.txt.
        if (VARENTHE_VIEWER_PRELOAD[0] != '\0')
            setenv("LD_PRELOAD", VARENTHE_VIEWER_PRELOAD, 1);
        std::vector<char*> argv{const_cast<char*>(VARENTHE_BINARY)};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(VARENTHE_BINARY, argv.data());
        _exit(127);
    }
    close(output);
    close(errors[1]);
    viewer.outputFd = terminal;
    viewer.errorFd = errors[0];
    fcntl(viewer.outputFd, F_SETFL, O_NONBLOCK);
    fcntl(viewer.errorFd, F_SETFL, O_NONBLOCK);
    return viewer;
}

static void drain(int& fd, std::string& into)
{
    char buffer[4096];
    ssize_t got;
    while (fd >= 0 && (got = read(fd, buffer, sizeof buffer)) > 0)
        into.append(buffer, static_cast<std::size_t>(got));
    // A pseudo-terminal reports EIO once the viewer has closed its side.
    if (fd >= 0 && got <= 0 && !(got < 0 && (errno == EAGAIN || errno == EINTR))) {
        close(fd);
        fd = -1;
    }
}

// Collects whatever the viewer has written so far and notices when it ends.
static void pump(ViewerProcess& viewer)
{
    if (!viewer.exited && viewer.pid > 0 && waitpid(viewer.pid, &viewer.status, WNOHANG) == viewer.pid)
        viewer.exited = true;
    drain(viewer.outputFd, viewer.output);
    drain(viewer.errorFd, viewer.errors);
}

static void pointAtWindowCentre(XServer& server, Window window)
{
    const Geometry geometry = windowGeometry(server, window);
    XTestFakeMotionEvent(server.connection, -1, geometry.x + geometry.width / 2, geometry.y + geometry.height / 2,
                         CurrentTime);
    XSync(server.connection, False);
}

static bool isViewerWindow(Display* connection, Window window)
{
    char* name = nullptr;
    if (XFetchName(connection, window, &name) == 0 || name == nullptr)
        return false;
    const bool match = std::strcmp(name, VIEWER_TITLE) == 0;
    XFree(name);
    return match;
}

bool waitForWindow(XServer& server, ViewerProcess& viewer, double seconds)
{
    const bool mapped = waitUntil(&viewer, seconds, [&] {
        return takeEvent(server.connection, MapNotify, [&](const XEvent& event) {
            viewer.window = event.xmap.window;
            return !event.xmap.override_redirect && isViewerWindow(server.connection, event.xmap.window);
        });
    });
    if (mapped) {
        // No window manager runs, so the keyboard goes where the test says, as
        // it would after a person clicked into the window.
        XSetInputFocus(server.connection, viewer.window, RevertToPointerRoot, CurrentTime);
        pointAtWindowCentre(server, viewer.window);
    }
    return mapped;
}

bool waitForFirstFrame(XServer& server, ViewerProcess& viewer, double seconds)
{
    return waitUntil(&viewer, seconds, [&] {
        const Image image = grabWindow(server, viewer.window);
        return std::any_of(image.pixels.begin(), image.pixels.end(),
                           [](const Rgb& pixel) { return pixel.r != 0 || pixel.g != 0 || pixel.b != 0; });
    });
}

std::vector<std::string> traceLines(const ViewerProcess& viewer)
{
    std::vector<std::string> lines;
    std::istringstream stream(viewer.output);
    std::string line;
    while (std::getline(stream, line))
        lines.push_back(line);
    return lines;
}

bool waitForLines(ViewerProcess& viewer, std::size_t count, double seconds)
{
    return waitUntil(&viewer, seconds, [&] {
        return static_cast<std::size_t>(std::count(viewer.output.begin(), viewer.output.end(), '\n')) >= count;
    });
}

bool waitForExit(ViewerProcess& viewer, double seconds)
{
    return waitUntil(&viewer, seconds, [&] { return viewer.exited; });
}

void stopViewer(ViewerProcess& viewer)
{
    if (viewer.pid > 0 && !viewer.exited) {
        kill(viewer.pid, SIGKILL);
        waitpid(viewer.pid, &viewer.status, 0);
        viewer.exited = true;
    }
    for (int* fd : {&viewer.outputFd, &viewer.errorFd}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

void typeByte(XServer& server, unsigned char byte)
{
    Display* connection = server.connection;
    KeySym keysym = byte;
    // Control with '@' .. '_' types the bytes 0 to 31.
    const bool control = byte < 0x20 && byte != ESCAPE_BYTE;
    if (byte == ESCAPE_BYTE)
        keysym = XK_Escape;
    else if (control)
        keysym = static_cast<KeySym>(byte + 0x40);
    else if (byte == DELETE_BYTE)
        keysym = XK_Delete;

    const KeyCode code = XKeysymToKeycode(connection, keysym);
    if (code == 0)
        throw std::runtime_error("no key types byte " + std::to_string(byte));
    const bool shift = XkbKeycodeToKeysym(connection, code, 0, 0) != keysym &&
                       XkbKeycodeToKeysym(connection, code, 0, 1) == keysym;
    const KeyCode controlCode = XKeysymToKeycode(connection, XK_Control_L);
    const KeyCode shiftCode = XKeysymToKeycode(connection, XK_Shift_L);
    if (control)
        XTestFakeKeyEvent(connection, controlCode, True, CurrentTime);
    if (shift)
        XTestFakeKeyEvent(connection, shiftCode, True, CurrentTime);
    XTestFakeKeyEvent(connection, code, True, CurrentTime);
    XTestFakeKeyEvent(connection, code, False, CurrentTime);
    if (shift)
        XTestFakeKeyEvent(connection, shiftCode, False, CurrentTime);
    if (control)
        XTestFakeKeyEvent(connection, controlCode, False, CurrentTime);
    XSync(connection, False);
}

void typeKeys(XServer& server, const std::string& keys)
{
    for (char key : keys)
        typeByte(server, static_cast<unsigned char>(key));
}

Image grabWindow(XServer& server, Window window)
{
    Image image;
    XWindowAttributes attributes;
    if (window == 0 || XGetWindowAttributes(server.connection, window, &attributes) == 0)
        return image;
    XImage* shot = XGetImage(server.connection, window, 0, 0, static_cast<unsigned int>(attributes.width),
                             static_cast<unsigned int>(attributes.height), AllPlanes, ZPixmap);
    if (shot == nullptr)
        return image;
    auto channel = [](unsigned long pixel, unsigned long mask) {
        int shift = 0;
        while (mask != 0 && ((mask >> shift) & 1UL) == 0)
            ++shift;
        return static_cast<int>((pixel & mask) >> shift);
    };
    image.width = attributes.width;
    image.height = attributes.height;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const unsigned long pixel = XGetPixel(shot, x, y);
            image.pixels.push_back(
                {channel(pixel, shot->red_mask), channel(pixel, shot->green_mask), channel(pixel, shot->blue_mask)});
        }
    }
    XDestroyImage(shot);
    return image;
}

static bool closeTo(const Rgb& observed, const Rgb& expected, int tolerance)
{
    return std::abs(observed.r - expected.r) <= tolerance && std::abs(observed.g - expected.g) <= tolerance &&
           std::abs(observed.b - expected.b) <= tolerance;
}

static bool inside(const Image& image, int x, int y)
{
    return x >= 0 && y >= 0 && x < image.width && y < image.height;
}

std::string failedProbes(const Image& image, const std::vector<Probe>& probes)
{
    std::ostringstream failures;
    for (const Probe& probe : probes) {
        bool passed = false;
        for (int dy = -probe.radius; dy <= probe.radius; ++dy) {
            for (int dx = -probe.radius; dx <= probe.radius; ++dx) {
                const int x = probe.x + dx;
                const int y = probe.y + dy;
                passed = passed || (inside(image, x, y) && closeTo(image.at(x, y), probe.expected, probe.tolerance));
            }
        }
        if (passed)
            continue;
        failures << probe.what << " at (" << probe.x << ", " << probe.y << "): expected (" << probe.expected.r << ", "
                 << probe.expected.g << ", " << probe.expected.b << ") +/-" << probe.tolerance;
        if (inside(image, probe.x, probe.y)) {
            const Rgb seen = image.at(probe.x, probe.y);
            failures << ", observed (" << seen.r << ", " << seen.g << ", " << seen.b << ")\n";
        } else {
            failures << ", outside the " << image.width << "x" << image.height << " window\n";
        }
    }
    return failures.str();
}

std::string waitForProbes(XServer& server, Window window, const std::vector<Probe>& probes, double seconds)
{
    std::string failures;
    waitUntil(nullptr, seconds, [&] {
        failures = failedProbes(grabWindow(server, window), probes);
        return failures.empty();
    });
    return failures;
}

// The colour that covers most of a band of rows of the menu window: its
// background, or the highlight once the pointer is over that entry.
static Rgb dominantColour(const Image& image, int top, int bottom)
{
    std::map<long, int> counts;
    for (int y = std::max(top, 0); y < std::min(bottom, image.height); ++y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgb pixel = image.at(x, y);
            ++counts[(static_cast<long>(pixel.r) << 16) | (pixel.g << 8) | pixel.b];
        }
    }
    const auto most = std::max_element(counts.begin(), counts.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
    const long colour = most == counts.end() ? 0 : most->first;
    return {static_cast<int>((colour >> 16) & 0xff), static_cast<int>((colour >> 8) & 0xff),
            static_cast<int>(colour & 0xff)};
}

static void clickRightButton(Display* connection)
{
    XTestFakeButtonEvent(connection, RIGHT_BUTTON, True, CurrentTime);
    XTestFakeButtonEvent(connection, RIGHT_BUTTON, False, CurrentTime);
    XSync(connection, False);
}

bool chooseMenuEntry(XServer& server, ViewerProcess& viewer, int index, int entryCount)
{
    Display* connection = server.connection;
    XSync(connection, False);
    takeEvent(connection, 0, [](const XEvent&) { return false; });

    // A click opens the menu, which stays up; a second click takes the entry
    // under the pointer.
    pointAtWindowCentre(server, viewer.window);
    clickRightButton(connection);
    Window menu = 0;
    if (!waitUntil(&viewer, 10.0, [&] {
            return takeEvent(connection, MapNotify, [&](const XEvent& event) {
                menu = event.xmap.window;
                return event.xmap.override_redirect;
            });
        }))
        return false;
    const Geometry geometry = windowGeometry(server, menu);
    const double entryHeight = static_cast<double>(geometry.height) / entryCount;
    auto band = [&](const Image& image, int entry) {
        return dominantColour(image, static_cast<int>(entryHeight * entry) + 3,
                              static_cast<int>(entryHeight * (entry + 1)) - 3);
    };

    // The menu takes an entry only once it has highlighted it under the
    // pointer, so the click waits until the entry stands out from another one.
    XTestFakeMotionEvent(connection, -1, geometry.x + geometry.width / 2,
                         geometry.y + static_cast<int>(entryHeight * (index + 0.5)), CurrentTime);
    XSync(connection, False);
    const bool highlighted = waitUntil(&viewer, 10.0, [&] {
        const Image image = grabWindow(server, menu);
        return !closeTo(band(image, index), band(image, index == 1 ? 2 : 1), 0);
    });
    clickRightButton(connection);
    const bool closed = highlighted && waitUntil(&viewer, 10.0, [&] {
        return takeEvent(connection, UnmapNotify, [&](const XEvent& event) { return event.xunmap.window == menu; });
    });
    pointAtWindowCentre(server, viewer.window);
    return closed;
}

Geometry windowGeometry(XServer& server, Window window)
{
    XWindowAttributes attributes;
    if (XGetWindowAttributes(server.connection, window, &attributes) == 0)
        return {0, 0, 0, 0};
    int rootX, rootY;
    Window child;
    XTranslateCoordinates(server.connection, window, DefaultRootWindow(server.connection), 0, 0, &rootX, &rootY,
                          &child);
    return {rootX, rootY, attributes.width, attributes.height};
}

void resizeWindow(XServer& server, Window window, int width, int height)
{
    XResizeWindow(server.connection, window, static_cast<unsigned int>(width), static_cast<unsigned int>(height));
    XSync(server.connection, False);
}
