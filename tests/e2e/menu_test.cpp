// The pop-up menu through real right-clicks.

#include "viewer_fixture.h"

namespace {

// The solid torus lies in the XY plane: seen from the origin preset, its tube
// faces the eye at 1.5 units out and the hole in the middle shows black.
const std::vector<Probe> TORUS_AT_ORIGIN = {
    {"torus tube, upper right", 167, 83, GREY_FACING, 12, 1},
    {"torus tube, lower left", 83, 167, GREY_FACING, 12, 1},
    {"torus hole", 135, 115, BLACK, 0, 0},
};

TEST_F(ViewerTest, ShapeStaysThroughResetAndExitEndsCleanly)
{
    launch();
    choose(27);
    toOrigin();
    EXPECT_EQ(waitForProbes(server, viewer.window, TORUS_AT_ORIGIN), "");

    choose(38);
    waitForFrameAwayFromOrigin();
    press("a");
    EXPECT_EQ(lastTrace(), "Camera: d: 6.000000, e:45.000000, a:-33.000000, t:0.000000");

    toOrigin();
    EXPECT_EQ(waitForProbes(server, viewer.window, TORUS_AT_ORIGIN), "") << "the torus did not stay";

    choose(1);
    expectCleanExit();
    EXPECT_EQ(traceLines(viewer).size(), 3u) << "the menu printed something: " << viewer.output;
}

TEST_F(ViewerTest, OriginEntryShowsAxesThroughCentre)
{
    launch();
    choose(39);
    EXPECT_EQ(waitForProbes(server, viewer.window, originAxesProbes()), "");
}

} // namespace
