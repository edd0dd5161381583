// The viewer stays up whatever the counts, keys and window size.

#include "viewer_fixture.h"

#include "controls/controls.h"
#include "viewer/viewer_state.h"

#include <cstdio>
#include <random>

namespace {

// Waiting for each key's trace line also proves that the frame the previous
// key asked for was drawn: GLUT draws before it reads the next key.
TEST_F(ViewerTest, SurvivesSlicesBelowZeroOnTheDefaultSphere)
{
    launch();
    press(std::string(11, 's'));
    press("a");
    typeByte(server, 27);
    expectCleanExit();
    EXPECT_EQ(traceLines(viewer).size(), 12u);
    EXPECT_EQ(viewer.errors, "");
}

TEST_F(ViewerTest, EveryShapeSurvivesCountsAtOneZeroAndBelow)
{
    const int shapes[] = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 20, 21, 22, 23,
                          24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37};
    launch();
    press(std::string(9, 's') + std::string(9, 't'));
    for (int shape : shapes) {
        SCOPED_TRACE("shape " + std::to_string(shape));
        choose(shape);
        // From (1, 1) through (0, 0), (-1, -1), (-1, 1) and (1, -1) back to (1, 1).
        press("aststTTSSttTT");
        ASSERT_FALSE(viewer.exited);
    }
    typeByte(server, 27);
    expectCleanExit();
    EXPECT_EQ(viewer.errors, "");
}

// A thousand random keys, every byte value but Escape, each answered with the
// trace line that the key logic predicts.
TEST_F(ViewerTest, ThousandRandomKeysAllAnswered)
{
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> byteValue(0, 255);
    std::string keys;
    while (keys.size() < 1000) {
        const int value = byteValue(random);
        if (value != 27)
            keys.push_back(static_cast<char>(value));
    }

    selectedShape = SHAPE_GLUT_WIRESPHERE;
    slices = 10;
    stacks = 10;
    resetCamera();
    std::vector<std::string> expected;
    for (char key : keys) {
        applyKey(static_cast<unsigned char>(key));
        char line[128];
        std::snprintf(line, sizeof line, "Camera: d: %f, e:%f, a:%f, t:%f", static_cast<double>(distance),
                      static_cast<double>(elevation), static_cast<double>(azimuth), static_cast<double>(twist));
        expected.emplace_back(line);
    }

    launch();
    const std::size_t batch = 50;
    for (std::size_t start = 0; start < keys.size(); start += batch) {
        typeKeys(server, keys.substr(start, batch));
        ASSERT_TRUE(waitForLines(viewer, std::min(start + batch, keys.size())))
            << "after key " << start << ": " << traceLines(viewer).size() << " lines; exited " << viewer.exited
            << "; stderr: " << viewer.errors;
    }
    const std::vector<std::string> lines = traceLines(viewer);
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        ASSERT_EQ(lines[i], expected[i]) << "key " << i << ", byte " << static_cast<int>(static_cast<unsigned char>(keys[i]));
    typeByte(server, 27);
    expectCleanExit();
}

TEST_F(ViewerTest, SurvivesOnePixelWindowAndDrawsAgainAfterwards)
{
    launch();
    resizeWindow(server, viewer.window, 1, 1);
    press("aX");
    resizeWindow(server, viewer.window, 250, 250);
    toOrigin();
    typeByte(server, 27);
    expectCleanExit();
}

} // namespace
