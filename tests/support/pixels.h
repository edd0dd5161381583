#pragma once

#include "floor.h"

#include <GL/freeglut.h>
#include <png.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

// Eight-bit RGB, rows from the top, as on the screen and in a PNG file.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

// Empty unless the file is a whole PNG picture.
inline Image readPng(const std::string& path)
{
    png_image reader{};
    reader.version = PNG_IMAGE_VERSION;
    png_image_begin_read_from_file(&reader, path.c_str());
    reader.format = PNG_FORMAT_RGB;
    Image image{static_cast<int>(reader.width), static_cast<int>(reader.height),
                std::vector<unsigned char>(PNG_IMAGE_SIZE(reader))};
    return png_image_finish_read(&reader, nullptr, image.rgb.data(), 0, nullptr) != 0 ? image : Image{};
}

// The floor's window, made once, right of where the viewer's window and menu
// open: where the tests draw what they expect, with the test's GL context.
inline bool floorShown = false;

inline void showFloorWindow()
{
    if (floorShown)
        return;
    int argc = 1;
    char name[] = "floor";
    char* argv[] = {name, nullptr};
    if (glutGet(GLUT_INIT_STATE) == 0)
        glutInit(&argc, argv);
    floorWindow("floor", 1000, 1300, 0);
    glutDisplayFunc([] { floorShown = true; });
    while (!floorShown)
        glutMainLoopEvent();
}

// The renderer and its version, one to a line: what pictures of the same
// frame depend on.
inline std::string rendererNote()
{
    showFloorWindow();
    return std::string(reinterpret_cast<const char*>(glGetString(GL_RENDERER))) + "\n" +
           reinterpret_cast<const char*>(glGetString(GL_VERSION)) + "\n";
}

// The frame that the floor draws, which runs none of the viewer's code, at
// size x size pixels: the expected picture. Offscreen it is drawn into a
// framebuffer object, as the gallery draws, rather than into the window:
// llvmpipe puts a line that runs along the pixels' edges on one side in a
// window and on the other in a framebuffer object.
inline Image floorPicture(int id, int sliceCount, int stackCount, const FloorCamera& camera, int size = 250,
                          bool offscreen = false)
{
    showFloorWindow();
    GLuint framebuffer = 0, colour = 0;
    if (offscreen) {
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glGenRenderbuffers(1, &colour);
        glBindRenderbuffer(GL_RENDERBUFFER, colour);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB8, size, size);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    }
    floorReshape(size, size);
    for (const Shape& shape : SHAPES) {
        if (shape.id == id)
            floorFrame(shape, sliceCount, stackCount, camera);
    }
    Image image{size, size, std::vector<unsigned char>(static_cast<std::size_t>(size) * size * 3)};
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, size, size, GL_RGB, GL_UNSIGNED_BYTE, image.rgb.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteRenderbuffers(1, &colour);
    glDeleteFramebuffers(1, &framebuffer);
    // GL reads the rows from the bottom up.
    const auto row = [&](int y) { return image.rgb.begin() + static_cast<long>(y) * size * 3; };
    for (int y = 0; y < size / 2; ++y)
        std::swap_ranges(row(y), row(y + 1), row(size - 1 - y));
    return image;
}

// Empty when the pictures are the same, or differ in `allowed` pixels at
// most; otherwise how many pixels differ, and where the first few do, with
// both colours. llvmpipe's precision depends on the size of what it draws
// into, so a level of 1 either way is no difference.
inline std::string differences(const Image& seen, const Image& expected, int allowed = 0)
{
    const auto near = [](int a, int b) { return a - b <= 1 && b - a <= 1; };
    std::ostringstream report;
    if (seen.width != expected.width || seen.height != expected.height) {
        report << seen.width << " x " << seen.height << " pixels, not " << expected.width << " x " << expected.height;
        return report.str();
    }
    int count = 0;
    for (std::size_t i = 0; i < seen.rgb.size(); i += 3) {
        const unsigned char *a = &seen.rgb[i], *b = &expected.rgb[i];
        if (!(near(a[0], b[0]) && near(a[1], b[1]) && near(a[2], b[2])) && ++count <= 5)
            report << " at (" << i / 3 % seen.width << ", " << i / 3 / seen.width << ") expected (" << +b[0] << ", "
                   << +b[1] << ", " << +b[2] << "), observed (" << +a[0] << ", " << +a[1] << ", " << +a[2] << ");";
    }
    return count <= allowed ? "" : std::to_string(count) + " pixels differ:" + report.str();
}
