// The viewer's own window, state and frame code, driven in-process in the test's
// X server and read back with glReadPixels: the fixed GL state, what every shape
// looks like, and that no count brings the frame down.

#include "pixels.h"

#include "app/app.h"
#include "render/shapes.h"
#include "viewer/viewer_state.h"

#include <GL/freeglut.h>
#include <array>
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

constexpr int SIZE = 250;
bool shown = false;
GLfloat startModelview[16];

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
        glutDisplayFunc([] { shown = true; });
        glutReshapeFunc(onReshape);
        // Nothing can be read back before the window has been shown once.
        while (!shown)
            glutMainLoopEvent();
    }

    void SetUp() override
    {
        slices = 7;
        stacks = 4;
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
    std::vector<unsigned char> rgb(SIZE * SIZE * 3);
    glReadPixels(0, 0, SIZE, SIZE, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    Image image{SIZE, SIZE, {}};
    for (int y = SIZE - 1; y >= 0; --y) {
        for (int x = 0; x < SIZE; ++x) {
            const unsigned char* p = &rgb[static_cast<std::size_t>((y * SIZE + x) * 3)];
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
    const std::pair<GLenum, bool> capabilities[] = {{GL_LIGHTING, true},     {GL_LIGHT0, true},
                                                    {GL_DEPTH_TEST, true},   {GL_CULL_FACE, false},
                                                    {GL_COLOR_MATERIAL, false}, {GL_NORMALIZE, false}};
    for (const auto& [capability, on] : capabilities)
        EXPECT_EQ(glIsEnabled(capability) == GL_TRUE, on) << "capability " << capability;
    // The projection was loaded from the static camera, before the preset; the
    // aspect ratio stays 1 whatever the window's shape, and a height of 0
    // reaches the viewport as it is.
    EXPECT_FLOAT_EQ(startModelview[14], -6.0f);
    const float perspective[] = {1.7320508f, 1.7320508f, -11.0f / 9, -1, -20.0f / 9};
    for (const auto& [width, height] : {std::pair{500, 250}, std::pair{250, 0}, std::pair{SIZE, SIZE}}) {
        onReshape(width, height);
        onDisplay();
        GLint viewport[4];
        GLfloat p[16];
        glGetIntegerv(GL_VIEWPORT, viewport);
        glGetFloatv(GL_PROJECTION_MATRIX, p);
        const float seen[] = {p[0], p[5], p[10], p[11], p[14]};
        for (int i = 0; i < 5; ++i)
            EXPECT_NEAR(seen[i], perspective[i], 1e-5) << "projection term " << i << " at " << width << " x " << height;
        EXPECT_TRUE(viewport[2] == width && viewport[3] == height && glGetError() == GL_NO_ERROR) << width << " x " << height;
    }
}

// The grey pixels of a shape at the reset camera with 7 slices and 4 stacks, so
// that counts swapped anywhere show: the box around them (left, top, right,
// bottom), how many there are, their mean level in tenths (which flat normals
// shift), and how many pixels the coloured axes keep.
using Look = std::array<int, 7>;

Look lookOf(const Image& image)
{
    Look look{image.width, image.height, -1, -1, 0, 0, 0};
    long sum = 0;
    for (int i = 0; i < image.width * image.height; ++i) {
        const Rgb p = image.pixels[static_cast<std::size_t>(i)];
        const bool grey = p.r == p.g && p.g == p.b && p.r > 0;
        const int x = i % image.width, y = i / image.width;
        if (grey)
            look = {std::min(look[0], x), std::min(look[1], y), std::max(look[2], x), std::max(look[3], y),
                    look[4] + 1, 0, look[6]};
        sum += grey ? p.r : 0;
        look[6] += p.r != p.g || p.g != p.b ? 1 : 0;
    }
    look[5] = look[4] > 0 ? static_cast<int>(10 * sum / look[4]) : 0;
    return look;
}

TEST_F(Frame, EveryShapeLooksAsDrawnBefore)
{
    const std::pair<ShapeId, Look> shapes[] = {
        {0, {250, 250, -1, -1, 0, 0, 601}}, {2, {27, 78, 171, 220, 1622, 768, 573}},
        {3, {28, 79, 171, 220, 13870, 957, 293}}, {4, {85, 78, 171, 163, 971, 1210, 543}},
        {5, {86, 79, 171, 163, 4482, 1210, 463}}, {6, {83, 78, 174, 163, 737, 1210, 517}},
        {7, {83, 78, 174, 163, 3137, 1210, 493}}, {8, {90, 91, 158, 161, 864, 734, 569}},
        {9, {90, 91, 157, 160, 3637, 616, 423}}, {10, {27, 78, 174, 220, 3475, 1022, 402}},
        {11, {28, 79, 174, 220, 13896, 1158, 289}}, {20, {69, 72, 176, 180, 1308, 751, 574}},
        {21, {70, 73, 175, 180, 8413, 387, 322}}, {22, {90, 93, 157, 162, 699, 1023, 578}},
        {23, {90, 94, 156, 162, 3117, 1486, 430}}, {24, {82, 80, 164, 171, 465, 552, 594}},
        {25, {83, 81, 164, 171, 4974, 310, 390}}, {26, {67, 58, 194, 171, 1696, 716, 553}},
        {27, {67, 58, 193, 170, 7738, 1030, 374}}, {28, {66, 62, 184, 188, 964, 709, 576}},
        {29, {66, 62, 183, 187, 11222, 792, 286}}, {30, {96, 96, 157, 148, 422, 470, 588}},
        {31, {97, 96, 156, 148, 2216, 310, 447}}, {32, {98, 93, 157, 149, 239, 1280, 592}},
        {33, {99, 94, 156, 149, 1578, 1750, 479}}, {34, {94, 89, 157, 160, 737, 646, 561}},
        {35, {94, 89, 156, 160, 3201, 338, 427}}, {36, {81, 95, 187, 164, 4049, 713, 412}},
        {37, {82, 96, 186, 163, 4290, 631, 401}},
    };
    for (const auto& [shape, want] : shapes) {
        const Look seen = lookOf(draw(shape));
        const Look tolerance{1, 1, 1, 1, want[4] / 50, 10, want[6] / 50};
        bool close = true;
        for (std::size_t i = 0; i < want.size(); ++i)
            close = close && std::abs(seen[i] - want[i]) <= tolerance[i];
        EXPECT_TRUE(close) << "shape " << shape << ": box, pixels, level and axes expected "
                           << testing::PrintToString(want) << ", observed " << testing::PrintToString(seen);
    }
}

// Seen face on, the partial disk misses the quarter between +Y and +X; a twist
// of 90 turns the scene clockwise, and the gap with it.
TEST_F(Frame, TwistTurnsTheSceneClockwise)
{
    cameraToOrigin();
    twist = 90.0f;
    EXPECT_EQ(failedProbes(draw(7), {{"upper right quarter", 150, 100, GREY_FACING, 12, 0},
                                     {"lower right quarter", 150, 150, BLACK, 0, 0}}),
              "");
}

// GLUT cannot take either count below 1, so its curved shapes leave the frame
// to the axes until both are back; GLU draws nothing there by itself. No id
// brings the frame down, and the closed cylinder's lists are always gone.
TEST_F(Frame, EveryIdSurvivesCountsAtAndBelowTheMinimum)
{
    const std::pair<int, int> counts[] = {{1, 1}, {0, 0}, {-1, -1}, {10, 0}, {0, 10}, {10, -1}, {-1, 10}};
    cameraToOrigin();
    for (ShapeId shape = -1; shape <= 40; ++shape) {
        for (const auto& [s, t] : counts) {
            slices = s;
            stacks = t;
            const Look look = lookOf(draw(shape));
            const bool curvedGlut = (shape >= 20 && shape <= 23) || shape == 26 || shape == 27;
            EXPECT_TRUE(look[6] > 0 && (!curvedGlut || (s >= 1 && t >= 1) || look[4] == 0))
                << "shape " << shape << " at " << s << " x " << t << ": " << testing::PrintToString(look);
        }
    }
    for (GLuint list = 1; list <= 64; ++list)
        EXPECT_FALSE(glIsList(list)) << "display list " << list << " left";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
