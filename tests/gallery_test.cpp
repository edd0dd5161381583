// The gallery as a program on the test's own X server, run through bash in a
// scratch folder, its pictures read back from the PNG files it writes and
// compared whole with the frames that the floor draws.

#include "edge_counts.h"
#include "pixels.h"

#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

namespace fs = std::filesystem;

namespace {

class Gallery : public testing::Test {
protected:
    // Each test is a process of its own under ctest, so the process id keeps them apart.
    Gallery()
    {
        fs::create_directories(scratch);
        // The sanitizer build preloads Mesa's driver into every process, at a
        // quarter of a second each; of the scripts' processes only the gallery draws.
        const char* preload = std::getenv("LD_PRELOAD");
        setenv("G",
               ((preload != nullptr ? "env LD_PRELOAD=" + std::string(preload) + " " : "") + VARENTHE_GALLERY).c_str(),
               1);
        unsetenv("LD_PRELOAD");
    }
    ~Gallery() override { fs::remove_all(scratch); }

    // Runs the script in the scratch folder, with the gallery as $G; its
    // exit status, or 128 and the signal that ended it, with its standard
    // output and error in out and err.
    int run(const std::string& script)
    {
        std::ofstream(scratch / "script") << "cd '" << scratch.string() << "'\n{\n" << script << "\n} >out 2>err\n";
        const int status = std::system(("bash -o pipefail '" + (scratch / "script").string() + "'").c_str());
        std::ifstream outFile(scratch / "out"), errFile(scratch / "err");
        out.assign(std::istreambuf_iterator<char>(outFile), {});
        err.assign(std::istreambuf_iterator<char>(errFile), {});
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    // Empty unless the file is a whole PNG picture.
    Image picture(const std::string& path)
    {
        png_image reader{};
        reader.version = PNG_IMAGE_VERSION;
        png_image_begin_read_from_file(&reader, (scratch / path).c_str());
        reader.format = PNG_FORMAT_RGB;
        std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(reader));
        if (png_image_finish_read(&reader, nullptr, rgb.data(), 0, nullptr) == 0)
            return {};
        Image image{static_cast<int>(reader.width), static_cast<int>(reader.height), {}};
        image.pixels.resize(rgb.size() / 3);
        for (std::size_t byte = 0; byte < rgb.size(); byte += 3)
            image.pixels[byte / 3] = {rgb[byte], rgb[byte + 1], rgb[byte + 2]};
        return image;
    }

    const fs::path scratch = fs::path(testing::TempDir()) / ("varenthe-gallery-" + std::to_string(getpid()));
    std::string out;
    std::string err;
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

// The sheet holds the picture with its top left corner at (left, top).
bool onSheet(const Image& sheet, const Image& tile, int left, int top)
{
    bool held = tile.width > 0 && left + tile.width <= sheet.width && top + tile.height <= sheet.height;
    for (int y = 0; y < tile.height && held; ++y)
        held = std::memcmp(&tile.pixels[std::size_t(y) * tile.width], &sheet.pixels[(top + y) * sheet.width + left],
                           sizeof(Rgb) * tile.width) == 0;
    return held;
}

// Every picture is the frame the floor draws at the counts and camera that the
// keys or the counts give, listed on its own line with its name, label, counts
// and camera; the GLUT sphere, cone and torus are left out past what freeglut
// can draw, with no warning from it.
TEST_F(Gallery, DrawsWhatTheFloorDraws)
{
    struct Run {
        std::string args;
        std::vector<int> shapes;
        std::vector<int> counts; // n x n each, or none for the counts the keys left
        int slices, stacks, size;
        FloorCamera camera;
        // Pictures and where their top left corner sits on the sheet: below
        // the camera line, in pairs, wire above solid, seven pairs to a row
        // pair, or in a table, a shape to a row under the column heads, each
        // row over its captions, with borders of 4.
        std::vector<std::tuple<const char*, int, int>> tiles;
    };
    std::vector<Run> runs = {
        // clang-format off
        {"--keys=ssstttttXXXWWyz", {}, {}, 7, 5, 250, {5.8f, 43.0f, -27.0f, 4.0f},
         {{"21-glut-solidsphere.png", 4 + 5 * 254, 20 + 337}, {"24-glut-wirecube.png", 4, 20 + 2 * 337}}},
        {"--sh 20-23,26,27 --counts 1,254,255,256,257", {20, 21, 22, 23, 26, 27}, {1, 254, 255, 256, 257}, 0, 0, 250, RESET_CAMERA,
         {{"20-glut-wiresphere-1x1.png", 4, 52}, {"21-glut-solidsphere-255x255.png", 4 + 2 * 254, 52 + 289}}},
        {"--shapes 20-27 --keys $(printf '%40000s' | tr ' ' S)$(printf '%40000s' | tr ' ' T)", {20, 21, 22, 23, 24, 25, 26, 27}, {}, 40010, 40010, 250, RESET_CAMERA, {}},
        {"--size 1000 --shapes 7,20 --keys o" + std::string(45, 'W'), {7, 20}, {}, 10, 10, 1000, {6, 0, 0, 90}, {}},
        // clang-format on
    };
    // Every shape at every count where what is drawn changes, small.
    for (const auto& [s, t] : EDGE_COUNTS) {
        const auto keys = [](int count, char up, char down) {
            return std::string(std::abs(count - 10), count > 10 ? up : down);
        };
        runs.push_back(
            {"--size 64 --keys " + keys(s, 'S', 's') + keys(t, 'T', 't'), {}, {}, s, t, 64, RESET_CAMERA, {}});
    }
    for (const auto& r : runs) {
        ASSERT_EQ(run("$G pics " + r.args), 0) << r.args << ": " << err;
        EXPECT_EQ(err, "") << r.args;
        char camera[128];
        std::snprintf(camera, sizeof camera, "Camera: d: %f, e:%f, a:%f, t:%f\n", r.camera.distance, r.camera.elevation,
                      r.camera.azimuth, r.camera.twist);
        std::string expected;
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
        EXPECT_EQ(out.substr(0, expected.size()), expected);
        EXPECT_EQ(out.substr(expected.size()).rfind("contact-sheet.png\tcontact sheet\t", 0), 0U) << out;
        const Image sheet = picture("pics/contact-sheet.png");
        for (const auto& [name, left, top] : r.tiles)
            EXPECT_TRUE(onSheet(sheet, picture("pics/" + std::string(name)), left, top)) << name << " on the sheet";
        // The captions are light on grey.
        for (int n = 0; n < 2 && &r == &runs[0]; ++n) {
            int lit = 0;
            for (int i = 0; i < 250 * 16; ++i)
                lit += sheet.at(4 + 5 * 254 * n + i % 250, 4 + (20 + 337 + 246) * n + i / 250).r == 0xf0 ? 1 : 0;
            EXPECT_GT(lit, 50) << "text in caption " << n;
        }
        fs::remove_all(scratch / "pics");
    }
}

// The command line forms that the manual gives are taken, and any other is
// refused with a message and status 2 before anything is written, the folder
// not even made; the largest size and count pass, one more does not. Whoever
// reads the list, whatever waits under the names, however many and large the
// pictures: each picture is complete or absent, no one else's file is
// written, and the sheet keeps within 8192 pixels a side and memory within one
// picture and the sheet.
TEST_F(Gallery, TakesItsCommandLineAndKeepsItsPicturesWholeAndItsOwn)
{
    const std::string g = "$G pics ";
    const struct {
        std::string script;
        int status;
        const char* err;
        int pictures; // -1: any number; 0: not even the folder
    } cases[] = {
        // clang-format off
        {g + "--size 0", 2, "Try", 0}, {g + "--size 4097", 2, "Try", 0}, {g + "--size=25O", 2, "Try", 0},
        {g + "--shapes 20-38", 2, "Try", 0}, {g + "--shapes ''", 2, "Try", 0}, {g + "--shapes 21,,27", 2, "Try", 0},
        {g + "--counts 3,1001", 2, "Try", 0}, {g + "--counts 0", 2, "Try", 0}, {g + "--keys $'o\\e'", 2, "Try", 0},
        {g + "--colour red", 2, "Try", 0}, {g + "-x", 2, "Try", 0}, {g + "--size", 2, "Try", 0},
        {g + "dir2", 2, "Try", 0}, {g + "--shapes 21,20-22", 2, "Try", 0}, {"env -u DISPLAY " + g, 1, "DISPLAY", 0},
        {"touch pics; " + g, 1, "cannot create", -1},
        {g + "--help", 0, "", 0}, {g + "-h", 0, "", 0},
        {g + "--size=4096 --counts 1,1000 -h", 0, "", 0}, {g + "--sh=24 --counts 1,3", 0, "", 3},
        {g + "<&- >&- 2>&- --shapes 2", 0, "", 2},
        // Links planted under the names the gallery once used, and under a final name.
        {"echo mine >target; mkdir pics; for n in 21-glut-solidsphere.png contact-sheet.png; do\n"
         "ln -s ../target pics/.$n.$$.part; done; ln -s ../target pics/21-glut-solidsphere.png\n"
         "exec " + g + "--shapes 21", 0, "", 2},
        {g + "--shapes 20-23 | head -n 1", 1, "Broken pipe", 5}, {g + "--shapes 20-23 >/dev/full", 1, "No space left on device", 5},
        // Stopped while it writes its first picture.
        {g + "--size 4096 --shapes 20-27 & until compgen -G 'pics/.2*' || ! kill -0 $!; do :; done; kill -TERM $!; wait $!", 143, "", -1},
        {VARENTHE_MEMORY_CAP " " + g + "--size 600 --shapes 21 --counts $(seq -s, 40)", 0, "", 41},
        // clang-format on
    };
    std::error_code failure;
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.script), c.status) << c.script;
        EXPECT_TRUE(err.find(c.err) != std::string::npos && err.empty() == (*c.err == '\0')) << c.script << ": " << err;
        std::ifstream target(scratch / "target");
        EXPECT_TRUE(!target || std::string(std::istreambuf_iterator<char>(target), {}) == "mine\n");
        int pictures = 0;
        for (const auto& entry : fs::directory_iterator(scratch / "pics", fs::directory_options::none, failure)) {
            const std::string name = entry.path().filename();
            const Image image = picture("pics/" + name);
            // As readable as any file the user makes, such as the shell's out.
            const fs::perms usual = fs::status(scratch / "out").permissions();
            EXPECT_TRUE((name[0] != '.' && image.width > 0 && fs::status(entry).permissions() == usual) ||
                        fs::is_symlink(entry))
                << name << " left incomplete, temporary or private by " << c.script;
            EXPECT_LE(std::max(image.width, image.height), 8192) << name;
            pictures += name[0] != '.' ? 1 : 0;
        }
        EXPECT_TRUE(c.pictures < 0 || pictures == c.pictures) << pictures << " pictures after " << c.script;
        EXPECT_EQ(fs::exists(scratch / "pics"), c.pictures != 0) << c.script;
        fs::remove_all(scratch / "pics");
    }
}

} // namespace
