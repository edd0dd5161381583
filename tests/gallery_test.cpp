// The gallery as a program on the test's own X server, run through bash in a
// scratch folder, its pictures read back from the PNG files it writes and
// compared whole with the frames that the floor draws; and the wrapping of
// its captions, in-process.

#include "edge_counts.h"
#include "gallery_scratch.h"

#include "controls/controls.h"
#include "gallery/captions.h"
#include "gallery/glyphs.h"
#include "render/frame.h"
#include "viewer/viewer_state.h"

#include <sys/file.h>

#include <cfloat>
#include <climits>
#include <cstring>
#include <numeric>
#include <regex>
#include <set>
#include <sstream>

namespace {

// One run of the gallery, and what it should draw, list and say.
struct GalleryRun {
    std::string args;
    std::vector<int> shapes; // or none for all 28
    std::vector<int> counts; // n x n each, or none for the counts the keys left
    int slices, stacks, size;
    FloorCamera camera;
    std::string reference; // the sheet's, if any
    std::string warning;   // on standard error, if any
};

std::vector<int> upTo(int last)
{
    std::vector<int> counts(static_cast<std::size_t>(last));
    std::iota(counts.begin(), counts.end(), 1);
    return counts;
}

// "wire cylinder with top && bottom" gives "wire-cylinder-with-top-bottom".
std::string slug(std::string label)
{
    std::transform(label.begin(), label.end(), label.begin(), [](unsigned char c) { return std::tolower(c); });
    return std::regex_replace(std::regex_replace(label, std::regex("[^a-z0-9]+(?=[a-z0-9])"), "-"),
                              std::regex("[^-a-z0-9]"), "");
}

class Gallery : public GalleryScratch {
protected:
    // Every picture of each run is the frame the floor draws, listed on its
    // own line with its name, label, counts and camera, then the sheet's and
    // the card's lines. Each sheet is within the manual's bound and as its
    // reference, or the sheets stacked one above the other as one reference.
    void expectRuns(const std::vector<GalleryRun>& runs, const std::string& stackedReference = "");
};

void Gallery::expectRuns(const std::vector<GalleryRun>& runs, const std::string& stackedReference)
{
    for (const bool writing : PASSES) {
        Image stack;
        for (const GalleryRun& r : runs) {
            ASSERT_EQ(run("$G pics " + r.args), "exit 0") << r.args << ": " << err;
            EXPECT_EQ(err, r.warning.empty() ? "" : "varenthe-gallery: warning: " + r.warning + "\n") << r.args;
            char camera[128];
            std::snprintf(camera, sizeof camera, "\tCamera: d: %f, e:%f, a:%f, t:%f\n", r.camera.distance,
                          r.camera.elevation, r.camera.azimuth, r.camera.twist);
            std::string expected, counts;
            for (int count : r.counts)
                counts += (counts.empty() ? "" : ",") + std::to_string(count);
            for (const Shape& shape : SHAPES) {
                for (int count : r.counts.empty() ? std::vector<int>{0} : r.counts) {
                    if (!r.shapes.empty() && std::count(r.shapes.begin(), r.shapes.end(), shape.id) == 0)
                        continue;
                    const std::string s = std::to_string(count > 0 ? count : r.slices),
                                      t = std::to_string(count > 0 ? count : r.stacks);
                    const std::string name = (shape.id < 10 ? "0" : "") + std::to_string(shape.id) + "-" +
                                             slug(shape.label) + (count > 0 ? "-" + s + "x" + t : "") + ".png";
                    expected += name + "\t" + shape.label + "\t" + s + "\t" + t + camera;
                    EXPECT_EQ(differences(picture("pics/" + name), floorPicture(shape.id, std::stoi(s), std::stoi(t),
                                                                                r.camera, r.size, true)),
                              "")
                        << name << " of " << r.args;
                }
            }
            const std::string sheetCounts =
                counts.empty() ? std::to_string(r.slices) + "\t" + std::to_string(r.stacks) : counts + "\t" + counts;
            EXPECT_EQ(out, expected + "contact-sheet.png\tcontact sheet\t" + sheetCounts + camera +
                               "index.html\treference card\t" + sheetCounts + camera)
                << r.args;
            const Image sheet = picture("pics/contact-sheet.png");
            EXPECT_LE(std::max(sheet.width, sheet.height), 8192) << r.args;
            if (!r.reference.empty()) {
                ASSERT_NO_FATAL_FAILURE(expectAsReference(sheet, r.reference, writing)) << r.args;
            }
            // The sheets to stack are as wide as one another.
            if (!stackedReference.empty()) {
                stack.width = sheet.width;
                stack.height += sheet.height;
                stack.rgb.insert(stack.rgb.end(), sheet.rgb.begin(), sheet.rgb.end());
            }
            fs::remove_all(scratch / "pics");
        }
        if (!stackedReference.empty()) {
            ASSERT_NO_FATAL_FAILURE(expectAsReference(stack, stackedReference, writing));
        }
    }
}

// Every caption at every count where what is drawn changes and at the widest
// counts, and the camera line at its longest, wrapped at every width from
// below 0 to past the widest line: every line fits, or holds one glyph alone;
// every line of the text gives one or more; and the lines hold the text's
// characters but the spaces, each once and in order.
TEST(Captions, WrapAtAnyWidth)
{
    showFloorWindow(); // GLUT's font needs glutInit.
    std::vector<std::pair<int, int>> counts(std::begin(EDGE_COUNTS), std::end(EDGE_COUNTS));
    counts.emplace_back(INT_MIN, INT_MIN);
    char text[CAMERA_TRACE_SIZE + SHAPE_DESCRIPTION_SIZE];
    distance = elevation = azimuth = twist = -FLT_MAX;
    formatCameraTrace(text, sizeof text);
    std::vector<std::string> texts = {text};
    for (const Shape& shape : SHAPES) {
        for (const auto& [s, t] : counts) {
            describeShape(shape.id, s, t, text, sizeof text);
            texts.emplace_back(text);
        }
    }
    const std::regex space("[ \n]");
    for (const std::string& caption : texts) {
        for (int width = -2; width <= 1400 && !HasFailure(); width += width < 300 ? 1 : 100) {
            const std::vector<std::string> lines = wrapText(caption, width);
            std::string all;
            for (const std::string& line : lines) {
                EXPECT_TRUE(textWidth(line) <= width || line.size() == 1)
                    << '"' << line << "\", " << textWidth(line) << " pixels wide, of \"" << caption << "\" at "
                    << width;
                all += line + "\n";
            }
            EXPECT_EQ(std::regex_replace(all, space, ""), std::regex_replace(caption, space, ""))
                << "at " << width << ": " << all;
            EXPECT_GE(lines.size(), static_cast<std::size_t>(std::count(caption.begin(), caption.end(), '\n')) + 1)
                << "at " << width << ": " << all;
        }
    }
}

// Pictures at the counts and camera that the keys or the counts give; the
// GLUT sphere, cone and torus are left out past what freeglut can draw, with
// no warning from it. The contact sheets, text and layout and all, are as
// their references.
TEST_F(Gallery, DrawsWhatTheFloorDraws)
{
    const std::string longTrace = "oxyw" + std::string(600, 'z'), thirtyThree = "$(seq -s, 33)";
    // clang-format off
    ASSERT_NO_FATAL_FAILURE(expectRuns({
        {"", {}, {}, 10, 10, 250, RESET_CAMERA, "default.png", ""},
        {"--keys=ssstttttXXXWWyz", {}, {}, 7, 5, 250, {5.8f, 43.0f, -27.0f, 4.0f}, "", ""},
        {"--sh 20-23,26,27 --counts 1,254,255,256,257", {20, 21, 22, 23, 26, 27}, {1, 254, 255, 256, 257}, 0, 0, 250, RESET_CAMERA, "table.png", ""},
        {"--size 1 --shapes 24,25 --keys " + longTrace, {24, 25}, {}, 10, 10, 1, {-113.999405f, 360, 360, 360}, "narrow.png", ""},
        {"--shapes 21 --counts " + thirtyThree, {21}, upTo(33), 0, 0, 250, RESET_CAMERA, "shrunk.png", ""},
        {"--shapes 20-27 --keys $(printf '%40000s' | tr ' ' S)$(printf '%40000s' | tr ' ' T)", {20, 21, 22, 23, 24, 25, 26, 27}, {}, 40010, 40010, 250, RESET_CAMERA, "", ""},
        {"--size 1000 --shapes 7,20 --keys o" + std::string(45, 'W'), {7, 20}, {}, 10, 10, 1000, {6, 0, 0, 90}, "", ""},
    }));
    // clang-format on
}

// Tables of one column to a thousand, and of all 28 shapes, each within the
// manual's bound: from 216 columns on the cells are too narrow for captions,
// which are left out with a warning; past 89 columns of all 28 shapes the
// text would make the sheet too tall, and it is left out with a warning.
class Table : public Gallery, public testing::WithParamInterface<GalleryRun> {};

void PrintTo(const GalleryRun& run, std::ostream* out)
{
    *out << run.args;
}

TEST_P(Table, WithinTheBound)
{
    ASSERT_NO_FATAL_FAILURE(expectRuns({GetParam()}));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Gallery, Table, testing::Values(
    GalleryRun{"--size 1 --shapes 21 --counts 1000", {21}, {1000}, 0, 0, 1, RESET_CAMERA, "", ""},
    GalleryRun{"--size 1 --shapes 2 --counts $(seq -s, 68)", {2}, upTo(68), 0, 0, 1, RESET_CAMERA, "columns.png", ""},
    GalleryRun{"--size 1 --shapes 24 --counts $(seq -s, 215)", {24}, upTo(215), 0, 0, 1, RESET_CAMERA, "", ""},
    GalleryRun{"--size 1 --shapes 24 --counts $(seq -s, 228)", {24}, upTo(228), 0, 0, 1, RESET_CAMERA, "", "the contact sheet's cells are 31 pixels wide, too narrow for the captions (34 at least), so they are left out"},
    GalleryRun{"--size 1 --shapes 24 --counts $(seq -s, 275)", {24}, upTo(275), 0, 0, 1, RESET_CAMERA, "", "the contact sheet's cells are 25 pixels wide, too narrow for the captions (34 at least), so they are left out"},
    GalleryRun{"--size 1 --shapes 24 --counts $(seq -s, 1000)", {24}, upTo(1000), 0, 0, 1, RESET_CAMERA, "thousand.png", "the contact sheet's cells are 4 pixels wide, too narrow for the captions (34 at least), so they are left out"},
    GalleryRun{"--size 1 --counts $(seq -s, 89)", {}, upTo(89), 0, 0, 1, RESET_CAMERA, "", ""},
    GalleryRun{"--size 1 --counts $(seq -s, 90)", {}, upTo(90), 0, 0, 1, RESET_CAMERA, "", "the contact sheet leaves out its text, which would make it taller than 8192 pixels"}),
    [](const auto& row) { return std::to_string(row.param.shapes.empty() ? 28 : row.param.shapes.size()) + "x" + std::to_string(row.param.counts.size()); });
// clang-format on

// Every kind of caption at each count where what is drawn changes, equal and
// unequal both ways round: the GLU shapes, the closed cylinder with its caps'
// counts swapped, and the GLUT sphere, cone and torus drawn or left out, for
// counts below 1 or past what freeglut can draw. The sheets stacked are as
// their reference.
TEST_F(Gallery, CaptionsAtEveryEdgeCount)
{
    std::vector<GalleryRun> runs;
    for (const auto& [s, t] : EDGE_COUNTS)
        runs.push_back({"--size 1 --shapes 10,20,22,26 --keys " + keysFor(s, t), {10, 20, 22, 26}, {}, s, t, 1,
                        RESET_CAMERA, "", ""});
    ASSERT_NO_FATAL_FAILURE(expectRuns(runs, "edges.png"));
}

// Every shape at a count where what is drawn changes, small.
class EdgeCounts : public Gallery, public testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(EdgeCounts, EveryShapeAsTheFloorDrawsIt)
{
    const auto [s, t] = GetParam();
    ASSERT_NO_FATAL_FAILURE(
        expectRuns({{"--size 64 --keys " + keysFor(s, t), {}, {}, s, t, 64, RESET_CAMERA, "", ""}}));
}

INSTANTIATE_TEST_SUITE_P(Gallery, EdgeCounts, testing::ValuesIn(EDGE_COUNTS), [](const auto& row) {
    const auto name = [](int n) { return (n < 0 ? "minus" : "") + std::to_string(std::abs(n)); };
    return name(row.param.first) + "x" + name(row.param.second);
});

// The record: for each command, what it prints, how it ends and what it
// leaves behind in its scratch folder: the command line's forms and refusals,
// the text of --help, planted links, lost readers, full disks, a picture that
// cannot be written, the ending signals and the memory cap. The gallery is $G
// and the memory cap $CAP (none under the sanitizers).
const fs::path RECORD = REFERENCES / "commands.txt";

// The record's commands, the lines after "$ ", read as the tests are listed.
std::vector<std::string> recordedCommands()
{
    std::vector<std::string> commands;
    std::ifstream file(RECORD);
    for (std::string line; std::getline(file, line);) {
        if (line.rfind("$ ", 0) == 0)
            commands.push_back(line.substr(2));
    }
    return commands;
}

class Command : public Gallery, public testing::WithParamInterface<std::string> {
protected:
    // What the record says of one run of the command.
    std::string entry();
};

std::string Command::entry()
{
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    const std::string status = run(GetParam());
    // getopt_long names the program as it was called.
    for (std::size_t at; (at = err.find(VARENTHE_GALLERY)) != std::string::npos;)
        err.replace(at, std::strlen(VARENTHE_GALLERY), "varenthe-gallery");
    const auto indented = [](const std::string& text) {
        std::string result;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);)
            result += "  " + line + "\n";
        return result;
    };
    std::string seen = "$ " + GetParam() + "\n" + status + "\nstandard output:\n" + indented(out) +
                       "standard error:\n" + indented(err) + "files:\n";
    std::set<std::string> names;
    std::error_code failure;
    for (const auto& file : fs::directory_iterator(scratch / "pics", failure))
        names.insert(file.path().filename());
    const fs::perms usual = fs::status(scratch / "out").permissions();
    // A signal may come just after a picture was named, or just before.
    const bool killed = status.rfind("killed", 0) == 0;
    seen += killed ? "  whole pictures only, if any:\n" : "";
    for (const std::string& name : names) {
        const fs::path path = scratch / "pics" / name;
        const std::string whole = fs::is_regular_file(fs::symlink_status(path)) ? contents(path) : "";
        const bool readable = fs::status(path).permissions() == usual;
        if (killed && !whole.empty() && readable)
            continue;
        seen += "  " + name +
                (fs::is_symlink(path)     ? " -> " + fs::read_symlink(path).string()
                 : fs::is_directory(path) ? "/"
                 : whole.empty() ? ": not a whole " + std::string(path.extension() == ".png" ? "PNG picture" : "file")
                                 : ": " + whole + (readable ? "" : ", not as readable as the user's files")) +
                "\n";
    }
    seen += fs::is_directory(scratch / "pics") ? ""
            : fs::exists(scratch / "pics")     ? "  pics is a file\n"
                                               : "  no pics folder\n";
    return seen + (fs::exists(scratch / "target") ? "target: " + readText(scratch / "target") : "");
}

// In update mode each command's entry is written in place, the record locked
// meanwhile against the other commands' tests.
TEST_P(Command, AsRecorded)
{
    for (const bool writing : PASSES) {
        const std::string seen = entry();
        const int lock = open(RECORD.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_EQ(flock(lock, LOCK_EX), 0) << RECORD;
        std::string record = readText(RECORD);
        const std::size_t start = record.find("$ " + GetParam() + "\n");
        const std::size_t end = std::min(record.find("\n$ ", start), record.size() - 1) + 1;
        if (writing && start != std::string::npos)
            std::ofstream(RECORD) << record.replace(start, end - start, seen);
        close(lock);
        if (!writing) {
            EXPECT_EQ(seen, start == std::string::npos ? "" : record.substr(start, end - start));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Gallery, Command, testing::ValuesIn(recordedCommands()));

} // namespace
