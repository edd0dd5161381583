#pragma once

#include "x_harness.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <thread>

// Position of a value in the pop-up menu: the ten GLU shapes, the eighteen
// GLUT shapes, the two camera presets, then "Exit".
inline int menuIndex(int value)
{
    if (value == 1)
        return 30;
    return value <= 11 ? value - 2 : value - 10;
}

constexpr Rgb BLACK{0, 0, 0};
constexpr Rgb RED{255, 0, 0};
constexpr Rgb GREEN{0, 255, 0};
// Grey material lit head-on by the default light: 0.2 * 0.6 ambient + 0.6 diffuse.
constexpr Rgb GREY_FACING{184, 184, 184};

// At "Put camera at origin" the red X axis runs across the middle row and the
// green Y axis down the middle column, past every shape. A one-pixel line on
// the centre of an even-sized window may land on either row next to it.
inline std::vector<Probe> originAxesProbes(int width = 250, int height = 250)
{
    const int midX = width / 2;
    const int midY = height / 2;
    return {
        {"X axis, left end", 3, midY, RED, 12, 1},
        {"X axis, right end", width - 4, midY, RED, 12, 1},
        {"Y axis, top end", midX, 3, GREEN, 12, 1},
        {"Y axis, bottom end", midX, height - 4, GREEN, 12, 1},
        {"background, upper left", 20, 20, BLACK, 0, 0},
        {"background, lower right", width - 20, height - 20, BLACK, 0, 0},
    };
}

// Each test gets an X server of its own and at most one viewer in it.
class ViewerTest : public testing::Test {
protected:
    void SetUp() override
    {
        // Without Xvfb this throws, and the test fails with the message naming
        // the package to install.
        server = startXServer();
    }

    void TearDown() override
    {
        stopViewer(viewer);
        stopXServer(server);
    }

    // Starts the viewer and waits until its first frame is on the screen.
    void launch(const std::vector<std::string>& arguments = {}, bool setDisplay = true)
    {
        viewer = startViewer(server, arguments, setDisplay);
        ASSERT_TRUE(waitForWindow(server, viewer)) << "no viewer window; stderr: " << viewer.errors;
        ASSERT_TRUE(waitForFirstFrame(server, viewer)) << "nothing drawn; stderr: " << viewer.errors;
    }

    // Types keys and waits for the trace line of each.
    void press(const std::string& keys)
    {
        for (char key : keys) {
            const std::size_t before = traceLines(viewer).size();
            typeByte(server, static_cast<unsigned char>(key));
            ASSERT_TRUE(waitForLines(viewer, before + 1))
                << "no trace line for '" << key << "'; exited: " << viewer.exited << "; stderr: " << viewer.errors;
        }
    }

    void expectCleanExit()
    {
        ASSERT_TRUE(waitForExit(viewer)) << "the viewer did not end";
        EXPECT_TRUE(WIFEXITED(viewer.status)) << "ended by signal " << WTERMSIG(viewer.status);
        if (WIFEXITED(viewer.status)) {
            EXPECT_EQ(WEXITSTATUS(viewer.status), 0) << "stderr: " << viewer.errors;
        }
    }

    void choose(int value)
    {
        ASSERT_TRUE(chooseMenuEntry(server, viewer, menuIndex(value)))
            << "menu entry for " << value << " not taken; stderr: " << viewer.errors;
    }

    // Moves the camera with a key and waits for the frame drawn from it.
    void toOrigin()
    {
        press("o");
        const std::string failures = waitForProbes(server, viewer.window, originAxesProbes());
        ASSERT_EQ(failures, "") << "no frame at the origin preset";
    }

    void awayFromOrigin()
    {
        press("r");
        waitForFrameAwayFromOrigin();
    }

    void waitForFrameAwayFromOrigin()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (failedProbes(grabWindow(server, viewer.window), originAxesProbes()).empty()) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "no frame away from the origin preset";
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    std::string lastTrace() const
    {
        const auto lines = traceLines(viewer);
        return lines.empty() ? std::string() : lines.back();
    }

    XServer server;
    ViewerProcess viewer;
};
