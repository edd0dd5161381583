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
#include <cstring>
#include <string>

// Tall enough for the whole pop-up menu below the viewer's window, and wide
// enough for the tests' own window of up to 1000 pixels beside both. The server
// does not reset when its last client leaves, which would refuse the next test,
// and it grants indirect GLX contexts, which have no framebuffer objects.
static constexpr char SCREEN[] = "2400x1100x24";

class XvfbEnvironment : public testing::Environment {
    void SetUp() override
    {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        if (fork() == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            dup2(ready[1], STDOUT_FILENO);
            // Xvfb's notes about display numbers already taken are no failure.
            std::freopen("/dev/null", "w", stderr);
            execlp("Xvfb", "Xvfb", "-displayfd", "1", "-screen", "0", SCREEN, "-nolisten", "tcp", "-noreset", "+iglx",
                   nullptr);
            _exit(127);
        }
        close(ready[1]);
        // Xvfb writes the display number it chose once it accepts connections,
        // and the newline after it in a write of its own: the pipe stays open,
        // since closing it before that would end the server. It ends early, with
        // no line, if Xvfb fails.
        char number[16] = "";
        ASSERT_NE(fgets(number, sizeof number, fdopen(ready[0], "r")), nullptr)
            << "Xvfb did not start: install the Debian package xvfb";
        setenv("DISPLAY", (":" + std::string(number, std::strcspn(number, "\n"))).c_str(), 1);
    }
};

static testing::Environment* const XVFB = testing::AddGlobalTestEnvironment(new XvfbEnvironment);
