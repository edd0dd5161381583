#include "gallery/shrink.h"

#include <cstdint>
#include <cstring>
#include <vector>

// The largest factor whose column sums, factor values of at most 255, fit in
// 16 bits: half as much memory to go through as 32 bits, and twice as many
// sums to a vector register.
static constexpr int MAX_SHORT_FACTOR = 0xffff / 0xff;

// Goes along the rows, in the order they lie in memory: the `factor` source
// rows of a row of blocks are summed column by column, channels apart, into
// `columns`; then each run of `factor` column sums is one block. A source byte
// costs one load and one add, which the vectoriser does many at a time (the
// file is built with -O3 for it: see CMakeLists.txt).
template <typename Sum, typename Total>
static void shrinkRows(const Picture& from, int factor, Picture& to, int left, int top)
{
    const int width = from.width / factor;
    const int height = from.height / factor;
    const std::size_t used = static_cast<std::size_t>(width) * factor * RGB_BYTES;
    const std::size_t fromStride = static_cast<std::size_t>(from.width) * RGB_BYTES;
    const Total block = static_cast<Total>(factor) * static_cast<Total>(factor);
    const Total half = block / 2;
    std::vector<Sum> columns(used);
    for (int y = 0; y < height; ++y) {
        const unsigned char* source = &from.rgb[static_cast<std::size_t>(y) * factor * fromStride];
        for (std::size_t i = 0; i < used; ++i)
            columns[i] = source[i];
        for (int row = 1; row < factor; ++row) {
            source += fromStride;
            for (std::size_t i = 0; i < used; ++i)
                columns[i] = static_cast<Sum>(columns[i] + source[i]);
        }
        unsigned char* target = &to.rgb[(static_cast<std::size_t>(top + y) * to.width + left) * RGB_BYTES];
        const Sum* column = columns.data();
        for (int x = 0; x < width; ++x) {
            Total sum[RGB_BYTES] = {};
            for (int k = 0; k < factor; ++k, column += RGB_BYTES) {
                for (int channel = 0; channel < RGB_BYTES; ++channel)
                    sum[channel] += column[channel];
            }
            for (int channel = 0; channel < RGB_BYTES; ++channel)
                *target++ = static_cast<unsigned char>((sum[channel] + half) / block);
        }
    }
}

void shrinkInto(const Picture& from, int factor, Picture& to, int left, int top)
{
    if (from.width / factor == 0 || from.height / factor == 0)
        return;
    if (factor == 1) {
        const std::size_t rowBytes = static_cast<std::size_t>(from.width) * RGB_BYTES;
        for (int y = 0; y < from.height; ++y)
            std::memcpy(&to.rgb[(static_cast<std::size_t>(top + y) * to.width + left) * RGB_BYTES],
                        &from.rgb[y * rowBytes], rowBytes);
    } else if (factor <= MAX_SHORT_FACTOR) {
        shrinkRows<std::uint16_t, std::uint32_t>(from, factor, to, left, top);
    } else {
        shrinkRows<std::uint32_t, std::uint64_t>(from, factor, to, left, top);
    }
}
