#include "pixels.h"

#include <cstdlib>
#include <sstream>

static bool closeTo(const Rgb& seen, const Rgb& expected, int tolerance)
{
    return std::abs(seen.r - expected.r) <= tolerance && std::abs(seen.g - expected.g) <= tolerance &&
           std::abs(seen.b - expected.b) <= tolerance;
}

std::string failedProbes(const Image& image, const std::vector<Probe>& probes)
{
    auto inside = [&](int x, int y) { return x >= 0 && y >= 0 && x < image.width && y < image.height; };
    std::ostringstream failures;
    for (const Probe& probe : probes) {
        bool passed = false;
        for (int dy = -probe.radius; dy <= probe.radius; ++dy) {
            for (int dx = -probe.radius; dx <= probe.radius; ++dx) {
                const int x = probe.x + dx;
                const int y = probe.y + dy;
                passed = passed || (inside(x, y) && closeTo(image.at(x, y), probe.expected, probe.tolerance));
            }
        }
        if (passed)
            continue;
        failures << probe.what << " at (" << probe.x << ", " << probe.y << "): expected (" << probe.expected.r
                 << ", " << probe.expected.g << ", " << probe.expected.b << ") +/-" << probe.tolerance;
        if (inside(probe.x, probe.y)) {
            const Rgb seen = image.at(probe.x, probe.y);
            failures << ", observed (" << seen.r << ", " << seen.g << ", " << seen.b << ")\n";
        } else {
            failures << ", outside the " << image.width << "x" << image.height << " picture\n";
        }
    }
    return failures.str();
}

std::vector<Probe> originAxesProbes(int width, int height)
{
    // A one-pixel line through the middle of an even size may land on either
    // row or column beside it.
    return {{"X axis, left end", 3, height / 2, RED, 12, 1},
            {"X axis, right end", width - 4, height / 2, RED, 12, 1},
            {"Y axis, top end", width / 2, 3, GREEN, 12, 1},
            {"Y axis, bottom end", width / 2, height - 4, GREEN, 12, 1},
            {"background, upper left", 20, 20, BLACK, 0, 0},
            {"background, lower right", width - 20, height - 20, BLACK, 0, 0}};
}
