#pragma once

// Drives the real viewer binary the way a person would: its own X server, real
// key presses and button clicks through XTest, the window's pixels read back,
// and the trace read from the viewer's standard output.

#include <sys/types.h>

#include <string>
#include <vector>

// Xlib's own header is kept out of the tests: its macros (None, Bool, Status)
// collide with the test framework's names.
struct _XDisplay;
using Display = _XDisplay;
using Window = unsigned long;

struct XServer {
    pid_t pid = -1;
    std::string display;
    Display* connection = nullptr;
};

// Starts Xvfb on a free display number, connects to it and watches the root
// window for windows being mapped. Throws std::runtime_error naming the Debian
// package when Xvfb cannot be started.
XServer startXServer();
void stopXServer(XServer& server);

struct ViewerProcess {
    pid_t pid = -1;
    int outputFd = -1;
    int errorFd = -1;
    std::string output;
    std::string errors;
    Window window = 0;
    bool exited = false;
    int status = 0;
};

// Standard output is a terminal, so each trace line arrives as it is printed.
// With `setDisplay` false the viewer gets no DISPLAY variable and has to be
// told the display on its command line.
ViewerProcess startViewer(XServer& server, const std::vector<std::string>& arguments = {},
                          bool setDisplay = true);

// Each wait is false on timeout, or when the viewer ends first.
bool waitForWindow(XServer& server, ViewerProcess& viewer, double seconds = 20.0);
bool waitForFirstFrame(XServer& server, ViewerProcess& viewer, double seconds = 20.0);
bool waitForLines(ViewerProcess& viewer, std::size_t count, double seconds = 20.0);
bool waitForExit(ViewerProcess& viewer, double seconds = 20.0);

// Kills the viewer if it still runs and collects it.
void stopViewer(ViewerProcess& viewer);

std::vector<std::string> traceLines(const ViewerProcess& viewer);

// Presses and releases the key that types `byte`, with Shift or Control as needed.
void typeByte(XServer& server, unsigned char byte);
void typeKeys(XServer& server, const std::string& keys);

// Opens the pop-up menu over the window with a right click and clicks entry
// `index` (0-based) once it is highlighted. False if the menu did not take it.
bool chooseMenuEntry(XServer& server, ViewerProcess& viewer, int index, int entryCount = 31);

struct Rgb {
    int r, g, b;
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
    Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

Image grabWindow(XServer& server, Window window);

// A piglit-style probe: the colour expected near a position, within a tolerance
// per channel; `radius` lets a one-pixel-wide line land on either neighbour.
struct Probe {
    const char* what;
    int x;
    int y;
    Rgb expected;
    int tolerance = 12;
    int radius = 0;
};

// Every failing probe, one line each: position, expected and observed colour.
std::string failedProbes(const Image& image, const std::vector<Probe>& probes);

// Polls the window until every probe passes; returns the failures of the last
// image looked at (empty when all passed).
std::string waitForProbes(XServer& server, Window window, const std::vector<Probe>& probes,
                          double seconds = 20.0);

struct Geometry {
    int x, y, width, height;
};

// Position on the screen and size of a window.
Geometry windowGeometry(XServer& server, Window window);

void resizeWindow(XServer& server, Window window, int width, int height);
