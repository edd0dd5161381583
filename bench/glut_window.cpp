#include "bench.h"

#include <GL/freeglut.h>
#include <GL/glx.h>

#include <poll.h>

static constexpr double WINDOW_TIMEOUT_SECONDS = 30.0;

static bool windowShown = false;

static void onFirstDisplay()
{
    windowShown = true;
}

void waitUntilWindowShown(void (*reshape)(int width, int height))
{
    glutReshapeFunc(reshape);
    glutDisplayFunc(onFirstDisplay);
    // glutMainLoopEvent does not block, so the wait between its calls is on the
    // X connection that GLUT reads.
    Display* display = glXGetCurrentDisplay();
    const double deadline = monotonicSeconds() + WINDOW_TIMEOUT_SECONDS;
    for (;;) {
        glutMainLoopEvent();
        if (windowShown)
            return;
        if (XPending(display) > 0)
            continue;
        const double left = deadline - monotonicSeconds();
        if (left <= 0.0)
            fail("the window was not shown within 30 s");
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, static_cast<int>(left * 1000.0) + 1);
    }
}
