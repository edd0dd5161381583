#pragma once

#include <string>
#include <vector>

struct Rgb {
    int r, g, b;
};

// Rows from the top, as on the screen.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
    Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

// The colour expected near a position, within a tolerance per channel; `radius`
// lets a one-pixel line land on a neighbour of the probed pixel.
struct Probe {
    const char* what;
    int x;
    int y;
    Rgb expected;
    int tolerance = 12;
    int radius = 0;
};

// One line for every probe that fails: position, expected and observed colour.
std::string failedProbes(const Image& image, const std::vector<Probe>& probes);

constexpr Rgb BLACK{0, 0, 0};
constexpr Rgb RED{255, 0, 0};
constexpr Rgb GREEN{0, 255, 0};
// The grey material lit head-on by the default light: 0.2 * 0.6 ambient + 0.6 diffuse.
constexpr Rgb GREY_FACING{184, 184, 184};

// At the origin preset the red X axis runs across the middle row and the green
// Y axis down the middle column, past every shape.
std::vector<Probe> originAxesProbes(int width = 250, int height = 250);
