// A run of four small pictures made to fail at every call of each kind that it
// makes on its folder, one call at a time, and stopped by each signal at each
// stage, through a preloaded library (support/fault_shim.cpp), as the rows of
// reference/failures.txt say; on one processor and on two, and with and
// without O_TMPFILE. Whatever happens, the gallery ends as the row says, with
// one message if it fails, and leaves the files it listed whole and nothing
// else in its folder, as readable as the user's files; no file there ever had
// a name but a hidden one or its own.

#include "gallery_scratch.h"

#include <regex>
#include <set>

namespace {

// 23 x 23 x 3 bytes a picture: a size that nothing else here allocates.
const std::string GALLERY_ARGS = "pics --size 23 --shapes 20,21,24,25";
const std::string PICTURE_BYTES = "1587";

// The processors the gallery may run on, and the errno with which every
// O_TMPFILE open is refused, if any: a filesystem without it answers
// EOPNOTSUPP, a kernel without it EISDIR.
class Failures : public GalleryScratch, public testing::WithParamInterface<std::tuple<std::string, std::string>> {
protected:
    Failures() : GalleryScratch(VARENTHE_FAULT_SHIM) {}

    // Runs the shell line, with $RUN the gallery under the faults; its ending.
    std::string runFaulted(const std::string& fault, const std::string& line)
    {
        for (const char* name : {"pics", "pics.old", "log"})
            fs::remove_all(scratch / name);
        // A crash is the gallery's to handle, not the sanitizer's.
        setenv("RUN",
               ("taskset -c " + std::get<0>(GetParam()) +
                " env ASAN_OPTIONS=handle_segv=0:handle_sigbus=0 VARENTHE_FAULT=" +
                (std::get<1>(GetParam()).empty() ? "" : "tmpfile:*:" + std::get<1>(GetParam()) + ",") + fault +
                " VARENTHE_FAULT_DIR=" + (scratch / "pics").string() +
                " VARENTHE_FAULT_LOG=" + (scratch / "log").string() + " VARENTHE_FAULT_BYTES=" + PICTURE_BYTES + " " +
                std::getenv("G") + " " + GALLERY_ARGS)
                   .c_str(),
               1);
        std::string status = run("ulimit -c 0; " + line);
        log = readText(scratch / "log");
        return status;
    }

    // What is wrong with the run's ending, message, list and folder, against
    // the full run's list; empty if nothing. The folder's files go into files.
    std::string problems(const std::string& status, const std::string& expected, const std::string& says,
                         const std::string& full, bool moved)
    {
        std::string found = status == expected ? "" : "it ends " + status + ", not " + expected + "\n";
        // One line that says what the row says if it fails, nothing if it does not.
        bool told = expected == "exit 1" ? err.rfind("varenthe-gallery: ", 0) == 0 && err.find('\n') + 1 == err.size()
                                         : expected != "exit 0" || err.empty();
        for (const std::string& part : split(says, '|'))
            told = told && (expected != "exit 1" || err.find(part) != std::string::npos);
        found += told ? "" : "its standard error is not as the row says\n";
        found += log.find("visible ") == std::string::npos ? "" : "it made a file under a name that is not hidden\n";
        if (full.compare(0, out.size(), out) != 0 || (!out.empty() && out.back() != '\n') ||
            (expected == "exit 0" && out != full))
            found += "its list is not the full run's or a beginning of it\n";
        files = fs::exists(scratch / (moved ? "pics" : "pics.old")) ? " (and a second folder)" : "";
        found += files.empty() ? "" : "it leaves a second folder\n";
        std::set<std::string> present, listed;
        for (const std::string& line : split(out, '\n'))
            listed.insert(line.substr(0, line.find('\t')));
        std::error_code failure;
        for (const auto& entry : fs::directory_iterator(scratch / (moved ? "pics.old" : "pics"), failure)) {
            const std::string name = entry.path().filename();
            present.insert(name);
            files += " " + name;
            found += contents(entry.path()).empty() ? name + " is not a whole file\n" : "";
            // As readable as a file that the test makes, under the same umask.
            found += entry.status().permissions() == fs::status(scratch / "script").permissions()
                         ? ""
                         : name + " is not as readable as the user's files\n";
        }
        return found + (present == listed ? "" : "its folder holds other files than those it lists\n");
    }

    std::string log;
    std::string files;
};

// Every row of the table for every N that a run without faults makes, which
// the run first counts.
TEST_P(Failures, AtEveryCall)
{
    ASSERT_EQ(runFaulted("", "exec $RUN"), "exit 0") << err;
    const std::string full = out, counted = log;
    const std::vector<std::string> lines = split(full, '\n');
    ASSERT_TRUE(std::regex_search(counted, std::regex("\nwrite [1-9]")))
        << "the fault library counted no write: " << log;
    for (const std::string& row : split(readText(REFERENCES / "failures.txt"), '\n')) {
        const std::vector<std::string> field = split(row, '\t');
        // Files named before a folder is made read-only are beyond removing.
        if (row[0] == '#' || (!std::get<1>(GetParam()).empty() && field[1] == "readonly"))
            continue;
        for (const std::string& kind : split(field[0], ',')) {
            std::smatch count;
            std::regex_search(counted, count, std::regex("(^|\n)" + kind + " ([0-9]+)\n"));
            for (long n = 1; n <= std::stol(count[2]); ++n) {
                const std::string at = kind + ":" + std::to_string(n);
                const std::string status = runFaulted(at + (field[1] == "-" ? "" : ":" + field[1]), field[4]);
                const bool fired = log.find("fired " + kind + " " + std::to_string(n) + "\n") != std::string::npos;
                std::string says = field[3];
                if (const std::size_t nth = says.find("NTH"); nth != std::string::npos)
                    says.replace(nth, 3, lines.at(n - 1).substr(0, lines.at(n - 1).find('\t')));
                EXPECT_EQ(problems(status, fired ? field[2] : "exit 0", says, full, fired && field[1] == "move"), "")
                    << "$ " << field[4] << "\nwhere RUN=" << std::getenv("RUN") << "\n"
                    << status << "\nstandard output:\n"
                    << out << "standard error:\n"
                    << err << "files:" << files << "\n";
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(, Failures,
                         testing::Values(std::tuple("0", ""), std::tuple("0,1", ""), std::tuple("0", "EISDIR"),
                                         std::tuple("0,1", "EOPNOTSUPP")),
                         [](const auto& mode) {
                             return "Processors" + std::regex_replace(std::get<0>(mode.param), std::regex(","), "And") +
                                    std::get<1>(mode.param);
                         });

} // namespace
