#pragma once

#include "gallery/picture.h"

#include <string>
#include <vector>

// Text in one of GLUT's bitmap fonts, every line this high.
int textLineHeight();
int textWidth(const std::string& text);

// Lines of at most width pixels, broken after ", " and failing that after a
// space, the lines after the first of each text line indented where the
// indent leaves room. A piece between two breaks that is wider than a line on
// its own is broken where the line ends. Every line holds at least one glyph,
// so that any width, even one narrower than a glyph, comes to an end; only
// such a line of one glyph is wider than width. The spaces at a break go.
std::vector<std::string> wrapText(const std::string& text, int width);

// The narrowest width at which every line can hold a glyph past the indent.
int narrowestCaptionWidth();

// False when this GL cannot draw the font into a framebuffer object.
bool loadGlyphs();

// One line of text with its top left corner at (left, top), clipped to the picture.
void drawText(Picture& picture, const std::string& line, int left, int top, const unsigned char colour[RGB_BYTES]);
