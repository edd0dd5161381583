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
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int MENU_ENTRIES = 31;
constexpr int SIZE = 250;
constexpr int RIGHT_BUTTON = 3;
constexpr int POLL_MS = 10;

// A window may go away, or not be viewable yet, between two requests about
// it; that is for the tests to judge, not a reason for Xlib to end the process.
int ignoreXError(Display*, XErrorEvent*)
{
    return 0;
}

class Viewer : public testing::Test {
protected:
    void SetUp() override
    {
        XSetErrorHandler(ignoreXError);
        ASSERT_NE(xdo = xdo_new(nullptr), nullptr) << "no X display";
    }

    void TearDown() override
    {
        if (!exited) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        for (int fd : {out, err})
            close(fd);
        xdo_free(xdo);
    }

    // Starts the viewer and waits until its first frame is on the screen.
    void launch(std::vector<std::string> arguments = {}, bool setDisplay = true)
    {
        // The test's own ends stay out of the viewer, or it would hold the read
        // end of its own output and never see its reader go away.
        int outPipe[2], errPipe[2];
        ASSERT_EQ(pipe2(outPipe, O_CLOEXEC) | pipe2(errPipe, O_CLOEXEC), 0);
        pid = fork();
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            dup2(outPipe[1], STDOUT_FILENO);
            dup2(errPipe[1], STDERR_FILENO);
            if (!setDisplay)
                unsetenv("DISPLAY");
            // The sanitizer build preloads libraries into the viewer alone.
            if (VARENTHE_VIEWER_PRELOAD[0] != '\0')
                setenv("LD_PRELOAD", VARENTHE_VIEWER_PRELOAD, 1);
            std::vector<char*> argv{const_cast<char*>(VARENTHE_BINARY)};
            for (std::string& argument : arguments)
                argv.push_back(argument.data());
            argv.push_back(nullptr);
            execv(VARENTHE_BINARY, argv.data());
            _exit(127);
        }
        close(outPipe[1]);
        close(errPipe[1]);
        out = outPipe[0];
        err = errPipe[0];
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
        })) << "no viewer window; stderr: " << errors;
        // No window manager runs, so the keyboard goes where the test says, as
        // it would after a person clicked into the window.
        xdo_focus_window(xdo, window);
        pointAt(window, 0.5);
        ASSERT_TRUE(waitFor([&] {
            const Image image = grab(window);
            return std::any_of(image.pixels.begin(), image.pixels.end(),
                               [](const Rgb& p) { return p.r + p.g + p.b > 0; });
        })) << "nothing drawn; stderr: " << errors;
    }

    // Polls `done`, collecting the viewer's output meanwhile; false on timeout
    // or when the viewer ends first.
    template <typename Done>
    bool waitFor(Done done, double seconds = 10.0)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        for (;;) {
            pollfd fds[] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
            poll(fds, 2, POLL_MS);
            char buffer[4096];
            ssize_t got;
            if ((fds[0].revents & POLLIN) != 0 && (got = read(out, buffer, sizeof buffer)) > 0)
                output.append(buffer, static_cast<std::size_t>(got));
            if ((fds[1].revents & POLLIN) != 0 && (got = read(err, buffer, sizeof buffer)) > 0)
                errors.append(buffer, static_cast<std::size_t>(got));
            if (done())
                return true;
            if (!exited && waitpid(pid, &status, WNOHANG) == pid)
                exited = true;
            if ((exited && fds[0].revents == 0 && fds[1].revents == 0) || std::chrono::steady_clock::now() > deadline)
                return done();
        }
    }

    std::size_t lines() const { return static_cast<std::size_t>(std::count(output.begin(), output.end(), '\n')); }

    // Presses the key that types each byte, with Control for the codes below
    // 32, and waits for its trace line.
    void press(const std::string& keys)
    {
        for (char key : keys) {
            const auto byte = static_cast<unsigned char>(key);
            const std::size_t before = lines();
            char sequence[32];
            if (byte == 27)
                std::snprintf(sequence, sizeof sequence, "Escape");
            else if (byte < 0x20)
                std::snprintf(sequence, sizeof sequence, "ctrl+%s", XKeysymToString(byte + 0x40u));
            else
                std::snprintf(sequence, sizeof sequence, "0x%x", byte == 0x7f ? XK_Delete : byte);
            xdo_send_keysequence_window(xdo, CURRENTWINDOW, sequence, 0);
            if (byte == 27)
                return;
            ASSERT_TRUE(waitFor([&] { return lines() > before; }))
                << "no trace line for byte " << int{byte} << "; stderr: " << errors;
        }
    }

    void expectCleanExit()
    {
        ASSERT_TRUE(waitFor([&] { return exited; })) << "the viewer did not end";
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "status " << status << "; stderr: " << errors;
    }

    void pointAt(Window target, double fraction)
    {
        int x, y;
        unsigned int width, height;
        Screen* screen;
        xdo_get_window_location(xdo, target, &x, &y, &screen);
        xdo_get_window_size(xdo, target, &width, &height);
        xdo_move_mouse(xdo, x + static_cast<int>(width / 2), y + static_cast<int>(height * fraction), 0);
    }

    Image grab(Window target)
    {
        XWindowAttributes attributes;
        Image image;
        if (XGetWindowAttributes(xdo->xdpy, target, &attributes) == 0)
            return image;
        XImage* shot = XGetImage(xdo->xdpy, target, 0, 0, static_cast<unsigned>(attributes.width),
                                 static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
        if (shot == nullptr)
            return image;
        image.width = attributes.width;
        image.height = attributes.height;
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                const unsigned long p = XGetPixel(shot, x, y);
                image.pixels.push_back({int((p >> 16) & 0xff), int((p >> 8) & 0xff), int(p & 0xff)});
            }
        }
        XDestroyImage(shot);
        return image;
    }

    std::string waitForProbes(const std::vector<Probe>& probes)
    {
        std::string failures;
        waitFor([&] { return (failures = failedProbes(grab(window), probes)).empty(); });
        return failures;
    }

    // The menu is the one top-level window that bypasses the window manager.
    Window shownMenu()
    {
        Window root, parent, *children = nullptr;
        unsigned int count = 0;
        Window menu = 0;
        XQueryTree(xdo->xdpy, DefaultRootWindow(xdo->xdpy), &root, &parent, &children, &count);
        for (unsigned int i = 0; i < count; ++i) {
            XWindowAttributes attributes;
            if (XGetWindowAttributes(xdo->xdpy, children[i], &attributes) != 0 && attributes.override_redirect &&
                attributes.map_state == IsViewable)
                menu = children[i];
        }
        XFree(children);
        return menu;
    }

    // A right-click opens the menu at the pointer and keeps it up; a second
    // one chooses the entry under the pointer.
    void choose(int index)
    {
        pointAt(window, 0.5);
        xdo_click_window(xdo, CURRENTWINDOW, RIGHT_BUTTON);
        Window menu = 0;
        ASSERT_TRUE(waitFor([&] { return (menu = shownMenu()) != 0; })) << "no menu";
        pointAt(menu, (index + 0.5) / MENU_ENTRIES);
        xdo_click_window(xdo, CURRENTWINDOW, RIGHT_BUTTON);
        ASSERT_TRUE(waitFor([&] {
            XWindowAttributes attributes;
            return XGetWindowAttributes(xdo->xdpy, menu, &attributes) == 0 || attributes.map_state != IsViewable;
        })) << "the menu stayed up";
    }

    xdo_t* xdo = nullptr;
    pid_t pid = -1;
    int out = -1, err = -1, status = 0;
    bool exited = false;
    std::string output, errors;
    Window window = 0;
};

const char* const RESET = "Camera: d: 6.000000, e:45.000000, a:-33.000000, t:0.000000\n";

// GLUT takes the command line: without DISPLAY the viewer finds its display
// through -display, and a -geometry is overridden by the fixed window. The
// first frame is at the reset preset: each axis runs where that camera puts it.
TEST_F(Viewer, StartsInItsFixedWindowAtTheResetCamera)
{
    launch({"-display", getenv("DISPLAY"), "-geometry", "400x300+10+20"}, false);
    int x, y;
    unsigned int width, height;
    Screen* screen;
    xdo_get_window_location(xdo, window, &x, &y, &screen);
    xdo_get_window_size(xdo, window, &width, &height);
    EXPECT_EQ(std::vector<int>({x, y, int(width), int(height)}), std::vector<int>({100, 100, 250, 250}));
    EXPECT_EQ(failedProbes(grab(window), {{"X axis at x = 3", 237, 177, {202, 0, 0}, 16, 1},
                                          {"X axis at x = -3", 49, 90, {202, 0, 0}, 16, 1},
                                          {"Y axis at y = 3", 125, 7, {0, 202, 0}, 16, 1},
                                          {"Y axis at y = -3", 125, 182, {0, 202, 0}, 16, 1},
                                          {"Z axis at z = 3", 41, 216, {0, 0, 202}, 16, 1},
                                          {"Z axis at z = -3", 171, 76, {0, 0, 202}, 16, 1}}),
              "");
    EXPECT_EQ(output, "") << "no key was pressed";
}

// Random keys, every byte a keyboard types but Escape, each answered at once
// through the pipe with the line the key logic predicts, also in a window of
// one pixel. A reader that goes away does not end the viewer: it keeps
// drawing, and Escape still ends it with status 0 and no line of its own.
TEST_F(Viewer, KeysPrintTheirLineAtOnceWhateverTheWindowAndReader)
{
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> byte(0, 127);
    std::string keys;
    resetCamera();
    testing::internal::CaptureStdout();
    while (keys.size() < 300) {
        const auto key = static_cast<unsigned char>(byte(random));
        if (key != 27) {
            keys.push_back(static_cast<char>(key));
            applyKey(key);
            printCameraTrace();
        }
    }
    const std::string expected = testing::internal::GetCapturedStdout();
    launch();
    press(keys);
    EXPECT_EQ(output, expected);
    xdo_set_window_size(xdo, window, 1, 1, 0);
    press("aX");
    xdo_set_window_size(xdo, window, SIZE, SIZE, 0);
    close(out);
    out = -1;
    xdo_send_keysequence_window(xdo, CURRENTWINDOW, "o", 0);
    EXPECT_EQ(waitForProbes(originAxesProbes()), "");
    press("\x1b");
    expectCleanExit();
    EXPECT_EQ(errors, "");
}

// The menu through real right-clicks: a shape, the two presets, then Exit.
TEST_F(Viewer, MenuChoosesShapeAndPresetsAndExits)
{
    launch();
    choose(17); // "GLUT_SOLIDTORUS": its tube faces the eye, its hole shows black.
    choose(29); // "Put camera at origin"
    EXPECT_EQ(waitForProbes(originAxesProbes()), "");
    const std::vector<Probe> torus = {{"torus tube, upper right", 167, 83, GREY_FACING, 12, 1},
                                      {"torus tube, lower left", 83, 167, GREY_FACING, 12, 1},
                                      {"torus hole", 135, 115, BLACK, 0, 0}};
    EXPECT_EQ(waitForProbes(torus), "");
    choose(28); // "Reset camera position"
    press("a");
    EXPECT_EQ(output, RESET) << "the menu printed, or the preset is not the reset one";
    choose(30); // "Exit"
    expectCleanExit();
    EXPECT_EQ(output, RESET);
}

} // namespace
