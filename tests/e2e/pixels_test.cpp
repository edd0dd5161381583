// What the frames look like: probes of the window's pixels.

#include "viewer_fixture.h"

#include <cmath>

namespace {

bool isGrey(const Rgb& pixel)
{
    return pixel.r == pixel.g && pixel.g == pixel.b && pixel.r > 20;
}

// The default wire sphere, radius 1.5 at distance 6, fills a circle of about
// 56 pixels around the centre: grey lines inside it, none outside, and mostly
// black between them.
TEST_F(ViewerTest, FirstFrameShowsWireSphere)
{
    launch();
    const Image image = grabWindow(server, viewer.window);
    int inside = 0;
    int greyInside = 0;
    std::string outside;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const double radius = std::hypot(x + 0.5 - 125.0, y + 0.5 - 125.0);
            const bool grey = isGrey(image.at(x, y));
            if (radius < 56.0) {
                ++inside;
                greyInside += grey ? 1 : 0;
            } else if (radius > 60.0 && grey && outside.size() < 200) {
                outside += "(" + std::to_string(x) + ", " + std::to_string(y) + ") ";
            }
        }
    }
    EXPECT_EQ(outside, "") << "grey outside the sphere";
    EXPECT_GT(greyInside, inside / 10) << "too few sphere lines";
    EXPECT_LT(greyInside, inside / 2) << "the sphere looks solid";
}

// The solid partial disk, seen face on: the quarter between +Y and +X is empty.
// With a twist of 90 the scene turns clockwise, and the gap with it.
TEST_F(ViewerTest, PartialDiskMissesTheQuarterBetweenYAndX)
{
    launch();
    choose(7);
    toOrigin();
    EXPECT_EQ(waitForProbes(server, viewer.window,
                            {{"upper right quarter", 150, 100, BLACK, 0, 0},
                             {"upper left quarter", 100, 100, GREY_FACING, 12, 0},
                             {"lower left quarter", 100, 150, GREY_FACING, 12, 0},
                             {"lower right quarter", 150, 150, GREY_FACING, 12, 0},
                             {"hole in the middle", 133, 117, BLACK, 0, 0}}),
              "");
    press(std::string(45, 'W'));
    EXPECT_EQ(waitForProbes(server, viewer.window,
                            {{"upper right quarter", 150, 100, GREY_FACING, 12, 0},
                             {"upper left quarter", 100, 100, GREY_FACING, 12, 0},
                             {"lower left quarter", 100, 150, GREY_FACING, 12, 0},
                             {"lower right quarter", 150, 150, BLACK, 0, 0}}),
              "");
}

// Looking down the Z axis into the cylinder: the closed one shows its top cap,
// the open tube lets one see through to the black behind it.
struct TubeCase {
    const char* name;
    int shape;
    bool wire;
    bool closed;
};

void PrintTo(const TubeCase& c, std::ostream* os)
{
    *os << c.name;
}

class TubeEnds : public ViewerTest, public testing::WithParamInterface<TubeCase> {};

TEST_P(TubeEnds, ShowCapsOnlyWhenClosed)
{
    const TubeCase& c = GetParam();
    launch();
    choose(c.shape);
    toOrigin();
    if (!c.wire) {
        // Through the open tube one sees black; the closed one shows its top
        // cap, which at z = 2 also covers the far end of the wall around it.
        std::vector<Probe> probes = {{"inside, upper right", 146, 104, c.closed ? GREY_FACING : BLACK, 12, 0},
                                     {"inside, lower left", 104, 146, c.closed ? GREY_FACING : BLACK, 12, 0}};
        if (c.closed)
            probes.push_back({"cap over the wall", 173, 77, GREY_FACING, 12, 0});
        EXPECT_EQ(waitForProbes(server, viewer.window, probes), "");
        return;
    }
    const Image image = grabWindow(server, viewer.window);
    int capLines = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (std::hypot(x + 0.5 - 125.0, y + 0.5 - 125.0) < 45.0 && isGrey(image.at(x, y)))
                ++capLines;
        }
    }
    if (c.closed)
        EXPECT_GT(capLines, 100) << "no cap lines inside the wire cylinder";
    else
        EXPECT_EQ(capLines, 0) << "lines inside the open wire tube";
}

INSTANTIATE_TEST_SUITE_P(Cylinders, TubeEnds,
                         testing::Values(TubeCase{"OpenWire", 2, true, false}, TubeCase{"OpenSolid", 3, false, false},
                                         TubeCase{"ClosedWire", 10, true, true},
                                         TubeCase{"ClosedSolid", 11, false, true}),
                         [](const testing::TestParamInfo<TubeCase>& info) { return std::string(info.param.name); });

// With 12 slices and 5 stacks the tube has twelve sides but each cap only
// five, since the caps take the counts the other way round. Seen from above,
// the top cap is a pentagon with one corner up: out past its edges, but still
// inside the twelve-sided rim, the inside of the tube wall shows, dimly lit.
TEST_F(ViewerTest, ClosedCylinderCapsTakeTheCountsTheOtherWayRound)
{
    launch();
    choose(11);
    press("SSttttt");
    toOrigin();
    const Rgb wallInside{31, 31, 31};
    EXPECT_EQ(waitForProbes(server, viewer.window,
                            {{"cap corner at 18 degrees", 196, 102, GREY_FACING, 12, 0},
                             {"cap corner at 162 degrees", 54, 102, GREY_FACING, 12, 0},
                             {"past the cap edge at 54 degrees", 169, 64, wallInside, 12, 0},
                             {"past the cap edge at 126 degrees", 81, 64, wallInside, 12, 0}}),
              "");
}

// One more slice changes the sphere, the cone and the torus, and nothing else.
// Both pictures are taken at the origin preset, each after a frame at the
// reset preset, so that the second one is known to be drawn after the key.
struct SlicesCase {
    const char* name;
    int shape;
    bool changes;
};

void PrintTo(const SlicesCase& c, std::ostream* os)
{
    *os << c.name;
}

class OneMoreSlice : public ViewerTest, public testing::WithParamInterface<SlicesCase> {};

TEST_P(OneMoreSlice, ChangesOnlyTheCurvedGlutShapes)
{
    const SlicesCase& c = GetParam();
    launch();
    choose(c.shape);
    toOrigin();
    const Image before = grabWindow(server, viewer.window);
    awayFromOrigin();
    press("S");
    toOrigin();
    const Image after = grabWindow(server, viewer.window);
    int differing = 0;
    for (std::size_t i = 0; i < before.pixels.size() && i < after.pixels.size(); ++i) {
        const Rgb& a = before.pixels[i];
        const Rgb& b = after.pixels[i];
        differing += (a.r != b.r || a.g != b.g || a.b != b.b) ? 1 : 0;
    }
    if (c.changes)
        EXPECT_GT(differing, 20) << c.name << " did not change with one more slice";
    else
        EXPECT_EQ(differing, 0) << c.name << " changed with one more slice";
}

INSTANTIATE_TEST_SUITE_P(
    GlutShapes, OneMoreSlice,
    testing::Values(SlicesCase{"WireSphere", 20, true}, SlicesCase{"SolidSphere", 21, true},
                    SlicesCase{"WireCone", 22, true}, SlicesCase{"SolidCone", 23, true},
                    SlicesCase{"WireCube", 24, false}, SlicesCase{"SolidCube", 25, false},
                    SlicesCase{"WireTorus", 26, true}, SlicesCase{"SolidTorus", 27, true},
                    SlicesCase{"WireDodecahedron", 28, false}, SlicesCase{"SolidDodecahedron", 29, false},
                    SlicesCase{"WireOctahedron", 30, false}, SlicesCase{"SolidOctahedron", 31, false},
                    SlicesCase{"WireTetrahedron", 32, false}, SlicesCase{"SolidTetrahedron", 33, false},
                    SlicesCase{"WireIcosahedron", 34, false}, SlicesCase{"SolidIcosahedron", 35, false},
                    SlicesCase{"WireTeapot", 36, false}, SlicesCase{"SolidTeapot", 37, false}),
    [](const testing::TestParamInfo<SlicesCase>& info) { return std::string(info.param.name); });

// The aspect ratio stays 1, so a window twice as wide shows the same picture
// stretched to twice its width: every smooth spot of the square picture is
// found again at twice its distance from the left edge.
TEST_F(ViewerTest, WideWindowStretchesThePicture)
{
    launch();
    choose(21);
    toOrigin();
    const Image square = grabWindow(server, viewer.window);
    std::vector<Probe> stretched;
    for (int y = 4; y < square.height - 4; y += 6) {
        for (int x = 4; x < square.width - 4; x += 6) {
            const Rgb centre = square.at(x, y);
            bool smooth = true;
            for (int dy = -2; dy <= 2 && smooth; ++dy) {
                for (int dx = -2; dx <= 2 && smooth; ++dx) {
                    const Rgb near = square.at(x + dx, y + dy);
                    smooth = std::abs(near.r - centre.r) + std::abs(near.g - centre.g) + std::abs(near.b - centre.b) < 12;
                }
            }
            if (smooth)
                stretched.push_back({"stretched from the square picture", 2 * x, y, centre, 12, 1});
        }
    }
    ASSERT_GT(stretched.size(), 500u);
    resizeWindow(server, viewer.window, 500, 250);
    EXPECT_EQ(waitForProbes(server, viewer.window, stretched), "");
}

} // namespace
