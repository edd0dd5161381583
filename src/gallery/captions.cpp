// The framebuffer object calls of GL 3.0 and glWindowPos are declared only on request.
#define GL_GLEXT_PROTOTYPES

#include "gallery/captions.h"

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
static constexpr char CONTINUATION_INDENT[] = "    ";
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

int textWidth(const std::string& text)
{
    int width = 0;
    for (char c : text)
        width += glutBitmapWidth(FONT, glyphIndex(c) + FIRST_GLYPH);
    return width;
}

// Pieces that each end at a break: after ", ", or with spaces after every space.
static std::vector<std::string> pieces(const std::string& text, const char* after)
{
    std::vector<std::string> result;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(after, start)) != std::string::npos;
         start = at + std::char_traits<char>::length(after))
        result.push_back(text.substr(start, at + std::char_traits<char>::length(after) - start));
    if (start < text.size())
        result.push_back(text.substr(start));
    return result;
}

static std::string trimmed(const std::string& line)
{
    return line.substr(0, line.find_last_not_of(' ') + 1);
}

std::vector<std::string> wrapText(const std::string& text, int width)
{
    // A cell narrower than its margins has room for nothing, and even an
    // empty line would be too wide for it.
    width = std::max(width, 0);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::vector<std::string> parts;
        for (const std::string& argument : pieces(text.substr(start, end - start), ", ")) {
            const std::vector<std::string> words = pieces(argument, " ");
            if (textWidth(trimmed(argument)) > width)
                parts.insert(parts.end(), words.begin(), words.end());
            else
                parts.push_back(argument);
        }
        std::string line;
        for (const std::string& part : parts) {
            if (!line.empty() && textWidth(trimmed(line + part)) > width) {
                lines.push_back(trimmed(line));
                line = CONTINUATION_INDENT;
            }
            line += part;
            // A piece wider than any line, a call's name in a narrow cell, is
            // broken where the line ends and goes on on the next: the text
            // says all it can rather than nothing. Each line takes at least
            // one character past its indent, and a last one that is still
            // too wide stays as it is: in a cell narrower than a character
            // the breaking would never end.
            while (textWidth(trimmed(line)) > width && line.find_first_not_of(' ') + 1 < trimmed(line).size()) {
                const std::size_t indent = line.find_first_not_of(' ');
                std::size_t cut = line.size() - 1;
                while (cut > indent + 1 && textWidth(line.substr(0, cut)) > width)
                    --cut;
                lines.push_back(line.substr(0, cut));
                line = CONTINUATION_INDENT + line.substr(cut);
            }
        }
        lines.push_back(trimmed(line));
        start = end + 1;
    }
    return lines;
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
