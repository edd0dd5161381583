// The gallery as a program on the test's own X server, its pictures read back
// from the PNG files it writes.

#include "pixels.h"

#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

static bool operator==(const Rgb& a, const Rgb& b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

class Gallery : public testing::Test {
protected:
    // Each test is a process of its own under ctest, so the process id keeps them apart.
    Gallery() { fs::create_directories(scratch); }
    ~Gallery() override { fs::remove_all(scratch); }

    // Through the shell into scratch/dir, with `environment` for env(1); the
    // exit status, with standard output and error left in out and err.
    int gallery(const std::string& args, const std::string& dir, const std::string& environment = "")
    {
        const std::string command = "env " + environment + " LD_PRELOAD='" + VARENTHE_VIEWER_PRELOAD + "' '" +
                                    VARENTHE_GALLERY + "' " + args + " '" + (scratch / dir).string() + "' >'" +
                                    (scratch / "out").string() + "' 2>'" + (scratch / "err").string() + "'";
        const int status = std::system(command.c_str());
        std::ifstream outFile(scratch / "out"), errFile(scratch / "err");
        out.assign(std::istreambuf_iterator<char>(outFile), {});
        err.assign(std::istreambuf_iterator<char>(errFile), {});
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    Image picture(const std::string& dir, const std::string& name)
    {
        png_image reader{};
        reader.version = PNG_IMAGE_VERSION;
        // Without a file the size stays 0, and the read fails on the empty buffer.
        png_image_begin_read_from_file(&reader, (scratch / dir / name).c_str());
        reader.format = PNG_FORMAT_RGB;
        std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(reader));
        png_image_finish_read(&reader, nullptr, rgb.data(), 0, nullptr);
        Image image{static_cast<int>(reader.width), static_cast<int>(reader.height), {}};
        for (std::size_t byte = 0; byte < rgb.size(); byte += 3)
            image.pixels.push_back({rgb[byte], rgb[byte + 1], rgb[byte + 2]});
        return image;
    }

    long files(const std::string& dir) { return std::distance(fs::directory_iterator(scratch / dir), {}); }

    const fs::path scratch = fs::path(testing::TempDir()) / ("varenthe-gallery-" + std::to_string(getpid()));
    std::string out;
    std::string err;
};

// The sheet holds the tile with its top left corner at (left, top).
static bool onSheet(const Image& sheet, const Image& tile, int left, int top)
{
    bool held = tile.width > 0 && left + tile.width <= sheet.width && top + tile.height <= sheet.height;
    for (int y = 0; y < tile.height && held; ++y)
        held = std::equal(&tile.pixels[y * tile.width], &tile.pixels[(y + 1) * tile.width],
                          &sheet.pixels[(top + y) * sheet.width + left]);
    return held;
}

// By default as the viewer first shows them: seven pairs to a row pair, wire
// above solid. Larger pictures show the same scene, also beyond the test's X
// screen of 1280 x 1024.
TEST_F(Gallery, DrawsEveryShapeAsTheViewerShowsItAtAnySize)
{
    ASSERT_EQ(gallery("", "250"), 0) << err;
    EXPECT_EQ(files("250"), 29);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 29);
    const Image sheet = picture("250", "contact-sheet.png");
    const Image sphere = picture("250", "21-glut-solidsphere.png");
    EXPECT_TRUE(onSheet(sheet, sphere, 4 + 5 * 254, 4 + 254));
    EXPECT_TRUE(onSheet(sheet, picture("250", "24-glut-wirecube.png"), 4, 4 + 2 * 254));
    // The +Y axis leans towards the eye and leaves at the top edge; -Y stops short of the bottom.
    EXPECT_EQ(failedProbes(sphere, {{"Y axis", 125, 1, {0, 255, 0}, 100, 3}, {"under Y", 125, 246, BLACK, 0, 3}}), "");

    for (int scale : {2, 6}) {
        const std::string size = std::to_string(250 * scale);
        ASSERT_EQ(gallery("--size " + size + " --shapes 21", size), 0) << err;
        const Image large = picture(size, "21-glut-solidsphere.png");
        ASSERT_EQ(large.width * large.height, 250 * scale * 250 * scale);
        // Only where edges and the thin axes fall a fraction of a pixel apart (about 0.4 %).
        int differing = 0;
        for (int pixel = 0; pixel < 250 * 250; ++pixel) {
            const Rgb a = sphere.pixels[pixel];
            const Rgb b = large.at(pixel % 250 * scale + scale / 2, pixel / 250 * scale + scale / 2);
            differing += std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)}) > 60;
        }
        EXPECT_LT(differing, 250 * 250 / 100) << size;
    }
}

// One row per shape and one column per count on the sheet.
TEST_F(Gallery, DrawsTheNamedShapesAtEachCountAfterTheKeys)
{
    ASSERT_EQ(gallery("--keys o --shapes 24,20-21 --counts 3,20", "table"), 0) << err;
    // Two pictures of each of the three shapes and the sheet, nothing else, no temporary file left.
    EXPECT_EQ(files("table"), 7);
    EXPECT_NE(out.find("\n21-glut-solidsphere-3x3.png\tGLUT_SOLIDSPHERE\t3\t3\t"
                       "Camera: d: 6.000000, e:0.000000, a:0.000000, t:0.000000\n"), std::string::npos) << out;
    const Image cube = picture("table", "24-glut-wirecube-3x3.png");
    const Image sphere = picture("table", "21-glut-solidsphere-3x3.png");
    EXPECT_EQ(failedProbes(cube, originAxesProbes()), "");
    EXPECT_EQ(cube.pixels, picture("table", "24-glut-wirecube-20x20.png").pixels);
    const Image fineSphere = picture("table", "21-glut-solidsphere-20x20.png");
    EXPECT_TRUE(fineSphere.width == 250 && fineSphere.pixels != sphere.pixels);
    EXPECT_TRUE(onSheet(picture("table", "contact-sheet.png"), sphere, 4, 4 + 2 * 254));
}

// Nothing is written, and the directory not even made, unless every picture can be.
TEST_F(Gallery, RefusesABadCommandLineBeforeWritingAnything)
{
    struct Case { const char* args; int status; const char* environment; };
    const Case cases[] = {
        {"--size 0", 2, ""}, {"--size 4097", 2, ""}, {"--size 25O", 2, ""}, {"--shapes 20-38", 2, ""},
        {"--shapes ''", 2, ""}, {"--shapes 21,,27", 2, ""}, {"--counts 3,x", 2, ""}, {"--keys 'o\033'", 2, ""},
        {"--colour red", 2, ""}, {"--help", 0, ""}, {"", 1, "-u DISPLAY"},
    };
    for (const Case& row : cases) {
        EXPECT_EQ(gallery(row.args, "pictures", row.environment), row.status) << row.args;
        EXPECT_EQ(err.empty(), row.status == 0) << row.args << ": " << err;
        EXPECT_FALSE(fs::exists(scratch / "pictures")) << row.args;
    }
}
