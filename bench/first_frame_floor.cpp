#include "floor.h"

#include <GL/glu.h>
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
    glutInitDisplayMode(GLUT_RGB | GLUT_SINGLE);
    glutInitWindowSize(WINDOW_SIZE, WINDOW_SIZE);
    glutInitWindowPosition(WINDOW_POSITION, WINDOW_POSITION);
    glutCreateWindow("Varenthe");
    glFrontFace(GL_CW);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    glutCreateMenu([](int) {});
    for (const Shape& shape : SHAPES)
        glutAddMenuEntry(shape.label, shape.id);
    for (const char* label : MENU_TAIL)
        glutAddMenuEntry(label, 0);
    glutAttachMenu(GLUT_RIGHT_BUTTON);
    glutKeyboardFunc([](unsigned char, int, int) {});
    glutDisplayFunc([] { floorFrame(SHAPES[WIRE_SPHERE], COUNT); });
    glutReshapeFunc([](int width, int height) {
        static constexpr GLdouble FIELD_OF_VIEW = 60.0;
        static constexpr GLdouble NEAR_PLANE = 1.0;
        static constexpr GLdouble FAR_PLANE = 10.0;
        glViewport(0, 0, width, height);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(FIELD_OF_VIEW, 1.0, NEAR_PLANE, FAR_PLANE);
        glMatrixMode(GL_MODELVIEW);
    });
    glutMainLoop();
    return 0;
}
