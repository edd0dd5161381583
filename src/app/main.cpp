#include "app/app.h"
#include "controls/controls.h"
#include "render/frame.h"
#include "viewer/viewer_state.h"

#include <GL/glut.h>

#include <csignal>

int main(int argc, char** argv)
{
    // A reader of the trace that goes away (`varenthe | head -n 1`) must not
    // end the viewer; the lines it would have read are simply dropped.
    std::signal(SIGPIPE, SIG_IGN);
    // Started with a standard stream closed, the trace is lost quietly.
    openStandardDescriptors();
    // The whole command line belongs to GLUT; the viewer has no options.
    glutInit(&argc, argv);
    openViewerWindow();
    initRendering();
    createShapeMenu();
    glutKeyboardFunc(onKey);
    glutDisplayFunc(onDisplay);
    glutReshapeFunc(onReshape);
    glutMainLoop();
    return 0;
}
