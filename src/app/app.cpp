#include "app/app.h"

#include "viewer/viewer_state.h"

#include <GL/glut.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

// Single-buffered RGB with no depth buffer requested: the depth test below is
// enabled anyway and passes every fragment where the window has none.
static constexpr unsigned int DISPLAY_MODE = GLUT_RGB | GLUT_SINGLE;
static constexpr char WINDOW_TITLE[] = "Varenthe";

void openStandardDescriptors()
{
    // open() takes the lowest free descriptor, so going up from 0 each one
    // lands where it is missing.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF)
            open("/dev/null", O_RDWR);
    }
}

void openViewerWindow()
{
    glutInitDisplayMode(DISPLAY_MODE);
    glutInitWindowSize(WINDOW_SIZE, WINDOW_SIZE);
    glutInitWindowPosition(WINDOW_POSITION, WINDOW_POSITION);
    glutCreateWindow(WINDOW_TITLE);
}

void initRendering()
{
    // Clockwise polygons count as front-facing, unlike GL's initial
    // counter-clockwise. With no culling and one-sided lighting the picture does
    // not depend on it; only facing-dependent state would.
    glFrontFace(GL_CW);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    // The projection is loaded from the static camera first; the first reshape
    // and every frame reload the matrices from the preset set after it.
    setupProjection();
    resetCamera();
}
