#pragma once

#include "viewer/viewer_state.h"

#include <cstddef>

// The display callback: one complete frame of the selected shape over the axes.
void onDisplay();

// Room for any description that describeShape writes.
constexpr std::size_t SHAPE_DESCRIPTION_SIZE = 320;

// The GL, GLU and GLUT calls by which the frame draws this shape at these
// counts, one to a line, as C source with the quadric named q; or why the
// frame leaves the shape out. Written into text, cut short if size is too small.
void describeShape(ShapeId shape, int sliceCount, int stackCount, char* text, std::size_t size);
