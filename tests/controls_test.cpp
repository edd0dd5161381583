// What keys and menu values do to the viewer state, the trace they print and
// what they ask of GLUT, and the calls a frame makes. No window is needed: the
// test binary is linked with those GLUT, GLU and GL calls wrapped (see
// CMakeLists.txt), so they are recorded here instead of reaching the libraries.

#include "edge_counts.h"
#include "floor.h"

#include "controls/controls.h"
#include "render/frame.h"
#include "render/shapes.h"
#include "viewer/viewer_state.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstring>
#include <map>
#include <regex>

static int redisplays = 0;
static std::vector<std::pair<std::string, int>> menuEntries;
// The frame's shape calls in C source form; a display list's calls count where it is called.
static std::vector<std::string> drawn;
static std::map<GLuint, std::vector<std::string>> lists;
static GLuint compiling = 0;

static void record(const char* format, ...)
{
    char call[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(call, sizeof call, format, arguments);
    va_end(arguments);
    (compiling != 0 ? lists[compiling] : drawn).emplace_back(call);
}

// Where the menu goes and which button opens it shows only end to end. The
// names are the ones the linker's --wrap gives the wrapped calls.
// NOLINTBEGIN(bugprone-reserved-identifier)
// clang-format off
extern "C" {
void __wrap_glutPostRedisplay() { ++redisplays; }
void __wrap_glutAddMenuEntry(const char* label, int value) { menuEntries.emplace_back(label, value); }
int __wrap_glutCreateMenu(void (*)(int)) { return 1; }
void __wrap_glutAttachMenu(int) {}
void __wrap_gluQuadricDrawStyle(GLUquadric*, GLenum s) { record("gluQuadricDrawStyle(q, %s)", s == GLU_LINE ? "GLU_LINE" : s == GLU_FILL ? "GLU_FILL" : "?"); }
void __wrap_gluCylinder(GLUquadric*, double b, double t, double h, int s, int k) { record("gluCylinder(q, %.1f, %.1f, %.1f, %d, %d)", b, t, h, s, k); }
void __wrap_gluDisk(GLUquadric*, double i, double o, int s, int l) { record("gluDisk(q, %.1f, %.1f, %d, %d)", i, o, s, l); }
void __wrap_gluPartialDisk(GLUquadric*, double i, double o, int s, int l, double a, double w) { record("gluPartialDisk(q, %.1f, %.1f, %d, %d, %.1f, %.1f)", i, o, s, l, a, w); }
void __wrap_gluSphere(GLUquadric*, double r, int s, int k) { record("gluSphere(q, %.1f, %d, %d)", r, s, k); }
void __wrap_glTranslatef(float x, float y, float z) { record("glTranslatef(%.1f, %.1f, %.1f)", double(x), double(y), double(z)); }
GLuint __wrap_glGenLists(GLsizei) { return 1; }
void __wrap_glNewList(GLuint list, GLenum) { lists[compiling = list].clear(); }
void __wrap_glEndList() { compiling = 0; }
void __wrap_glCallList(GLuint list) { for (const std::string& call : std::vector<std::string>(lists[list])) record("%s", call.c_str()); }
void __wrap_glutWireSphere(double r, int s, int k) { record("glutWireSphere(%.1f, %d, %d)", r, s, k); }
void __wrap_glutSolidSphere(double r, int s, int k) { record("glutSolidSphere(%.1f, %d, %d)", r, s, k); }
void __wrap_glutWireCone(double b, double h, int s, int k) { record("glutWireCone(%.1f, %.1f, %d, %d)", b, h, s, k); }
void __wrap_glutSolidCone(double b, double h, int s, int k) { record("glutSolidCone(%.1f, %.1f, %d, %d)", b, h, s, k); }
void __wrap_glutWireCube(double e) { record("glutWireCube(%.1f)", e); }
void __wrap_glutSolidCube(double e) { record("glutSolidCube(%.1f)", e); }
void __wrap_glutWireTorus(double i, double o, int s, int r) { record("glutWireTorus(%.1f, %.1f, %d, %d)", i, o, s, r); }
void __wrap_glutSolidTorus(double i, double o, int s, int r) { record("glutSolidTorus(%.1f, %.1f, %d, %d)", i, o, s, r); }
void __wrap_glutWireDodecahedron() { record("glutWireDodecahedron()"); }
void __wrap_glutSolidDodecahedron() { record("glutSolidDodecahedron()"); }
void __wrap_glutWireOctahedron() { record("glutWireOctahedron()"); }
void __wrap_glutSolidOctahedron() { record("glutSolidOctahedron()"); }
void __wrap_glutWireTetrahedron() { record("glutWireTetrahedron()"); }
void __wrap_glutSolidTetrahedron() { record("glutSolidTetrahedron()"); }
void __wrap_glutWireIcosahedron() { record("glutWireIcosahedron()"); }
void __wrap_glutSolidIcosahedron() { record("glutSolidIcosahedron()"); }
void __wrap_glutWireTeapot(double s) { record("glutWireTeapot(%.1f)", s); }
void __wrap_glutSolidTeapot(double s) { record("glutSolidTeapot(%.1f)", s); }
}
// clang-format on
// NOLINTEND(bugprone-reserved-identifier)

namespace {

// Every key but Escape asks for one redraw and prints one line; a key without
// an action changes nothing. Every menu choice but Exit asks for one redraw and
// prints nothing; a shape leaves the camera and the counts, a preset the shape
// and the counts. What the keys do to the camera is checked end to end.
TEST(Controls, KeysAndMenuChoicesRedrawAndOnlyKeysPrint)
{
    const std::string start = "Camera: d: 6.000000, e:45.000000, a:-33.000000, t:0.000000\n";
    for (int code = 0; code < 256; ++code) {
        if (code == KEY_ESCAPE)
            continue;
        slices = stacks = 10;
        resetCamera();
        redisplays = 0;
        testing::internal::CaptureStdout();
        onKey(static_cast<unsigned char>(code), 0, 0);
        const std::string line = testing::internal::GetCapturedStdout();
        const bool changesNothingHere = code == 0 || std::strchr("SsTtXxYyWwZzOo", code) == nullptr;
        EXPECT_TRUE(redisplays == 1 && std::count(line.begin(), line.end(), '\n') == 1) << "key " << code;
        EXPECT_TRUE(!changesNothingHere || (line == start && slices == 10 && stacks == 10)) << "key " << code;
    }
    for (int value = 2; value <= MENU_CAMERA_TO_ORIGIN; ++value) {
        selectedShape = 20;
        slices = 3;
        stacks = 4;
        distance = elevation = azimuth = twist = 5.0f;
        redisplays = 0;
        testing::internal::CaptureStdout();
        onMenuSelect(value);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "menu value " << value;
        // A shape, then the reset and the origin preset.
        const std::vector<float> expected[] = {
            {float(value), 3, 4, 5, 5, 5, 5}, {20, 3, 4, 6, 45, -33, 0}, {20, 3, 4, 6, 0, 0, 0}};
        EXPECT_EQ(std::vector<float>(
                      {float(selectedShape), float(slices), float(stacks), distance, elevation, azimuth, twist}),
                  expected[std::max(value - MENU_RESET_CAMERA + 1, 0)])
            << "menu value " << value;
        EXPECT_EQ(redisplays, 1) << "menu value " << value;
    }
}

TEST(Menu, EntriesInOrderAndExit)
{
    // The floor's table of shapes holds the same labels, apart from the viewer.
    std::vector<std::pair<std::string, int>> expected;
    for (const Shape& shape : SHAPES)
        expected.emplace_back(shape.label, shape.id);
    expected.insert(expected.end(), {{"Reset camera position", 38}, {"Put camera at origin", 39}, {"Exit", 1}});
    createShapeMenu();
    EXPECT_EQ(menuEntries, expected);
    EXPECT_EXIT(onMenuSelect(MENU_EXIT), testing::ExitedWithCode(0), "");
}

// A frame makes the very calls that the floor makes, whatever the counts,
// and its description names them, arguments and all; a shape that the floor
// leaves out is described as left out.
TEST(Frame, CallsAndDescriptionsAsTheFloorAtEveryEdgeCount)
{
    const std::regex call(R"([A-Za-z]+\([^)]*\))");
    for (const Shape& shape : SHAPES) {
        for (const auto& [s, t] : EDGE_COUNTS) {
            drawn.clear();
            shape.draw(shape.style, s, t);
            const std::vector<std::string> expected = drawn;
            selectedShape = shape.id;
            slices = s;
            stacks = t;
            drawn.clear();
            onDisplay();
            char text[SHAPE_DESCRIPTION_SIZE];
            describeShape(shape.id, s, t, text, sizeof text);
            const std::string described = text;
            const std::vector<std::string> named(std::sregex_token_iterator(described.begin(), described.end(), call),
                                                 {});
            EXPECT_TRUE(drawn == expected && named == expected &&
                        (described.rfind("left out", 0) == 0) == drawn.empty())
                << shape.label << " at " << s << " x " << t << " described as " << text;
        }
    }
}

} // namespace
