#include "floor.h"

#include <GL/glu.h>
#include <GL/glut.h>

// The viewer's arguments, repeated here so that the floor runs none of its code.
static constexpr GLdouble RADIUS = 1.5;
static constexpr GLdouble INNER_RADIUS = 0.5;
static constexpr GLdouble TUBE_HEIGHT = 2.0;
static constexpr GLdouble SPHERE_RADIUS = 1.0;
static constexpr GLdouble CONE_RADIUS = 1.0;
static constexpr GLdouble TEAPOT_SIZE = 1.0;
static constexpr GLdouble PARTIAL_START = 90.0;
static constexpr GLdouble PARTIAL_SWEEP = 270.0;

static GLUquadric* newQuadric(GLenum style)
{
    GLUquadric* quadric = gluNewQuadric();
    gluQuadricDrawStyle(quadric, style);
    gluQuadricNormals(quadric, GLU_SMOOTH);
    return quadric;
}

// The quadric is made and deleted around the one GLU call, in every frame.
template <void (*CALL)(GLUquadric* quadric, GLint slices, GLint stacks)>
static void withQuadric(GLenum style, GLint slices, GLint stacks)
{
    GLUquadric* quadric = newQuadric(style);
    CALL(quadric, slices, stacks);
    gluDeleteQuadric(quadric);
}

// clang-format off
static void tube(GLUquadric* q, GLint sl, GLint st) { gluCylinder(q, RADIUS, RADIUS, TUBE_HEIGHT, sl, st); }
static void disk(GLUquadric* q, GLint sl, GLint st) { gluDisk(q, INNER_RADIUS, RADIUS, sl, st); }
static void sphere(GLUquadric* q, GLint sl, GLint st) { gluSphere(q, SPHERE_RADIUS, sl, st); }
// clang-format on
static void partialDisk(GLUquadric* q, GLint sl, GLint st)
{
    gluPartialDisk(q, INNER_RADIUS, RADIUS, sl, st, PARTIAL_START, PARTIAL_SWEEP);
}

// A fresh pair of lists, compiled, called once and deleted in every frame.
static void closedCylinder(GLenum style, GLint slices, GLint stacks)
{
    static constexpr GLsizei LISTS = 2;
    const GLuint base = glGenLists(LISTS);
    GLUquadric* quadric = newQuadric(style);
    glNewList(base + 1, GL_COMPILE);
    gluDisk(quadric, 0.0, RADIUS, stacks, slices);
    glEndList();
    glNewList(base, GL_COMPILE);
    glCallList(base + 1);
    gluCylinder(quadric, RADIUS, RADIUS, TUBE_HEIGHT, slices, stacks);
    glTranslatef(0.0f, 0.0f, static_cast<GLfloat>(TUBE_HEIGHT));
    glCallList(base + 1);
    glEndList();
    gluDeleteQuadric(quadric);
    glCallList(base);
    glDeleteLists(base, LISTS);
}

// freeglut's own vertex counts for its sphere, cone and torus.
static constexpr long long MAX_VERTICES = 65535;
static bool fits(GLint slices, GLint stacks, long long vertices)
{
    return slices >= 1 && stacks >= 1 && vertices <= MAX_VERTICES;
}

const Shape SHAPES[28] = {
    {2, "GLU_CYLINDER (wire)", GLU_LINE, withQuadric<tube>},
    {3, "GLU_CYLINDER (solid)", GLU_FILL, withQuadric<tube>},
    {4, "GLU_DISK (wire)", GLU_LINE, withQuadric<disk>},
    {5, "GLU_DISK (solid)", GLU_FILL, withQuadric<disk>},
    {6, "GLU_PARTIALDISK (wire)", GLU_LINE, withQuadric<partialDisk>},
    {7, "GLU_PARTIALDISK (solid)", GLU_FILL, withQuadric<partialDisk>},
    {8, "GLU_SPHERE (wire)", GLU_LINE, withQuadric<sphere>},
    {9, "GLU_SPHERE (solid)", GLU_FILL, withQuadric<sphere>},
    {10, "wire cylinder with top && bottom", GLU_LINE, closedCylinder},
    {11, "solid cylinder with top && bottom", GLU_FILL, closedCylinder},
    {20, "GLUT_WIRESPHERE", 0,
     [](GLenum, GLint sl, GLint st) {
         if (fits(sl, st, sl * (st - 1LL) + 2))
             glutWireSphere(RADIUS, sl, st);
     }},
    {21, "GLUT_SOLIDSPHERE", 0,
     [](GLenum, GLint sl, GLint st) {
         if (fits(sl, st, sl * (st - 1LL) + 2))
             glutSolidSphere(RADIUS, sl, st);
     }},
    {22, "GLUT_WIRECONE", 0,
     [](GLenum, GLint sl, GLint st) {
         if (fits(sl, st, sl * (st + 2LL) + 1))
             glutWireCone(CONE_RADIUS, RADIUS, sl, st);
     }},
    {23, "GLUT_SOLIDCONE", 0,
     [](GLenum, GLint sl, GLint st) {
         if (fits(sl, st, sl * (st + 2LL) + 1))
             glutSolidCone(CONE_RADIUS, RADIUS, sl, st);
     }},
    {24, "GLUT_WIRECUBE", 0, [](GLenum, GLint, GLint) { glutWireCube(RADIUS); }},
    {25, "GLUT_SOLIDCUBE", 0, [](GLenum, GLint, GLint) { glutSolidCube(RADIUS); }},
    {26, "GLUT_WIRETORUS", 0,
     [](GLenum, GLint sl, GLint st) {
         if (fits(sl, st, 1LL * sl * st))
             glutWireTorus(INNER_RADIUS, RADIUS, sl, st);
     }},
    {27, "GLUT_SOLIDTORUS", 0,
     [](GLenum, GLint sl, GLint st) {
         if (fits(sl, st, 1LL * sl * st))
             glutSolidTorus(INNER_RADIUS, RADIUS, sl, st);
     }},
    {28, "GLUT_WIREDODECAHEDRON", 0, [](GLenum, GLint, GLint) { glutWireDodecahedron(); }},
    {29, "GLUT_SOLIDDODECAHEDRON", 0, [](GLenum, GLint, GLint) { glutSolidDodecahedron(); }},
    {30, "GLUT_WIREOCTAHEDRON", 0, [](GLenum, GLint, GLint) { glutWireOctahedron(); }},
    {31, "GLUT_SOLIDOCTAHEDRON", 0, [](GLenum, GLint, GLint) { glutSolidOctahedron(); }},
    {32, "GLUT_WIRETETRAHEDRON", 0, [](GLenum, GLint, GLint) { glutWireTetrahedron(); }},
    {33, "GLUT_SOLIDTETRAHEDRON", 0, [](GLenum, GLint, GLint) { glutSolidTetrahedron(); }},
    {34, "GLUT_WIREICOSAHEDRON", 0, [](GLenum, GLint, GLint) { glutWireIcosahedron(); }},
    {35, "GLUT_SOLIDICOSAHEDRON", 0, [](GLenum, GLint, GLint) { glutSolidIcosahedron(); }},
    {36, "GLUT_WIRETEAPOT", 0, [](GLenum, GLint, GLint) { glutWireTeapot(TEAPOT_SIZE); }},
    {37, "GLUT_SOLIDTEAPOT", 0, [](GLenum, GLint, GLint) { glutSolidTeapot(TEAPOT_SIZE); }},
};

void floorWindow(const char* title, int size, int left, int top)
{
    glutInitDisplayMode(GLUT_RGB | GLUT_SINGLE);
    glutInitWindowSize(size, size);
    glutInitWindowPosition(left, top);
    glutCreateWindow(title);
    glFrontFace(GL_CW);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
}

void floorReshape(int width, int height)
{
    static constexpr GLdouble FIELD_OF_VIEW = 60.0;
    static constexpr GLdouble NEAR_PLANE = 1.0;
    static constexpr GLdouble FAR_PLANE = 10.0;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(FIELD_OF_VIEW, 1.0, NEAR_PLANE, FAR_PLANE);
    glMatrixMode(GL_MODELVIEW);
}

void floorFrame(const Shape& shape, GLint slices, GLint stacks, const FloorCamera& camera)
{
    static constexpr GLfloat AXIS = 4.0f;
    static const GLfloat AXES[][4] = {{1.0f, 0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 1.0f, 1.0f}};
    static const GLfloat GREY[] = {0.6f, 0.6f, 0.6f, 1.0f};

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslated(0.0, 0.0, -camera.distance);
    glRotated(camera.elevation, 1.0, 0.0, 0.0);
    glRotated(camera.azimuth, 0.0, 1.0, 0.0);
    glRotated(-camera.twist, 0.0, 0.0, 1.0);
    glPushAttrib(GL_LINE_BIT);
    glBegin(GL_LINES);
    // X red, Y green, Z blue: each axis's colour, read as a vector, is also its
    // direction.
    for (const GLfloat* colour : AXES) {
        glColor4fv(colour);
        glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, colour);
        glNormal3f(0.0f, 0.0f, 1.0f);
        glVertex3f(-AXIS * colour[0], -AXIS * colour[1], -AXIS * colour[2]);
        glVertex3f(AXIS * colour[0], AXIS * colour[1], AXIS * colour[2]);
    }
    glEnd();
    glPopAttrib();
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, GREY);
    shape.draw(shape.style, slices, stacks);
    glFlush();
}
