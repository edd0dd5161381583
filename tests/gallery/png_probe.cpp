// Reads the gallery's PNG files back for its test, which has no image tools:
//   png_probe stats FILE              prints "WIDTH HEIGHT LIT GREEN_TOP GREEN_BOTTOM"
//   png_probe holds SHEET LEFT TOP TILE   exits 0 when SHEET shows TILE at LEFT, TOP
// LIT counts the pixels that are not black; GREEN_TOP and GREEN_BOTTOM are the
// first and last rows, counted from the top, with a pixel of the green Y axis
// (-1 when there is none).

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

static bool readPng(const char* path, Image& image)
{
    png_image reader{};
    reader.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&reader, path) == 0) {
        std::fprintf(stderr, "png_probe: %s: %s\n", path, reader.message);
        return false;
    }
    reader.format = PNG_FORMAT_RGB;
    image.width = static_cast<int>(reader.width);
    image.height = static_cast<int>(reader.height);
    image.rgb.resize(PNG_IMAGE_SIZE(reader));
    if (png_image_finish_read(&reader, nullptr, image.rgb.data(), 0, nullptr) == 0) {
        std::fprintf(stderr, "png_probe: %s: %s\n", path, reader.message);
        png_image_free(&reader);
        return false;
    }
    return true;
}

static const unsigned char* pixel(const Image& image, int x, int y)
{
    return &image.rgb[(static_cast<std::size_t>(y) * image.width + x) * 3];
}

// The axis is lit, so its green varies, but red and blue stay far below it; the
// grey shapes have all three equal.
static bool isAxisGreen(const unsigned char* p)
{
    return p[1] >= 40 && p[0] * 2 < p[1] && p[2] * 2 < p[1];
}

static int stats(const char* path)
{
    Image image;
    if (!readPng(path, image))
        return 2;
    long lit = 0;
    int greenTop = -1;
    int greenBottom = -1;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const unsigned char* p = pixel(image, x, y);
            if (p[0] != 0 || p[1] != 0 || p[2] != 0)
                ++lit;
            if (isAxisGreen(p)) {
                if (greenTop < 0)
                    greenTop = y;
                greenBottom = y;
            }
        }
    }
    std::printf("%d %d %ld %d %d\n", image.width, image.height, lit, greenTop, greenBottom);
    return 0;
}

static int holds(const char* sheetPath, int left, int top, const char* tilePath)
{
    Image sheet;
    Image tile;
    if (!readPng(sheetPath, sheet) || !readPng(tilePath, tile))
        return 2;
    if (left < 0 || top < 0 || left + tile.width > sheet.width || top + tile.height > sheet.height)
        return 1;
    const std::size_t rowBytes = static_cast<std::size_t>(tile.width) * 3;
    for (int y = 0; y < tile.height; ++y) {
        if (std::memcmp(pixel(sheet, left, top + y), pixel(tile, 0, y), rowBytes) != 0)
            return 1;
    }
    return 0;
}

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "stats") == 0)
        return stats(argv[2]);
    if (argc == 6 && std::strcmp(argv[1], "holds") == 0)
        return holds(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), argv[5]);
    std::fputs("usage: png_probe stats FILE | png_probe holds SHEET LEFT TOP TILE\n", stderr);
    return 2;
}
