// Every test executable that links this gets one private X server, started
// before the first test with DISPLAY pointing at it. It ends with the test
// process rather than after the last test: windows still open in the process
// would otherwise lose their server, and Xlib ends a process that does.

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <cstdio>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

// Tall enough for the whole pop-up menu below the viewer window.
static constexpr char SCREEN[] = "1280x1024x24";
static constexpr int START_TIMEOUT_MS = 30000;

class XvfbEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        pid = fork();
        if (pid == 0) {
            // A test killed on its timeout takes its server with it.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            close(ready[0]);
            // Xvfb's notes about display numbers that are taken are no failure.
            freopen("/dev/null", "w", stderr);
            const std::string fd = std::to_string(ready[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", SCREEN, "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ready[1]);
        // Xvfb picks a free display number and writes it once it accepts
        // connections; the pipe ends empty if it could not start.
        std::string number;
        char buffer[16];
        ssize_t got = 0;
        pollfd waiting{ready[0], POLLIN, 0};
        while (number.find('\n') == std::string::npos && poll(&waiting, 1, START_TIMEOUT_MS) > 0 &&
               (got = read(ready[0], buffer, sizeof buffer)) > 0)
            number.append(buffer, static_cast<std::size_t>(got));
        close(ready[0]);
        ASSERT_NE(number.find('\n'), std::string::npos)
            << "Xvfb did not start: install the Debian package xvfb";
        setenv("DISPLAY", (":" + number.substr(0, number.find('\n'))).c_str(), 1);
    }

private:
    pid_t pid = -1;
};

static testing::Environment* const XVFB = testing::AddGlobalTestEnvironment(new XvfbEnvironment);
