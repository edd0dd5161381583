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

static void mapUpperBytes(Display* connection);

static Clock::time_point deadlineAfter(double seconds)
{
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
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

// The viewer's window goes away whenever the viewer ends, possibly between
// two requests about it; that is for the tests to judge, not a reason for
// Xlib to end the test process.
static int ignoreXError(Display*, XErrorEvent*)
{
    return 0;
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
    pollfd waiting{ready[0], POLLIN, 0};
    const auto deadline = deadlineAfter(30.0);
    while (number.find('\n') == std::string::npos && Clock::now() < deadline) {
        if (poll(&waiting, 1, 100) <= 0)
            continue;
        char buffer[16];
        const ssize_t got = read(ready[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        number.append(buffer, static_cast<std::size_t>(got));
    }
    close(ready[0]);
    if (number.find('\n') == std::string::npos) {
        kill(server.pid, SIGKILL);
        waitpid(server.pid, nullptr, 0);
        throw std::runtime_error("Xvfb did not start (Debian package xvfb)");
    }
    server.display = ":" + number.substr(0, number.find('\n'));
    XSetErrorHandler(ignoreXError);
    server.connection = XOpenDisplay(server.display.c_str());
    if (server.connection == nullptr)
        throw std::runtime_error("cannot connect to Xvfb on " + server.display);
    int event, error, major, minor;
    if (!XTestQueryExtension(server.connection, &event, &error, &major, &minor))
        throw std::runtime_error("the X server has no XTest extension");
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

static void setNonBlocking(int fd)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

ViewerProcess startViewer(XServer& server, const std::vector<std::string>& arguments, OutputMode mode,
                          bool setDisplay)
{
    int outputRead = -1;
    int outputWrite = -1;
    if (mode == OutputMode::Terminal) {
        outputRead = posix_openpt(O_RDWR | O_NOCTTY);
        if (outputRead < 0 || grantpt(outputRead) != 0 || unlockpt(outputRead) != 0)
            throw std::runtime_error("no pseudo-terminal");
        outputWrite = open(ptsname(outputRead), O_RDWR | O_NOCTTY);
        termios raw{};
        tcgetattr(outputWrite, &raw);
        cfmakeraw(&raw);
        tcsetattr(outputWrite, TCSANOW, &raw);
    } else {
        int fds[2];
        if (pipe(fds) != 0)
            throw std::runtime_error("pipe failed");
        outputRead = fds[0];
        outputWrite = fds[1];
    }
    int errors[2];
    if (pipe(errors) != 0)
        throw std::runtime_error("pipe failed");

    ViewerProcess viewer;
    viewer.pid = fork();
    if (viewer.pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(outputWrite, STDOUT_FILENO);
        dup2(errors[1], STDERR_FILENO);
        close(outputRead);
        close(outputWrite);
        close(errors[0]);
        close(errors[1]);
        if (setDisplay)
            setenv("DISPLAY", server.display.c_str(), 1);
        else
            unsetenv("DISPLAY");
        // The sanitizer build preloads libraries into the viewer alone, not
        // into the X server; see tests/CMakeLists.txt.
        if (VARENTHE_VIEWER_PRELOAD[0] != '\0')
            setenv("LD_PRELOAD", VARENTHE_VIEWER_PRELOAD, 1);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(VARENTHE_BINARY));
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(VARENTHE_BINARY, argv.data());
        _exit(127);
    }
    close(outputWrite);
    close(errors[1]);
    viewer.outputFd = outputRead;
    viewer.errorFd = errors[0];
    setNonBlocking(viewer.outputFd);
    setNonBlocking(viewer.errorFd);
    return viewer;
}

static void drain(int& fd, std::string& into)
{
    if (fd < 0)
        return;
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0) {
            into.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        // A pseudo-terminal reports EIO once the viewer has closed its side.
        if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
            close(fd);
            fd = -1;
        }
        return;
    }
}

// Collects whatever the viewer has written so far and notices when it ends.
static void pump(ViewerProcess& viewer)
{
    drain(viewer.outputFd, viewer.output);
    drain(viewer.errorFd, viewer.errors);
    if (!viewer.exited && viewer.pid > 0 && waitpid(viewer.pid, &viewer.status, WNOHANG) == viewer.pid) {
        viewer.exited = true;
        drain(viewer.outputFd, viewer.output);
        drain(viewer.errorFd, viewer.errors);
    }
}

static void idle()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
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

static void pointAtWindowCentre(XServer& server, Window window)
{
    XWindowAttributes attributes;
    if (XGetWindowAttributes(server.connection, window, &attributes) == 0)
        return;
    int rootX, rootY;
    Window child;
    XTranslateCoordinates(server.connection, window, DefaultRootWindow(server.connection), attributes.width / 2,
                          attributes.height / 2, &rootX, &rootY, &child);
    XTestFakeMotionEvent(server.connection, -1, rootX, rootY, CurrentTime);
    XSync(server.connection, False);
}

bool waitForWindow(XServer& server, ViewerProcess& viewer, double seconds)
{
    const auto deadline = deadlineAfter(seconds);
    while (Clock::now() < deadline) {
        while (XPending(server.connection) > 0) {
            XEvent event;
            XNextEvent(server.connection, &event);
            if (event.type == MapNotify && !event.xmap.override_redirect &&
                isViewerWindow(server.connection, event.xmap.window)) {
                viewer.window = event.xmap.window;
                // No window manager runs, so the keyboard goes where the test
                // says, as it would after a person clicked into the window.
                XSetInputFocus(server.connection, viewer.window, RevertToPointerRoot, CurrentTime);
                pointAtWindowCentre(server, viewer.window);
                return true;
            }
        }
        pump(viewer);
        if (viewer.exited)
            return false;
        idle();
    }
    return false;
}

bool waitForFirstFrame(XServer& server, ViewerProcess& viewer, double seconds)
{
    const auto deadline = deadlineAfter(seconds);
    while (Clock::now() < deadline) {
        const Image image = grabWindow(server, viewer.window);
        for (const Rgb& pixel : image.pixels) {
            if (pixel.r != 0 || pixel.g != 0 || pixel.b != 0)
                return true;
        }
        pump(viewer);
        if (viewer.exited)
            return false;
        idle();
    }
    return false;
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

static std::size_t completeLines(const ViewerProcess& viewer)
{
    std::size_t count = 0;
    for (char c : viewer.output)
        count += c == '\n' ? 1 : 0;
    return count;
}

bool waitForLines(ViewerProcess& viewer, std::size_t count, double seconds)
{
    const auto deadline = deadlineAfter(seconds);
    while (Clock::now() < deadline) {
        pump(viewer);
        if (completeLines(viewer) >= count)
            return true;
        if (viewer.exited)
            return false;
        idle();
    }
    return false;
}

bool waitForExit(ViewerProcess& viewer, double seconds)
{
    const auto deadline = deadlineAfter(seconds);
    while (Clock::now() < deadline) {
        pump(viewer);
        if (viewer.exited)
            return true;
        idle();
    }
    return false;
}

void stopViewer(ViewerProcess& viewer)
{
    if (viewer.pid > 0 && !viewer.exited) {
        kill(viewer.pid, SIGKILL);
        waitpid(viewer.pid, &viewer.status, 0);
        viewer.exited = true;
    }
    if (viewer.outputFd >= 0)
        close(viewer.outputFd);
    if (viewer.errorFd >= 0)
        close(viewer.errorFd);
    viewer.outputFd = viewer.errorFd = -1;
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

static void fakeKey(Display* connection, KeyCode code, bool down)
{
    XTestFakeKeyEvent(connection, code, down ? True : False, CurrentTime);
}

void typeByte(XServer& server, unsigned char byte)
{
    Display* connection = server.connection;
    KeySym keysym = byte;
    bool control = false;
    if (byte == ESCAPE_BYTE) {
        keysym = XK_Escape;
    } else if (byte < 0x20) {
        // Control with '@' .. '_' types the bytes 0 to 31.
        keysym = static_cast<KeySym>(byte + 0x40);
        control = true;
    } else if (byte == DELETE_BYTE) {
        keysym = XK_Delete;
    }

    const KeyCode code = XKeysymToKeycode(connection, keysym);
    if (code == 0)
        throw std::runtime_error("no key types byte " + std::to_string(byte));
    const bool shift = XkbKeycodeToKeysym(connection, code, 0, 0) != keysym &&
                       XkbKeycodeToKeysym(connection, code, 0, 1) == keysym;
    const KeyCode controlCode = XKeysymToKeycode(connection, XK_Control_L);
    const KeyCode shiftCode = XKeysymToKeycode(connection, XK_Shift_L);
    if (control)
        fakeKey(connection, controlCode, true);
    if (shift)
        fakeKey(connection, shiftCode, true);
    fakeKey(connection, code, true);
    fakeKey(connection, code, false);
    if (shift)
        fakeKey(connection, shiftCode, false);
    if (control)
        fakeKey(connection, controlCode, false);
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
    image.width = attributes.width;
    image.height = attributes.height;
    image.pixels.reserve(static_cast<std::size_t>(image.width * image.height));
    auto channel = [](unsigned long pixel, unsigned long mask) {
        if (mask == 0)
            return 0;
        int shift = 0;
        while (((mask >> shift) & 1UL) == 0)
            ++shift;
        return static_cast<int>((pixel & mask) >> shift);
    };
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

static bool close_to(const Rgb& observed, const Rgb& expected, int tolerance)
{
    return std::abs(observed.r - expected.r) <= tolerance && std::abs(observed.g - expected.g) <= tolerance &&
           std::abs(observed.b - expected.b) <= tolerance;
}

std::string failedProbes(const Image& image, const std::vector<Probe>& probes)
{
    std::ostringstream failures;
    for (const Probe& probe : probes) {
        bool passed = false;
        for (int dy = -probe.radius; dy <= probe.radius && !passed; ++dy) {
            for (int dx = -probe.radius; dx <= probe.radius && !passed; ++dx) {
                const int x = probe.x + dx;
                const int y = probe.y + dy;
                if (x >= 0 && y >= 0 && x < image.width && y < image.height)
                    passed = close_to(image.at(x, y), probe.expected, probe.tolerance);
            }
        }
        if (passed)
            continue;
        failures << probe.what << " at (" << probe.x << ", " << probe.y << "): expected (" << probe.expected.r << ", "
                 << probe.expected.g << ", " << probe.expected.b << ") +/-" << probe.tolerance;
        if (probe.x >= 0 && probe.y >= 0 && probe.x < image.width && probe.y < image.height) {
            const Rgb seen = image.at(probe.x, probe.y);
            failures << ", observed (" << seen.r << ", " << seen.g << ", " << seen.b << ")";
        } else {
            failures << ", outside the " << image.width << "x" << image.height << " window";
        }
        failures << '\n';
    }
    return failures.str();
}

std::string waitForProbes(XServer& server, Window window, const std::vector<Probe>& probes, double seconds)
{
    const auto deadline = deadlineAfter(seconds);
    std::string failures;
    do {
        failures = failedProbes(grabWindow(server, window), probes);
        if (failures.empty())
            return failures;
        idle();
    } while (Clock::now() < deadline);
    return failures;
}

// The colour that covers most of a rectangle of the menu window: its
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
    long best = 0;
    int bestCount = -1;
    for (const auto& [colour, count] : counts) {
        if (count > bestCount) {
            best = colour;
            bestCount = count;
        }
    }
    return {static_cast<int>((best >> 16) & 0xff), static_cast<int>((best >> 8) & 0xff), static_cast<int>(best & 0xff)};
}

static void discardPendingEvents(Display* connection)
{
    XSync(connection, False);
    while (XPending(connection) > 0) {
        XEvent event;
        XNextEvent(connection, &event);
    }
}

static Window waitForMenu(XServer& server, ViewerProcess& viewer, int eventType, Window menu, double seconds)
{
    const auto deadline = deadlineAfter(seconds);
    while (Clock::now() < deadline) {
        while (XPending(server.connection) > 0) {
            XEvent event;
            XNextEvent(server.connection, &event);
            if (eventType == MapNotify && event.type == MapNotify && event.xmap.override_redirect)
                return event.xmap.window;
            if (eventType == UnmapNotify && event.type == UnmapNotify && event.xunmap.window == menu)
                return menu;
        }
        pump(viewer);
        if (viewer.exited)
            return 0;
        idle();
    }
    return 0;
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
    discardPendingEvents(connection);

    // A click opens the menu, which stays up; a second click takes the entry
    // under the pointer.
    pointAtWindowCentre(server, viewer.window);
    clickRightButton(connection);
    const Window menu = waitForMenu(server, viewer, MapNotify, 0, 10.0);
    if (menu == 0)
        return false;
    XWindowAttributes geometry{};
    if (XGetWindowAttributes(connection, menu, &geometry) == 0)
        return false;
    const double entryHeight = static_cast<double>(geometry.height) / entryCount;
    const int top = static_cast<int>(entryHeight * index) + 3;
    const int bottom = static_cast<int>(entryHeight * (index + 1)) - 3;
    const int reference = index == 1 ? 2 : 1;
    const int referenceTop = static_cast<int>(entryHeight * reference) + 3;
    const int referenceBottom = static_cast<int>(entryHeight * (reference + 1)) - 3;

    // The menu takes an entry only once it has highlighted it under the
    // pointer, so the click waits until the entry changes colour.
    XTestFakeMotionEvent(connection, -1, geometry.x + geometry.width / 2,
                         geometry.y + static_cast<int>(entryHeight * (index + 0.5)), CurrentTime);
    XSync(connection, False);
    const auto deadline = deadlineAfter(10.0);
    bool highlighted = false;
    while (!highlighted && Clock::now() < deadline) {
        const Image image = grabWindow(server, menu);
        const Rgb background = dominantColour(image, referenceTop, referenceBottom);
        const Rgb entry = dominantColour(image, top, bottom);
        highlighted = !close_to(entry, background, 0);
        if (!highlighted)
            idle();
    }
    clickRightButton(connection);
    const bool chosen = highlighted && waitForMenu(server, viewer, UnmapNotify, menu, 10.0) == menu;
    pointAtWindowCentre(server, viewer.window);
    return chosen;
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
