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

#include <cfloat>
#include <climits>
#include <cstring>
#include <regex>
#include <set>
#include <sstream>

namespace {

// One run of the gallery, and what it should draw and say.
struct GalleryRun {
    std::string args;
    int size;
    std::string reference; // the sheet's, if any
    std::string warning;   // on standard error, if any
};

class Gallery : public GalleryScratch {
protected:
    // Each run lists its pictures, then the sheet and the card, as
    // tests/reference/lists.txt records, and every picture is the frame that
    // the floor draws at the counts and camera listed. Each sheet is within
    // the manual's bound and as its reference, or the sheets stacked one above
    // the other as one reference.
    void expectRuns(const std::vector<GalleryRun>& runs, const std::string& stackedReference = "");
};

void Gallery::expectRuns(const std::vector<GalleryRun>& runs, const std::string& stackedReference)
{
    for (const bool writing : PASSES) {
        Image stack;
        for (const GalleryRun& r : runs) {
            ASSERT_EQ(run("$G pics " + r.args), "exit 0") << r.args << ": " << err;
            EXPECT_EQ(err, r.warning.empty() ? "" : "varenthe-gallery: warning: " + r.warning + "\n") << r.args;
            ASSERT_NO_FATAL_FAILURE(expectRecorded(r.args, "$ " + r.args + "\n" + out, "lists.txt", writing));
            std::istringstream lines(out);
            for (std::string line; std::getline(lines, line);) {
                int id = 0, s = 0, t = 0;
                float d = 0, e = 0, a = 0, w = 0;
                if (std::sscanf(line.c_str(), "%d-%*[^\t]\t%*[^\t]\t%d\t%d\tCamera: d: %f, e:%f, a:%f, t:%f", &id, &s,
                                &t, &d, &e, &a, &w) == 7) {
                    const std::string name = line.substr(0, line.find('\t'));
                    EXPECT_EQ(differences(picture("pics/" + name), floorPicture(id, s, t, {d, e, a, w}, r.size, true)),
                              "")
                        << name << " of " << r.args;
                }
            }
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
    // clang-format off
    ASSERT_NO_FATAL_FAILURE(expectRuns({
        {"", 250, "default.png", ""},
        {"--keys=ssstttttXXXWWyz", 250, "", ""},
        {"--sh 20-23,26,27 --counts 1,254,255,256,257", 250, "table.png", ""},
        {"--size 1 --shapes 24,25 --keys oxyw$(printf '%600s' | tr ' ' z)", 1, "narrow.png", ""},
        {"--shapes 21 --counts $(seq -s, 33)", 250, "shrunk.png", ""},
        {"--shapes 20-27 --keys $(printf '%40000s' | tr ' ' S)$(printf '%40000s' | tr ' ' T)", 250, "", ""},
        {"--size 1000 --shapes 7,20 --keys o$(printf '%45s' | tr ' ' W)", 1000, "", ""},
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

// Shapes by counts.
const char* const TABLES[] = {"1x1", "1x68", "1x215", "1x228", "1x275", "1x1000", "28x89", "28x90"};

// clang-format off
INSTANTIATE_TEST_SUITE_P(Gallery, Table, testing::Values(
    GalleryRun{"--size 1 --shapes 21 --counts 1000", 1, "", ""},
    GalleryRun{"--size 1 --shapes 2 --counts $(seq -s, 68)", 1, "columns.png", ""},
    GalleryRun{"--size 1 --shapes 24 --counts $(seq -s, 215)", 1, "", ""},
    GalleryRun{"--size 1 --shapes 24 --counts $(seq -s, 228)", 1, "", "the contact sheet's cells are 31 pixels wide, too narrow for the captions (34 at least), so they are left out"},
    GalleryRun{"--size 1 --shapes 24 --counts $(seq -s, 275)", 1, "", "the contact sheet's cells are 25 pixels wide, too narrow for the captions (34 at least), so they are left out"},
    GalleryRun{"--size 1 --shapes 24 --counts $(seq -s, 1000)", 1, "thousand.png", "the contact sheet's cells are 4 pixels wide, too narrow for the captions (34 at least), so they are left out"},
    GalleryRun{"--size 1 --counts $(seq -s, 89)", 1, "", ""},
    GalleryRun{"--size 1 --counts $(seq -s, 90)", 1, "", "the contact sheet leaves out its text, which would make it taller than 8192 pixels"}),
    [](const auto& row) { return TABLES[row.index]; });
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
        runs.push_back({"--size 1 --shapes 10,20,22,26 --keys " + keysFor(s, t), 1, "", ""});
    ASSERT_NO_FATAL_FAILURE(expectRuns(runs, "edges.png"));
}

// Every shape at a count where what is drawn changes, small.
class EdgeCounts : public Gallery, public testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(EdgeCounts, EveryShapeAsTheFloorDrawsIt)
{
    const auto [s, t] = GetParam();
    ASSERT_NO_FATAL_FAILURE(expectRuns({{"--size 64 --keys " + keysFor(s, t), 64, "", ""}}));
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

TEST_P(Command, AsRecorded)
{
    for (const bool writing : PASSES)
        ASSERT_NO_FATAL_FAILURE(expectRecorded(GetParam(), entry(), "commands.txt", writing));
}

INSTANTIATE_TEST_SUITE_P(Gallery, Command, testing::ValuesIn(recordedCommands()));

} // namespace
