#pragma once

#include <cstdlib>
#include <sstream>
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
    Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The colour expected near a position, within a tolerance per channel; `radius`
// lets a one-pixel line land on a neighbour of the probed pixel.
struct Probe {
    const char* what;
    int x, y;
    Rgb expected;
    int tolerance, radius;
};

// One line for every probe that fails: position, expected and observed colour.
inline std::string failedProbes(const Image& image, const std::vector<Probe>& probes)
{
    auto inside = [&](int x, int y) { return x >= 0 && y >= 0 && x < image.width && y < image.height; };
    std::ostringstream failures;
    for (const Probe& p : probes) {
        bool passed = false;
        for (int y = p.y - p.radius; y <= p.y + p.radius; ++y) {
            for (int x = p.x - p.radius; x <= p.x + p.radius; ++x) {
                const Rgb seen = inside(x, y) ? image.at(x, y) : Rgb{-999, -999, -999};
                passed = passed || (std::abs(seen.r - p.expected.r) <= p.tolerance &&
                                    std::abs(seen.g - p.expected.g) <= p.tolerance &&
                                    std::abs(seen.b - p.expected.b) <= p.tolerance);
            }
        }
        const Rgb seen = inside(p.x, p.y) ? image.at(p.x, p.y) : Rgb{-1, -1, -1};
        if (!passed)
            failures << p.what << " at (" << p.x << ", " << p.y << "): expected (" << p.expected.r << ", "
                     << p.expected.g << ", " << p.expected.b << ") +/-" << p.tolerance << ", observed (" << seen.r
                     << ", " << seen.g << ", " << seen.b << ")\n";
    }
    return failures.str();
}

constexpr Rgb BLACK{0, 0, 0};
// The grey material lit head-on by the default light: 0.2 * 0.6 ambient + 0.6 diffuse.
constexpr Rgb GREY_FACING{184, 184, 184};
