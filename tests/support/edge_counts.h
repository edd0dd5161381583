#pragma once

#include <cstdlib>
#include <string>
#include <utility>

// Slices and stacks where what a frame draws changes: below 1 on either side
// or both, and each of freeglut's 16-bit limits exactly and one past, with the
// counts both ways round so that a formula with the two swapped shows:
// sphere slices * (stacks - 1) + 2, cone slices * (stacks + 2) + 1 and torus
// slices * stacks, each at most 65535 vertices.
inline constexpr std::pair<int, int> EDGE_COUNTS[] = {
    {-1, -1},   {0, 0},     {1, 1},     {-3, 10},   {10, -3},   {0, 10},    {13, 5042}, {13, 5043},
    {5043, 13}, {217, 300}, {217, 301}, {300, 217}, {255, 257}, {257, 255}, {256, 256},
};

// The keys that take the counts from 10 to slices x stacks.
inline std::string keysFor(int slices, int stacks)
{
    const auto keys = [](int count, char up, char down) {
        return std::string(std::abs(count - 10), count > 10 ? up : down);
    };
    return keys(slices, 'S', 's') + keys(stacks, 'T', 't');
}
