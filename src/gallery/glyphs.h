#pragma once

#include "gallery/picture.h"

#include <string>
#include <vector>

// Text in one of GLUT's bitmap fonts, every line this high.
int textLineHeight();
int textWidth(const std::string& text);
// Any character outside the font's printable ASCII stands as a question mark.
int glyphWidth(char c);

// False when this GL cannot draw the font into a framebuffer object.
bool loadGlyphs();

// One line of text with its top left corner at (left, top), clipped to the picture.
void drawText(Picture& picture, const std::string& line, int left, int top, const unsigned char colour[RGB_BYTES]);
