#include "bench.h"

#include <csignal>
#include <cstdlib>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

static pid_t serverPid = -1;

void stopPrivateXServer()
{
    if (serverPid <= 0)
        return;
    kill(serverPid, SIGTERM);
    waitpid(serverPid, nullptr, 0);
    serverPid = -1;
}

[[noreturn]] static void execServer(int displayFd, pid_t driver)
{
    // The server must not outlive a benchmark that is killed; the check after
    // prctl covers a driver that died before it took effect.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != driver)
        _exit(1);
    const int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0) {
        dup2(devNull, STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
    }
    const std::string fd = std::to_string(displayFd);
    // -br: a black root, so that a window shows black until its first frame
    // arrives. -noreset: the server keeps its state between clients.
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
           "-nolisten", "tcp", "-br", "-noreset", static_cast<char*>(nullptr));
    _exit(127);
}

std::string startPrivateXServer()
{
    int fds[2];
    if (pipe(fds) != 0)
        fail("cannot make a pipe for Xvfb");
    const pid_t driver = getpid();
    const pid_t pid = fork();
    if (pid < 0)
        fail("cannot fork for Xvfb");
    if (pid == 0) {
        close(fds[0]);
        execServer(fds[1], driver);
    }
    close(fds[1]);
    serverPid = pid;
    std::atexit(stopPrivateXServer);

    // Xvfb writes the display number it chose once it accepts connections;
    // end of file instead means it exited.
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (number.empty())
        fail("Xvfb did not start (is the package xvfb installed? bench/run.sh installs it)");
    return ":" + number;
}
