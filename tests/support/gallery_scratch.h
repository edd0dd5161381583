#pragma once

#include "pixels.h"

#include <gtest/gtest.h>
#include <png.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

// What a file that the gallery writes holds, or empty unless it is whole:
// a PNG picture's size, the pictures of a card, the lines of a program.
inline std::string contents(const fs::path& path)
{
    std::ifstream file(path);
    const std::string text(std::istreambuf_iterator<char>(file), {});
    const auto endsWith = [&](const std::string& end) {
        return text.size() >= end.size() && text.rfind(end) == text.size() - end.size();
    };
    std::size_t count = 0;
    for (std::size_t at = 0; (at = text.find(path.extension() == ".c" ? "\n" : "<img ", at)) != std::string::npos; ++at)
        ++count;
    if (path.extension() == ".html")
        return endsWith("</html>\n") ? "HTML, " + std::to_string(count) + (count == 1 ? " picture" : " pictures") : "";
    if (path.extension() == ".c")
        return endsWith("\n}\n") ? "C, " + std::to_string(count) + " lines" : "";
    const Image image = readPng(path);
    return image.width > 0 ? std::to_string(image.width) + " x " + std::to_string(image.height) : "";
}

// The gallery as a program on the test's own X server, run through bash in a
// scratch folder of the test's own, and the PNG files it writes read back.
class GalleryScratch : public testing::Test {
protected:
    // Each test is a process of its own under ctest, so the process id keeps
    // them apart. The gallery is $G, with the library `preload` preloaded, and
    // the memory cap $CAP.
    explicit GalleryScratch(const std::string& preload = "")
    {
        fs::create_directories(scratch);
        // The sanitizer build preloads Mesa's driver into every process, at a
        // quarter of a second each; of the scripts' processes only the gallery draws.
        std::string preloads = std::getenv("LD_PRELOAD") != nullptr ? std::getenv("LD_PRELOAD") : "";
        preloads += preloads.empty() || preload.empty() ? preload : ":" + preload;
        setenv("G", ((preloads.empty() ? "" : "env LD_PRELOAD=" + preloads + " ") + VARENTHE_GALLERY).c_str(), 1);
        setenv("CAP", memoryCap().c_str(), 1);
        unsetenv("LD_PRELOAD");
    }
    ~GalleryScratch() override { fs::remove_all(scratch); }

    // A little above the manual's account of the memory for all 28 shapes at
    // 4096 pixels: 570 MiB on two processors, a picture more or less for each
    // processor more or less, up to eight. The sanitizers reserve far more
    // address space than that for themselves.
    static std::string memoryCap()
    {
#ifdef VARENTHE_SANITIZED
        return "";
#else
        cpu_set_t processors;
        sched_getaffinity(0, sizeof processors, &processors);
        const long count = std::min(CPU_COUNT(&processors), 8);
        return "prlimit --as=" + std::to_string((630 + 48 * (count - 2)) << 20);
#endif
    }

    // Runs the script by bash in the scratch folder, with its standard output
    // and error into out and err; "exit N", or the signal that ended it. A
    // script that ends in `exec $G` is the gallery itself then.
    std::string run(const std::string& script)
    {
        std::ofstream(scratch / "script") << "cd '" << scratch.string() << "'\n{\n" << script << "\n} >out 2>err\n";
        int status = 0;
        const pid_t shell = fork();
        if (shell == 0) {
            execlp("bash", "bash", "-o", "pipefail", (scratch / "script").c_str(), nullptr);
            _exit(127);
        }
        waitpid(shell, &status, 0);
        std::ifstream outFile(scratch / "out"), errFile(scratch / "err");
        out.assign(std::istreambuf_iterator<char>(outFile), {});
        err.assign(std::istreambuf_iterator<char>(errFile), {});
        return WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status))
                                 : std::string("killed by ") + sigabbrev_np(WTERMSIG(status));
    }

    // Empty unless the file is a whole PNG picture.
    Image picture(const fs::path& path)
    {
        return readPng(scratch / path);
    }

    const fs::path scratch = fs::path(testing::TempDir()) / ("varenthe-gallery-" + std::to_string(getpid()));
    std::string out;
    std::string err;
};
