#pragma once

#include "floor.h"

#include <GL/freeglut.h>
#include <png.h>

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

// Empty unless the file is a whole PNG picture.
inline Image readPng(const std::string& path)
{
    png_image reader{};
    reader.version = PNG_IMAGE_VERSION;
    png_image_begin_read_from_file(&reader, path.c_str());
    reader.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(reader));
    if (png_image_finish_read(&reader, nullptr, rgb.data(), 0, nullptr) == 0)
        return {};
    Image image{static_cast<int>(reader.width), static_cast<int>(reader.height), {}};
    for (std::size_t byte = 0; byte < rgb.size(); byte += 3)
        image.pixels.push_back({rgb[byte], rgb[byte + 1], rgb[byte + 2]});
    return image;
}

// The frame that the floor draws, which runs none of the viewer's code, at
// size x size pixels: the expected picture. It is drawn in a window of the
// test's own, right of where the viewer's window and menu open.
inline bool floorShown = false;

inline Image floorPicture(int id, int slices, int stacks, const FloorCamera& camera, int size = 250)
{
    if (!floorShown) {
        int argc = 1;
        char name[] = "floor";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
        floorWindow("floor", 1000, 1300, 0);
        glutDisplayFunc([] { floorShown = true; });
        while (!floorShown)
            glutMainLoopEvent();
    }
    floorReshape(size, size);
    for (const Shape& shape : SHAPES) {
        if (shape.id == id)
            floorFrame(shape, slices, stacks, camera);
    }
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
// most; otherwise how many differ, and where the first few do, with both
// colours. llvmpipe's precision depends on the size of what it draws into, so
// a level of 1 either way is no difference.
inline std::string differences(const Image& seen, const Image& expected, int allowed)
{
    const auto near = [](int a, int b) { return a - b <= 1 && b - a <= 1; };
    std::ostringstream report;
    if (seen.width != expected.width || seen.height != expected.height) {
        report << seen.width << " x " << seen.height << " pixels, not " << expected.width << " x " << expected.height;
        return report.str();
    }
    int count = 0;
    for (int i = 0; i < seen.width * seen.height; ++i) {
        const Rgb a = seen.pixels[std::size_t(i)], b = expected.pixels[std::size_t(i)];
        if (!(near(a.r, b.r) && near(a.g, b.g) && near(a.b, b.b)) && ++count <= 5)
            report << " at (" << i % seen.width << ", " << i / seen.width << ") expected (" << b.r << ", " << b.g
                   << ", " << b.b << "), observed (" << a.r << ", " << a.g << ", " << a.b << ");";
    }
    return count <= allowed ? "" : std::to_string(count) + " pixels differ:" + report.str();
}
