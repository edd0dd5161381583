#include "floor.h"

#include <GL/glut.h>

// The viewer's start-up as bare GLUT calls: the same window, fixed state, menu
// of 31 entries and callbacks, and its first frame, the wire sphere 10x10. The
// projection is loaded once, by the first reshape, which comes before the first
// frame; the viewer also loads it at start-up, which it need not.
int main(int argc, char** argv)
{
    static constexpr int WINDOW_SIZE = 250;
    static constexpr int WINDOW_POSITION = 100;
    static constexpr int WIRE_SPHERE = 10;
    static constexpr GLint COUNT = 10;
    static const char* const MENU_TAIL[] = {"Reset camera position", "Put camera at origin", "Exit"};
    glutInit(&argc, argv);
    floorWindow("Varenthe", WINDOW_SIZE, WINDOW_POSITION, WINDOW_POSITION);
    glutCreateMenu([](int) {});
    for (const Shape& shape : SHAPES)
        glutAddMenuEntry(shape.label, shape.id);
    for (const char* label : MENU_TAIL)
        glutAddMenuEntry(label, 0);
    glutAttachMenu(GLUT_RIGHT_BUTTON);
    glutKeyboardFunc([](unsigned char, int, int) {});
    glutDisplayFunc([] { floorFrame(SHAPES[WIRE_SPHERE], COUNT, COUNT); });
    glutReshapeFunc(floorReshape);
    glutMainLoop();
    return 0;
}
