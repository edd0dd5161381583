// What keys and menu values do to the viewer state, the trace they print and
// what they ask of GLUT, and the calls a frame makes. The test binary is
// linked with those GLUT, GLU and GL calls wrapped (see CMakeLists.txt), so
// they are recorded here instead of reaching the libraries, but for the frame
// test that draws in a window of its own, for which they are made as well.

#include "edge_counts.h"
#include "gallery_scratch.h"

#include "app/app.h"
#include "controls/controls.h"
#include "render/frame.h"
#include "render/shapes.h"
#include "viewer/viewer_state.h"

#include <GL/freeglut.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstring>
#include <map>
#include <regex>
#include <tuple>

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
// names are the ones the linker's --wrap gives the wrapped calls and the
// library's own.
static bool drawing = false;
// NOLINTBEGIN(bugprone-reserved-identifier,bugprone-macro-parentheses)
#define WRAP(name, parameters, arguments, ...)                                                                         \
    void __real_##name parameters;                                                                                     \
    void __wrap_##name parameters                                                                                      \
    {                                                                                                                  \
        record(__VA_ARGS__);                                                                                           \
        if (drawing)                                                                                                   \
            __real_##name arguments;                                                                                   \
    }
// The wire and the solid form of a GLUT shape.
#define GLUT_PAIR(shape, parameters, arguments, ...)                                                                   \
    WRAP(glutWire##shape, parameters, arguments, "glutWire" __VA_ARGS__)                                               \
    WRAP(glutSolid##shape, parameters, arguments, "glutSolid" __VA_ARGS__)
// clang-format off
extern "C" {
void __wrap_glutPostRedisplay() { ++redisplays; }
void __wrap_glutAddMenuEntry(const char* label, int value) { menuEntries.emplace_back(label, value); }
int __wrap_glutCreateMenu(void (*)(int)) { return 1; }
void __wrap_glutAttachMenu(int) {}
WRAP(gluQuadricDrawStyle, (GLUquadric* q, GLenum s), (q, s), "gluQuadricDrawStyle(q, %s)", s == GLU_LINE ? "GLU_LINE" : s == GLU_FILL ? "GLU_FILL" : "?")
WRAP(gluCylinder, (GLUquadric* q, double b, double t, double h, int s, int k), (q, b, t, h, s, k), "gluCylinder(q, %.1f, %.1f, %.1f, %d, %d)", b, t, h, s, k)
WRAP(gluDisk, (GLUquadric* q, double i, double o, int s, int l), (q, i, o, s, l), "gluDisk(q, %.1f, %.1f, %d, %d)", i, o, s, l)
WRAP(gluPartialDisk, (GLUquadric* q, double i, double o, int s, int l, double a, double w), (q, i, o, s, l, a, w), "gluPartialDisk(q, %.1f, %.1f, %d, %d, %.1f, %.1f)", i, o, s, l, a, w)
WRAP(gluSphere, (GLUquadric* q, double r, int s, int k), (q, r, s, k), "gluSphere(q, %.1f, %d, %d)", r, s, k)
WRAP(glTranslatef, (float x, float y, float z), (x, y, z), "glTranslatef(%.1f, %.1f, %.1f)", double(x), double(y), double(z))
GLuint __real_glGenLists(GLsizei);
GLuint __wrap_glGenLists(GLsizei range) { return drawing ? __real_glGenLists(range) : 1; }
void __real_glNewList(GLuint, GLenum);
void __wrap_glNewList(GLuint list, GLenum mode) { lists[compiling = list].clear(); if (drawing) __real_glNewList(list, mode); }
void __real_glEndList();
void __wrap_glEndList() { compiling = 0; if (drawing) __real_glEndList(); }
void __real_glCallList(GLuint);
void __wrap_glCallList(GLuint list) { for (const std::string& call : std::vector<std::string>(lists[list])) record("%s", call.c_str()); if (drawing) __real_glCallList(list); }
GLUT_PAIR(Sphere, (double r, int s, int k), (r, s, k), "Sphere(%.1f, %d, %d)", r, s, k)
GLUT_PAIR(Cone, (double b, double h, int s, int k), (b, h, s, k), "Cone(%.1f, %.1f, %d, %d)", b, h, s, k)
GLUT_PAIR(Cube, (double e), (e), "Cube(%.1f)", e)
GLUT_PAIR(Torus, (double i, double o, int s, int r), (i, o, s, r), "Torus(%.1f, %.1f, %d, %d)", i, o, s, r)
GLUT_PAIR(Dodecahedron, (), (), "Dodecahedron()")
GLUT_PAIR(Octahedron, (), (), "Octahedron()")
GLUT_PAIR(Tetrahedron, (), (), "Tetrahedron()")
GLUT_PAIR(Icosahedron, (), (), "Icosahedron()")
GLUT_PAIR(Teapot, (double s), (s), "Teapot(%.1f)", s)
}
// clang-format on
// NOLINTEND(bugprone-reserved-identifier,bugprone-macro-parentheses)

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
            std::tie(selectedShape, slices, stacks) = std::tuple(shape.id, s, t);
            drawn.clear();
            onDisplay();
            char text[SHAPE_DESCRIPTION_SIZE];
            describeShape(shape.id, s, t, text, sizeof text);
            const std::string described = text;
            const std::vector<std::string> named(std::sregex_token_iterator(described.begin(), described.end(), call),
                                                 {});
            const std::string where = shape.label + (" at " + std::to_string(s) + " x " + std::to_string(t));
            EXPECT_EQ(drawn, expected) << where;
            EXPECT_EQ(named, expected) << where << " described as " << text;
            EXPECT_EQ(described.rfind("left out", 0) == 0, drawn.empty()) << where << " described as " << text;
        }
    }
}

// The viewer's own window, state and frame code, driven in-process in the
// test's X server, the wrapped calls made as well.
TEST(Frame, FixedStateAndEveryIdAtAnyCount)
{
    drawing = true;
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
