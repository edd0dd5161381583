#include "app/app.h"
#include "controls/controls.h"
#include "render/shapes.h"
#include "viewer/viewer_state.h"

#include <GL/glut.h>

int main(int argc, char** argv)
{
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
