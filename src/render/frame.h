#pragma once

#include "viewer/viewer_state.h"

#include <GL/gl.h>

#include <cstddef>

// What the frame draws besides the shape, here for what repeats the frame
// outside the viewer: the axes from -4 to 4, X red, Y green and Z blue, each
// lit in its own colour, and the shape's grey.
constexpr GLfloat AXIS_HALF_LENGTH = 4.0f;
constexpr GLfloat AXIS_RED[] = {1.0f, 0.0f, 0.0f, 1.0f};
constexpr GLfloat AXIS_GREEN[] = {0.0f, 1.0f, 0.0f, 1.0f};
constexpr GLfloat AXIS_BLUE[] = {0.0f, 0.0f, 1.0f, 1.0f};
constexpr GLfloat SHAPE_GREY[] = {0.6f, 0.6f, 0.6f, 1.0f};

// The display callback: one complete frame of the selected shape over the axes.
void onDisplay();

// Room for any description that describeShape writes.
constexpr std::size_t SHAPE_DESCRIPTION_SIZE = 320;

// The GL, GLU and GLUT calls by which the frame draws this shape at these
// counts, one to a line, as C source with the quadric named q; or why the
// frame leaves the shape out. Written into text, cut short if size is too small.
void describeShape(ShapeId shape, int sliceCount, int stackCount, char* text, std::size_t size);
