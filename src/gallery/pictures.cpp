#include "gallery/gallery.h"

#include "controls/controls.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdio>
#include <numeric>

static constexpr int SHEET_PAIRS_TO_A_ROW = 7;
static constexpr int SHEET_BORDER = 4;
static constexpr unsigned char SHEET_BORDER_GREY = 0x50;

std::vector<ShapeId> galleryShapes()
{
    std::vector<ShapeId> shapes;
    for (ShapeId id = SHAPE_GLU_CYLINDER_WIRE; id <= SHAPE_CLOSED_CYLINDER_SOLID; ++id)
        shapes.push_back(id);
    for (ShapeId id = SHAPE_GLUT_WIRESPHERE; id <= SHAPE_GLUT_SOLIDTEAPOT; ++id)
        shapes.push_back(id);
    return shapes;
}

// Every run of characters other than letters and digits becomes one hyphen, so
// "wire cylinder with top && bottom" gives "wire-cylinder-with-top-bottom".
static std::string slug(const char* label)
{
    std::string result;
    bool pendingHyphen = false;
    for (const char* c = label; *c != '\0'; ++c) {
        const unsigned char ch = static_cast<unsigned char>(*c);
        if (std::isalnum(ch) == 0) {
            pendingHyphen = !result.empty();
            continue;
        }
        if (pendingHyphen)
            result += '-';
        pendingHyphen = false;
        result += static_cast<char>(std::tolower(ch));
    }
    return result;
}

std::string shapeFileName(ShapeId id, int count)
{
    const char* label = menuLabel(id);
    char number[16];
    std::snprintf(number, sizeof number, "%02d", static_cast<int>(id));
    const std::string counts = count >= 1 ? "-" + std::to_string(count) + "x" + std::to_string(count) : "";
    return std::string(number) + "-" + slug(label != nullptr ? label : "shape") + counts + ".png";
}

Picture pictureFromGlRows(int width, int height, const std::vector<unsigned char>& bottomUp)
{
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.rgb.resize(bottomUp.size());
    const std::size_t rowBytes = static_cast<std::size_t>(width) * RGB_BYTES;
    for (int row = 0; row < height; ++row) {
        const auto from = bottomUp.begin() + static_cast<std::ptrdiff_t>(rowBytes * (height - 1 - row));
        std::copy(from, from + static_cast<std::ptrdiff_t>(rowBytes),
                  picture.rgb.begin() + static_cast<std::ptrdiff_t>(rowBytes * row));
    }
    return picture;
}

Picture shrink(const Picture& picture, int factor)
{
    Picture small;
    small.width = picture.width / factor;
    small.height = picture.height / factor;
    small.rgb.resize(static_cast<std::size_t>(small.width) * small.height * RGB_BYTES);
    const int block = factor * factor;
    for (std::size_t to = 0; to < small.rgb.size(); ++to) {
        const std::size_t channel = to % RGB_BYTES;
        const std::size_t left = to / RGB_BYTES % small.width * factor;
        const std::size_t top = to / RGB_BYTES / small.width * factor;
        int sum = 0;
        for (std::size_t y = top; y < top + factor; ++y) {
            for (std::size_t x = left; x < left + factor; ++x)
                sum += picture.rgb[(y * picture.width + x) * RGB_BYTES + channel];
        }
        small.rgb[to] = static_cast<unsigned char>((sum + block / 2) / block);
    }
    return small;
}

static void copyTile(const Picture& tile, Picture& sheet, int left, int top)
{
    const std::size_t tileRowBytes = static_cast<std::size_t>(tile.width) * RGB_BYTES;
    for (int row = 0; row < tile.height; ++row) {
        const auto from = tile.rgb.begin() + static_cast<std::ptrdiff_t>(tileRowBytes * row);
        const std::size_t to = (static_cast<std::size_t>(top + row) * sheet.width + left) * RGB_BYTES;
        std::copy(from, from + static_cast<std::ptrdiff_t>(tileRowBytes),
                  sheet.rgb.begin() + static_cast<std::ptrdiff_t>(to));
    }
}

// cells[i] is the grid cell, counted row by row, that tiles[i] goes into.
static Picture gridSheet(const std::vector<Picture>& tiles, const std::vector<int>& cells, int columns)
{
    Picture sheet;
    if (tiles.empty())
        return sheet;
    const int tileWidth = tiles.front().width;
    const int tileHeight = tiles.front().height;
    const int rows = *std::max_element(cells.begin(), cells.end()) / columns + 1;
    sheet.width = columns * (tileWidth + SHEET_BORDER) + SHEET_BORDER;
    sheet.height = rows * (tileHeight + SHEET_BORDER) + SHEET_BORDER;
    sheet.rgb.assign(static_cast<std::size_t>(sheet.width) * sheet.height * RGB_BYTES, SHEET_BORDER_GREY);
    for (std::size_t index = 0; index < tiles.size(); ++index) {
        // All frames come from one framebuffer of one size, so a tile that
        // would not fit its cell does not happen; it is left out if it does.
        if (tiles[index].width != tileWidth || tiles[index].height != tileHeight)
            continue;
        copyTile(tiles[index], sheet, SHEET_BORDER + cells[index] % columns * (tileWidth + SHEET_BORDER),
                 SHEET_BORDER + cells[index] / columns * (tileHeight + SHEET_BORDER));
    }
    return sheet;
}

Picture pairedSheet(const std::vector<Picture>& tiles)
{
    const int pairs = (static_cast<int>(tiles.size()) + 1) / 2;
    const int columns = std::min(pairs, SHEET_PAIRS_TO_A_ROW);
    std::vector<int> cells;
    for (int index = 0; index < static_cast<int>(tiles.size()); ++index) {
        const int pair = index / 2;
        const int row = 2 * (pair / columns) + index % 2;
        cells.push_back(row * columns + pair % columns);
    }
    return gridSheet(tiles, cells, columns);
}

Picture tableSheet(const std::vector<Picture>& tiles, int columns)
{
    std::vector<int> cells(tiles.size());
    std::iota(cells.begin(), cells.end(), 0);
    return gridSheet(tiles, cells, columns);
}
