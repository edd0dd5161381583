// Every test executable that links this gets one private X server, started
// before the first test with DISPLAY pointing at it. It ends with the test
// process rather than after the last test: windows still open in the process
// would otherwise lose their server, and Xlib ends a process that does.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// Tall enough for the whole pop-up menu below the viewer's window, and wide
// enough for the tests' own window of up to 1000 pixels beside both. The server
// does not reset when its last client leaves, which would refuse the next test,
// and it grants indirect GLX contexts, which have no framebuffer objects.
// Xvfb's notes about display numbers already taken are no failure.
static constexpr char XVFB[] = "exec setpriv --pdeathsig TERM Xvfb -displayfd 1 -screen 0 2400x1100x24 -nolisten tcp "
                               "-noreset +iglx 2>/dev/null";

class XvfbEnvironment : public testing::Environment {
    // Xvfb writes the display number it chose once it accepts connections,
    // and the newline after it in a write of its own: the pipe stays open,
    // since closing it before that would end the server. It ends early, with
    // no line, if Xvfb fails.
    void SetUp() override
    {
        char number[16] = "";
        ASSERT_NE(fgets(number, sizeof number, popen(XVFB, "r")), nullptr)
            << "Xvfb did not start: install the Debian package xvfb";
        setenv("DISPLAY", (":" + std::string(number, std::strcspn(number, "\n"))).c_str(), 1);
    }
};

static testing::Environment* const XVFB_SERVER = testing::AddGlobalTestEnvironment(new XvfbEnvironment);
