// The contact sheet's shrink against the plainest average of each block, on
// random pictures: byte for byte, and nothing written outside its place.

#include "gallery/shrink.h"

#include <gtest/gtest.h>

#include <random>

TEST(Shrink, MatchesThePlainAverageOfEachBlock)
{
    // Width, height, factor and every byte's value, or -1 for random ones:
    // copies, shrinks with rows and columns left over, and at the end the
    // largest column sums in 16 bits, the first past them, and a whole
    // picture into one pixel.
    static constexpr int CASES[][4] = {
        {1, 1, 1, -1},        {7, 5, 1, -1},        {250, 250, 1, -1},    {2, 2, 2, -1},          {1000, 1000, 2, -1},
        {1001, 999, 2, -1},   {31, 17, 3, -1},      {13, 13, 4, -1},      {4096, 520, 8, -1},     {5, 9, 6, -1},
        {1000, 700, 300, -1}, {300, 600, 257, 255}, {600, 300, 258, 255}, {4096, 4096, 4096, 255}};
    // The shrunk picture goes 3 pixels from the left and 2 from the top of
    // a sheet 3 pixels larger on every side, filled with 0x50.
    constexpr int MARGIN = 3;
    std::minstd_rand random(29);
    for (const auto& [width, height, factor, fill] : CASES) {
        Picture from{width, height, std::vector<unsigned char>(std::size_t(width) * height * RGB_BYTES)};
        for (unsigned char& byte : from.rgb)
            byte = static_cast<unsigned char>(fill < 0 ? random() : fill);
        Picture expected{width / factor + 2 * MARGIN, height / factor + 2 * MARGIN, {}};
        expected.rgb.assign(std::size_t(expected.width) * expected.height * RGB_BYTES, 0x50);
        Picture shrunk = expected;
        shrinkInto(from, factor, shrunk, MARGIN, MARGIN - 1);
        // Each block's channels summed in 64 bits and divided once, rounded half up.
        const long long block = static_cast<long long>(factor) * factor;
        for (std::size_t i = 0; i < std::size_t(width / factor) * (height / factor) * RGB_BYTES; ++i) {
            const std::size_t x = i / RGB_BYTES % (width / factor), y = i / RGB_BYTES / (width / factor);
            long long sum = 0;
            for (std::size_t row = y * factor; row < (y + 1) * factor; ++row) {
                for (std::size_t column = x * factor; column < (x + 1) * factor; ++column)
                    sum += from.rgb[(row * width + column) * RGB_BYTES + i % RGB_BYTES];
            }
            expected.rgb[((MARGIN - 1 + y) * expected.width + MARGIN + x) * RGB_BYTES + i % RGB_BYTES] =
                static_cast<unsigned char>((sum + block / 2) / block);
        }
        EXPECT_EQ(shrunk.rgb, expected.rgb) << width << " x " << height << " by " << factor;
    }
}
