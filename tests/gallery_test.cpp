// The gallery's pictures, read back from the PNG files it writes.

#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
    const unsigned char* at(int x, int y) const { return &rgb[static_cast<std::size_t>((y * width + x) * 3)]; }
};

Picture readPng(const fs::path& path)
{
    png_image reader{};
    reader.version = PNG_IMAGE_VERSION;
    Picture picture;
    if (png_image_begin_read_from_file(&reader, path.c_str()) == 0)
        return picture;
    reader.format = PNG_FORMAT_RGB;
    picture.rgb.resize(PNG_IMAGE_SIZE(reader));
    if (png_image_finish_read(&reader, nullptr, picture.rgb.data(), 0, nullptr) != 0) {
        picture.width = static_cast<int>(reader.width);
        picture.height = static_cast<int>(reader.height);
    }
    return picture;
}

std::string slurp(const fs::path& path)
{
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct GalleryRun {
    int status;
    std::string out;
    std::string err;
};

// Runs the gallery through the shell, with `environment` before it.
GalleryRun runGallery(const std::string& environment, const fs::path& dir, const fs::path& scratch)
{
    const std::string command = environment + " LD_PRELOAD='" + VARENTHE_VIEWER_PRELOAD + "' '" +
                                VARENTHE_GALLERY + "' '" + dir.string() + "' >'" + (scratch / "out").string() +
                                "' 2>'" + (scratch / "err").string() + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(scratch / "out"), slurp(scratch / "err")};
}

class Gallery : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/varenthe-gallery-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        scratch = pattern;
    }
    void TearDown() override { fs::remove_all(scratch); }
    fs::path scratch;
};

TEST_F(Gallery, SaysPlainlyThatItNeedsADisplay)
{
    const GalleryRun run = runGallery("env -u DISPLAY", scratch / "pictures", scratch);
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("needs an X display"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("freeglut"), std::string::npos) << "GLUT was started: " << run.err;
    EXPECT_FALSE(fs::exists(scratch / "pictures"));
}

// Every shape at the reset camera, right way up, all different, and the contact
// sheet holding each one in its cell: seven shapes to a row pair, the wire form
// above the solid, 250-pixel tiles with a 4-pixel border.
TEST_F(Gallery, PicturesEveryShapeAndTheContactSheet)
{
    const fs::path pictures = scratch / "pictures";
    const GalleryRun run = runGallery("", pictures, scratch);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(pictures.string()), std::string::npos) << run.out;

    const std::vector<std::string> names = {
        "02-glu-cylinder-wire", "03-glu-cylinder-solid", "04-glu-disk-wire", "05-glu-disk-solid",
        "06-glu-partialdisk-wire", "07-glu-partialdisk-solid", "08-glu-sphere-wire", "09-glu-sphere-solid",
        "10-wire-cylinder-with-top-bottom", "11-solid-cylinder-with-top-bottom", "20-glut-wiresphere",
        "21-glut-solidsphere", "22-glut-wirecone", "23-glut-solidcone", "24-glut-wirecube", "25-glut-solidcube",
        "26-glut-wiretorus", "27-glut-solidtorus", "28-glut-wiredodecahedron", "29-glut-soliddodecahedron",
        "30-glut-wireoctahedron", "31-glut-solidoctahedron", "32-glut-wiretetrahedron",
        "33-glut-solidtetrahedron", "34-glut-wireicosahedron", "35-glut-solidicosahedron", "36-glut-wireteapot",
        "37-glut-solidteapot"};
    const Picture sheet = readPng(pictures / "contact-sheet.png");
    ASSERT_EQ(sheet.width, 1782);
    ASSERT_EQ(sheet.height, 1020);
    std::set<std::vector<unsigned char>> distinct;
    for (std::size_t index = 0; index < names.size(); ++index) {
        SCOPED_TRACE(names[index]);
        const Picture picture = readPng(pictures / (names[index] + ".png"));
        ASSERT_EQ(picture.width, 250);
        ASSERT_EQ(picture.height, 250);
        distinct.insert(picture.rgb);
        // The green +Y axis leans towards the eye and leaves at the top edge;
        // its -Y end stops well above the bottom one.
        auto green = [&](int y) {
            int most = 0;
            for (int x = 122; x <= 128; ++x)
                most = std::max(most, static_cast<int>(picture.at(x, y)[1]));
            return most;
        };
        EXPECT_GT(green(1), 150) << "upside down, or no Y axis";
        EXPECT_EQ(green(248), 0) << "upside down";
        const int pair = static_cast<int>(index / 2);
        const int left = 4 + (pair % 7) * 254;
        const int top = 4 + (2 * (pair / 7) + static_cast<int>(index % 2)) * 254;
        bool held = true;
        for (int y = 0; y < 250 && held; ++y)
            held = std::equal(picture.at(0, y), picture.at(0, y) + 250 * 3, sheet.at(left, top + y));
        EXPECT_TRUE(held) << "not on the contact sheet at " << left << ", " << top;
    }
    EXPECT_EQ(distinct.size(), names.size()) << "some pictures are alike";
    EXPECT_EQ(std::distance(fs::directory_iterator(pictures), fs::directory_iterator()), 29);
}

} // namespace
