#include "gallery/gallery.h"

#include "controls/controls.h"
#include "render/shapes.h"

#include <algorithm>
#include <cstddef>

// Past this, on either side, the pictures are shrunk: the sheet is an overview
// and the files hold the full pictures. It keeps the sheet's memory near 200 MB
// and its rows well below what libpng accepts.
static constexpr int MAX_SHEET_SIDE = 8192;
static constexpr int SHEET_PAIRS_TO_A_ROW = 7;
static constexpr int SHEET_BORDER = 4;
static constexpr unsigned char SHEET_BORDER_GREY = 0x50;
// Small pictures get a cell this wide, so that a call fits on a line or two.
static constexpr int MIN_CAPTION_WIDTH = 240;
static constexpr int TEXT_MARGIN = 3;
static constexpr unsigned char CALL_COLOUR[RGB_BYTES] = {0xf0, 0xf0, 0xf0};
static constexpr unsigned char HEAD_COLOUR[RGB_BYTES] = {0xff, 0xd0, 0x60};

SheetText sheetText(const std::vector<ShapeId>& shapes, const std::vector<int>& counts)
{
    SheetText text;
    char line[CAMERA_TRACE_SIZE];
    formatCameraTrace(line, sizeof line);
    text.camera = line;
    const std::vector<int> columns = counts.empty() ? std::vector<int>{0} : counts;
    for (ShapeId shape : shapes) {
        const char* label = menuLabel(shape);
        text.rowLabels.emplace_back(label != nullptr ? label : "");
        for (int count : columns) {
            char caption[SHAPE_DESCRIPTION_SIZE];
            describeShape(shape, count > 0 ? count : slices, count > 0 ? count : stacks, caption, sizeof caption);
            text.captions.emplace_back(caption);
        }
    }
    for (int count : counts)
        text.columnHeads.push_back(std::to_string(count) + " x " + std::to_string(count));
    return text;
}

// The grid cell, counted row by row, of the index-th picture.
static int cellOf(const SheetLayout& layout, int index)
{
    if (layout.table)
        return index;
    const int pair = index / 2;
    const int row = 2 * (pair / layout.columns) + index % 2;
    return row * layout.columns + pair % layout.columns;
}

static int cellLeft(const SheetLayout& layout, int cell)
{
    return SHEET_BORDER + cell % layout.columns * (layout.cellWidth + SHEET_BORDER);
}

static int cellTop(const SheetLayout& layout, int cell)
{
    const int pitch = layout.labelHeight + layout.tile + layout.captionHeight + SHEET_BORDER;
    return SHEET_BORDER + layout.headHeight + cell / layout.columns * pitch;
}

static int linesOf(const std::string& text, int width)
{
    return static_cast<int>(wrapText(text, width).size());
}

SheetLayout planSheet(int size, const SheetText& text, int tableColumns)
{
    SheetLayout layout;
    const int pictures = static_cast<int>(text.captions.size());
    if (pictures == 0 || size < 1)
        return layout;
    layout.table = tableColumns > 0;
    layout.columns = layout.table ? tableColumns : std::min((pictures + 1) / 2, SHEET_PAIRS_TO_A_ROW);
    layout.rows = 1;
    for (int index = 0; index < pictures; ++index)
        layout.rows = std::max(layout.rows, cellOf(layout, index) / layout.columns + 1);

    const int widest = (MAX_SHEET_SIDE - SHEET_BORDER) / layout.columns - SHEET_BORDER;
    layout.cellWidth = std::min(std::max(size, MIN_CAPTION_WIDTH), widest);
    layout.width = SHEET_BORDER + layout.columns * (layout.cellWidth + SHEET_BORDER);
    const int line = textLineHeight();
    int captionLines = 0;
    for (const std::string& caption : text.captions)
        captionLines = std::max(captionLines, linesOf(caption, layout.cellWidth - 2 * TEXT_MARGIN));
    layout.captionHeight = captionLines * line + TEXT_MARGIN;
    layout.labelHeight = layout.table ? line : 0;
    layout.headHeight = linesOf(text.camera, layout.width - 2 * SHEET_BORDER) * line + layout.labelHeight;

    // The text gives way before the pictures shrink below a pixel; with at
    // most 28 rows it never has to.
    int fixed =
        SHEET_BORDER + layout.headHeight + layout.rows * (layout.labelHeight + layout.captionHeight + SHEET_BORDER);
    if (fixed + layout.rows > MAX_SHEET_SIDE) {
        layout.headHeight = layout.labelHeight = layout.captionHeight = 0;
        fixed = SHEET_BORDER + layout.rows * SHEET_BORDER;
    }
    const int tallest = (MAX_SHEET_SIDE - fixed) / layout.rows;
    const int largest = std::max(1, std::min({size, layout.cellWidth, tallest}));
    layout.factor = (size + largest - 1) / largest;
    layout.tile = size / layout.factor;
    layout.height = fixed + layout.rows * layout.tile;
    return layout;
}

Picture blankSheet(const SheetLayout& layout)
{
    Picture sheet;
    sheet.width = layout.width;
    sheet.height = layout.height;
    sheet.rgb.assign(static_cast<std::size_t>(sheet.width) * sheet.height * RGB_BYTES, SHEET_BORDER_GREY);
    return sheet;
}

void placePicture(Picture& sheet, const SheetLayout& layout, int index, const Picture& picture)
{
    const int factor = layout.factor;
    // All pictures come from one framebuffer of one size, so one that would
    // not fit its cell does not happen; it is left out if it does.
    if (picture.width / factor != layout.tile || picture.height / factor != layout.tile)
        return;
    const int cell = cellOf(layout, index);
    const int left = cellLeft(layout, cell) + (layout.cellWidth - layout.tile) / 2;
    const int top = cellTop(layout, cell) + layout.labelHeight;
    const int block = factor * factor;
    for (int y = 0; y < layout.tile; ++y) {
        for (int x = 0; x < layout.tile; ++x) {
            for (int channel = 0; channel < RGB_BYTES; ++channel) {
                int sum = 0;
                for (int row = y * factor; row < (y + 1) * factor; ++row) {
                    for (int column = x * factor; column < (x + 1) * factor; ++column)
                        sum +=
                            picture.rgb[(static_cast<std::size_t>(row) * picture.width + column) * RGB_BYTES + channel];
                }
                sheet.rgb[(static_cast<std::size_t>(top + y) * sheet.width + left + x) * RGB_BYTES + channel] =
                    static_cast<unsigned char>((sum + block / 2) / block);
            }
        }
    }
}

static void drawLines(Picture& sheet, const std::vector<std::string>& lines, int left, int top,
                      const unsigned char colour[RGB_BYTES])
{
    for (const std::string& line : lines) {
        drawText(sheet, line, left, top, colour);
        top += textLineHeight();
    }
}

void letterSheet(Picture& sheet, const SheetLayout& layout, const SheetText& text)
{
    if (!loadGlyphs() || layout.headHeight == 0)
        return;
    drawLines(sheet, wrapText(text.camera, layout.width - 2 * SHEET_BORDER), SHEET_BORDER, SHEET_BORDER, CALL_COLOUR);
    const int captionWidth = layout.cellWidth - 2 * TEXT_MARGIN;
    for (std::size_t index = 0; index < text.captions.size(); ++index) {
        const int cell = cellOf(layout, static_cast<int>(index));
        drawLines(sheet, wrapText(text.captions[index], captionWidth), cellLeft(layout, cell) + TEXT_MARGIN,
                  cellTop(layout, cell) + layout.labelHeight + layout.tile + TEXT_MARGIN, CALL_COLOUR);
    }
    if (!layout.table)
        return;
    for (int row = 0; row < layout.rows && row < static_cast<int>(text.rowLabels.size()); ++row)
        drawText(sheet, text.rowLabels[static_cast<std::size_t>(row)], SHEET_BORDER + TEXT_MARGIN,
                 cellTop(layout, row * layout.columns), HEAD_COLOUR);
    // A head that would run into the one before it is left out: with hundreds
    // of columns only every so many are named.
    int free = 0;
    for (int column = 0; column < layout.columns && column < static_cast<int>(text.columnHeads.size()); ++column) {
        const std::string& head = text.columnHeads[static_cast<std::size_t>(column)];
        const int width = textWidth(head);
        const int left = std::max(SHEET_BORDER, cellLeft(layout, column) + (layout.cellWidth - width) / 2);
        if (left < free || left + width > layout.width - SHEET_BORDER)
            continue;
        drawText(sheet, head, left, SHEET_BORDER + layout.headHeight - layout.labelHeight, HEAD_COLOUR);
        free = left + width + TEXT_MARGIN * 2;
    }
}
