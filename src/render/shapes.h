#pragma once

#include "viewer/viewer_state.h"

#include <GL/gl.h>

// GLU draw style for a quadric shape: GLU_LINE for the wire forms, GLU_FILL for the solid.
using QuadricStyle = GLenum;

// The GLU shapes read slices and stacks from the viewer state when called.
void drawTube(QuadricStyle style);
void drawDisk(QuadricStyle style);
void drawPartialDisk(QuadricStyle style);
void drawQuadricSphere(QuadricStyle style);

// The closed cylinder is a pair of display lists: the whole shape, then its cap.
constexpr GLsizei CLOSED_CYLINDER_LISTS = 2;

// Compiles the closed cylinder into two display lists and returns the first name;
// the caller calls it once and deletes both. Returns 0, with nothing left
// allocated, when no list names or no quadric could be had.
GLuint buildClosedCylinder(QuadricStyle style);

// False where the frame leaves a GLUT shape out at these counts: below 1, and
// past what freeglut can index. Every other shape is always drawn.
bool glutShapeDrawable(ShapeId shape, int slices, int stacks);
