// Measures the viewer against floors that do only what the viewer must: the
// time to the first frame on screen, the CPU time per frame for every shape,
// and the memory over many frames of the closed cylinder. Prints Markdown
// tables. Not a test: it asserts nothing.

#include "bench.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>

#include <sys/wait.h>
#include <unistd.h>

static constexpr const char* FRAMES_MODE = "--frames";
static constexpr const char* MEMORY_MODE = "--memory";

static std::string cpuModel()
{
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0) {
            const std::size_t colon = line.find(':');
            if (colon != std::string::npos)
                return line.substr(colon + 2);
        }
    }
    return "unknown";
}

static std::string loadAverage()
{
    std::ifstream loadavg("/proc/loadavg");
    std::string one;
    std::string five;
    std::string fifteen;
    loadavg >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

static void printMachine()
{
    char date[64];
    const std::time_t now = std::time(nullptr);
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
    std::printf("# Varenthe benchmark\n\n");
    std::printf("Date: %s\n", date);
    std::printf("Machine: %ld CPUs online (nproc), %s; load average at start %s\n",
                sysconf(_SC_NPROCESSORS_ONLN), cpuModel().c_str(), loadAverage().c_str());
}

// Runs this same binary in one of its child modes and waits for it. The child
// writes its own rows to the shared standard output.
static void runChild(const std::vector<std::string>& arguments)
{
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid < 0)
        fail("cannot fork");
    if (pid == 0) {
        std::vector<char*> argv;
        static char self[] = "varenthe-bench";
        argv.push_back(self);
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv("/proc/self/exe", argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail("the child run '" + arguments.front() + "' failed");
}

static int runDriver()
{
    printMachine();
    // Always a private server, also when DISPLAY is set: the start-up timing
    // needs a server with no window manager and nothing else on it, and
    // llvmpipe behind it, whatever display the caller has.
    const std::string displayName = startPrivateXServer();
    setenv("DISPLAY", displayName.c_str(), 1);
    std::printf("X server: private Xvfb on %s\n", displayName.c_str());

    std::printf("\n## Start-up to the first frame on screen\n\n");
    runStartupBenchmark(displayName);

    std::printf("## CPU time per frame\n\n");
    runChild({FRAMES_MODE});

    std::printf("## Memory over 10 000 frames of the closed cylinder (counts 10×10)\n\n");
    std::printf("| id | program | heap in use after 100 frames, KiB | after 10 000, KiB | "
                "heap growth, bytes/frame | RSS after 100, KiB | after 10 000, KiB | RSS growth, KiB "
                "| peak ru_maxrss, KiB |\n");
    std::printf("|---:|---|---:|---:|---:|---:|---:|---:|---:|\n");
    for (ShapeId shape : {SHAPE_CLOSED_CYLINDER_WIRE, SHAPE_CLOSED_CYLINDER_SOLID}) {
        const std::string id = std::to_string(shape);
        runChild({MEMORY_MODE, "viewer", id});
        runChild({MEMORY_MODE, "floor", id});
        runChild({MEMORY_MODE, "list-floor", id});
    }
    std::printf("\n");
    stopPrivateXServer();
    return 0;
}

int main(int argc, char** argv)
{
    if (argc == 1)
        return runDriver();
    if (argc == 2 && std::strcmp(argv[1], FRAMES_MODE) == 0)
        return runFrameBenchmark();
    if (argc == 4 && std::strcmp(argv[1], MEMORY_MODE) == 0) {
        const ShapeId shape = std::atoi(argv[3]);
        if (std::strcmp(argv[2], "viewer") == 0)
            return runMemoryBenchmark(Program::VIEWER, shape);
        if (std::strcmp(argv[2], "floor") == 0)
            return runMemoryBenchmark(Program::FLOOR, shape);
        if (std::strcmp(argv[2], "list-floor") == 0)
            return runMemoryBenchmark(Program::LIST_FLOOR, shape);
    }
    std::fprintf(stderr, "usage: %s   (it starts its own X server; %s and %s are its child runs)\n",
                 argv[0], FRAMES_MODE, MEMORY_MODE);
    return 2;
}
