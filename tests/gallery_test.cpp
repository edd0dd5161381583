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

namespace {

// The arguments of one run of the gallery, and the reference of its sheet, if any.
using GalleryRun = std::pair<std::string, std::string>;

class Gallery : public GalleryScratch {
protected:
    // Each run lists its pictures, then the sheet and the card, and warns as
    // tests/reference/lists.txt records, and every picture is the frame that
    // the floor draws at the counts and camera listed. Each sheet is within
    // the manual's bound and as its reference, or the sheets stacked one above
    // the other as one reference.
    void expectRuns(const std::vector<GalleryRun>& runs, const std::string& stackedReference = "")
    {
        for (const bool writing : PASSES) {
            Image stack;
            for (const auto& [args, reference] : runs) {
                ASSERT_EQ(run("$G pics " + args), "exit 0") << args << ": " << err;
                ASSERT_NO_FATAL_FAILURE(expectRecorded(args, "$ " + args + "\n" + out + err, "lists.txt", writing));
                for (const std::string& line : split(out, '\n')) {
                    int id = 0, s = 0, t = 0;
                    float d = 0, e = 0, a = 0, w = 0;
                    if (std::sscanf(line.c_str(), "%d-%*[^\t]\t%*[^\t]\t%d\t%d\tCamera: d: %f, e:%f, a:%f, t:%f", &id,
                                    &s, &t, &d, &e, &a, &w) == 7) {
                        const std::string name = line.substr(0, line.find('\t'));
                        const Image seen = picture("pics/" + name);
                        EXPECT_EQ(differences(seen, floorPicture(id, s, t, {d, e, a, w}, seen.width, true)), "")
                            << name << " of " << args;
                    }
                }
                const Image sheet = picture("pics/contact-sheet.png");
                EXPECT_LE(std::max(sheet.width, sheet.height), 8192) << args;
                if (!reference.empty()) {
                    ASSERT_NO_FATAL_FAILURE(expectAsReference(sheet, reference, writing)) << args;
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
};

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
// no warning from it. Tables of one column to a thousand, and of all 28
// shapes, each within the manual's bound: from 216 columns on the cells are
// too narrow for captions, which are left out with a warning; past 89 columns
// of all 28 shapes the text would make the sheet too tall, and it is left out
// with a warning. The contact sheets, text and layout and all, are as their
// references.
TEST_F(Gallery, DrawsWhatTheFloorDraws)
{
    // clang-format off
    ASSERT_NO_FATAL_FAILURE(expectRuns({
        {"", "default.png"},
        {"--keys=ssstttttXXXWWyz", ""},
        {"--sh 20-23,26,27 --counts 1,254,255,256,257", "table.png"},
        {"--size 1 --shapes 24,25 --keys oxyw$(printf '%600s' | tr ' ' z)", "narrow.png"},
        {"--shapes 21 --counts $(seq -s, 33)", "shrunk.png"},
        {"--shapes 20-27 --keys $(printf '%40000s' | tr ' ' S)$(printf '%40000s' | tr ' ' T)", ""},
        {"--size 1000 --shapes 7,20 --keys o$(printf '%45s' | tr ' ' W)", ""},
        {"--size 1 --shapes 21 --counts 1000", ""},
        {"--size 1 --shapes 2 --counts $(seq -s, 68)", "columns.png"},
        {"--size 1 --shapes 24 --counts $(seq -s, 215)", ""},
        {"--size 1 --shapes 24 --counts $(seq -s, 228)", ""},
        {"--size 1 --shapes 24 --counts $(seq -s, 275)", ""},
        {"--size 1 --shapes 24 --counts $(seq -s, 1000)", "thousand.png"},
        {"--size 1 --counts $(seq -s, 89)", ""},
        {"--size 1 --counts $(seq -s, 90)", ""},
    }));
    // clang-format on
}

// Every kind of caption at each count where what is drawn changes, equal and
// unequal both ways round: the GLU shapes, the closed cylinder with its caps'
// counts swapped, and the GLUT sphere, cone and torus drawn or left out, for
// counts below 1 or past what freeglut can draw. The sheets stacked are as
// their reference. And every shape there, small.
TEST_F(Gallery, CaptionsAndShapesAtEveryEdgeCount)
{
    std::vector<GalleryRun> runs;
    for (const auto& [s, t] : EDGE_COUNTS) {
        runs.emplace_back("--size 1 --shapes 10,20,22,26 --keys " + keysFor(s, t), "");
        ASSERT_NO_FATAL_FAILURE(expectRuns({{"--size 64 --keys " + keysFor(s, t), ""}}));
    }
    ASSERT_NO_FATAL_FAILURE(expectRuns(runs, "edges.png"));
}

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
    for (const std::string& line : split(readText(RECORD), '\n')) {
        if (line.rfind("$ ", 0) == 0)
            commands.push_back(line.substr(2));
    }
    return commands;
}

class Command : public Gallery, public testing::WithParamInterface<std::string> {
protected:
    // What the record says of one run of the command.
    std::string entry()
    {
        fs::remove_all(scratch);
        fs::create_directories(scratch);
        const std::string status = run(GetParam());
        // getopt_long names the program as it was called.
        for (std::size_t at; (at = err.find(VARENTHE_GALLERY)) != std::string::npos;)
            err.replace(at, std::strlen(VARENTHE_GALLERY), "varenthe-gallery");
        // Each line indented, the last one ended.
        const auto indented = [](const std::string& text) {
            return std::regex_replace(text.empty() || text.back() == '\n' ? text : text + "\n", std::regex("(.*)\n"),
                                      "  $1\n");
        };
        std::string seen = "$ " + GetParam() + "\n" + status + "\nstandard output:\n" + indented(out) +
                           "standard error:\n" + indented(err) + "files:\n";
        std::set<std::string> names;
        std::error_code failure;
        for (const auto& file : fs::directory_iterator(scratch / "pics", failure))
            names.insert(file.path().filename());
        // A signal may come just after a picture was named, or just before.
        const bool killed = status.rfind("killed", 0) == 0;
        seen += killed ? "  whole pictures only, if any:\n" : "";
        for (const std::string& name : names) {
            const fs::path path = scratch / "pics" / name;
            const std::string whole = fs::is_regular_file(fs::symlink_status(path)) ? contents(path) : "";
            if (killed && !whole.empty())
                continue;
            seen +=
                "  " + name +
                (fs::is_symlink(path)     ? " -> " + fs::read_symlink(path).string()
                 : fs::is_directory(path) ? "/"
                 : whole.empty() ? ": not a whole " + std::string(path.extension() == ".png" ? "PNG picture" : "file")
                                 : ": " + whole) +
                "\n";
        }
        seen += fs::is_directory(scratch / "pics") ? ""
                : fs::exists(scratch / "pics")     ? "  pics is a file\n"
                                                   : "  no pics folder\n";
        return seen + (fs::exists(scratch / "target") ? "target: " + readText(scratch / "target") : "");
    }
};

TEST_P(Command, AsRecorded)
{
    for (const bool writing : PASSES)
        ASSERT_NO_FATAL_FAILURE(expectRecorded(GetParam(), entry(), "commands.txt", writing));
}

INSTANTIATE_TEST_SUITE_P(Gallery, Command, testing::ValuesIn(recordedCommands()));

} // namespace
