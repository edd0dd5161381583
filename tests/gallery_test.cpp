// The gallery as a program on the test's own X server, its pictures read back
// from the PNG files it writes.

#include "pixels.h"

#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

namespace fs = std::filesystem;

class Gallery : public testing::Test {
protected:
    // Each test is a process of its own under ctest, so the process id keeps them apart.
    Gallery() { fs::create_directories(scratch); }
    ~Gallery() override { fs::remove_all(scratch); }

    // Through the shell into scratch/dir, with `environment` for env(1); the
    // exit status, with standard output and error left in out and err.
    int gallery(const std::string& args, const std::string& dir, const std::string& environment = "")
    {
        const std::string command = "env " + environment + " '" + VARENTHE_GALLERY + "' " + args + " '" +
                                    (scratch / dir).string() + "' >'" + (scratch / "out").string() + "' 2>'" +
                                    (scratch / "err").string() + "'";
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

    const fs::path scratch = fs::path(testing::TempDir()) / ("varenthe-gallery-" + std::to_string(getpid()));
    std::string out;
    std::string err;
};

// The sheet holds the tile with its top left corner at (left, top).
static bool onSheet(const Image& sheet, const Image& tile, int left, int top)
{
    bool held = tile.width > 0 && left + tile.width <= sheet.width && top + tile.height <= sheet.height;
    for (int y = 0; y < tile.height && held; ++y)
        held = std::memcmp(&tile.pixels[std::size_t(y) * tile.width], &sheet.pixels[(top + y) * sheet.width + left],
                           sizeof(Rgb) * tile.width) == 0;
    return held;
}

// Nothing is written, and the directory not even made, unless every picture can be.
TEST_F(Gallery, RefusesABadCommandLineBeforeWritingAnything)
{
    const std::tuple<const char*, int, const char*> cases[] = {
        {"--size 0", 2, ""},     {"--size 4097", 2, ""},     {"--size 25O", 2, ""},   {"--shapes 20-38", 2, ""},
        {"--shapes ''", 2, ""},  {"--shapes 21,,27", 2, ""}, {"--counts 3,x", 2, ""}, {"--keys 'o\033'", 2, ""},
        {"--colour red", 2, ""}, {"--help", 0, ""},          {"", 1, "-u DISPLAY"},
    };
    for (const auto& [args, status, environment] : cases) {
        EXPECT_EQ(gallery(args, "pictures", environment), status) << args;
        EXPECT_EQ(err.empty(), status == 0) << args << ": " << err;
        EXPECT_FALSE(fs::exists(scratch / "pictures")) << args;
    }
}

// The grey pixels of a shape at the reset camera with 7 slices and 4 stacks, so
// that counts swapped anywhere show: the box around them (left, top, right,
// bottom), how many there are, their mean level in tenths (which flat normals
// shift), and how many pixels the coloured axes keep.
using Look = std::array<int, 7>;

static Look lookOf(const Image& image)
{
    Look look{image.width, image.height, -1, -1, 0, 0, 0};
    long sum = 0;
    for (int i = 0; i < image.width * image.height; ++i) {
        const Rgb p = image.pixels[static_cast<std::size_t>(i)];
        const bool grey = p.r == p.g && p.g == p.b && p.r > 0;
        const int x = i % image.width, y = i / image.width;
        if (grey)
            look = {std::min(look[0], x),
                    std::min(look[1], y),
                    std::max(look[2], x),
                    std::max(look[3], y),
                    look[4] + 1,
                    0,
                    look[6]};
        sum += grey ? p.r : 0;
        look[6] += p.r != p.g || p.g != p.b ? 1 : 0;
    }
    look[5] = look[4] > 0 ? static_cast<int>(10 * sum / look[4]) : 0;
    return look;
}

// The named shapes, one picture per count, after the keys, at a size beyond the
// test's X screen of 1280 x 1024: a twist of 90 turns the scene clockwise, and
// the partial disk's gap, between +Y and +X, with it.
TEST_F(Gallery, DrawsTheNamedShapesAtEachCountAfterTheKeysAtAnySize)
{
    ASSERT_EQ(gallery("--size 1500 --keys o" + std::string(45, 'W') + " --shapes 7,20-21 --counts 3,20", "table"), 0)
        << err;
    // Two pictures of each of the three shapes and the sheet, nothing else, no temporary file left.
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch / "table"), {}), 7);
    EXPECT_NE(out.find("\n21-glut-solidsphere-3x3.png\tGLUT_SOLIDSPHERE\t3\t3\t"
                       "Camera: d: 6.000000, e:0.000000, a:0.000000, t:90.000000\n"),
              std::string::npos)
        << out;
    EXPECT_NE(lookOf(picture("table", "21-glut-solidsphere-3x3.png")),
              lookOf(picture("table", "21-glut-solidsphere-20x20.png")));
    EXPECT_EQ(failedProbes(picture("table", "07-glu-partialdisk-solid-20x20.png"),
                           {{"upper right quarter", 900, 600, GREY_FACING, 12, 0},
                            {"lower right quarter", 900, 900, BLACK, 0, 0},
                            {"lower left quarter", 600, 900, GREY_FACING, 12, 0}}),
              "");
}

// Every shape, by default seven pairs to a row pair of the sheet, wire above
// solid, looks as it did when the viewer was known to be right.
TEST_F(Gallery, DrawsEveryShapeAsTheViewerDoes)
{
    const std::pair<int, Look> shapes[] = {
        {2, {27, 78, 171, 220, 1622, 768, 573}},   {3, {28, 79, 171, 220, 13870, 957, 293}},
        {4, {85, 78, 171, 163, 971, 1210, 543}},   {5, {86, 79, 171, 163, 4482, 1210, 463}},
        {6, {83, 78, 174, 163, 737, 1210, 517}},   {7, {83, 78, 174, 163, 3137, 1210, 493}},
        {8, {90, 91, 158, 161, 864, 734, 569}},    {9, {90, 91, 157, 160, 3637, 616, 423}},
        {10, {27, 78, 174, 220, 3475, 1022, 402}}, {11, {28, 79, 174, 220, 13896, 1158, 289}},
        {20, {69, 72, 176, 180, 1308, 751, 574}},  {21, {70, 73, 175, 180, 8413, 387, 322}},
        {22, {90, 93, 157, 162, 699, 1023, 578}},  {23, {90, 94, 156, 162, 3117, 1486, 430}},
        {24, {82, 80, 164, 171, 465, 552, 594}},   {25, {83, 81, 164, 171, 4974, 310, 390}},
        {26, {67, 58, 194, 171, 1696, 716, 553}},  {27, {67, 58, 193, 170, 7738, 1030, 374}},
        {28, {66, 62, 184, 188, 964, 709, 576}},   {29, {66, 62, 183, 187, 11222, 792, 286}},
        {30, {96, 96, 157, 148, 422, 470, 588}},   {31, {97, 96, 156, 148, 2216, 310, 447}},
        {32, {98, 93, 157, 149, 239, 1280, 592}},  {33, {99, 94, 156, 149, 1578, 1750, 479}},
        {34, {94, 89, 157, 160, 737, 646, 561}},   {35, {94, 89, 156, 160, 3201, 338, 427}},
        {36, {81, 95, 187, 164, 4049, 713, 412}},  {37, {82, 96, 186, 163, 4290, 631, 401}},
    };
    ASSERT_EQ(gallery("--keys ssstttttt", "looks"), 0) << err;
    std::istringstream lines(out);
    for (const auto& [shape, want] : shapes) {
        std::string name, rest;
        std::getline(lines, name, '\t');
        std::getline(lines, rest);
        const Look seen = lookOf(picture("looks", name));
        const Look tolerance{1, 1, 1, 1, want[4] / 50, 10, want[6] / 50};
        bool close = true;
        for (std::size_t i = 0; i < want.size(); ++i)
            close = close && std::abs(seen[i] - want[i]) <= tolerance[i];
        EXPECT_TRUE(close) << name << " (" << shape << "): box, pixels, level and axes expected "
                           << testing::PrintToString(want) << ", observed " << testing::PrintToString(seen);
    }
    // Below the camera line, rows of 250-pixel tiles over 5 caption lines of 16
    // pixels, set in 3 pixels, and borders of 4; the text is light on grey.
    const Image sheet = picture("looks", "contact-sheet.png");
    EXPECT_TRUE(onSheet(sheet, picture("looks", "21-glut-solidsphere.png"), 4 + 5 * 254, 20 + 337));
    EXPECT_TRUE(onSheet(sheet, picture("looks", "24-glut-wirecube.png"), 4, 20 + 2 * 337));
    for (const auto& [left, top] : {std::pair{4, 4}, {4 + 5 * 254, 20 + 337 + 250}}) {
        int lit = 0;
        for (int y = top; y < top + 16; ++y) {
            for (int x = left; x < left + 250; ++x)
                lit += sheet.at(x, y).r == 0xf0 ? 1 : 0;
        }
        EXPECT_GT(lit, 50) << "text at (" << left << ", " << top << ")";
    }
}

// However many and however large the pictures, the sheet keeps within 8192
// pixels a side, and memory within one picture and the sheet.
TEST_F(Gallery, ShrinksAnySheetWithinItsBound)
{
    std::string counts = "1";
    for (int count = 2; count <= 40; ++count)
        counts += "," + std::to_string(count);
    ASSERT_EQ(gallery("--size 1000 --shapes 21 --counts " + counts, "big", VARENTHE_MEMORY_CAP), 0) << err;
    const Image sheet = picture("big", "contact-sheet.png");
    EXPECT_TRUE(sheet.width > 4000 && sheet.width <= 8192 && sheet.height <= 8192)
        << sheet.width << " x " << sheet.height;
}
