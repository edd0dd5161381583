#include "gallery/shrink.h"

#include <cstddef>

void shrinkInto(const Picture& from, int factor, Picture& to, int left, int top)
{
    const int tile = from.width / factor;
    const int block = factor * factor;
    for (int y = 0; y < tile; ++y) {
        for (int x = 0; x < tile; ++x) {
            for (int channel = 0; channel < RGB_BYTES; ++channel) {
                // A whole picture may go into one pixel: 4096 x 4096 of 255 need more than 32 bits.
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
