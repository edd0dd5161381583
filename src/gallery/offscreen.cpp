// The framebuffer object calls of GL 3.0 are declared only on request.
#define GL_GLEXT_PROTOTYPES

#include "gallery/offscreen.h"

#include "gallery/report.h"
#include "render/frame.h"
#include "viewer/viewer_state.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <vector>

// The pictures are drawn into a framebuffer object rather than the window: the
// pixels of a window that lie outside the screen belong to nobody, and a picture
// may be larger than the screen. Its buffers mirror the window's. The window has
// a depth buffer only if GLX gave it one unasked, and where it has none the
// viewer's depth test passes every fragment; a depth buffer here would change
// the picture.
static GLuint pictureFramebuffer = 0;
static GLuint pictureColour = 0;
static GLuint pictureDepth = 0;

static constexpr int MAX_ERROR_KINDS = 8;

static GLenum depthFormat(GLint bits)
{
    if (bits > 24)
        return GL_DEPTH_COMPONENT32;
    return bits > 16 ? GL_DEPTH_COMPONENT24 : GL_DEPTH_COMPONENT16;
}

void bindColourFramebuffer(int width, int height, GLuint& framebuffer, GLuint& colour)
{
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
}

// Framebuffer objects came with GL 3.0 and, before it, as extensions. A GL
// without them, such as an indirect GLX context, would answer the calls
// below with X protocol errors, which end the program without a word.
static bool hasFramebufferObjects()
{
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return (version != nullptr && std::atoi(version) >= 3) ||
           (extensions != nullptr && std::strstr(extensions, "GL_ARB_framebuffer_object") != nullptr);
}

std::string openOffscreen(int size)
{
    const std::string what = std::to_string(size) + " x " + std::to_string(size) + " framebuffer object";
    if (!hasFramebufferObjects())
        return "this OpenGL has no framebuffer objects to draw the pictures into (an indirect GLX context, for one, "
               "has none)";
    // Errors left by earlier calls would be taken for this one's; GL keeps at
    // most one per kind, and a lost context would keep giving one.
    for (int kind = 0; kind < MAX_ERROR_KINDS && glGetError() != GL_NO_ERROR; ++kind) {
    }
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    bindColourFramebuffer(size, size, pictureFramebuffer, pictureColour);
    if (depthBits > 0) {
        glGenRenderbuffers(1, &pictureDepth);
        glBindRenderbuffer(GL_RENDERBUFFER, pictureDepth);
        glRenderbufferStorage(GL_RENDERBUFFER, depthFormat(depthBits), size, size);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, pictureDepth);
    }
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    if (glGetError() == GL_OUT_OF_MEMORY)
        return "out of memory for a " + what;
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        return "this OpenGL cannot make a " + what + ": it cannot draw into one of this size, or memory is short";
    return "";
}

void closeOffscreen()
{
    // Where none was made, the calls would be X protocol errors too.
    if (pictureFramebuffer == 0)
        return;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteRenderbuffers(1, &pictureColour);
    glDeleteRenderbuffers(1, &pictureDepth);
    glDeleteFramebuffers(1, &pictureFramebuffer);
}

// GL reads rows from the bottom up; a PNG file holds them from the top down.
// Turned over where they are, so that a picture takes its memory once.
static void turnOver(Picture& picture)
{
    const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * RGB_BYTES;
    std::vector<unsigned char> spare(rowBytes);
    for (int top = 0, bottom = picture.height - 1; top < bottom; ++top, --bottom) {
        unsigned char* upper = &picture.rgb[rowBytes * static_cast<std::size_t>(top)];
        unsigned char* lower = &picture.rgb[rowBytes * static_cast<std::size_t>(bottom)];
        std::copy(upper, upper + rowBytes, spare.data());
        std::copy(lower, lower + rowBytes, upper);
        std::copy(spare.begin(), spare.end(), lower);
    }
}

bool drawPicture(const PictureEntry& entry, int size, Picture& picture)
{
    selectedShape = entry.shape;
    slices = entry.slices;
    stacks = entry.stacks;
    onDisplay();
    picture.width = picture.height = size;
    picture.rgb.resize(static_cast<std::size_t>(size) * size * RGB_BYTES);
    // GL's default pack alignment of 4 bytes fits rows of RGB pixels only when
    // the width is a multiple of 4.
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, size, size, GL_RGB, GL_UNSIGNED_BYTE, picture.rgb.data());
    turnOver(picture);
    // A frame that GL refused in part is no picture of the shape.
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR)
        complain("OpenGL failed while drawing %s: %s (error 0x%04x)", entry.fileName.c_str(),
                 reinterpret_cast<const char*>(gluErrorString(error)), error);
    return error == GL_NO_ERROR;
}
