// The real viewer binary as a person uses it: its window in the test's X
// server, real key presses and right-clicks through libxdo, its pixels read
// back from the screen and its trace read through a plain pipe.

#include "pixels.h"

#include "controls/controls.h"
#include "viewer/viewer_state.h"

#include <gtest/gtest.h>

extern "C" {
#include <xdo.h>
}
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <random>

namespace {

constexpr int MENU_ENTRIES = 31;
constexpr int RIGHT_BUTTON = 3;

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
    // its first frame, at the reset preset: each axis runs where that camera
    // puts it. No window manager runs, so the test gives the window the
    // keyboard, as a person would by clicking into it.
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
        ASSERT_EQ(waitForProbes({{"X axis at x = 3", 237, 177, {202, 0, 0}, 16, 1},
                                 {"Y axis at y = -3", 125, 182, {0, 202, 0}, 16, 1},
                                 {"Z axis at z = -3", 171, 76, {0, 0, 202}, 16, 1}}),
                  "");
    }

    // Polls `done`, collecting the viewer's output meanwhile; false on timeout.
    template <typename Done>
    bool waitFor(Done done)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (char buffer[4096]; !done();) {
            pollfd readable{fileno(viewer), POLLIN, 0};
            const ssize_t got = poll(&readable, 1, 10) > 0 ? read(readable.fd, buffer, sizeof buffer) : 0;
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

    // Empty while the window is not viewable, since X has no pixels for it then.
    Image grab()
    {
        XWindowAttributes a{};
        XGetWindowAttributes(xdo->xdpy, window, &a);
        XImage* shot = XGetImage(xdo->xdpy, window, 0, 0, unsigned(a.width), unsigned(a.height), AllPlanes, ZPixmap);
        Image image{shot != nullptr ? a.width : 0, a.height, {}};
        for (int i = 0; i < image.width * image.height; ++i) {
            const unsigned long p = XGetPixel(shot, i % image.width, i / image.width);
            image.pixels.push_back({int((p >> 16) & 0xff), int((p >> 8) & 0xff), int(p & 0xff)});
        }
        if (shot != nullptr)
            XDestroyImage(shot);
        return image;
    }

    std::string waitForProbes(const std::vector<Probe>& probes)
    {
        std::string failures;
        waitFor([&] { return (failures = failedProbes(grab(), probes)).empty(); });
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
    Window window = 0;
};

// GLUT takes the command line, but a -geometry is overridden by the fixed
// window. The menu, through real right-clicks, chooses a shape and the presets
// and prints nothing. Random keys from the reset preset are then each answered
// at once through the pipe with the line the key logic predicts, also in a
// window of one pixel. A reader that goes away does not end the viewer: it
// keeps drawing, and Escape still ends it with status 0.
TEST_F(Viewer, AnswersKeysAndMenuWhateverTheWindowAndReader)
{
    std::mt19937 random(20261206);
    std::string keys;
    resetCamera();
    testing::internal::CaptureStdout();
    while (keys.size() < 300) {
        keys.push_back(static_cast<char>(' ' + random() % 95));
        applyKey(static_cast<unsigned char>(keys.back()));
        printCameraTrace();
    }
    const std::string expected = testing::internal::GetCapturedStdout();
    launch("-geometry 400x300+10+20");
    XWindowAttributes a{};
    XGetWindowAttributes(xdo->xdpy, window, &a);
    EXPECT_TRUE(a.x == 100 && a.y == 100 && a.width == 250 && a.height == 250)
        << a.width << " x " << a.height << " at (" << a.x << ", " << a.y << ")";
    choose(17); // "GLUT_SOLIDTORUS"
    choose(29); // "Put camera at origin"
    EXPECT_EQ(waitForProbes({{"torus tube, upper right", 167, 83, GREY_FACING, 12, 1},
                             {"torus tube, lower left", 83, 167, GREY_FACING, 12, 1},
                             {"torus hole", 135, 115, BLACK, 0, 0}}),
              "");
    choose(28); // "Reset camera position"
    EXPECT_EQ(output, "") << "no key was pressed yet";
    type(keys);
    EXPECT_EQ(output, expected);
    xdo_set_window_size(xdo, window, 1, 1, 0);
    type("aX");
    xdo_set_window_size(xdo, window, 250, 250, 0);
    // The pipe's only read end goes away; the descriptor stays valid for
    // pclose. At the origin preset the red X axis runs across the middle row
    // and the green Y axis down the middle column, past the torus.
    dup2(open("/dev/null", O_RDONLY | O_CLOEXEC), fileno(viewer));
    xdo_enter_text_window(xdo, CURRENTWINDOW, "o", 0);
    EXPECT_EQ(waitForProbes({{"X axis, left end", 3, 125, {255, 0, 0}, 12, 1},
                             {"X axis, right end", 246, 125, {255, 0, 0}, 12, 1},
                             {"Y axis, top end", 125, 3, {0, 255, 0}, 12, 1},
                             {"Y axis, bottom end", 125, 246, {0, 255, 0}, 12, 1}}),
              "");
    xdo_send_keysequence_window(xdo, CURRENTWINDOW, "Escape", 0);
    EXPECT_EQ(pclose(viewer), 0);
    viewer = nullptr;
}

} // namespace
