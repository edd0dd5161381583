#pragma once

#include "viewer/viewer_state.h"

#include <GL/gl.h>

#include <string>
#include <vector>

// Clocks. Process CPU time sums every thread of the process, so llvmpipe's
// rasteriser threads are counted along with the thread that issues the calls.
double processCpuSeconds();
double monotonicSeconds();
double median(std::vector<double> values);

// Prints the reason and ends the run with status 1; the private X server goes
// with it (see startPrivateXServer).
[[noreturn]] void fail(const std::string& reason);

// Starts Xvfb on a display number it picks itself and returns the display name,
// such as ":3". The server is stopped at exit and also dies with this process.
std::string startPrivateXServer();
void stopPrivateXServer();

// Runs the event loop until GLUT has shown the current window once, with
// reshape as its reshape callback; it then stays registered.
void waitUntilWindowShown(void (*reshape)(int width, int height));

// The floor: the same shape calls with the same arguments, in the same kind of
// window and under the same fixed GL state, and nothing else.
void openFloorWindow();
void setFloorFixedState();
void onFloorReshape(int width, int height);
// The camera matrix and grey material that the viewer sets in every frame; the
// floor sets them once before its frames, outside the timed region.
void loadFloorFrameState();
void drawFloorShape(ShapeId shape, int sliceCount, int stackCount);
// The closed cylinder as the viewer builds it: the same calls compiled into a
// fresh pair of display lists, called once and deleted, in every frame. It
// tells the cost of the lists apart from the cost of the viewer's own code.
void drawFloorClosedCylinderLists(GLenum style, int sliceCount, int stackCount);

// The three parts of the run. The first runs in the driver; the other two run
// in child processes of their own, so that each has a fresh heap and its own
// ru_maxrss.
void runStartupBenchmark(const std::string& displayName);
int runFrameBenchmark();
enum class Program { VIEWER, FLOOR, LIST_FLOOR };
int runMemoryBenchmark(Program program, ShapeId shape);
