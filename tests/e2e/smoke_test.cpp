// The real binary in a real X server: it comes up, answers keys and ends cleanly.

#include "viewer_fixture.h"

#include <sys/wait.h>

namespace {

TEST_F(ViewerTest, KeysPrintTraceAndEscapeEndsCleanly)
{
    launch({}, OutputMode::Pipe);
    typeKeys(server, "Xza");
    typeByte(server, 27);
    expectCleanExit();
    // Into a pipe the lines arrive at exit, all of them, and Escape adds none.
    const std::vector<std::string> expected = {
        "Camera: d: 6.000000, e:45.000000, a:-31.000000, t:0.000000",
        "Camera: d: 5.800000, e:45.000000, a:-31.000000, t:0.000000",
        "Camera: d: 5.800000, e:45.000000, a:-31.000000, t:0.000000",
    };
    EXPECT_EQ(traceLines(viewer), expected);
}

TEST_F(ViewerTest, SurvivesSlicesBelowZeroOnTheDefaultSphere)
{
    launch();
    press(std::string(11, 's'));
    press("a");
    EXPECT_FALSE(viewer.exited);
    typeByte(server, 27);
    expectCleanExit();
    EXPECT_EQ(traceLines(viewer).size(), 12u);
}

} // namespace
