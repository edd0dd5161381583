#include "app/app.h"
#include "gallery/gallery.h"
#include "render/shapes.h"
#include "viewer/viewer_state.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

static constexpr char PROGRAM[] = "varenthe-gallery";
static constexpr char USAGE[] = "usage: varenthe-gallery [DIR]\n";
// Only a bound for a window that is never shown (an iconic start, a server that
// stopped answering); the wait itself ends on GLUT's first display call.
static constexpr std::chrono::milliseconds FIRST_FRAME_TIMEOUT{10000};
static constexpr std::size_t RGB_BYTES = 3;

static bool firstFrameShown = false;

static void onGalleryDisplay()
{
    onDisplay();
    firstFrameShown = true;
}

// Checked before glutInit, which would print its own message and exit. The
// connection stays open until GLUT has its own: an X server resets when its last
// client leaves, and a connection attempted during the reset is refused.
static Display* openDisplayOrExplain()
{
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        std::fprintf(stderr, "%s: needs an X display to render on, and DISPLAY is not set\n", PROGRAM);
        return nullptr;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        std::fprintf(stderr, "%s: needs an X display to render on, and cannot open \"%s\"\n", PROGRAM, name);
    return display;
}

// The pixels of a window that is not yet mapped belong to nobody, so nothing is
// read back before GLUT has displayed the window once. glutMainLoopEvent does
// not block; between events this waits on GLUT's own X connection.
static bool waitForFirstFrame()
{
    Display* display = glXGetCurrentDisplay();
    const auto deadline = std::chrono::steady_clock::now() + FIRST_FRAME_TIMEOUT;
    while (!firstFrameShown) {
        glutMainLoopEvent();
        if (firstFrameShown || XPending(display) > 0)
            continue;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, static_cast<int>(left.count()));
    }
    return true;
}

static Picture drawAndReadBack(ShapeId shape, int width, int height)
{
    selectedShape = shape;
    onDisplay();
    // Single-buffered: the frame is in the front buffer once GL has finished it.
    glFinish();
    glReadBuffer(GL_FRONT);
    // Rows of 250 RGB pixels are not a multiple of GL's default 4-byte alignment.
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    std::vector<unsigned char> bottomUp(static_cast<std::size_t>(width) * height * RGB_BYTES);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    return pictureFromGlRows(width, height, bottomUp);
}

static bool save(const std::filesystem::path& path, const Picture& picture)
{
    std::string error;
    if (writePng(path.string(), picture, error))
        return true;
    std::fprintf(stderr, "%s: cannot write %s: %s\n", PROGRAM, path.c_str(), error.c_str());
    return false;
}

int main(int argc, char** argv)
{
    if (argc > 2) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::fputs(USAGE, stdout);
        return 0;
    }
    const std::filesystem::path dir = argc == 2 ? argv[1] : ".";
    Display* probe = openDisplayOrExplain();
    if (probe == nullptr)
        return 1;

    std::error_code failure;
    std::filesystem::create_directories(dir, failure);
    if (failure) {
        std::fprintf(stderr, "%s: cannot create %s: %s\n", PROGRAM, dir.c_str(), failure.message().c_str());
        XCloseDisplay(probe);
        return 1;
    }

    // The directory argument is the gallery's, not a GLUT option.
    int glutArgc = 1;
    glutInit(&glutArgc, argv);
    XCloseDisplay(probe);
    openViewerWindow();
    initRendering();
    glutDisplayFunc(onGalleryDisplay);
    glutReshapeFunc(onReshape);
    if (!waitForFirstFrame()) {
        std::fprintf(stderr, "%s: the window was never shown, so there is nothing to read back\n", PROGRAM);
        return 1;
    }

    // The state keeps its start-up values: counts 10 and 10, the reset camera.
    const int width = glutGet(GLUT_WINDOW_WIDTH);
    const int height = glutGet(GLUT_WINDOW_HEIGHT);
    std::vector<Picture> tiles;
    for (ShapeId shape : galleryShapes()) {
        Picture picture = drawAndReadBack(shape, width, height);
        // Every frame has the axes at least; a black one was never really drawn.
        if (isBlack(picture)) {
            std::fprintf(stderr, "%s: the frame of shape %d read back black\n", PROGRAM, static_cast<int>(shape));
            return 1;
        }
        if (!save(dir / shapeFileName(shape), picture))
            return 1;
        tiles.push_back(std::move(picture));
    }
    if (!save(dir / CONTACT_SHEET_NAME, contactSheet(tiles)))
        return 1;

    // Unlike the viewer, which ends inside a callback, the gallery returns: it
    // lets GLUT destroy the window and the GL context, so that the driver frees
    // what it holds for them before the process ends.
    glutDestroyWindow(glutGetWindow());
    glutExit();

    std::filesystem::path shown = std::filesystem::canonical(dir, failure);
    if (failure)
        shown = dir;
    std::printf("Pictures of the %zu shapes and %s are in %s\n", tiles.size(), CONTACT_SHEET_NAME, shown.c_str());
    return 0;
}
