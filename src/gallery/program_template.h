#pragma once

// The C source of the programs that --programs writes, for programs.cpp to
// fill in.

// The program of every picture. Each @NAME@ is filled in from the picture or
// from the constants the viewer draws with, so that a change to the frame's
// numbers reaches the programs too; the calls and their order are those of
// src/app/app.cpp, src/viewer/viewer_state.cpp and src/render/frame.cpp.
inline constexpr char PROGRAM_TEMPLATE[] = R"(/* @PICTURE@ of varenthe-gallery, drawn with GLUT, GLU and GL alone
 * as the viewer's frame draws it.
 * Shape: @LABEL@, @SLICES@ slices and @STACKS@ stacks.
 * Window: @SIZE@ x @SIZE@ pixels; Escape ends the program.
 *
 *     cc -std=c99 -Wall -Werror @PROGRAM@ -lglut -lGLU -lGL -lm
 */

#include <GL/glut.h>
#include <stdlib.h>

/* The camera in single precision, as the viewer keeps it. */
static const GLfloat DISTANCE = @DISTANCE@;
static const GLfloat ELEVATION = @ELEVATION@;
static const GLfloat AZIMUTH = @AZIMUTH@;
static const GLfloat TWIST = @TWIST@;

static const GLfloat RED[] = @RED@;
static const GLfloat GREEN[] = @GREEN@;
static const GLfloat BLUE[] = @BLUE@;
static const GLfloat GREY[] = @GREY@;

static void placeCamera(void)
{
    glTranslated(0.0, 0.0, -DISTANCE);
    glRotated(ELEVATION, 1.0, 0.0, 0.0);
    glRotated(AZIMUTH, 0.0, 1.0, 0.0);
    glRotated(-TWIST, 0.0, 0.0, 1.0);
}

/* The aspect ratio stays fixed: a window that is not square stretches the scene. */
static void reshape(int width, int height)
{
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(@PERSPECTIVE@);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    placeCamera();
}

/* With lighting on, the material decides the colour; glColor only keeps the
   current colour in step. */
static void drawAxis(const GLfloat colour[4], GLfloat x, GLfloat y, GLfloat z)
{
    glColor4fv(colour);
    glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, colour);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glVertex3f(-x, -y, -z);
    glVertex3f(x, y, z);
}

static void drawAxes(void)
{
    glPushAttrib(GL_LINE_BIT);
    glBegin(GL_LINES);
    drawAxis(RED, @AXIS@, 0.0f, 0.0f);
    drawAxis(GREEN, 0.0f, @AXIS@, 0.0f);
    drawAxis(BLUE, 0.0f, 0.0f, @AXIS@);
    glEnd();
    glPopAttrib();
}

static void drawShape(void)
{
@SHAPE@}

static void display(void)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    placeCamera();
    drawAxes();
    /* Both faces: the axes left the front material blue. */
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, GREY);
    drawShape();
    glFlush();
}

static void keyboard(unsigned char key, int x, int y)
{
    (void)x;
    (void)y;
    if (key == 27)
        exit(0);
}

int main(int argc, char **argv)
{
    glutInit(&argc, argv);
    /* Single-buffered, and no depth buffer asked for: where the window has
       none, the depth test passes every fragment, and a solid shape shows
       the faces drawn last. */
    glutInitDisplayMode(GLUT_RGB | GLUT_SINGLE);
    glutInitWindowSize(@SIZE@, @SIZE@);
    glutInitWindowPosition(@POSITION@, @POSITION@);
    glutCreateWindow("@PICTURE@");
    glFrontFace(GL_CW);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutKeyboardFunc(keyboard);
    glutMainLoop();
    return 0;
}
)";

// A GLU shape: src/render/quadric_shapes.cpp makes the quadric and deletes it
// around its one call.
inline constexpr char QUADRIC_TEMPLATE[] = R"(    GLUquadric *q = gluNewQuadric();
    gluQuadricDrawStyle(q, @STYLE@);
    gluQuadricNormals(q, GLU_SMOOTH);
    @CALL@;
    gluDeleteQuadric(q);
)";

// As buildClosedCylinder compiles it and the frame calls it, lists and all.
inline constexpr char CLOSED_CYLINDER_TEMPLATE[] = R"(    GLuint base = glGenLists(@LISTS@);
    GLUquadric *q = gluNewQuadric();
    gluQuadricDrawStyle(q, @STYLE@);
    gluQuadricNormals(q, GLU_SMOOTH);
    /* The caps take stacks sides and slices rings; both face +Z. */
    glNewList(base + 1, GL_COMPILE);
    gluDisk(q, @CAP@, @STACKS@, @SLICES@);
    glEndList();
    glNewList(base, GL_COMPILE);
    glCallList(base + 1);
    gluCylinder(q, @TUBE@, @SLICES@, @STACKS@);
    glTranslatef(0.0f, 0.0f, @HEIGHT@);
    glCallList(base + 1);
    glEndList();
    gluDeleteQuadric(q);
    glCallList(base);
    glDeleteLists(base, @LISTS@);
)";

// What the viewer leaves out, with its reason.
inline constexpr char LEFT_OUT_TEMPLATE[] = R"(    /* Not called: @CALL@;
       @CAPTION@.
       @WHY@,
       so the viewer leaves the shape out and the picture shows the axes alone. */
)";
