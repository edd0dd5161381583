// The least a program can do to get the viewer's first picture on screen: the
// same kind of window, the same first shape call, and the flush that puts a
// single-buffered frame on screen.

#include <GL/glut.h>

static constexpr unsigned int DISPLAY_MODE = GLUT_RGB | GLUT_SINGLE;
static constexpr int WINDOW_SIZE = 250;
static constexpr int WINDOW_POSITION = 100;
static constexpr GLdouble SPHERE_RADIUS = 1.5;
static constexpr GLint INITIAL_COUNT = 10;

static void onDisplay()
{
    glutWireSphere(SPHERE_RADIUS, INITIAL_COUNT, INITIAL_COUNT);
    glFlush();
}

int main(int argc, char** argv)
{
    glutInit(&argc, argv);
    glutInitDisplayMode(DISPLAY_MODE);
    glutInitWindowSize(WINDOW_SIZE, WINDOW_SIZE);
    glutInitWindowPosition(WINDOW_POSITION, WINDOW_POSITION);
    glutCreateWindow("Varenthe floor");
    glutDisplayFunc(onDisplay);
    glutMainLoop();
    return 0;
}
