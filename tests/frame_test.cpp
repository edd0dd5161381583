// The viewer's own window, state and frame code, driven in-process in the test's
// X server and read back with glReadPixels: the fixed GL state, what every shape
// looks like, and that no count or window size brings the frame down.

#include "pixels.h"

#include "app/app.h"
#include "render/shapes.h"
#include "viewer/viewer_state.h"

#include <GL/freeglut.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

namespace {

bool shown = false;
GLfloat startModelview[16];

void onTestDisplay()
{
    onDisplay();
    shown = true;
}

class Frame : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Mesa's driver is unloaded at exit; keeping it mapped lets the
        // sanitizer build's leak check name (and suppress) the driver's blocks.
        if (VARENTHE_MESA_DRIVER[0] != '\0')
            dlopen(VARENTHE_MESA_DRIVER, RTLD_NOW | RTLD_NODELETE);
        int argc = 1;
        char name[] = "frame-test";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
        openViewerWindow();
        initRendering();
        glGetFloatv(GL_MODELVIEW_MATRIX, startModelview);
        glutDisplayFunc(onTestDisplay);
        glutReshapeFunc(onReshape);
        // Nothing can be read back before the window has been shown once.
        while (!shown)
            glutMainLoopEvent();
    }

    void SetUp() override
    {
        slices = 10;
        stacks = 10;
        resetCamera();
    }
};

Image draw(ShapeId shape)
{
    selectedShape = shape;
    onDisplay();
    glFinish();
    glReadBuffer(GL_FRONT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    std::vector<unsigned char> rgb(250 * 250 * 3);
    glReadPixels(0, 0, 250, 250, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    Image image{250, 250, {}};
    for (int y = 249; y >= 0; --y) {
        for (int x = 0; x < 250; ++x) {
            const unsigned char* p = &rgb[static_cast<std::size_t>((y * 250 + x) * 3)];
            image.pixels.push_back({p[0], p[1], p[2]});
        }
    }
    return image;
}

TEST_F(Frame, FixedStateAfterStartUpAndReshape)
{
    GLint frontFace = 0;
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    EXPECT_EQ(frontFace, GL_CW);
    for (GLenum on : {GL_LIGHTING, GL_LIGHT0, GL_DEPTH_TEST})
        EXPECT_TRUE(glIsEnabled(on)) << "capability 0x" << std::hex << on;
    for (GLenum off : {GL_CULL_FACE, GL_COLOR_MATERIAL, GL_NORMALIZE, GL_LIGHT1})
        EXPECT_FALSE(glIsEnabled(off)) << "capability 0x" << std::hex << off;
    // The projection was loaded from the static camera, before the preset.
    const GLfloat eye[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -6, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(startModelview[i], eye[i]) << "start-up model-view element " << i;

    // The aspect ratio stays 1 whatever the window's shape, and a height of 0
    // reaches the viewport as it is.
    for (const auto& [width, height] : {std::pair{500, 250}, std::pair{250, 0}, std::pair{250, 250}}) {
        onReshape(width, height);
        onDisplay();
        GLint viewport[4];
        GLfloat projection[16];
        glGetIntegerv(GL_VIEWPORT, viewport);
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        EXPECT_EQ(viewport[2], width);
        EXPECT_EQ(viewport[3], height);
        const GLfloat perspective[16] = {1.7320508f, 0, 0, 0, 0, 1.7320508f, 0, 0,
                                         0, 0, -11.0f / 9, -1, 0, 0, -20.0f / 9, 0};
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(projection[i], perspective[i], 1e-5) << "projection element " << i << " at " << width
                                                             << " x " << height;
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

// The grey pixels of a shape at the reset camera with 7 slices and 4 stacks, so
// that counts swapped anywhere show: the box around them, how many there are
// and how many shades of grey they take (fewer with flat normals).
struct Look {
    int left, top, right, bottom, pixels, shades;
};

Look lookOf(const Image& image)
{
    Look look{image.width, image.height, -1, -1, 0, 0};
    std::set<int> shades;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgb p = image.at(x, y);
            if (p.r != p.g || p.g != p.b || p.r == 0)
                continue;
            look = {std::min(look.left, x), std::min(look.top, y), std::max(look.right, x),
                    std::max(look.bottom, y), look.pixels + 1, 0};
            shades.insert(p.r);
        }
    }
    look.shades = static_cast<int>(shades.size());
    return look;
}

TEST_F(Frame, EveryShapeLooksAsDrawnBefore)
{
    const struct {
        ShapeId shape;
        Look look;
    } shapes[] = {
        {2, {27, 78, 171, 220, 1622, 113}},
        {3, {28, 79, 171, 220, 13870, 114}},
        {4, {85, 78, 171, 163, 971, 1}},
        {5, {86, 79, 171, 163, 4482, 1}},
        {6, {83, 78, 174, 163, 737, 1}},
        {7, {83, 78, 174, 163, 3137, 1}},
        {8, {90, 91, 158, 161, 864, 144}},
        {9, {90, 91, 157, 160, 3637, 130}},
        {10, {27, 78, 174, 220, 3475, 113}},
        {11, {28, 79, 174, 220, 13896, 114}},
        {20, {69, 72, 176, 180, 1308, 150}},
        {21, {70, 73, 175, 180, 8413, 123}},
        {22, {90, 93, 157, 162, 699, 129}},
        {23, {90, 94, 156, 162, 3117, 129}},
        {24, {82, 80, 164, 171, 465, 3}},
        {25, {83, 81, 164, 171, 4974, 1}},
        {26, {67, 58, 194, 171, 1696, 139}},
        {27, {67, 58, 193, 170, 7738, 138}},
        {28, {66, 62, 184, 188, 964, 6}},
        {29, {66, 62, 183, 187, 11222, 6}},
        {30, {96, 96, 157, 148, 422, 4}},
        {31, {97, 96, 156, 148, 2216, 1}},
        {32, {98, 93, 157, 149, 239, 2}},
        {33, {99, 94, 156, 149, 1578, 1}},
        {34, {94, 89, 157, 160, 737, 10}},
        {35, {94, 89, 156, 160, 3201, 5}},
        {36, {81, 95, 187, 164, 4049, 156}},
        {37, {82, 96, 186, 163, 4290, 138}},
    };
    slices = 7;
    stacks = 4;
    for (const auto& s : shapes) {
        const Look seen = lookOf(draw(s.shape));
        const Look& want = s.look;
        EXPECT_TRUE(std::abs(seen.left - want.left) <= 1 && std::abs(seen.top - want.top) <= 1 &&
                    std::abs(seen.right - want.right) <= 1 && std::abs(seen.bottom - want.bottom) <= 1 &&
                    std::abs(seen.pixels - want.pixels) <= want.pixels / 50 &&
                    std::abs(seen.shades - want.shades) <= want.shades / 10)
            << "shape " << s.shape << ": expected box (" << want.left << ", " << want.top << ")-(" << want.right
            << ", " << want.bottom << "), " << want.pixels << " pixels in " << want.shades << " shades; observed ("
            << seen.left << ", " << seen.top << ")-(" << seen.right << ", " << seen.bottom << "), " << seen.pixels
            << " pixels in " << seen.shades << " shades";
    }
}

// Seen face on, the partial disk misses the quarter between +Y and +X; a twist
// of 90 turns the scene clockwise, and the gap with it.
TEST_F(Frame, PartialDiskGapAndTwist)
{
    cameraToOrigin();
    const Probe upperRight{"upper right quarter", 150, 100, BLACK, 0, 0};
    const Probe upperLeft{"upper left quarter", 100, 100, GREY_FACING, 12, 0};
    const Probe lowerLeft{"lower left quarter", 100, 150, GREY_FACING, 12, 0};
    const Probe lowerRight{"lower right quarter", 150, 150, GREY_FACING, 12, 0};
    EXPECT_EQ(failedProbes(draw(7), {upperRight, upperLeft, lowerLeft, lowerRight,
                                     {"hole in the middle", 133, 117, BLACK, 0, 0}}),
              "");
    twist = 90.0f;
    EXPECT_EQ(failedProbes(draw(7), {{"upper right quarter", 150, 100, GREY_FACING, 12, 0}, upperLeft, lowerLeft,
                                     {"lower right quarter", 150, 150, BLACK, 0, 0}}),
              "");
}

// GLUT cannot take a count below 1 for either count; GLU draws nothing there.
// Every frame still shows the axes, and the closed cylinder's lists are gone.
TEST_F(Frame, EveryShapeSurvivesCountsAtAndBelowTheMinimum)
{
    const std::pair<int, int> counts[] = {{1, 1}, {0, 0}, {-1, -1}, {10, 0}, {0, 10}, {10, -1}, {-1, 10}};
    for (ShapeId shape = 0; shape <= 40; ++shape) {
        for (const auto& [s, t] : counts) {
            slices = s;
            stacks = t;
            cameraToOrigin();
            const std::string failures = failedProbes(draw(shape), {originAxesProbes()[0], originAxesProbes()[2]});
            EXPECT_EQ(failures, "") << "shape " << shape << " at " << s << " x " << t;
        }
    }
    for (GLuint list = 1; list <= 64; ++list)
        EXPECT_FALSE(glIsList(list)) << "display list " << list << " left";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
