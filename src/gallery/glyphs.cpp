// The framebuffer object calls of GL 3.0 and glWindowPos are declared only on request.
#define GL_GLEXT_PROTOTYPES

#include "gallery/glyphs.h"

#include "gallery/offscreen.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <algorithm>
#include <cstddef>

// GLUT's own font, so the sheet needs no font files: freeglut carries its
// bitmaps. Its glyphs are drawn once into a strip, read back, and then copied
// wherever text goes, which costs no GL round trip per caption.
static void* const FONT = GLUT_BITMAP_HELVETICA_12;
static constexpr int FIRST_GLYPH = ' ';
static constexpr int LAST_GLYPH = '~';
static constexpr int GLYPHS = LAST_GLYPH - FIRST_GLYPH + 1;
// Where a character outside the font's printable ASCII goes.
static constexpr char STAND_IN = '?';
static constexpr unsigned char INK = 0x80;

static std::vector<unsigned char> strip;
static int stripWidth = 0;
static int glyphLeft[GLYPHS + 1];
// The rows of the strip, counted from its bottom, that any glyph inks.
static int inkLowest = 0;
static int inkHighest = -1;

static int glyphIndex(char c)
{
    const int code = static_cast<unsigned char>(c);
    return (code >= FIRST_GLYPH && code <= LAST_GLYPH ? code : STAND_IN) - FIRST_GLYPH;
}

int textLineHeight()
{
    return glutBitmapHeight(FONT);
}

// The font's widths, asked of GLUT once: wrapping a caption looks at each
// glyph many times.
int glyphWidth(char c)
{
    static int widths[GLYPHS] = {};
    static bool known = false;
    if (!known) {
        for (int index = 0; index < GLYPHS; ++index)
            widths[index] = glutBitmapWidth(FONT, FIRST_GLYPH + index);
        known = true;
    }
    return widths[glyphIndex(c)];
}

int textWidth(const std::string& text)
{
    int width = 0;
    for (char c : text)
        width += glyphWidth(c);
    return width;
}

bool loadGlyphs()
{
    if (inkHighest >= inkLowest)
        return true;
    std::string all;
    for (int index = 0; index < GLYPHS; ++index) {
        glyphLeft[index] = stripWidth;
        all += static_cast<char>(FIRST_GLYPH + index);
        stripWidth += glutBitmapWidth(FONT, FIRST_GLYPH + index);
    }
    glyphLeft[GLYPHS] = stripWidth;
    // Twice the line height, the baseline in the middle: the font's descent
    // is not to be had from GLUT, so the ink is found in the strip.
    const int height = 2 * textLineHeight();

    GLint previous = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
    GLuint framebuffer = 0;
    GLuint colour = 0;
    bindColourFramebuffer(stripWidth, height, framebuffer, colour);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) {
        // The viewer lights its scene, and a lit raster position would take
        // its colour from the material; the attributes go back as they were.
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        glViewport(0, 0, stripWidth, height);
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1.0f, 1.0f, 1.0f);
        glWindowPos2i(0, height / 2);
        glutBitmapString(FONT, reinterpret_cast<const unsigned char*>(all.c_str()));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        strip.assign(static_cast<std::size_t>(stripWidth) * height, 0);
        glReadPixels(0, 0, stripWidth, height, GL_RED, GL_UNSIGNED_BYTE, strip.data());
        glPopClientAttrib();
        glPopAttrib();
    }
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous));
    glDeleteRenderbuffers(1, &colour);
    glDeleteFramebuffers(1, &framebuffer);

    inkLowest = height;
    inkHighest = -1;
    for (std::size_t at = 0; at < strip.size(); ++at) {
        if (strip[at] < INK)
            continue;
        const int row = static_cast<int>(at / static_cast<std::size_t>(stripWidth));
        inkLowest = std::min(inkLowest, row);
        inkHighest = std::max(inkHighest, row);
    }
    return inkHighest >= inkLowest;
}

void drawText(Picture& picture, const std::string& line, int left, int top, const unsigned char colour[RGB_BYTES])
{
    if (inkHighest < inkLowest)
        return;
    // The ink sits in the middle of its line.
    const int firstRow = top + (textLineHeight() - (inkHighest - inkLowest + 1)) / 2;
    int x = left;
    for (char c : line) {
        const int glyph = glyphIndex(c);
        for (int column = glyphLeft[glyph]; column < glyphLeft[glyph + 1]; ++column, ++x) {
            for (int row = inkLowest; row <= inkHighest; ++row) {
                const int y = firstRow + inkHighest - row;
                if (x < 0 || y < 0 || x >= picture.width || y >= picture.height ||
                    strip[static_cast<std::size_t>(row) * stripWidth + column] < INK)
                    continue;
                unsigned char* pixel = &picture.rgb[(static_cast<std::size_t>(y) * picture.width + x) * RGB_BYTES];
                std::copy(colour, colour + RGB_BYTES, pixel);
            }
        }
    }
}
