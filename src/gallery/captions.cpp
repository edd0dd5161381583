#include "gallery/captions.h"

#include "gallery/glyphs.h"

#include <algorithm>
#include <climits>
#include <cstddef>

static constexpr char CONTINUATION_INDENT[] = "    ";

int narrowestCaptionWidth()
{
    int widest = 0;
    for (int code = 0; code <= UCHAR_MAX; ++code)
        widest = std::max(widest, glyphWidth(static_cast<char>(code)));
    return textWidth(CONTINUATION_INDENT) + widest;
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

// The arguments of a call, each broken into words if it is too wide for a line.
static std::vector<std::string> breakablePieces(const std::string& text, int width)
{
    std::vector<std::string> parts;
    for (const std::string& argument : pieces(text, ", ")) {
        const std::vector<std::string> words = pieces(argument, " ");
        if (textWidth(trimmed(argument)) > width)
            parts.insert(parts.end(), words.begin(), words.end());
        else
            parts.push_back(argument);
    }
    return parts;
}

// The lines of one line of text.
static void wrapLine(const std::string& text, int width, std::vector<std::string>& lines)
{
    std::string line;
    // Where the line's own text begins, past its indent.
    std::size_t start = 0;
    const auto continueWith = [&](const std::string& next) {
        const bool indented = textWidth(CONTINUATION_INDENT) + glyphWidth(next.empty() ? ' ' : next[0]) <= width;
        line = indented ? CONTINUATION_INDENT : "";
        start = line.size();
    };
    for (const std::string& part : breakablePieces(text, width)) {
        if (trimmed(line).size() > start && textWidth(trimmed(line + part)) > width) {
            lines.push_back(trimmed(line));
            continueWith(part);
        }
        line += part;
        // A piece wider than any line, a call's name in a narrow cell, is
        // broken where the line ends, each line taking at least one glyph:
        // the text says all it can rather than nothing.
        while (trimmed(line).size() > start + 1 && textWidth(trimmed(line)) > width) {
            std::size_t cut = start + 1;
            int used = textWidth(line.substr(0, cut));
            while (used + glyphWidth(line[cut]) <= width) {
                used += glyphWidth(line[cut]);
                ++cut;
            }
            lines.push_back(trimmed(line.substr(0, cut)));
            const std::string rest = line.substr(std::min(line.find_first_not_of(' ', cut), line.size()));
            continueWith(rest);
            line += rest;
        }
    }
    lines.push_back(trimmed(line));
}

std::vector<std::string> wrapText(const std::string& text, int width)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        wrapLine(text.substr(start, end - start), width, lines);
        start = end + 1;
    }
    return lines;
}
