// What keys and menu values do to the viewer state, the trace they print and
// what they ask of GLUT; and the GL state that the viewer's window and frame
// fix. The test binary is linked with the GLUT calls of the controls wrapped
// (see CMakeLists.txt), so they are recorded here instead of reaching GLUT.

#include "gallery_scratch.h"

#include "app/app.h"
#include "controls/controls.h"
#include "render/frame.h"
#include "viewer/viewer_state.h"

#include <GL/freeglut.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <tuple>

static int redisplays = 0;
static std::vector<std::pair<std::string, int>> menuEntries;

// Where the menu goes and which button opens it shows only end to end. The
// names are the ones the linker's --wrap gives the wrapped calls.
// clang-format off
// NOLINTBEGIN(bugprone-reserved-identifier)
extern "C" {
void __wrap_glutPostRedisplay() { ++redisplays; }
void __wrap_glutAddMenuEntry(const char* label, int value) { menuEntries.emplace_back(label, value); }
int __wrap_glutCreateMenu(void (*)(int)) { return 1; }
void __wrap_glutAttachMenu(int) {}
}
// NOLINTEND(bugprone-reserved-identifier)
// clang-format on

namespace {

// The menu's entries in order, and what every key but Escape and every menu
// value does, as tests/reference/controls.txt records it: each key asks for
// one redraw and prints one line, and one without an action changes nothing;
// each menu choice but Exit asks for one redraw and prints nothing, a shape
// leaving the camera and the counts, a preset the shape and the counts. Exit
// ends the viewer with status 0.
TEST(Controls, KeysAndMenuAsRecorded)
{
    for (const bool writing : PASSES) {
        createShapeMenu();
        std::string seen;
        for (const auto& [label, value] : menuEntries)
            seen += "entry " + std::to_string(value) + ": " + label + "\n";
        menuEntries.clear();
        for (int code = 0; code <= 256 + MENU_CAMERA_TO_ORIGIN; ++code) {
            const bool key = code <= 255;
            if (code == KEY_ESCAPE || code == 256 + MENU_EXIT)
                continue;
            std::tie(selectedShape, slices, stacks) = std::tuple(20, 10, 11);
            distance = elevation = azimuth = twist = 5.0f;
            redisplays = 0;
            testing::internal::CaptureStdout();
            key ? onKey(static_cast<unsigned char>(code), 0, 0) : onMenuSelect(code - 256);
            char line[256];
            std::snprintf(line, sizeof line,
                          "%s %d: %d redraw, shape %d, %d x %d, d %g e %g a %g t %g, prints: ", key ? "key" : "menu",
                          key ? code : code - 256, redisplays, selectedShape, slices, stacks, double(distance),
                          double(elevation), double(azimuth), double(twist));
            seen += line + testing::internal::GetCapturedStdout() + (key ? "" : "\n");
        }
        expectAsReference(seen, "controls.txt", writing);
    }
    EXPECT_EXIT(onMenuSelect(MENU_EXIT), testing::ExitedWithCode(0), "");
}

// The viewer's own window, state and frame code, driven in-process in the
// test's X server.
TEST(Frame, FixedStateAndEveryIdAtAnyCount)
{
    showFloorWindow(); // glutInit
    openViewerWindow();
    initRendering();
    // Clockwise front faces; lighting, light 0 and the depth test on, and no
    // culling, colour material or normalising. The projection was loaded from
    // the static camera, before the preset.
    std::vector<float> state(17);
    glGetFloatv(GL_MODELVIEW_MATRIX, state.data());
    for (GLenum capability : {GL_LIGHTING, GL_LIGHT0, GL_DEPTH_TEST, GL_CULL_FACE, GL_COLOR_MATERIAL, GL_NORMALIZE})
        state.push_back(glIsEnabled(capability));
    glGetFloatv(GL_FRONT_FACE, &state[16]);
    EXPECT_EQ(state, std::vector<float>({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -6, 1, GL_CW, 1, 1, 1, 0, 0, 0}));
    // The aspect ratio stays 1 whatever the window's shape, and a height of 0
    // reaches the viewport as it is: 60 degrees, an aspect ratio of 1, and the
    // planes at 1 and 10.
    for (const auto& [width, height] : {std::pair{500, 250}, std::pair{250, 0}}) {
        onReshape(width, height);
        onDisplay();
        std::vector<float> seen(20), expected(16);
        glGetFloatv(GL_PROJECTION_MATRIX, seen.data());
        glGetFloatv(GL_VIEWPORT, &seen[16]);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(60.0, 1.0, 1.0, 10.0);
        glGetFloatv(GL_PROJECTION_MATRIX, expected.data());
        expected.insert(expected.end(), {0, 0, float(width), float(height)});
        EXPECT_EQ(seen, expected) << width << " x " << height;
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << width << " x " << height;
    }
    // No id brings the frame down at any count, also below what GLUT and GLU
    // can take, and the closed cylinder's display lists are always gone
    // afterwards.
    for (ShapeId shape = -1; shape <= 40; ++shape) {
        for (const auto& [s, t] : {std::pair{1, 1}, {0, 0}, {-1, -1}, {10, 0}, {0, 10}, {10, -1}, {-1, 10}}) {
            std::tie(selectedShape, slices, stacks) = std::tuple(shape, s, t);
            onDisplay();
            glFinish();
        }
    }
    for (GLuint list = 1; list <= 64; ++list)
        EXPECT_FALSE(glIsList(list)) << "display list " << list << " left";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
