// Every test executable that links this gets one private X server, started
// before the first test with DISPLAY pointing at it. It ends with the test
// process rather than after the last test: windows still open in the process
// would otherwise lose their server, and Xlib ends a process that does.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// Tall enough for the whole pop-up menu below the viewer's window. The server
// does not reset when its last client leaves, which would refuse the next test.
static constexpr char SCREEN[] = "1280x1024x24";

class XvfbEnvironment : public testing::Environment {
    void SetUp() override
    {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        if (fork() == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            close(ready[0]);
            // Xvfb's notes about display numbers already taken are no failure.
            std::freopen("/dev/null", "w", stderr);
            const std::string fd = std::to_string(ready[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", SCREEN, "-nolisten", "tcp", "-noreset",
                   nullptr);
            _exit(127);
        }
        close(ready[1]);
        // Xvfb writes the display number it chose once it accepts connections,
        // and the newline after it in a write of its own: closing the pipe
        // before that would end the server. The pipe ends early if it fails.
        std::string number;
        char c = 0;
        while (read(ready[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(ready[0]);
        ASSERT_EQ(c, '\n') << "Xvfb did not start: install the Debian package xvfb";
        setenv("DISPLAY", (":" + number).c_str(), 1);
    }
};

static testing::Environment* const XVFB = testing::AddGlobalTestEnvironment(new XvfbEnvironment);
