// The viewer's window and frame code in-process, for the GL state it fixes and
// that no id or count brings a frame down. Then the real viewer binary as a
// person uses it: its window in the test's X
// server, real key presses and right-clicks through libxdo, its trace read
// through a plain pipe. Its window is compared whole with the same frame drawn
// by the floor, which runs none of the viewer's code, in a window of the
// test's own beside it.

#include "pixels.h"

#include "app/app.h"
#include "render/frame.h"
#include "viewer/viewer_state.h"

#include <gtest/gtest.h>

extern "C" {
#include <xdo.h>
}
#include "window_image.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>

namespace {

constexpr int MENU_ENTRIES = 31, RIGHT_BUTTON = 3, SIZE = 250, WIRE_SPHERE = 20, SOLID_TORUS = 27, SOLID_CUBE = 25;

// What the keys do, as the manual tells it, worked out apart from the viewer.
struct Model {
    float d, e, a, t;
    int slices, stacks;
};
constexpr Model START{6.0f, 45.0f, -33.0f, 0.0f, 10, 10};

std::string press(Model& m, char key)
{
    const std::string turns = "XxYyWw";
    float* const angles[] = {&m.a, &m.a, &m.e, &m.e, &m.t, &m.t};
    if (const auto at = turns.find(key); at != std::string::npos) {
        // Added in double, stored in single precision; only the limit in the
        // direction of travel wraps.
        float& angle = *angles[at];
        angle = static_cast<float>(angle + (at % 2 == 0 ? 2.0 : -2.0));
        if (at % 2 == 0 && angle > 360.0f)
            angle = 0.0f;
        if (at % 2 == 1 && angle < 0.0f)
            angle = 360.0f;
    }
    m.d = static_cast<float>(m.d + (key == 'Z' ? 0.2 : 0.0) - (key == 'z' ? 0.2 : 0.0));
    m.slices += (key == 'S') - (key == 's');
    m.stacks += (key == 'T') - (key == 't');
    if (key == 'R' || key == 'r')
        m = {6.0f, 45.0f, -33.0f, 0.0f, m.slices, m.stacks};
    if (key == 'O' || key == 'o')
        m = {6.0f, 0.0f, 0.0f, 0.0f, m.slices, m.stacks};
    char line[128];
    std::snprintf(line, sizeof line, "Camera: d: %f, e:%f, a:%f, t:%f\n", double(m.d), double(m.e), double(m.a),
                  double(m.t));
    return line;
}

class Viewer : public testing::Test {
protected:
    void SetUp() override
    {
        // A window may go away, or not be viewable yet, between two requests
        // about it; that is for the tests to judge, not a reason to end.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        ASSERT_NE(xdo = xdo_new(nullptr), nullptr) << "no X display";
    }

    // Killing the viewer's X connection ends a viewer that is still running.
    void TearDown() override
    {
        if (viewer != nullptr) {
            xdo_kill_window(xdo, window);
            pclose(viewer);
        }
        xdo_free(xdo);
    }

    // Starts the viewer, its standard output a pipe to the test, and waits for
    // its first frame: the wire sphere, 10 x 10, from the reset camera. No
    // window manager runs, so the test gives the window the keyboard, as a
    // person would by clicking into it.
    void launch(const std::string& arguments)
    {
        ASSERT_NE(viewer = popen((std::string("exec ") + VARENTHE_BINARY + " " + arguments).c_str(), "re"), nullptr);
        xdo_search_t search{};
        search.winname = "^Varenthe$";
        search.searchmask = SEARCH_NAME | SEARCH_ONLYVISIBLE;
        search.max_depth = -1;
        ASSERT_TRUE(waitFor([&] {
            Window* found = nullptr;
            unsigned int count = 0;
            xdo_search_windows(xdo, &search, &found, &count);
            window = count > 0 ? found[0] : 0;
            XFree(found);
            return window != 0;
        })) << "no viewer window";
        xdo_focus_window(xdo, window);
        ASSERT_EQ(waitForFrame(WIRE_SPHERE, START), "");
    }

    // Polls `done`, collecting the viewer's output meanwhile; false on timeout.
    template <typename Done>
    bool waitFor(Done done)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (char buffer[4096]; !done();) {
            pollfd readable{fileno(viewer), POLLIN, 0};
            const ssize_t got = !ended && poll(&readable, 1, 10) > 0 ? read(readable.fd, buffer, sizeof buffer) : 0;
            ended = ended || (got == 0 && readable.revents != 0);
            output.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
            if (std::chrono::steady_clock::now() > deadline)
                return false;
        }
        return true;
    }

    // Types printable keys and waits for a trace line for each.
    void type(const std::string& keys)
    {
        const auto lines = std::count(output.begin(), output.end(), '\n') + static_cast<long>(keys.size());
        xdo_enter_text_window(xdo, CURRENTWINDOW, keys.c_str(), 0);
        ASSERT_TRUE(waitFor([&] { return std::count(output.begin(), output.end(), '\n') == lines; }))
            << "not every key printed its line";
    }

    // Escape; the viewer's exit status once its window and output are gone.
    int escape()
    {
        xdo_send_keysequence_window(xdo, CURRENTWINDOW, "Escape", 0);
        XWindowAttributes a{};
        // A viewer that hangs is left for TearDown to end.
        if (!waitFor([&] { return ended && XGetWindowAttributes(xdo->xdpy, window, &a) == 0; })) {
            ADD_FAILURE() << "Escape did not end the viewer";
            return -1;
        }
        const int status = pclose(viewer);
        viewer = nullptr;
        return status;
    }

    // Waits for the viewer's window to show what the floor draws.
    std::string waitForFrame(int shape, const Model& m)
    {
        const Image expected = floorPicture(shape, m.slices, m.stacks, {m.d, m.e, m.a, m.t});
        std::string failures;
        waitFor([&] { return (failures = differences(windowImage(xdo->xdpy, window), expected, 0)).empty(); });
        return failures;
    }

    // A right-click on the window opens the menu with its corner under the
    // pointer and keeps it up; a second one chooses the entry under the
    // pointer and closes it.
    void choose(int index)
    {
        xdo_move_mouse_relative_to_window(xdo, window, 125, 125);
        xdo_click_window(xdo, CURRENTWINDOW, RIGHT_BUTTON);
        xdo_move_mouse_relative_to_window(xdo, window, 129, 129);
        Window menu = 0;
        ASSERT_TRUE(waitFor([&] { return xdo_get_window_at_mouse(xdo, &menu) == 0 && menu != window; }));
        XWindowAttributes a{};
        XGetWindowAttributes(xdo->xdpy, menu, &a);
        xdo_move_mouse(xdo, a.x + a.width / 2, a.y + a.height * (2 * index + 1) / (2 * MENU_ENTRIES), 0);
        xdo_click_window(xdo, CURRENTWINDOW, RIGHT_BUTTON);
        ASSERT_TRUE(
            waitFor([&] { return XGetWindowAttributes(xdo->xdpy, menu, &a) == 0 || a.map_state != IsViewable; }));
    }

    xdo_t* xdo = nullptr;
    FILE* viewer = nullptr;
    std::string output;
    bool ended = false;
    Window window = 0;
};

// GLUT takes the command line, but a -geometry is overridden by the fixed
// window. The menu, through real right-clicks, chooses a shape and the presets
// and prints nothing. Keys are then each answered at once through the pipe
// with the line the manual predicts, and the picture follows them, also
// after a window of one pixel. A reader that goes away does not end the
// viewer: it keeps drawing, and Escape still ends it with status 0.
TEST_F(Viewer, AnswersKeysAndMenuWhateverTheWindowAndReader)
{
    // Each angle round its wrap limits and back, the distance below 0 and
    // back, the counts below 1 and back, then random keys.
    std::string keys = "xxXXXxxwwWWWww" + std::string(23, 'y') + "yYYYyy" + std::string(31, 'z') +
                       std::string(31, 'Z') + std::string(11, 's') + std::string(12, 't') + std::string(21, 'S') +
                       std::string(22, 'T') + "oORr";
    std::mt19937 random(20261207);
    const std::string keyboard = "SsTtXxYyWwZzRrOo a1?~";
    while (keys.size() < 400)
        keys.push_back(keyboard[random() % keyboard.size()]);
    std::string expected;
    Model m = START;
    for (char key : keys)
        expected += press(m, key);
    launch("-geometry 400x300+10+20");
    XWindowAttributes a{};
    XGetWindowAttributes(xdo->xdpy, window, &a);
    EXPECT_TRUE(a.x == 100 && a.y == 100 && a.width == SIZE && a.height == SIZE)
        << a.width << " x " << a.height << " at (" << a.x << ", " << a.y << ")";
    choose(17); // "GLUT_SOLIDTORUS"
    choose(29); // "Put camera at origin"
    EXPECT_EQ(waitForFrame(SOLID_TORUS, {6.0f, 0.0f, 0.0f, 0.0f, 10, 10}), "");
    choose(28); // "Reset camera position"
    EXPECT_EQ(output, "") << "the menu printed";
    type(keys);
    EXPECT_EQ(output, expected);
    EXPECT_EQ(waitForFrame(SOLID_TORUS, m), "");
    // The cube takes no counts: it stays whatever they are.
    choose(15); // "GLUT_SOLIDCUBE"
    const std::string down(std::size_t(std::max(m.slices + 3, 0)), 's');
    type(down);
    for (char key : down)
        press(m, key);
    EXPECT_EQ(waitForFrame(SOLID_CUBE, m), "");
    xdo_set_window_size(xdo, window, 1, 1, 0);
    type("aX");
    xdo_set_window_size(xdo, window, SIZE, SIZE, 0);
    // The pipe's only read end goes away; the descriptor stays valid for
    // pclose.
    dup2(open("/dev/null", O_RDONLY | O_CLOEXEC), fileno(viewer));
    ended = true;
    xdo_enter_text_window(xdo, CURRENTWINDOW, "aXo", 0);
    for (char key : std::string("aXaXo"))
        press(m, key);
    EXPECT_EQ(waitForFrame(SOLID_CUBE, m), "");
    EXPECT_EQ(escape(), 0);
}

// Escape ends the viewer at once with status 0 and prints nothing, whichever
// of its standard streams it was started with closed; only a closed standard
// output loses the trace. GLUT's own options reach GLUT: a display that does
// not exist is GLUT's failure.
TEST_F(Viewer, EscapeEndsItSilentlyWhateverItsStandardStreams)
{
    for (int closed = 0; closed < 8; ++closed) {
        const std::string streams =
            std::string(closed & 1 ? "<&- " : "") + (closed & 2 ? ">&- " : "") + (closed & 4 ? "2>&- " : "");
        output.clear();
        ended = false;
        launch(streams);
        // Function and arrow keys do nothing at all.
        xdo_send_keysequence_window(xdo, CURRENTWINDOW, "Left F1", 0);
        xdo_enter_text_window(xdo, CURRENTWINDOW, "a", 0);
        EXPECT_EQ(escape(), 0) << streams;
        EXPECT_EQ(output, closed & 2 ? "" : "Camera: d: 6.000000, e:45.000000, a:-33.000000, t:0.000000\n") << streams;
    }
    // GLUT ends the process there without freeing what it took.
    FILE* failing = popen("ASAN_OPTIONS=detect_leaks=0 " VARENTHE_BINARY " -display :9999 2>&1", "re");
    std::string said(256, '\0');
    said.resize(fread(said.data(), 1, said.size(), failing));
    EXPECT_EQ(WEXITSTATUS(pclose(failing)), 1);
    EXPECT_EQ(said, "freeglut (" VARENTHE_BINARY "): failed to open display ':9999'\n");
}

// The viewer's own window, state and frame code, driven in-process in the
// test's X server.
TEST(Frame, FixedStateAndEveryIdAtAnyCount)
{
    int argc = 1;
    char name[] = "frame-test";
    char* argv[] = {name, nullptr};
    // Alone in its process under ctest; after the others when run by hand.
    if (glutGet(GLUT_INIT_STATE) == 0)
        glutInit(&argc, argv);
    openViewerWindow();
    initRendering();
    // Clockwise front faces; lighting, light 0 and the depth test on, and no
    // culling, colour material or normalising. The projection was loaded from
    // the static camera, before the preset.
    GLfloat modelview[16];
    GLint frontFace = 0;
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    std::string enabled;
    for (GLenum capability : {GL_LIGHTING, GL_LIGHT0, GL_DEPTH_TEST, GL_CULL_FACE, GL_COLOR_MATERIAL, GL_NORMALIZE})
        enabled += glIsEnabled(capability) == GL_TRUE ? '1' : '0';
    EXPECT_EQ(enabled, "111000");
    EXPECT_TRUE(frontFace == GL_CW && modelview[0] == 1.0f && modelview[10] == 1.0f && modelview[14] == -6.0f);
    // The aspect ratio stays 1 whatever the window's shape, and a height of 0
    // reaches the viewport as it is.
    for (const auto& [width, height] : {std::pair{500, 250}, std::pair{250, 0}}) {
        onReshape(width, height);
        onDisplay();
        GLint viewport[4];
        GLfloat p[16], expected[16];
        glGetIntegerv(GL_VIEWPORT, viewport);
        glGetFloatv(GL_PROJECTION_MATRIX, p);
        // 60 degrees, an aspect ratio of 1, and the planes at 1 and 10.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(60.0, 1.0, 1.0, 10.0);
        glGetFloatv(GL_PROJECTION_MATRIX, expected);
        EXPECT_TRUE(std::equal(p, p + 16, expected) && viewport[2] == width && viewport[3] == height &&
                    glGetError() == GL_NO_ERROR)
            << width << " x " << height;
    }
    // No id brings the frame down at any count, also below what GLUT and GLU
    // can take, and the closed cylinder's display lists are always gone
    // afterwards.
    for (ShapeId shape = -1; shape <= 40; ++shape) {
        for (const auto& [s, t] : {std::pair{1, 1}, {0, 0}, {-1, -1}, {10, 0}, {0, 10}, {10, -1}, {-1, 10}}) {
            selectedShape = shape;
            slices = s;
            stacks = t;
            onDisplay();
            glFinish();
        }
    }
    for (GLuint list = 1; list <= 64; ++list)
        EXPECT_FALSE(glIsList(list)) << "display list " << list << " left";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
