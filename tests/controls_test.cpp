// What keys and menu values do to the viewer state, and the trace they print.
// None of this needs a window: the GLUT calls live only in the callbacks.

#include "controls/controls.h"
#include "viewer/viewer_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// The state as the viewer has it when the first callback arrives.
void startFresh()
{
    selectedShape = SHAPE_GLUT_WIRESPHERE;
    slices = 10;
    stacks = 10;
    resetCamera();
}

void pressKeys(const std::string& keys)
{
    for (char key : keys)
        applyKey(static_cast<unsigned char>(key));
}

std::string traceLine()
{
    testing::internal::CaptureStdout();
    printCameraTrace();
    return testing::internal::GetCapturedStdout();
}

std::string repeated(char key, int times)
{
    return std::string(static_cast<std::size_t>(times), key);
}

struct KeySequenceCase {
    const char* name;
    std::string keys;
    int slices;
    int stacks;
    const char* trace;
};

void PrintTo(const KeySequenceCase& c, std::ostream* os)
{
    *os << '"' << c.keys << '"';
}

class KeySequence : public testing::TestWithParam<KeySequenceCase> {};

TEST_P(KeySequence, LeavesCountsAndPrintsTrace)
{
    const KeySequenceCase& c = GetParam();
    startFresh();
    pressKeys(c.keys);
    EXPECT_EQ(slices, c.slices);
    EXPECT_EQ(stacks, c.stacks);
    EXPECT_EQ(traceLine(), c.trace);
    EXPECT_EQ(selectedShape, SHAPE_GLUT_WIRESPHERE) << "no key chooses a shape";
}

INSTANTIATE_TEST_SUITE_P(
    FromStartUp, KeySequence,
    testing::Values(
        KeySequenceCase{"UnlistedKey", "a", 10, 10, "Camera: d: 6.000000, e:45.000000, a:-33.000000, t:0.000000\n"},
        KeySequenceCase{"AzimuthUpStaysNegative", "X", 10, 10, "Camera: d: 6.000000, e:45.000000, a:-31.000000, t:0.000000\n"},
        KeySequenceCase{"AzimuthDownWraps", "x", 10, 10, "Camera: d: 6.000000, e:45.000000, a:360.000000, t:0.000000\n"},
        KeySequenceCase{"ElevationDownWraps", repeated('y', 23), 10, 10, "Camera: d: 6.000000, e:360.000000, a:-33.000000, t:0.000000\n"},
        KeySequenceCase{"TwistDownWraps", "w", 10, 10, "Camera: d: 6.000000, e:45.000000, a:-33.000000, t:360.000000\n"},
        KeySequenceCase{"ZoomOutCollectsRounding", repeated('Z', 10), 10, 10, "Camera: d: 7.999998, e:45.000000, a:-33.000000, t:0.000000\n"},
        KeySequenceCase{"ThreeZoomsIn", "zzz", 10, 10, "Camera: d: 5.400001, e:45.000000, a:-33.000000, t:0.000000\n"},
        KeySequenceCase{"ThirtyZoomsInMissZero", repeated('z', 30), 10, 10, "Camera: d: 0.000001, e:45.000000, a:-33.000000, t:0.000000\n"},
        KeySequenceCase{"ZoomGoesNegative", repeated('z', 31), 10, 10, "Camera: d: -0.199999, e:45.000000, a:-33.000000, t:0.000000\n"},
        KeySequenceCase{"SlicesBelowZero", repeated('s', 11), -1, 10, "Camera: d: 6.000000, e:45.000000, a:-33.000000, t:0.000000\n"},
        KeySequenceCase{"CountsUpAndDown", "SSStTT", 13, 11, "Camera: d: 6.000000, e:45.000000, a:-33.000000, t:0.000000\n"},
        KeySequenceCase{"OriginLower", "XYWZo", 10, 10, "Camera: d: 6.000000, e:0.000000, a:0.000000, t:0.000000\n"},
        KeySequenceCase{"OriginUpper", "XYWZO", 10, 10, "Camera: d: 6.000000, e:0.000000, a:0.000000, t:0.000000\n"},
        KeySequenceCase{"ResetLower", "oXYWzr", 10, 10, "Camera: d: 6.000000, e:45.000000, a:-33.000000, t:0.000000\n"},
        KeySequenceCase{"ResetUpper", "oXYWzR", 10, 10, "Camera: d: 6.000000, e:45.000000, a:-33.000000, t:0.000000\n"},
        KeySequenceCase{"PresetsKeepCounts", "sssTTor", 7, 12, "Camera: d: 6.000000, e:45.000000, a:-33.000000, t:0.000000\n"}),
    [](const testing::TestParamInfo<KeySequenceCase>& info) { return std::string(info.param.name); });

// Each angle wraps only at the limit it is moving towards, and strictly.
struct WrapCase {
    const char* name;
    float* angle;
    char up;
    char down;
};

void PrintTo(const WrapCase& c, std::ostream* os)
{
    *os << c.name;
}

class AngleWrap : public testing::TestWithParam<WrapCase> {};

TEST_P(AngleWrap, WrapsStrictlyAtTheLimits)
{
    const WrapCase& c = GetParam();
    const struct {
        float from;
        char key;
        float expected;
    } steps[] = {
        {358.0f, c.up, 360.0f}, {360.0f, c.up, 0.0f},     {0.0f, c.up, 2.0f},
        {2.0f, c.down, 0.0f},   {0.0f, c.down, 360.0f},   {360.0f, c.down, 358.0f},
        {-33.0f, c.up, -31.0f}, {-33.0f, c.down, 360.0f}, {-1.0f, c.up, 1.0f},
        {361.0f, c.down, 359.0f},
    };
    for (const auto& step : steps) {
        startFresh();
        *c.angle = step.from;
        applyKey(static_cast<unsigned char>(step.key));
        EXPECT_EQ(*c.angle, step.expected) << "from " << step.from << " with '" << step.key << "'";
    }
}

INSTANTIATE_TEST_SUITE_P(Angles, AngleWrap,
                         testing::Values(WrapCase{"Azimuth", &azimuth, 'X', 'x'},
                                         WrapCase{"Elevation", &elevation, 'Y', 'y'},
                                         WrapCase{"Twist", &twist, 'W', 'w'}),
                         [](const testing::TestParamInfo<WrapCase>& info) { return std::string(info.param.name); });

TEST(Keyboard, StepsAreAddedInDoubleAndStoredInSingle)
{
    startFresh();
    pressKeys("zzz");
    EXPECT_EQ(distance, 5.40000057220459f);
    EXPECT_NE(static_cast<double>(distance), 6.0 - 3 * 0.2);
    pressKeys(repeated('z', 27));
    EXPECT_GT(distance, 0.0f);
    EXPECT_LT(distance, 2e-6f);
}

TEST(Keyboard, KeysWithoutAnActionChangeNothing)
{
    const char* listed = "SsTtXxYyWwZzRrOo";
    for (int code = 0; code < 256; ++code) {
        const auto key = static_cast<unsigned char>(code);
        if (key == 27 || (key != 0 && std::strchr(listed, key) != nullptr))
            continue;
        startFresh();
        slices = 3;
        stacks = -4;
        distance = 1.5f;
        elevation = 7.0f;
        azimuth = 9.0f;
        twist = 11.0f;
        applyKey(key);
        EXPECT_TRUE(selectedShape == SHAPE_GLUT_WIRESPHERE && slices == 3 && stacks == -4 &&
                    distance == 1.5f && elevation == 7.0f && azimuth == 9.0f && twist == 11.0f)
            << "key code " << code << " changed the state";
    }
}

TEST(Keyboard, EscapeEndsWithStatusZero)
{
    startFresh();
    EXPECT_EXIT(onKey(27, 0, 0), testing::ExitedWithCode(0), "");
}

TEST(Menu, ShapeValuesSelectAndKeepCameraAndCounts)
{
    const ShapeId shapes[] = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 20, 21, 22, 23,
                              24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37};
    for (ShapeId shape : shapes) {
        startFresh();
        pressKeys("sTXyz");
        const std::string before = traceLine();
        applyMenuChoice(shape);
        EXPECT_EQ(selectedShape, shape);
        EXPECT_EQ(slices, 9);
        EXPECT_EQ(stacks, 11);
        EXPECT_EQ(traceLine(), before) << "shape " << shape << " moved the camera";
        EXPECT_NE(menuLabel(shape), nullptr) << "shape " << shape << " has no menu entry";
    }
}

TEST(Menu, PresetsKeepShapeAndCounts)
{
    const struct {
        int value;
        const char* trace;
    } presets[] = {
        {MENU_RESET_CAMERA, "Camera: d: 6.000000, e:45.000000, a:-33.000000, t:0.000000\n"},
        {MENU_CAMERA_TO_ORIGIN, "Camera: d: 6.000000, e:0.000000, a:0.000000, t:0.000000\n"},
    };
    for (const auto& preset : presets) {
        startFresh();
        applyMenuChoice(SHAPE_GLUT_SOLIDTORUS);
        pressKeys("SSttXXyWWzz");
        applyMenuChoice(preset.value);
        EXPECT_EQ(selectedShape, SHAPE_GLUT_SOLIDTORUS);
        EXPECT_EQ(slices, 12);
        EXPECT_EQ(stacks, 8);
        EXPECT_EQ(traceLine(), preset.trace);
    }
}

TEST(Menu, OnlyShapesAndCommandsHaveEntries)
{
    EXPECT_STREQ(menuLabel(SHAPE_CLOSED_CYLINDER_WIRE), "wire cylinder with top && bottom");
    for (int value : {0, 12, 15, 19, 40, -1})
        EXPECT_EQ(menuLabel(value), nullptr) << "value " << value;
}

TEST(Menu, ExitEndsWithStatusZero)
{
    EXPECT_EXIT(onMenuSelect(MENU_EXIT), testing::ExitedWithCode(0), "");
}

} // namespace
