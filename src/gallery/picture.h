#pragma once

#include <vector>

constexpr int RGB_BYTES = 3;

// Eight-bit RGB, rows from the top down as in a PNG file, not bottom-up as GL
// reads them back.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};
