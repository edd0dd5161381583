#pragma once

#include <string>
#include <vector>

// Lines of at most width pixels, broken after ", " and failing that after a
// space, the lines after the first of each text line indented where the
// indent leaves room. A piece between two breaks that is wider than a line on
// its own is broken where the line ends. Every line holds at least one glyph,
// so that any width, even one narrower than a glyph, comes to an end; only
// such a line of one glyph is wider than width. The spaces at a break go.
std::vector<std::string> wrapText(const std::string& text, int width);

// The narrowest width at which every line can hold a glyph past the indent.
int narrowestCaptionWidth();
