#pragma once

#include <GL/gl.h>

// The shape's part of a frame, issued as bare GLU or GLUT calls.
using FloorShape = void (*)(GLenum style, GLint slices, GLint stacks);

struct Shape {
    int id;
    const char* label;
    GLenum style;
    FloorShape draw;
};

// The 28 ids that draw a shape, with the viewer's menu labels.
extern const Shape SHAPES[28];

// A camera as the viewer's trace line gives it.
struct FloorCamera {
    GLdouble distance, elevation, azimuth, twist;
};
constexpr FloorCamera RESET_CAMERA{6.0, 45.0, -33.0, 0.0};

// A window like the viewer's, of this size and at this place, with its fixed
// GL state; glutInit first.
void floorWindow(const char* title, int size, int left, int top);

// The viewer's viewport and fixed projection.
void floorReshape(int width, int height);

// The viewer's whole frame, and nothing between its GL, GLU and GLUT calls:
// clear, camera, the three lit axes, the grey material, the shape and the
// flush. The GLUT sphere, cone and torus are left out where the viewer leaves
// them out: below 1 and past freeglut's 16-bit vertex indices.
void floorFrame(const Shape& shape, GLint slices, GLint stacks, const FloorCamera& camera = RESET_CAMERA);
