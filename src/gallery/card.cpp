#include "gallery/card.h"

#include "gallery/programs.h"
#include "render/shapes.h"

#include <algorithm>
#include <cstdio>

// Larger pictures are shown scaled down to this, linked to their files.
static constexpr int LARGEST_SHOWN = 400;
// Small pictures get a cell this wide, so that a call fits on a line or two.
static constexpr int MIN_CELL_WIDTH = 240;

// Fonts that Debian's fonts-dejavu-core provides, so that the card looks the
// same wherever it is opened there.
static constexpr char STYLE[] =
    "body { background: #282828; color: #f0f0f0; font: 14px/1.4 \"DejaVu Sans\", sans-serif; margin: 1em; }\n"
    "a { color: #ffd060; }\n"
    "code, kbd, pre { font: 12px/1.3 \"DejaVu Sans Mono\", monospace; }\n"
    "kbd { overflow-wrap: anywhere; }\n"
    ".pictures { display: flex; flex-wrap: wrap; gap: 8px; }\n"
    "figure { margin: 0; padding: 4px; background: #505050; }\n"
    "figure img { display: block; margin: 0 auto; background: #000; }\n"
    "figcaption p { margin: 4px 0; }\n"
    "pre { white-space: pre-wrap; overflow-wrap: anywhere; margin: 4px 0; }\n"
    "table { border-collapse: collapse; }\n"
    "th { color: #ffd060; text-align: left; vertical-align: top; padding: 4px; white-space: nowrap; }\n"
    "td { vertical-align: top; padding: 0 8px 8px 0; }\n";

// Shows the copy buttons and makes them work; without scripts they stay
// hidden and the calls are selected and copied by hand.
static constexpr char COPY_SCRIPT[] = "for (const button of document.querySelectorAll(\"button.copy\")) {\n"
                                      "  button.hidden = false;\n"
                                      "  button.addEventListener(\"click\", () => {\n"
                                      "    const code = button.previousElementSibling;\n"
                                      "    getSelection().selectAllChildren(code);\n"
                                      "    if (navigator.clipboard) navigator.clipboard.writeText(code.textContent);\n"
                                      "  });\n"
                                      "}\n";

// Text and attribute values alike. Bytes that HTML does not take as text, or
// that would not be UTF-8, show as \xNN.
static std::string escaped(const std::string& text)
{
    std::string result;
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        switch (c) {
        case '&': result += "&amp;"; break;
        case '<': result += "&lt;"; break;
        case '>': result += "&gt;"; break;
        case '"': result += "&quot;"; break;
        case '\'': result += "&#39;"; break;
        default:
            if (byte >= ' ' && byte <= '~') {
                result += c;
            } else {
                char code[8];
                std::snprintf(code, sizeof code, "\\x%02x", byte);
                result += code;
            }
        }
    }
    return result;
}

// A caption's lines, kept apart in a <pre>.
static std::string escapedLines(const std::string& text)
{
    std::string result;
    for (std::size_t start = 0, end; start <= text.size(); start = end + 1) {
        end = std::min(text.find('\n', start), text.size());
        result += (start == 0 ? "" : "\n") + escaped(text.substr(start, end - start));
    }
    return result;
}

static std::string joined(std::string text, const std::string& separator)
{
    for (std::size_t at; (at = text.find('\n')) != std::string::npos;)
        text.replace(at, 1, separator);
    return text;
}

static std::string stem(const std::string& fileName)
{
    return fileName.substr(0, fileName.rfind('.'));
}

static std::string figure(const PictureEntry& entry, const GalleryOptions& options)
{
    const std::string shown = std::to_string(std::min(options.size, LARGEST_SHOWN));
    const bool drawn = glutShapeDrawable(entry.shape, entry.slices, entry.stacks);
    const std::string alt = drawn ? joined(entry.caption, "; ") : "the axes alone: " + entry.caption;
    std::string html = "<figure id=\"" + escaped(stem(entry.fileName)) + "\">\n<a href=\"" + escaped(entry.fileName) +
                       "\"><img src=\"" + escaped(entry.fileName) + "\" width=\"" + shown + "\" height=\"" + shown +
                       "\" alt=\"" + escaped(alt) + "\" loading=\"lazy\"></a>\n<figcaption>\n<p>" +
                       escaped(entry.label) + ", " + std::to_string(entry.slices) + " x " +
                       std::to_string(entry.stacks) + "</p>\n";
    // A shape left out has no calls to copy, only the reason.
    if (drawn)
        html += "<pre><code>" + escapedLines(entry.caption) +
                "</code></pre><button type=\"button\" class=\"copy\" hidden>Copy</button>\n";
    else
        html += "<p>The axes alone: " + escaped(entry.caption) + "</p>\n";
    if (options.programs) {
        const std::string program = escaped(programName(entry));
        html += "<p><a href=\"" + program + "\">" + program + "</a></p>\n";
    }
    return html + "</figcaption>\n</figure>\n";
}

static std::string table(const PictureList& list, const GalleryOptions& options)
{
    std::string html = "<table>\n<thead>\n<tr><th scope=\"col\">Shape</th>";
    for (const std::string& head : list.columnHeads)
        html += "<th scope=\"col\">" + escaped(head) + "</th>";
    html += "</tr>\n</thead>\n<tbody>\n";
    for (int row = 0; row < list.rows; ++row) {
        html += "<tr><th scope=\"row\">" + escaped(list.rowLabels[static_cast<std::size_t>(row)]) + "</th>\n";
        for (const PictureEntry& entry : list.pictures) {
            if (entry.cell / list.columns == row)
                html += "<td>\n" + figure(entry, options) + "</td>\n";
        }
        html += "</tr>\n";
    }
    return html + "</tbody>\n</table>\n";
}

std::string referenceCard(const PictureList& list, const GalleryOptions& options)
{
    const std::size_t count = list.pictures.size();
    const std::string pictures = std::to_string(count) + (count == 1 ? " picture" : " pictures");
    const std::string side = std::to_string(options.size);
    const std::string shown = std::to_string(LARGEST_SHOWN);
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                       "<title>varenthe-gallery: " +
                       pictures + "</title>\n<style>\n" + STYLE + "figure { width: " +
                       std::to_string(std::max(std::min(options.size, LARGEST_SHOWN), MIN_CELL_WIDTH)) +
                       "px; }\n</style>\n</head>\n<body>\n<h1>" + pictures + " by varenthe-gallery</h1>\n<p><code>" +
                       escaped(list.camera) + "</code></p>\n";
    html += options.keys.empty() ? "<p>No keys given.</p>\n"
                                 : "<p>Keys given: <kbd>" + escaped(options.keys) + "</kbd></p>\n";
    html += "<p>Each picture is " + side + " x " + side + " pixels" +
            (options.size > LARGEST_SHOWN ? ", shown at " + shown + " x " + shown : "") +
            " and links to its file; the <a href=\"" + std::string(CONTACT_SHEET_NAME) +
            "\">contact sheet</a> has them all.";
    if (options.programs)
        html += " Under each is a C program that draws it with GLUT, GLU and GL alone.";
    html += "</p>\n";
    if (list.table) {
        html += table(list, options);
    } else {
        html += "<div class=\"pictures\">\n";
        for (const PictureEntry& entry : list.pictures)
            html += figure(entry, options);
        html += "</div>\n";
    }
    return html + "<script>\n" + COPY_SCRIPT + "</script>\n</body>\n</html>\n";
}
