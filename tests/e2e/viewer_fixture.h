#pragma once

#include "x_harness.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <stdexcept>

// Each test gets an X server of its own and at most one viewer in it.
class ViewerTest : public testing::Test {
protected:
    void SetUp() override
    {
        try {
            server = startXServer();
        } catch (const std::runtime_error& error) {
            FAIL() << error.what();
        }
    }

    void TearDown() override
    {
        stopViewer(viewer);
        stopXServer(server);
    }

    // Starts the viewer and waits until its first frame is on the screen.
    void launch(const std::vector<std::string>& arguments = {}, OutputMode mode = OutputMode::Terminal)
    {
        viewer = startViewer(server, arguments, mode);
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

    std::string lastTrace() const
    {
        const auto lines = traceLines(viewer);
        return lines.empty() ? std::string() : lines.back();
    }

    XServer server;
    ViewerProcess viewer;
};
