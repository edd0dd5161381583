#pragma once

#include "floor.h"

#include <GL/freeglut.h>

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

// The floor's window, made once, right of where the viewer's window and menu
// open: where the tests draw what they expect, with the test's GL context.
inline void showFloorWindow()
{
    static bool shown = false;
    if (shown)
        return;
    int argc = 1;
    char name[] = "floor";
    char* argv[] = {name, nullptr};
    if (glutGet(GLUT_INIT_STATE) == 0)
        glutInit(&argc, argv);
    floorWindow("floor", 1000, 1300, 0);
    glutDisplayFunc([] { shown = true; });
    while (!shown)
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
inline Image floorPicture(int id, int slices, int stacks, const FloorCamera& camera, int size = 250,
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
            floorFrame(shape, slices, stacks, camera);
    }
    std::vector<unsigned char> rgb(static_cast<std::size_t>(size) * size * 3);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, size, size, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteRenderbuffers(1, &colour);
    glDeleteFramebuffers(1, &framebuffer);
    Image image{size, size, {}};
    for (int i = 0; i < size * size; ++i) {
        const std::size_t from = 3 * (static_cast<std::size_t>(size - 1 - i / size) * size + i % size);
        image.pixels.push_back({rgb[from], rgb[from + 1], rgb[from + 2]});
    }
    return image;
}

// Empty when the pictures are the same; otherwise how many pixels differ,
// and where the first few do, with both colours. llvmpipe's precision
// depends on the size of what it draws into, so a level of 1 either way is
// no difference.
inline std::string differences(const Image& seen, const Image& expected)
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
    return count == 0 ? "" : std::to_string(count) + " pixels differ:" + report.str();
}
