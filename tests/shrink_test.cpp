// The contact sheet's shrink against the plainest average of each block, on
// random pictures: byte for byte, and nothing written outside its place.

#include "gallery/shrink.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <random>

static constexpr int RANDOM = -1;
static constexpr unsigned char UNTOUCHED = 0x50;
static constexpr int MARGIN = 3;

// Each block's channels summed in 64 bits and divided once, rounded half up.
static void shrinkPlainly(const Picture& from, int factor, Picture& to, int left, int top)
{
    const long long block = static_cast<long long>(factor) * factor;
    for (int y = 0; y < from.height / factor; ++y) {
        for (int x = 0; x < from.width / factor; ++x) {
            for (int channel = 0; channel < RGB_BYTES; ++channel) {
                long long sum = 0;
                for (int row = y * factor; row < (y + 1) * factor; ++row) {
                    for (int column = x * factor; column < (x + 1) * factor; ++column)
                        sum += from.rgb[(static_cast<std::size_t>(row) * from.width + column) * RGB_BYTES + channel];
                }
                to.rgb[(static_cast<std::size_t>(top + y) * to.width + left + x) * RGB_BYTES + channel] =
                    static_cast<unsigned char>((sum + block / 2) / block);
            }
        }
    }
}

TEST(Shrink, MatchesThePlainAverageOfEachBlock)
{
    struct Case {
        int width, height, factor;
        // RANDOM, or every byte this value.
        int fill;
    };
    // Copies, shrinks with rows and columns left over, and at the end the
    // largest column sums in 16 bits, the first past them, and a whole picture
    // into one pixel.
    static constexpr Case CASES[] = {{1, 1, 1, RANDOM},    {7, 5, 1, RANDOM},        {250, 250, 1, RANDOM},
                                     {2, 2, 2, RANDOM},    {1000, 1000, 2, RANDOM},  {1001, 999, 2, RANDOM},
                                     {31, 17, 3, RANDOM},  {13, 13, 4, RANDOM},      {4096, 520, 8, RANDOM},
                                     {5, 9, 6, RANDOM},    {1000, 700, 300, RANDOM}, {300, 600, 257, 255},
                                     {600, 300, 258, 255}, {4096, 4096, 4096, 255}};
    std::minstd_rand random(29);
    for (const Case& test : CASES) {
        SCOPED_TRACE(testing::Message() << test.width << " x " << test.height << " by " << test.factor);
        Picture from;
        from.width = test.width;
        from.height = test.height;
        from.rgb.resize(static_cast<std::size_t>(test.width) * test.height * RGB_BYTES,
                        static_cast<unsigned char>(test.fill));
        if (test.fill == RANDOM) {
            for (unsigned char& byte : from.rgb)
                byte = static_cast<unsigned char>(random());
        }
        Picture expected;
        expected.width = test.width / test.factor + 2 * MARGIN;
        expected.height = test.height / test.factor + 2 * MARGIN;
        expected.rgb.assign(static_cast<std::size_t>(expected.width) * expected.height * RGB_BYTES, UNTOUCHED);
        Picture shrunk = expected;
        shrinkPlainly(from, test.factor, expected, MARGIN, MARGIN - 1);
        shrinkInto(from, test.factor, shrunk, MARGIN, MARGIN - 1);
        EXPECT_EQ(shrunk.rgb, expected.rgb);
    }
}
