// The gallery's pictures read back from the PNG files it writes and compared
// whole with the frames that the floor draws, and what it does at the command
// lines of a record.

#include "edge_counts.h"
#include "gallery_scratch.h"

#include <set>
#include <sstream>

namespace {

// One run of the gallery, and what it should draw and list.
struct GalleryRun {
    std::string args;
    std::vector<int> shapes;
    std::vector<int> counts; // n x n each, or none for the counts the keys left
    int slices, stacks, size;
    FloorCamera camera;
    std::string reference; // the sheet's, if any
};

std::vector<int> upTo(int last)
{
    std::vector<int> counts;
    for (int n = 1; n <= last; ++n)
        counts.push_back(n);
    return counts;
}

class Gallery : public GalleryScratch {
protected:
    // Every picture of each run is the frame the floor draws, listed on its
    // own line, and the sheet's line last; the sheet is as its reference.
    void expectPictures(const std::vector<GalleryRun>& runs);
};

// "wire cylinder with top && bottom" gives "wire-cylinder-with-top-bottom".
std::string slug(std::string label)
{
    for (char& c : label)
        c = std::isalnum(static_cast<unsigned char>(c)) != 0 ? static_cast<char>(std::tolower(c)) : ' ';
    std::istringstream words(label);
    std::string result;
    for (std::string word; words >> word;)
        result += (result.empty() ? "" : "-") + word;
    return result;
}

// Reference files are kept in the source tree and made again, when a change
// is intended, by running the gallery tests with VARENTHE_UPDATE_REFERENCES=1:
//   VARENTHE_UPDATE_REFERENCES=1 ctest --test-dir build-test-gcc -L gallery
// and looking at what changed before committing it.
const fs::path REFERENCES = VARENTHE_REFERENCES;
const bool updating = std::getenv("VARENTHE_UPDATE_REFERENCES") != nullptr;

// Every picture is the frame the floor draws at the counts and camera that the
// keys or the counts give, listed on its own line with its name, label, counts
// and camera, and the sheet's line last; the GLUT sphere, cone and torus are
// left out past what freeglut can draw, with no warning from it. The contact
// sheets, text and layout and all, are as their references.
TEST_F(Gallery, DrawsWhatTheFloorDraws)
{
    const std::string longTrace = "oxyw" + std::string(600, 'z'), thirtyThree = "$(seq -s, 33)";
    const std::vector<GalleryRun> runs = {
        // clang-format off
        {"", {}, {}, 10, 10, 250, RESET_CAMERA, "default.png"},
        {"--keys=ssstttttXXXWWyz", {}, {}, 7, 5, 250, {5.8f, 43.0f, -27.0f, 4.0f}, ""},
        {"--sh 20-23,26,27 --counts 1,254,255,256,257", {20, 21, 22, 23, 26, 27}, {1, 254, 255, 256, 257}, 0, 0, 250, RESET_CAMERA, "table.png"},
        {"--size 1 --shapes 24,25 --keys " + longTrace, {24, 25}, {}, 10, 10, 1, {-113.999405f, 360, 360, 360}, "narrow.png"},
        {"--shapes 21 --counts " + thirtyThree, {21}, upTo(33), 0, 0, 250, RESET_CAMERA, "shrunk.png"},
        {"--size 1 --shapes 2 --counts $(seq -s, 68)", {2}, upTo(68), 0, 0, 1, RESET_CAMERA, "columns.png"},
        {"--shapes 20-27 --keys $(printf '%40000s' | tr ' ' S)$(printf '%40000s' | tr ' ' T)", {20, 21, 22, 23, 24, 25, 26, 27}, {}, 40010, 40010, 250, RESET_CAMERA, ""},
        {"--size 1000 --shapes 7,20 --keys o" + std::string(45, 'W'), {7, 20}, {}, 10, 10, 1000, {6, 0, 0, 90}, ""},
        // clang-format on
    };
    expectPictures(runs);
}

// Every shape at every count where what is drawn changes, small.
TEST_F(Gallery, DrawsEveryShapeAtEveryEdgeCount)
{
    std::vector<GalleryRun> runs;
    for (const auto& [s, t] : EDGE_COUNTS) {
        const auto keys = [](int count, char up, char down) {
            return std::string(std::abs(count - 10), count > 10 ? up : down);
        };
        runs.push_back(
            {"--size 64 --keys " + keys(s, 'S', 's') + keys(t, 'T', 't'), {}, {}, s, t, 64, RESET_CAMERA, ""});
    }
    expectPictures(runs);
}

void Gallery::expectPictures(const std::vector<GalleryRun>& runs)
{
    for (const auto& r : runs) {
        ASSERT_EQ(run("$G pics " + r.args), "exit 0") << r.args << ": " << err;
        EXPECT_EQ(err, "") << r.args;
        char camera[128];
        std::snprintf(camera, sizeof camera, "Camera: d: %f, e:%f, a:%f, t:%f\n", r.camera.distance, r.camera.elevation,
                      r.camera.azimuth, r.camera.twist);
        std::string expected, counts;
        for (int count : r.counts)
            counts += (counts.empty() ? "" : ",") + std::to_string(count);
        for (const Shape& shape : SHAPES) {
            if (!r.shapes.empty() && std::find(r.shapes.begin(), r.shapes.end(), shape.id) == r.shapes.end())
                continue;
            for (int count : r.counts.empty() ? std::vector<int>{0} : r.counts) {
                const int s = count > 0 ? count : r.slices, t = count > 0 ? count : r.stacks;
                char name[128];
                std::snprintf(name, sizeof name, count > 0 ? "%02d-%s-%dx%d.png" : "%02d-%s.png", shape.id,
                              slug(shape.label).c_str(), s, t);
                expected += std::string(name) + "\t" + shape.label + "\t" + std::to_string(s) + "\t" +
                            std::to_string(t) + "\t" + camera;
                // A line of the axes may fall on another pixel in a framebuffer than in a window.
                EXPECT_EQ(differences(picture("pics/" + std::string(name)),
                                      floorPicture(shape.id, s, t, r.camera, r.size), 4),
                          "")
                    << name << " of " << r.args;
            }
        }
        expected += "contact-sheet.png\tcontact sheet\t";
        expected.append(counts.empty() ? std::to_string(r.slices) : counts).append("\t");
        expected.append(counts.empty() ? std::to_string(r.stacks) : counts);
        // The card's line follows the sheet's, with its fields.
        const std::string sheetCounts = expected.substr(expected.rfind("sheet\t") + 5);
        expected.append("\t").append(camera).append("index.html\treference card").append(sheetCounts);
        EXPECT_EQ(out, expected.append("\t").append(camera)) << r.args;
        if (updating && !r.reference.empty())
            fs::copy_file(scratch / "pics/contact-sheet.png", REFERENCES / r.reference,
                          fs::copy_options::overwrite_existing);
        if (!r.reference.empty()) {
            EXPECT_EQ(differences(picture("pics/contact-sheet.png"), picture(REFERENCES / r.reference), 0), "")
                << "the contact sheet of " << r.args << " against " << r.reference;
        }
        fs::remove_all(scratch / "pics");
    }
}

// What a file that the gallery writes holds, or empty unless it is whole:
// a PNG picture's size, the pictures of a card, the lines of a program.
std::string contents(const fs::path& path)
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

// Each command of the record, run in a scratch folder of its own, prints,
// ends and leaves behind in it what the record says: the command line's forms
// and refusals, the text of --help, planted links, lost readers, full disks,
// a picture that cannot be written, the ending signals and a memory cap. The
// gallery is $G and the memory cap $CAP (none under the sanitizers).
TEST_F(Gallery, CommandsAsRecorded)
{
    const fs::path record = REFERENCES / "commands.txt";
    std::ifstream file(record);
    const std::string expected(std::istreambuf_iterator<char>(file), {});
    const auto indented = [](const std::string& text) {
        std::string result;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);)
            result += "  " + line + "\n";
        return result;
    };
    std::string seen;
    std::istringstream lines(expected);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("$ ", 0) != 0)
            continue;
        fs::remove_all(scratch);
        fs::create_directories(scratch);
        const std::string status = run(line.substr(2));
        seen += line + "\n";
        seen += status + "\nstandard output:\n";
        seen += indented(out) + "standard error:\n";
        // getopt_long names the program as it was called.
        for (std::size_t at; (at = err.find(VARENTHE_GALLERY)) != std::string::npos;)
            err.replace(at, std::strlen(VARENTHE_GALLERY), "varenthe-gallery");
        seen += indented(err) + "files:\n";
        std::set<std::string> names;
        std::error_code failure;
        for (const auto& entry : fs::directory_iterator(scratch / "pics", failure))
            names.insert(entry.path().filename());
        const fs::perms usual = fs::status(scratch / "out").permissions();
        // A signal may come just after a picture was named, or just before.
        const bool killed = status.rfind("killed", 0) == 0;
        seen += killed ? "  whole pictures only, if any:\n" : "";
        for (const std::string& name : names) {
            const fs::path path = scratch / "pics" / name;
            const std::string whole = fs::is_regular_file(fs::symlink_status(path)) ? contents(path) : "";
            if (killed && !whole.empty() && !fs::is_symlink(path) && fs::status(path).permissions() == usual)
                continue;
            std::ostringstream entry;
            if (fs::is_symlink(path))
                entry << " -> " << fs::read_symlink(path).string();
            else if (fs::is_directory(path))
                entry << "/";
            else if (whole.empty())
                entry << ": not a whole " << (path.extension() == ".png" ? "PNG picture" : "file");
            else
                entry << ": " << whole
                      << (fs::status(path).permissions() == usual ? "" : ", not as readable as the user's files");
            seen += "  " + name + entry.str() + "\n";
        }
        seen += fs::is_directory(scratch / "pics") ? ""
                : fs::exists(scratch / "pics")     ? "  pics is a file\n"
                                                   : "  no pics folder\n";
        std::ifstream target(scratch / "target");
        seen += target ? "target: " + std::string(std::istreambuf_iterator<char>(target), {}) : "";
    }
    if (updating)
        std::ofstream(record) << seen;
    EXPECT_EQ(seen, expected);
}

} // namespace
