// What a person sees when the viewer starts.

#include "viewer_fixture.h"

namespace {

// The command line goes to GLUT: without DISPLAY the viewer finds its display
// through -display alone. A -geometry is overridden by the fixed window.
TEST_F(ViewerTest, OpensFixedWindowWhateverGlutIsTold)
{
    launch({"-display", server.display, "-geometry", "400x300+10+20"}, false);
    const Geometry geometry = windowGeometry(server, viewer.window);
    EXPECT_EQ(geometry.x, 100);
    EXPECT_EQ(geometry.y, 100);
    EXPECT_EQ(geometry.width, 250);
    EXPECT_EQ(geometry.height, 250);
    EXPECT_EQ(viewer.output, "") << "no key was pressed";
}

// The first frame is drawn at the reset preset (elevation 45, azimuth -33),
// not at the static angles of 0: each axis runs where that camera puts it,
// lit at the angle its normal then makes with the light.
TEST_F(ViewerTest, FirstFrameShowsResetPreset)
{
    launch();
    const Rgb red{202, 0, 0};
    const Rgb green{0, 202, 0};
    const Rgb blue{0, 0, 202};
    const Image image = grabWindow(server, viewer.window);
    EXPECT_EQ(failedProbes(image, {{"X axis at x = 3", 237, 177, red, 16, 1},
                                   {"X axis at x = -3", 49, 90, red, 16, 1},
                                   {"Y axis at y = 3", 125, 7, green, 16, 1},
                                   {"Y axis at y = -3", 125, 182, green, 16, 1},
                                   {"Z axis at z = 3", 41, 216, blue, 16, 1},
                                   {"Z axis at z = -3", 171, 76, blue, 16, 1}}),
              "");
    EXPECT_NE(failedProbes(image, originAxesProbes()), "") << "the first frame looks like the origin preset";
}

} // namespace
