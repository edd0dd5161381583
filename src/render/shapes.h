#pragma once

#include "viewer/viewer_state.h"

#include <GL/gl.h>

// The frame's own helpers: the sizes it draws the shapes at, the GLU shapes
// and which GLUT shapes it leaves out. Others include render/frame.h.

// describeShape reads the sizes too, so that a description names the
// arguments that were drawn.
constexpr GLdouble TUBE_RADIUS = 1.5;
constexpr GLdouble TUBE_HEIGHT = 2.0;
constexpr GLdouble DISK_INNER_RADIUS = 0.5;
constexpr GLdouble DISK_OUTER_RADIUS = 1.5;
constexpr GLdouble CAP_INNER_RADIUS = 0.0;
constexpr GLdouble PARTIAL_DISK_START = 90.0;
constexpr GLdouble PARTIAL_DISK_SWEEP = 270.0;
constexpr GLdouble QUADRIC_SPHERE_RADIUS = 1.0;
constexpr GLdouble GLUT_SPHERE_RADIUS = 1.5;
constexpr GLdouble CONE_BASE_RADIUS = 1.0;
constexpr GLdouble CONE_HEIGHT = 1.5;
constexpr GLdouble CUBE_EDGE = 1.5;
constexpr GLdouble TORUS_TUBE_RADIUS = 0.5;
constexpr GLdouble TORUS_OUTER_RADIUS = 1.5;
constexpr GLdouble TEAPOT_SIZE = 1.0;

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

// False where the frame leaves the GLUT sphere, cone or torus out at these
// counts: below 1, and past what freeglut can index. Every other shape is
// drawn at any count, the GLU shapes with the counts as they are.
bool glutShapeDrawable(ShapeId shape, int sliceCount, int stackCount);
