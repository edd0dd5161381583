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

// The viewer's whole frame with count slices and stacks, and nothing between
// its GL, GLU and GLUT calls: clear, camera, the three lit axes, the grey
// material, the shape and the flush.
void floorFrame(const Shape& shape, GLint count);
