#include "bench.h"

#include "app/app.h"
#include "controls/controls.h"
#include "render/shapes.h"

#include <GL/glu.h>
#include <GL/glut.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

static constexpr int ROUNDS = 31;
static constexpr double WARM_UP_SECONDS = 0.03;
static constexpr double BATCH_SECONDS = 0.02;
static constexpr int MIN_BATCH_FRAMES = 4;
static constexpr int INITIAL_COUNT = 10;
static constexpr int HIGH_COUNT = 100;
static constexpr double RATIO_AIM = 1.05;
static constexpr ShapeId NO_SHAPE = 0;

static int ratiosAboveAim = 0;

// CPU seconds per frame over a batch. glFinish waits until llvmpipe has
// rasterised and shown the frame, so the work of its threads falls inside the
// batch rather than leaking into the next one.
static double timeViewerFrames(int frames)
{
    const double start = processCpuSeconds();
    for (int frame = 0; frame < frames; ++frame) {
        onDisplay();
        glFinish();
    }
    return (processCpuSeconds() - start) / frames;
}

static double timeFloorFrames(ShapeId shape, int count, int frames, bool compileLists)
{
    const GLenum style = shape == SHAPE_CLOSED_CYLINDER_SOLID ? GLU_FILL : GLU_LINE;
    loadFloorFrameState();
    const double start = processCpuSeconds();
    for (int frame = 0; frame < frames; ++frame) {
        if (compileLists)
            drawFloorClosedCylinderLists(style, count, count);
        else
            drawFloorShape(shape, count, count);
        glFinish();
    }
    return (processCpuSeconds() - start) / frames;
}

// Runs viewer frames for a little while, so that first-use costs (code paths,
// caches, the floor's quadrics) stay out of the rounds, and returns a batch
// size that takes about BATCH_SECONDS.
static int warmUp(ShapeId shape, int count, bool compileLists)
{
    int frames = 0;
    const double start = processCpuSeconds();
    do {
        timeViewerFrames(1);
        ++frames;
    } while (processCpuSeconds() - start < WARM_UP_SECONDS);
    const double perFrame = (processCpuSeconds() - start) / frames;
    timeFloorFrames(shape, count, frames, compileLists);
    return std::max(MIN_BATCH_FRAMES, static_cast<int>(std::ceil(BATCH_SECONDS / perFrame)));
}

// Viewer and floor batches alternate within one process and one window, so a
// burst of load from elsewhere hits both sides alike; each round gives one
// ratio, and the medians drop the rounds that a burst spoilt.
static void measureShape(ShapeId shape, int count, bool compileLists)
{
    selectedShape = shape;
    slices = count;
    stacks = count;
    const int frames = warmUp(shape, count, compileLists);
    std::vector<double> viewer;
    std::vector<double> floor;
    std::vector<double> ratios;
    for (int round = 0; round < ROUNDS; ++round) {
        // Either side goes first in every other round, so that neither always
        // runs right after the other's change of GL state.
        double viewerFrame = 0.0;
        double floorFrame = 0.0;
        if (round % 2 == 0) {
            viewerFrame = timeViewerFrames(frames);
            floorFrame = timeFloorFrames(shape, count, frames, compileLists);
        } else {
            floorFrame = timeFloorFrames(shape, count, frames, compileLists);
            viewerFrame = timeViewerFrames(frames);
        }
        viewer.push_back(viewerFrame);
        floor.push_back(floorFrame);
        ratios.push_back(viewerFrame / floorFrame);
    }
    const double ratio = median(ratios);
    if (ratio > RATIO_AIM && !compileLists)
        ++ratiosAboveAim;
    const char* label = menuLabel(shape);
    std::printf("| %d | %s | %d×%d | %d | %.1f | %.1f | %.3f%s |\n", shape,
                label != nullptr ? label : "?", count, count, frames, median(viewer) * 1e6,
                median(floor) * 1e6, ratio, ratio > RATIO_AIM ? " *" : "");
    std::fflush(stdout);
}

// What the viewer's frame costs around the shape: clear, camera, axes,
// material and flush, against a frame that only waits for the renderer.
static void measureFixedCost()
{
    selectedShape = NO_SHAPE;
    const int frames = warmUp(NO_SHAPE, INITIAL_COUNT, false);
    std::vector<double> viewer;
    std::vector<double> floor;
    for (int round = 0; round < ROUNDS; ++round) {
        viewer.push_back(timeViewerFrames(frames));
        floor.push_back(timeFloorFrames(NO_SHAPE, INITIAL_COUNT, frames, false));
    }
    std::printf("Viewer frame with no shape (id %d: clear, camera, axes, material, flush): "
                "%.1f µs CPU; floor frame with no shape (glFinish alone): %.1f µs CPU.\n\n",
                NO_SHAPE, median(viewer) * 1e6, median(floor) * 1e6);
}

static void printTableHead()
{
    std::printf("| id | shape | counts | frames per batch | viewer µs/frame | floor µs/frame | "
                "viewer/floor |\n");
    std::printf("|---:|---|---|---:|---:|---:|---:|\n");
    std::fflush(stdout);
}

int runFrameBenchmark()
{
    int argc = 1;
    char name[] = "varenthe-bench";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    openViewerWindow();
    initRendering();
    waitUntilWindowShown(onReshape);

    std::printf("Renderer: %s (OpenGL %s)\n\n",
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                reinterpret_cast<const char*>(glGetString(GL_VERSION)));
    measureFixedCost();
    printTableHead();
    for (int count : {INITIAL_COUNT, HIGH_COUNT}) {
        for (ShapeId shape = SHAPE_GLU_CYLINDER_WIRE; shape <= SHAPE_CLOSED_CYLINDER_SOLID; ++shape)
            measureShape(shape, count, false);
        for (ShapeId shape = SHAPE_GLUT_WIRESPHERE; shape <= SHAPE_GLUT_SOLIDTEAPOT; ++shape)
            measureShape(shape, count, false);
    }
    std::printf("\n%d of 56 ratios above %.2f (marked *). The floor draws the closed cylinder "
                "with direct GLU calls, no display lists.\n\n", ratiosAboveAim, RATIO_AIM);

    std::printf("The closed cylinder against a floor that compiles the same calls into a fresh "
                "pair of display lists, calls them once and deletes them, in every frame:\n\n");
    printTableHead();
    for (int count : {INITIAL_COUNT, HIGH_COUNT})
        for (ShapeId shape : {SHAPE_CLOSED_CYLINDER_WIRE, SHAPE_CLOSED_CYLINDER_SOLID})
            measureShape(shape, count, true);
    std::printf("\n");
    return 0;
}
