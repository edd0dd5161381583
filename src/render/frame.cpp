#include "render/frame.h"
#include "render/shapes.h"

#include "viewer/viewer_state.h"

#include <GL/glu.h>
#include <GL/glut.h>

#include <cstdio>

static void drawAxis(const GLfloat colour[4], GLfloat x, GLfloat y, GLfloat z)
{
    // With lighting on, the material decides what is seen; the colour call only
    // keeps the current colour in step. Material and normal may stand between
    // glBegin and glEnd, so each axis is lit in its own colour.
    glColor4fv(colour);
    glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, colour);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glVertex3f(-x, -y, -z);
    glVertex3f(x, y, z);
}

static void drawAxes()
{
    const GLfloat(&mat_r)[4] = AXIS_RED;
    const GLfloat(&mat_g)[4] = AXIS_GREEN;
    const GLfloat(&mat_b)[4] = AXIS_BLUE;

    glPushAttrib(GL_LINE_BIT);
    glBegin(GL_LINES);
    drawAxis(mat_r, AXIS_HALF_LENGTH, 0.0f, 0.0f);
    drawAxis(mat_g, 0.0f, AXIS_HALF_LENGTH, 0.0f);
    drawAxis(mat_b, 0.0f, 0.0f, AXIS_HALF_LENGTH);
    glEnd();
    glPopAttrib();
}

static void drawClosedCylinder(QuadricStyle style)
{
    const GLuint base = buildClosedCylinder(style);
    if (base == 0)
        return;
    glCallList(base);
    glDeleteLists(base, CLOSED_CYLINDER_LISTS);
}

// freeglut numbers the vertices of its curved shapes in 16 bits. Past this many
// it warns that the indices wrap and draws a broken shape, or further up ends
// the whole process. Below 1 it draws nothing, but for a sphere or cone with
// negative slices, where it ends the process too. Its own vertex counts decide.
static constexpr long long GLUT_MAX_VERTICES = 65535;

bool glutShapeDrawable(ShapeId shape, int sliceCount, int stackCount)
{
    // Wide enough that no product of two counts overflows.
    const long long around = sliceCount;
    const long long along = stackCount;
    long long vertices = 0;
    switch (shape) {
    case SHAPE_GLUT_WIRESPHERE:
    case SHAPE_GLUT_SOLIDSPHERE: vertices = around * (along - 1) + 2; break;
    case SHAPE_GLUT_WIRECONE:
    case SHAPE_GLUT_SOLIDCONE: vertices = around * (along + 2) + 1; break;
    case SHAPE_GLUT_WIRETORUS:
    case SHAPE_GLUT_SOLIDTORUS: vertices = around * along; break;
    // The cube, the polyhedra and the teapot take no counts, and GLU takes
    // any count it is given.
    default: return true;
    }
    return sliceCount >= 1 && stackCount >= 1 && vertices <= GLUT_MAX_VERTICES;
}

// The counts themselves stay as the keys made them: a shape that freeglut cannot
// draw whole is left out until they are back in its range.
static void drawShape(ShapeId shape)
{
    if (!glutShapeDrawable(shape, slices, stacks))
        return;
    switch (shape) {
    case SHAPE_GLU_CYLINDER_WIRE: drawTube(GLU_LINE); break;
    case SHAPE_GLU_CYLINDER_SOLID: drawTube(GLU_FILL); break;
    case SHAPE_GLU_DISK_WIRE: drawDisk(GLU_LINE); break;
    case SHAPE_GLU_DISK_SOLID: drawDisk(GLU_FILL); break;
    case SHAPE_GLU_PARTIALDISK_WIRE: drawPartialDisk(GLU_LINE); break;
    case SHAPE_GLU_PARTIALDISK_SOLID: drawPartialDisk(GLU_FILL); break;
    case SHAPE_GLU_SPHERE_WIRE: drawQuadricSphere(GLU_LINE); break;
    case SHAPE_GLU_SPHERE_SOLID: drawQuadricSphere(GLU_FILL); break;
    case SHAPE_CLOSED_CYLINDER_WIRE: drawClosedCylinder(GLU_LINE); break;
    case SHAPE_CLOSED_CYLINDER_SOLID: drawClosedCylinder(GLU_FILL); break;
    case SHAPE_GLUT_WIRESPHERE: glutWireSphere(GLUT_SPHERE_RADIUS, slices, stacks); break;
    case SHAPE_GLUT_SOLIDSPHERE: glutSolidSphere(GLUT_SPHERE_RADIUS, slices, stacks); break;
    case SHAPE_GLUT_WIRECONE: glutWireCone(CONE_BASE_RADIUS, CONE_HEIGHT, slices, stacks); break;
    case SHAPE_GLUT_SOLIDCONE: glutSolidCone(CONE_BASE_RADIUS, CONE_HEIGHT, slices, stacks); break;
    case SHAPE_GLUT_WIRECUBE: glutWireCube(CUBE_EDGE); break;
    case SHAPE_GLUT_SOLIDCUBE: glutSolidCube(CUBE_EDGE); break;
    case SHAPE_GLUT_WIRETORUS: glutWireTorus(TORUS_TUBE_RADIUS, TORUS_OUTER_RADIUS, slices, stacks); break;
    case SHAPE_GLUT_SOLIDTORUS: glutSolidTorus(TORUS_TUBE_RADIUS, TORUS_OUTER_RADIUS, slices, stacks); break;
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

void onDisplay()
{
    const GLfloat(&mat_obj)[4] = SHAPE_GREY;

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    applyCamera(distance, twist, elevation, azimuth);
    drawAxes();
    // Both faces: the axes left the front material blue.
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, mat_obj);
    drawShape(selectedShape);
    // Single-buffered: a flush, no swap.
    glFlush();
}

// Each case prints the arguments of the matching call in drawShape and its
// helpers, from the same constants; the reference sheets and cards keep the text.
void describeShape(ShapeId shape, int sliceCount, int stackCount, char* text, std::size_t size)
{
    if (!glutShapeDrawable(shape, sliceCount, stackCount)) {
        std::snprintf(text, size,
                      sliceCount < 1 || stackCount < 1 ? "left out at %d x %d: counts below 1"
                                                       : "left out: freeglut cannot draw %d x %d",
                      sliceCount, stackCount);
        return;
    }
    // Wire forms have even ids, their solid forms the next odd one.
    const bool wire = shape % 2 == 0;
    const char* style = wire ? "GLU_LINE" : "GLU_FILL";
    const char* form = wire ? "Wire" : "Solid";
    switch (shape) {
    case SHAPE_GLU_CYLINDER_WIRE:
    case SHAPE_GLU_CYLINDER_SOLID:
        std::snprintf(text, size, "gluQuadricDrawStyle(q, %s)\ngluCylinder(q, %.1f, %.1f, %.1f, %d, %d)", style,
                      TUBE_RADIUS, TUBE_RADIUS, TUBE_HEIGHT, sliceCount, stackCount);
        break;
    case SHAPE_GLU_DISK_WIRE:
    case SHAPE_GLU_DISK_SOLID:
        std::snprintf(text, size, "gluQuadricDrawStyle(q, %s)\ngluDisk(q, %.1f, %.1f, %d, %d)", style,
                      DISK_INNER_RADIUS, DISK_OUTER_RADIUS, sliceCount, stackCount);
        break;
    case SHAPE_GLU_PARTIALDISK_WIRE:
    case SHAPE_GLU_PARTIALDISK_SOLID:
        std::snprintf(text, size, "gluQuadricDrawStyle(q, %s)\ngluPartialDisk(q, %.1f, %.1f, %d, %d, %.1f, %.1f)",
                      style, DISK_INNER_RADIUS, DISK_OUTER_RADIUS, sliceCount, stackCount, PARTIAL_DISK_START,
                      PARTIAL_DISK_SWEEP);
        break;
    case SHAPE_GLU_SPHERE_WIRE:
    case SHAPE_GLU_SPHERE_SOLID:
        std::snprintf(text, size, "gluQuadricDrawStyle(q, %s)\ngluSphere(q, %.1f, %d, %d)", style,
                      QUADRIC_SPHERE_RADIUS, sliceCount, stackCount);
        break;
    // The caps swap the counts, as buildClosedCylinder does.
    case SHAPE_CLOSED_CYLINDER_WIRE:
    case SHAPE_CLOSED_CYLINDER_SOLID:
        std::snprintf(text, size,
                      "gluQuadricDrawStyle(q, %s)\nbottom: gluDisk(q, %.1f, %.1f, %d, %d)\n"
                      "tube: gluCylinder(q, %.1f, %.1f, %.1f, %d, %d)\nglTranslatef(0.0, 0.0, %.1f)\n"
                      "top: gluDisk(q, %.1f, %.1f, %d, %d)",
                      style, CAP_INNER_RADIUS, TUBE_RADIUS, stackCount, sliceCount, TUBE_RADIUS, TUBE_RADIUS,
                      TUBE_HEIGHT, sliceCount, stackCount, static_cast<double>(static_cast<GLfloat>(TUBE_HEIGHT)),
                      CAP_INNER_RADIUS, TUBE_RADIUS, stackCount, sliceCount);
        break;
    case SHAPE_GLUT_WIRESPHERE:
    case SHAPE_GLUT_SOLIDSPHERE:
        std::snprintf(text, size, "glut%sSphere(%.1f, %d, %d)", form, GLUT_SPHERE_RADIUS, sliceCount, stackCount);
        break;
    case SHAPE_GLUT_WIRECONE:
    case SHAPE_GLUT_SOLIDCONE:
        std::snprintf(text, size, "glut%sCone(%.1f, %.1f, %d, %d)", form, CONE_BASE_RADIUS, CONE_HEIGHT, sliceCount,
                      stackCount);
        break;
    case SHAPE_GLUT_WIRECUBE:
    case SHAPE_GLUT_SOLIDCUBE: std::snprintf(text, size, "glut%sCube(%.1f)", form, CUBE_EDGE); break;
    case SHAPE_GLUT_WIRETORUS:
    case SHAPE_GLUT_SOLIDTORUS:
        std::snprintf(text, size, "glut%sTorus(%.1f, %.1f, %d, %d)", form, TORUS_TUBE_RADIUS, TORUS_OUTER_RADIUS,
                      sliceCount, stackCount);
        break;
    case SHAPE_GLUT_WIREDODECAHEDRON:
    case SHAPE_GLUT_SOLIDDODECAHEDRON: std::snprintf(text, size, "glut%sDodecahedron()", form); break;
    case SHAPE_GLUT_WIREOCTAHEDRON:
    case SHAPE_GLUT_SOLIDOCTAHEDRON: std::snprintf(text, size, "glut%sOctahedron()", form); break;
    case SHAPE_GLUT_WIRETETRAHEDRON:
    case SHAPE_GLUT_SOLIDTETRAHEDRON: std::snprintf(text, size, "glut%sTetrahedron()", form); break;
    case SHAPE_GLUT_WIREICOSAHEDRON:
    case SHAPE_GLUT_SOLIDICOSAHEDRON: std::snprintf(text, size, "glut%sIcosahedron()", form); break;
    case SHAPE_GLUT_WIRETEAPOT:
    case SHAPE_GLUT_SOLIDTEAPOT: std::snprintf(text, size, "glut%sTeapot(%.1f)", form, TEAPOT_SIZE); break;
    // The frame draws only the axes.
    default: std::snprintf(text, size, "%s", ""); break;
    }
}
