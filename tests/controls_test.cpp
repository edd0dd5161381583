// What keys and menu values do to the viewer state, the trace they print and
// what they ask of GLUT. No window is needed: the test binary is linked with
// the GLUT calls of the controls wrapped (see CMakeLists.txt), so they are
// recorded here instead of reaching GLUT.

#include "controls/controls.h"
#include "viewer/viewer_state.h"

#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cstring>

static int redisplays = 0;
static std::vector<std::pair<std::string, int>> menuEntries;

// Where the menu goes and which button opens it shows only end to end. The
// names are the ones the linker's --wrap gives the wrapped calls.
// NOLINTBEGIN(bugprone-reserved-identifier)
// clang-format off
extern "C" {
void __wrap_glutPostRedisplay() { ++redisplays; }
void __wrap_glutAddMenuEntry(const char* label, int value) { menuEntries.emplace_back(label, value); }
int __wrap_glutCreateMenu(void (*)(int)) { return 1; }
void __wrap_glutAttachMenu(int) {}
}
// clang-format on
// NOLINTEND(bugprone-reserved-identifier)

namespace {

// The state as the viewer has it when the first callback arrives, then keys.
std::string startAndPress(const std::string& keys)
{
    selectedShape = 20;
    slices = stacks = 10;
    resetCamera();
    redisplays = 0;
    testing::internal::CaptureStdout();
    for (char key : keys)
        onKey(static_cast<unsigned char>(key), 0, 0);
    return testing::internal::GetCapturedStdout();
}

std::string line(const char* d, const char* e, const char* a, const char* t)
{
    return std::string("Camera: d: ") + d + ", e:" + e + ", a:" + a + ", t:" + t + "\n";
}

TEST(Controls, KeysAndMenuChoicesFromStartUp)
{
    // Every byte without an action changes nothing, but still prints its line.
    std::string unlisted;
    for (int code = 0; code < 256; ++code) {
        if (code != 27 && (code == 0 || std::strchr("SsTtXxYyWwZzRrOo", code) == nullptr))
            unlisted += static_cast<char>(code);
    }
    // A menu value of 0 chooses nothing after the keys.
    const struct {
        std::string keys;
        int menu, shape, slices, stacks;
        std::string trace;
    } cases[] = {
        {unlisted, 0, 20, 10, 10, line("6.000000", "45.000000", "-33.000000", "0.000000")},
        // Up from -33 the azimuth stays negative; below 0 an angle becomes 360.
        {"XYW" + std::string(10, 'Z'), 0, 20, 10, 10, line("7.999998", "47.000000", "-31.000000", "2.000000")},
        {"xw" + std::string(23, 'y'), 0, 20, 10, 10, line("6.000000", "360.000000", "360.000000", "360.000000")},
        // Above 360 an angle becomes 0, but 360 and 0 themselves stay.
        {"xXwwW", 0, 20, 10, 10, line("6.000000", "45.000000", "0.000000", "360.000000")},
        {"oXxYyWw", 0, 20, 10, 10, line("6.000000", "0.000000", "0.000000", "0.000000")},
        {"zzz", 0, 20, 10, 10, line("5.400001", "45.000000", "-33.000000", "0.000000")},
        {std::string(31, 'z'), 0, 20, 10, 10, line("-0.199999", "45.000000", "-33.000000", "0.000000")},
        {std::string(11, 's'), 0, 20, -1, 10, line("6.000000", "45.000000", "-33.000000", "0.000000")},
        {"SSStTT", 0, 20, 13, 11, line("6.000000", "45.000000", "-33.000000", "0.000000")},
        {"XYWzo", 0, 20, 10, 10, line("6.000000", "0.000000", "0.000000", "0.000000")},
        {"XYWZO", 0, 20, 10, 10, line("6.000000", "0.000000", "0.000000", "0.000000")},
        {"oXYWzr", 0, 20, 10, 10, line("6.000000", "45.000000", "-33.000000", "0.000000")},
        {"oXYWZR", 0, 20, 10, 10, line("6.000000", "45.000000", "-33.000000", "0.000000")},
        // A shape leaves camera and counts alone, a preset the shape and counts.
        {"sTXyz", 27, 27, 9, 11, line("5.800000", "43.000000", "-31.000000", "0.000000")},
        {"sTXyz", 20, 20, 9, 11, line("5.800000", "43.000000", "-31.000000", "0.000000")},
        {"sTXyz", MENU_RESET_CAMERA, 20, 9, 11, line("6.000000", "45.000000", "-33.000000", "0.000000")},
        {"sTXyz", MENU_CAMERA_TO_ORIGIN, 20, 9, 11, line("6.000000", "0.000000", "0.000000", "0.000000")},
    };
    for (const auto& c : cases) {
        std::string lines = startAndPress(c.keys);
        // Every choice but Exit asks for a redraw, the same shape again included.
        const auto presses = static_cast<long>(c.keys.size()) + (c.menu != 0 ? 1 : 0);
        if (c.menu != 0) {
            onMenuSelect(c.menu);
            testing::internal::CaptureStdout();
            printCameraTrace();
            lines += testing::internal::GetCapturedStdout();
        }
        EXPECT_EQ(lines.substr(lines.size() - c.trace.size()), c.trace) << "keys \"" << c.keys << '"';
        EXPECT_TRUE(slices == c.slices && stacks == c.stacks && selectedShape == c.shape)
            << "keys \"" << c.keys << "\", menu " << c.menu;
        EXPECT_EQ(redisplays, presses) << "one redisplay per key and menu choice";
        EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), presses) << "one line per key, none for a choice";
    }
}

TEST(Menu, EntriesInOrderOnTheRightButton)
{
    // clang-format off
    const std::vector<std::pair<std::string, int>> expected = {
        {"GLU_CYLINDER (wire)", 2}, {"GLU_CYLINDER (solid)", 3}, {"GLU_DISK (wire)", 4}, {"GLU_DISK (solid)", 5},
        {"GLU_PARTIALDISK (wire)", 6}, {"GLU_PARTIALDISK (solid)", 7}, {"GLU_SPHERE (wire)", 8},
        {"GLU_SPHERE (solid)", 9}, {"wire cylinder with top && bottom", 10}, {"solid cylinder with top && bottom", 11},
        {"GLUT_WIRESPHERE", 20}, {"GLUT_SOLIDSPHERE", 21}, {"GLUT_WIRECONE", 22}, {"GLUT_SOLIDCONE", 23},
        {"GLUT_WIRECUBE", 24}, {"GLUT_SOLIDCUBE", 25}, {"GLUT_WIRETORUS", 26}, {"GLUT_SOLIDTORUS", 27},
        {"GLUT_WIREDODECAHEDRON", 28}, {"GLUT_SOLIDDODECAHEDRON", 29}, {"GLUT_WIREOCTAHEDRON", 30},
        {"GLUT_SOLIDOCTAHEDRON", 31}, {"GLUT_WIRETETRAHEDRON", 32}, {"GLUT_SOLIDTETRAHEDRON", 33},
        {"GLUT_WIREICOSAHEDRON", 34}, {"GLUT_SOLIDICOSAHEDRON", 35}, {"GLUT_WIRETEAPOT", 36}, {"GLUT_SOLIDTEAPOT", 37},
        {"Reset camera position", 38}, {"Put camera at origin", 39}, {"Exit", 1}};
    // clang-format on
    createShapeMenu();
    EXPECT_EQ(menuEntries, expected);
}

} // namespace
