#pragma once

#include <GL/gl.h>

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

// What the current GL window shows, size x size pixels from its lower left
// corner, turned top side up.
inline Image readBack(int size)
{
    std::vector<unsigned char> rgb(static_cast<std::size_t>(size) * size * 3);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, size, size, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    Image image{size, size, {}};
    for (int i = 0; i < size * size; ++i) {
        const std::size_t from = 3 * (static_cast<std::size_t>(size - 1 - i / size) * size + i % size);
        image.pixels.push_back({rgb[from], rgb[from + 1], rgb[from + 2]});
    }
    return image;
}

// Empty when the pictures have one size and differ in `allowed` pixels at
// most; otherwise how many differ, and the first few with both colours.
inline std::string differences(const Image& seen, const Image& expected, int allowed)
{
    std::ostringstream report;
    if (seen.width != expected.width || seen.height != expected.height) {
        report << seen.width << " x " << seen.height << " pixels, not " << expected.width << " x " << expected.height;
        return report.str();
    }
    int count = 0;
    for (int i = 0; i < seen.width * seen.height; ++i) {
        const Rgb a = seen.pixels[std::size_t(i)], b = expected.pixels[std::size_t(i)];
        if (a.r == b.r && a.g == b.g && a.b == b.b)
            continue;
        if (++count <= 5)
            report << "at (" << i % seen.width << ", " << i / seen.width << "): expected (" << b.r << ", " << b.g
                   << ", " << b.b << "), observed (" << a.r << ", " << a.g << ", " << a.b << ")\n";
    }
    if (count <= allowed)
        return "";
    return std::to_string(count) + " pixels differ\n" + report.str();
}
