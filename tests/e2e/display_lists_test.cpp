// In-process checks of GL state that the window cannot show: the viewer's own
// window and frame code, driven directly in an X server of the test's own.

#include "x_harness.h"

#include "app/app.h"
#include "render/shapes.h"
#include "viewer/viewer_state.h"

#include <GL/glut.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(FrameInProcess, ClosedCylinderLeavesNoDisplayListAndZeroHeightDraws)
{
    XServer server = startXServer();
    // Mesa's driver is unloaded at exit; keeping it mapped lets the sanitizer
    // build's leak check name (and suppress) the driver's own blocks.
    if (VARENTHE_MESA_DRIVER[0] != '\0')
        dlopen(VARENTHE_MESA_DRIVER, RTLD_NOW | RTLD_NODELETE);
    setenv("DISPLAY", server.display.c_str(), 1);
    int argc = 1;
    char name[] = "frame-in-process";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    openViewerWindow();
    initRendering();

    const struct {
        ShapeId shape;
        int slices;
        int stacks;
    } frames[] = {
        {SHAPE_CLOSED_CYLINDER_WIRE, 10, 10}, {SHAPE_CLOSED_CYLINDER_SOLID, 10, 10},
        {SHAPE_CLOSED_CYLINDER_WIRE, 12, 5},  {SHAPE_CLOSED_CYLINDER_SOLID, 1, 1},
        {SHAPE_CLOSED_CYLINDER_WIRE, 0, 0},   {SHAPE_CLOSED_CYLINDER_SOLID, -1, 3},
    };
    for (const auto& frame : frames) {
        selectedShape = frame.shape;
        slices = frame.slices;
        stacks = frame.stacks;
        onDisplay();
        glFinish();
        for (GLuint list = 1; list <= 64; ++list)
            EXPECT_FALSE(glIsList(list)) << "list " << list << " left after shape " << frame.shape << " at "
                                         << frame.slices << " x " << frame.stacks;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // A height of 0 goes to the viewport unchanged and nothing divides by it.
    selectedShape = SHAPE_GLUT_SOLIDTEAPOT;
    slices = 10;
    stacks = 10;
    onReshape(250, 0);
    onDisplay();
    glFinish();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[3], 0);
}

} // namespace
