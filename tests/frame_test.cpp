// The viewer's own window, state and frame code, driven in-process in the
// test's X server: the fixed GL state, and that no id or count brings the
// frame down. What the frames look like is seen through the gallery's pictures.

#include "app/app.h"
#include "render/frame.h"
#include "viewer/viewer_state.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

namespace {

TEST(Frame, FixedStateAndEveryIdAtAnyCount)
{
    int argc = 1;
    char name[] = "frame-test";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    openViewerWindow();
    initRendering();
    // The projection was loaded from the static camera, before the preset.
    GLfloat modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_TRUE(modelview[0] == 1.0f && modelview[10] == 1.0f && modelview[14] == -6.0f);
    GLint frontFace = 0;
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    EXPECT_EQ(frontFace, GL_CW);
    const std::pair<GLenum, bool> capabilities[] = {{GL_LIGHTING, true},        {GL_LIGHT0, true},
                                                    {GL_DEPTH_TEST, true},      {GL_CULL_FACE, false},
                                                    {GL_COLOR_MATERIAL, false}, {GL_NORMALIZE, false}};
    for (const auto& [capability, on] : capabilities)
        EXPECT_EQ(glIsEnabled(capability) == GL_TRUE, on) << "capability " << capability;
    // The aspect ratio stays 1 whatever the window's shape, and a height of 0
    // reaches the viewport as it is.
    for (const auto& [width, height] : {std::pair{500, 250}, std::pair{250, 0}}) {
        onReshape(width, height);
        onDisplay();
        GLint viewport[4];
        GLfloat p[16];
        glGetIntegerv(GL_VIEWPORT, viewport);
        glGetFloatv(GL_PROJECTION_MATRIX, p);
        for (const auto& [term, expected] :
             {std::pair{0, 1.7320508f}, {5, 1.7320508f}, {10, -11.0f / 9}, {11, -1.0f}, {14, -20.0f / 9}})
            EXPECT_NEAR(p[term], expected, 1e-5) << "projection term " << term << " at " << width << " x " << height;
        EXPECT_TRUE(viewport[2] == width && viewport[3] == height && glGetError() == GL_NO_ERROR)
            << width << " x " << height;
    }
    // No id brings the frame down at any count, also below what GLUT and GLU
    // can take, and the closed cylinder's display lists are always gone
    // afterwards.
    for (ShapeId shape = -1; shape <= 40; ++shape) {
        for (const auto& [s, t] : {std::pair{1, 1}, {0, 0}, {-1, -1}, {10, 0}, {0, 10}, {10, -1}, {-1, 10}}) {
            selectedShape = shape;
            slices = s;
            stacks = t;
            onDisplay();
            glFinish();
        }
    }
    for (GLuint list = 1; list <= 64; ++list)
        EXPECT_FALSE(glIsList(list)) << "display list " << list << " left";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
