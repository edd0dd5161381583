#include "render/shapes.h"

#include "viewer/viewer_state.h"

#include <GL/glu.h>

// Null when GLU has no memory for the quadric; the shape is then left out of
// the frame. The counts go to GLU unchanged whatever their sign: GLU draws
// nothing below its own minimum and carries on.
static GLUquadric* newQuadric(QuadricStyle style)
{
    GLUquadric* quadric = gluNewQuadric();
    if (quadric != nullptr) {
        gluQuadricDrawStyle(quadric, style);
        gluQuadricNormals(quadric, GLU_SMOOTH);
    }
    return quadric;
}

void drawTube(QuadricStyle style)
{
    GLUquadric* quadric = newQuadric(style);
    if (quadric == nullptr)
        return;
    gluCylinder(quadric, TUBE_RADIUS, TUBE_RADIUS, TUBE_HEIGHT, slices, stacks);
    gluDeleteQuadric(quadric);
}

void drawDisk(QuadricStyle style)
{
    GLUquadric* quadric = newQuadric(style);
    if (quadric == nullptr)
        return;
    gluDisk(quadric, DISK_INNER_RADIUS, DISK_OUTER_RADIUS, slices, stacks);
    gluDeleteQuadric(quadric);
}

void drawPartialDisk(QuadricStyle style)
{
    GLUquadric* quadric = newQuadric(style);
    if (quadric == nullptr)
        return;
    gluPartialDisk(quadric, DISK_INNER_RADIUS, DISK_OUTER_RADIUS, slices, stacks, PARTIAL_DISK_START,
                   PARTIAL_DISK_SWEEP);
    gluDeleteQuadric(quadric);
}

void drawQuadricSphere(QuadricStyle style)
{
    GLUquadric* quadric = newQuadric(style);
    if (quadric == nullptr)
        return;
    gluSphere(quadric, QUADRIC_SPHERE_RADIUS, slices, stacks);
    gluDeleteQuadric(quadric);
}

GLuint buildClosedCylinder(QuadricStyle style)
{
    const GLuint base = glGenLists(CLOSED_CYLINDER_LISTS);
    if (base == 0)
        return 0;
    GLUquadric* quadric = newQuadric(style);
    if (quadric == nullptr) {
        glDeleteLists(base, CLOSED_CYLINDER_LISTS);
        return 0;
    }
    const GLuint cap = base + 1;

    // The caps take the counts the other way round from the tube: stacks sides
    // and slices rings. Both caps face +Z; the bottom one is not turned over.
    glNewList(cap, GL_COMPILE);
    gluDisk(quadric, CAP_INNER_RADIUS, TUBE_RADIUS, stacks, slices);
    glEndList();

    // The translation stays on the model-view matrix after the list has run;
    // the next frame starts from the identity anyway.
    glNewList(base, GL_COMPILE);
    glCallList(cap);
    gluCylinder(quadric, TUBE_RADIUS, TUBE_RADIUS, TUBE_HEIGHT, slices, stacks);
    glTranslatef(0.0f, 0.0f, static_cast<GLfloat>(TUBE_HEIGHT));
    glCallList(cap);
    glEndList();

    gluDeleteQuadric(quadric);
    return base;
}
