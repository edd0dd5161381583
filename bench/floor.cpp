#include "bench.h"

#include <GL/glu.h>
#include <GL/glut.h>

// The floor keeps its own copies of the window, camera and shape constants: it
// must issue the same calls as the viewer without going through its code.
static constexpr unsigned int FLOOR_DISPLAY_MODE = GLUT_RGB | GLUT_SINGLE;
static constexpr int WINDOW_SIZE = 250;
static constexpr int WINDOW_POSITION = 100;

static constexpr double FIELD_OF_VIEW = 60.0;
static constexpr double ASPECT_RATIO = 1.0;
static constexpr double NEAR_PLANE = 1.0;
static constexpr double FAR_PLANE = 10.0;
static constexpr double CAMERA_DISTANCE = 6.0;
static constexpr double CAMERA_ELEVATION = 45.0;
static constexpr double CAMERA_AZIMUTH = -33.0;

static constexpr GLdouble TUBE_RADIUS = 1.5;
static constexpr GLdouble TUBE_HEIGHT = 2.0;
static constexpr GLdouble DISK_INNER_RADIUS = 0.5;
static constexpr GLdouble DISK_OUTER_RADIUS = 1.5;
static constexpr GLdouble PARTIAL_DISK_START = 90.0;
static constexpr GLdouble PARTIAL_DISK_SWEEP = 270.0;
static constexpr GLdouble QUADRIC_SPHERE_RADIUS = 1.0;
static constexpr GLdouble GLUT_SPHERE_RADIUS = 1.5;
static constexpr GLdouble CONE_BASE_RADIUS = 1.0;
static constexpr GLdouble CONE_HEIGHT = 1.5;
static constexpr GLdouble CUBE_EDGE = 1.5;
static constexpr GLdouble TORUS_TUBE_RADIUS = 0.5;
static constexpr GLdouble TORUS_OUTER_RADIUS = 1.5;
static constexpr GLdouble TEAPOT_SIZE = 1.0;

// One quadric per draw style, made on first use and kept: the floor pays only
// for the drawing call itself.
static GLUquadric* lineQuadric = nullptr;
static GLUquadric* fillQuadric = nullptr;

static GLUquadric* floorQuadric(GLenum style)
{
    GLUquadric*& quadric = style == GLU_LINE ? lineQuadric : fillQuadric;
    if (quadric == nullptr) {
        quadric = gluNewQuadric();
        if (quadric == nullptr)
            fail("no memory for a GLU quadric");
        gluQuadricDrawStyle(quadric, style);
        gluQuadricNormals(quadric, GLU_SMOOTH);
    }
    return quadric;
}

void openFloorWindow()
{
    glutInitDisplayMode(FLOOR_DISPLAY_MODE);
    glutInitWindowSize(WINDOW_SIZE, WINDOW_SIZE);
    glutInitWindowPosition(WINDOW_POSITION, WINDOW_POSITION);
    glutCreateWindow("Varenthe floor");
}

void setFloorFixedState()
{
    glFrontFace(GL_CW);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(FIELD_OF_VIEW, ASPECT_RATIO, NEAR_PLANE, FAR_PLANE);
    glMatrixMode(GL_MODELVIEW);
}

void onFloorReshape(int width, int height)
{
    glViewport(0, 0, width, height);
}

void loadFloorFrameState()
{
    const GLfloat grey[] = {0.6f, 0.6f, 0.6f, 1.0f};
    // The camera of the reset preset, so that the shape covers the same pixels
    // as in the viewer's frame; a twist of 0 needs no rotation.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslated(0.0, 0.0, -CAMERA_DISTANCE);
    glRotated(CAMERA_ELEVATION, 1.0, 0.0, 0.0);
    glRotated(CAMERA_AZIMUTH, 0.0, 1.0, 0.0);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, grey);
}

// The same GLU calls as the closed cylinder's display lists, issued directly:
// the floor builds no lists. The push and pop keep the lid's translation from
// piling up over the frames.
static void drawClosedCylinder(GLenum style, int sliceCount, int stackCount)
{
    GLUquadric* quadric = floorQuadric(style);
    glPushMatrix();
    gluDisk(quadric, 0.0, TUBE_RADIUS, stackCount, sliceCount);
    gluCylinder(quadric, TUBE_RADIUS, TUBE_RADIUS, TUBE_HEIGHT, sliceCount, stackCount);
    glTranslatef(0.0f, 0.0f, static_cast<GLfloat>(TUBE_HEIGHT));
    gluDisk(quadric, 0.0, TUBE_RADIUS, stackCount, sliceCount);
    glPopMatrix();
}

void drawFloorClosedCylinderLists(GLenum style, int sliceCount, int stackCount)
{
    GLUquadric* quadric = floorQuadric(style);
    const GLuint base = glGenLists(2);
    const GLuint cap = base + 1;
    glNewList(cap, GL_COMPILE);
    gluDisk(quadric, 0.0, TUBE_RADIUS, stackCount, sliceCount);
    glEndList();
    glNewList(base, GL_COMPILE);
    glCallList(cap);
    gluCylinder(quadric, TUBE_RADIUS, TUBE_RADIUS, TUBE_HEIGHT, sliceCount, stackCount);
    glTranslatef(0.0f, 0.0f, static_cast<GLfloat>(TUBE_HEIGHT));
    glCallList(cap);
    glEndList();
    glPushMatrix();
    glCallList(base);
    glPopMatrix();
    glDeleteLists(base, 2);
}

static void drawTube(GLenum style, int sliceCount, int stackCount)
{
    gluCylinder(floorQuadric(style), TUBE_RADIUS, TUBE_RADIUS, TUBE_HEIGHT, sliceCount, stackCount);
}

static void drawDisk(GLenum style, int sliceCount, int stackCount)
{
    gluDisk(floorQuadric(style), DISK_INNER_RADIUS, DISK_OUTER_RADIUS, sliceCount, stackCount);
}

static void drawPartialDisk(GLenum style, int sliceCount, int stackCount)
{
    gluPartialDisk(floorQuadric(style), DISK_INNER_RADIUS, DISK_OUTER_RADIUS, sliceCount,
                   stackCount, PARTIAL_DISK_START, PARTIAL_DISK_SWEEP);
}

static void drawSphere(GLenum style, int sliceCount, int stackCount)
{
    gluSphere(floorQuadric(style), QUADRIC_SPHERE_RADIUS, sliceCount, stackCount);
}

void drawFloorShape(ShapeId shape, int sliceCount, int stackCount)
{
    switch (shape) {
    case SHAPE_GLU_CYLINDER_WIRE: drawTube(GLU_LINE, sliceCount, stackCount); break;
    case SHAPE_GLU_CYLINDER_SOLID: drawTube(GLU_FILL, sliceCount, stackCount); break;
    case SHAPE_GLU_DISK_WIRE: drawDisk(GLU_LINE, sliceCount, stackCount); break;
    case SHAPE_GLU_DISK_SOLID: drawDisk(GLU_FILL, sliceCount, stackCount); break;
    case SHAPE_GLU_PARTIALDISK_WIRE: drawPartialDisk(GLU_LINE, sliceCount, stackCount); break;
    case SHAPE_GLU_PARTIALDISK_SOLID: drawPartialDisk(GLU_FILL, sliceCount, stackCount); break;
    case SHAPE_GLU_SPHERE_WIRE: drawSphere(GLU_LINE, sliceCount, stackCount); break;
    case SHAPE_GLU_SPHERE_SOLID: drawSphere(GLU_FILL, sliceCount, stackCount); break;
    case SHAPE_CLOSED_CYLINDER_WIRE: drawClosedCylinder(GLU_LINE, sliceCount, stackCount); break;
    case SHAPE_CLOSED_CYLINDER_SOLID: drawClosedCylinder(GLU_FILL, sliceCount, stackCount); break;
    case SHAPE_GLUT_WIRESPHERE: glutWireSphere(GLUT_SPHERE_RADIUS, sliceCount, stackCount); break;
    case SHAPE_GLUT_SOLIDSPHERE: glutSolidSphere(GLUT_SPHERE_RADIUS, sliceCount, stackCount); break;
    case SHAPE_GLUT_WIRECONE: glutWireCone(CONE_BASE_RADIUS, CONE_HEIGHT, sliceCount, stackCount); break;
    case SHAPE_GLUT_SOLIDCONE: glutSolidCone(CONE_BASE_RADIUS, CONE_HEIGHT, sliceCount, stackCount); break;
    case SHAPE_GLUT_WIRECUBE: glutWireCube(CUBE_EDGE); break;
    case SHAPE_GLUT_SOLIDCUBE: glutSolidCube(CUBE_EDGE); break;
    case SHAPE_GLUT_WIRETORUS: glutWireTorus(TORUS_TUBE_RADIUS, TORUS_OUTER_RADIUS, sliceCount, stackCount); break;
    case SHAPE_GLUT_SOLIDTORUS: glutSolidTorus(TORUS_TUBE_RADIUS, TORUS_OUTER_RADIUS, sliceCount, stackCount); break;
    case SHAPE_GLUT_WIREDODECAHEDRON: glutWireDodecahedron(); break;
    case SHAPE_GLUT_SOLIDDODECAHEDRON: glutSolidDodecahedron(); break;
    case SHAPE_GLUT_WIREOCTAHEDRON: glutWireOctahedron(); break;
    case SHAPE_GLUT_SOLIDOCTAHEDRON: glutSolidOctahedron(); break;
    case SHAPE_GLUT_WIRETETRAHEDRON: glutWireTetrahedron(); break;
    case SHAPE_GLUT_SOLIDTETRAHEDRON: glutSolidTetrahedron(); break;
    case SHAPE_GLUT_WIREICOSAHEDRON: glutWireIcosahedron(); break;
    case SHAPE_GLUT_SOLIDICOSAHEDRON: glutSolidIcosahedron(); break;
    case SHAPE_GLUT_WIRETEAPOT: glutWireTeapot(TEAPOT_SIZE); break;
    case SHAPE_GLUT_SOLIDTEAPOT: glutSolidTeapot(TEAPOT_SIZE); break;
    default: break;
    }
}
