#pragma once

#include "pixels.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

inline std::string readText(const fs::path& path)
{
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), {}};
}

inline std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::istringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);)
        parts.push_back(part);
    return parts;
}

// What a file that the gallery writes holds, or empty unless it is whole: a
// PNG picture's size; a card's pictures, calls to copy, Copy buttons hidden
// until a script shows them and links to programs, its title, how it shows the
// pictures and its first label; a program's lines, the shape and counts its
// comment names, and the call it leaves out and why.
inline std::string contents(const fs::path& path)
{
    const std::string text = readText(path), kind = path.extension();
    const auto count = [&](const std::string& what) {
        std::size_t found = 0;
        for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; ++at)
            ++found;
        return std::to_string(found);
    };
    const std::string end = kind == ".html" ? "</html>\n" : "\n}\n";
    if (kind == ".html" || kind == ".c") {
        std::string seen = kind == ".c" ? "C, " + count("\n") + " lines"
                                        : "HTML, pictures " + count("<img ") + ", calls " + count("<pre><code>") +
                                              ", buttons " + count("hidden>Copy") + ", programs " + count(".c\"");
        for (const char* pattern : {"<title>([^<]*)", "(Each picture is [^;]*)", "<figcaption>\n<p>([^<]*)",
                                    "(Shape: [^\n]*)", "(Not called: [^\n]*)", "\n +(freeglut [^\n]*)"}) {
            std::smatch said;
            seen += std::regex_search(text, said, std::regex(pattern)) ? "; " + said[1].str() : "";
        }
        return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0 ? seen : "";
    }
    const Image image = readPng(path);
    return image.width > 0 ? std::to_string(image.width) + " x " + std::to_string(image.height) : "";
}

// Reference files are kept in the source tree, beside a note of the renderer
// that drew the pictures. When a change is intended they are made again by
// running the tests with VARENTHE_UPDATE_REFERENCES=1:
//   VARENTHE_UPDATE_REFERENCES=1 ctest --test-dir build-test-gcc -L 'gallery|card'
// Each test then writes its references from a first pass and checks a second
// one against them. Look at what changed before committing it.
const fs::path REFERENCES = VARENTHE_REFERENCES;
const std::vector<bool> PASSES =
    std::getenv("VARENTHE_UPDATE_REFERENCES") != nullptr ? std::vector<bool>{true, false} : std::vector<bool>{false};

// Compares the text with its reference, or writes it there in the first pass
// of update mode.
inline void expectAsReference(const std::string& seen, const std::string& name, bool writing)
{
    if (writing)
        std::ofstream(REFERENCES / name) << seen;
    else
        EXPECT_EQ(seen, readText(REFERENCES / name)) << "against " << name;
}

// The same for a picture, written only where it differs, with the note of
// the renderer.
inline void expectAsReference(const Image& seen, const std::string& name, bool writing)
{
    const fs::path note = REFERENCES / "renderer.txt";
    if (writing) {
        std::ofstream(note) << rendererNote();
        png_image writer{};
        writer.version = PNG_IMAGE_VERSION;
        writer.width = static_cast<png_uint_32>(seen.width);
        writer.height = static_cast<png_uint_32>(seen.height);
        writer.format = PNG_FORMAT_RGB;
        ASSERT_TRUE(differences(seen, readPng(REFERENCES / name)).empty() ||
                    png_image_write_to_file(&writer, (REFERENCES / name).c_str(), 0, seen.rgb.data(), 0, nullptr) != 0)
            << name;
        return;
    }
    ASSERT_EQ(rendererNote(), readText(note))
        << "the reference pictures were drawn by the renderer in " << note.string()
        << ", and this run draws with another one, whose pixels may differ; README.md tells how to make them again";
    EXPECT_EQ(differences(seen, readPng(REFERENCES / name)), "") << "against " << name;
}

// A little above the manual's account of the memory for all 28 shapes at 4096
// pixels: 570 MiB on two processors, 85 MiB more or less for each processor
// more or less, up to eight. The sanitizers reserve far more address space than
// that for themselves.
#ifdef VARENTHE_SANITIZED
constexpr char MEMORY_CAP[] = "CAP=";
#else
constexpr char MEMORY_CAP[] = "CAP=\"prlimit --as=$(((610 + 85 * ($(nproc) < 8 ? $(nproc) - 2 : 6)) << 20))\"";
#endif

// Compares the entry, its first line "$ KEY", with the entry of that key in
// the record, the reference file of that name; or, in the first pass of update
// mode, writes it there in place of the old one, or last if there is none.
// The record is locked meanwhile against the other tests' entries.
inline void expectRecorded(const std::string& key, const std::string& seen, const std::string& name, bool writing)
{
    const fs::path path = REFERENCES / name;
    const int lock = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(lock, LOCK_EX), 0) << path;
    std::string record = readText(path);
    const std::size_t start = std::min(record.find("$ " + key + "\n"), record.size());
    const std::size_t end = std::min(record.find("\n$ ", start), record.size() - 1) + 1;
    if (writing)
        std::ofstream(path) << record.replace(start, end - start, seen);
    close(lock);
    if (!writing) {
        EXPECT_EQ(seen, record.substr(start, end - start)) << "against " << name;
    }
}

// The gallery as a program on the test's own X server, run through bash in a
// scratch folder of the test's own, and the files it writes read back.
class GalleryScratch : public testing::Test {
protected:
    // Each test is a process of its own under ctest, so the process id keeps
    // them apart. The gallery is $G, with the library `preload` preloaded, and
    // the memory cap $CAP.
    explicit GalleryScratch(const std::string& preload = "")
    {
        fs::create_directories(scratch);
        // The sanitizer build preloads Mesa's driver into every process, at a
        // quarter of a second each; of the scripts' processes only the gallery
        // draws, and only it has the sanitizers' runtime.
        inherited = std::getenv("LD_PRELOAD") != nullptr ? std::getenv("LD_PRELOAD") : "";
        std::string preloads = inherited;
        preloads += preloads.empty() || preload.empty() ? preload : ":" + preload;
        setenv("G", ((preloads.empty() ? "" : "env LD_PRELOAD=" + preloads + " ") + VARENTHE_GALLERY).c_str(), 1);
        unsetenv("LD_PRELOAD");
    }
    ~GalleryScratch() override { fs::remove_all(scratch); }

    // Runs the script by bash in the scratch folder, with its standard output
    // and error into out and err; "exit N", or the signal that ended it. A
    // script that ends in `exec $G` is the gallery itself then.
    std::string run(const std::string& script)
    {
        std::ofstream(scratch / "script") << "cd '" << scratch.string() << "'\n"
                                          << MEMORY_CAP << "\n{\n"
                                          << script << "\n} >out 2>err\n";
        int status = 0;
        const pid_t shell = fork();
        if (shell == 0) {
            execlp("bash", "bash", "-o", "pipefail", (scratch / "script").c_str(), nullptr);
            _exit(127);
        }
        waitpid(shell, &status, 0);
        out = readText(scratch / "out");
        err = readText(scratch / "err");
        return WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status))
                                 : std::string("killed by ") + sigabbrev_np(WTERMSIG(status));
    }

    // Empty unless the file is a whole PNG picture.
    Image picture(const fs::path& path) { return readPng(scratch / path); }

    const fs::path scratch = fs::path(testing::TempDir()) / ("varenthe-gallery-" + std::to_string(getpid()));
    std::string out;
    std::string err;
    // The test process's own preloads, which a program that draws needs again.
    std::string inherited;
};
