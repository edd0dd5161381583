#include "gallery/sheet.h"

#include "gallery/captions.h"

#include <algorithm>
#include <cstddef>

// Past this, on either side, the pictures are shrunk: the sheet is an overview
// and the files hold the full pictures. It keeps the sheet's memory near 200 MB
// and its rows well below what libpng accepts.
static constexpr int MAX_SHEET_SIDE = 8192;
static constexpr int SHEET_BORDER = 4;
static constexpr unsigned char SHEET_BORDER_GREY = 0x50;
// Small pictures get a cell this wide, so that a call fits on a line or two.
static constexpr int MIN_CAPTION_WIDTH = 240;
static constexpr int TEXT_MARGIN = 3;
static constexpr unsigned char CALL_COLOUR[RGB_BYTES] = {0xf0, 0xf0, 0xf0};
static constexpr unsigned char HEAD_COLOUR[RGB_BYTES] = {0xff, 0xd0, 0x60};

// Where the pictures and their text go on the sheet, and how far each picture
// is shrunk there so that the sheet stays within its bound.
struct SheetLayout {
    int columns = 0;
    int rows = 0;
    int factor = 1;
    int tile = 0;
    int cellWidth = 0;
    int headHeight = 0;
    int labelHeight = 0;
    int captionHeight = 0;
    int width = 0;
    int height = 0;
};

// The sheet being made; there is one per run.
static SheetLayout layout;

static int cellLeft(int cell)
{
    return SHEET_BORDER + cell % layout.columns * (layout.cellWidth + SHEET_BORDER);
}

static int cellTop(int cell)
{
    const int pitch = layout.labelHeight + layout.tile + layout.captionHeight + SHEET_BORDER;
    return SHEET_BORDER + layout.headHeight + cell / layout.columns * pitch;
}

static int linesOf(const std::string& text, int width)
{
    return static_cast<int>(wrapText(text, width).size());
}

Picture startSheet(const PictureList& list, int size)
{
    layout = SheetLayout{};
    layout.columns = list.columns;
    layout.rows = list.rows;
    const int widest = (MAX_SHEET_SIDE - SHEET_BORDER) / layout.columns - SHEET_BORDER;
    layout.cellWidth = std::min(std::max(size, MIN_CAPTION_WIDTH), widest);
    layout.width = SHEET_BORDER + layout.columns * (layout.cellWidth + SHEET_BORDER);
    const int line = textLineHeight();
    int captionLines = 0;
    for (const PictureEntry& entry : list.pictures)
        captionLines = std::max(captionLines, linesOf(entry.caption, layout.cellWidth - 2 * TEXT_MARGIN));
    layout.captionHeight = captionLines * line + TEXT_MARGIN;
    layout.labelHeight = list.table ? line : 0;
    layout.headHeight = linesOf(list.camera, layout.width - 2 * SHEET_BORDER) * line + layout.labelHeight;

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

    Picture sheet;
    sheet.width = layout.width;
    sheet.height = layout.height;
    sheet.rgb.assign(static_cast<std::size_t>(sheet.width) * sheet.height * RGB_BYTES, SHEET_BORDER_GREY);
    return sheet;
}

void placeOnSheet(Picture& sheet, const PictureEntry& entry, const Picture& picture)
{
    const int factor = layout.factor;
    // All pictures come from one framebuffer of one size, so one that would
    // not fit its cell does not happen; it is left out if it does.
    if (picture.width / factor != layout.tile || picture.height / factor != layout.tile)
        return;
    const int left = cellLeft(entry.cell) + (layout.cellWidth - layout.tile) / 2;
    const int top = cellTop(entry.cell) + layout.labelHeight;
    const int block = factor * factor;
    for (int y = 0; y < layout.tile; ++y) {
        for (int x = 0; x < layout.tile; ++x) {
            for (int channel = 0; channel < RGB_BYTES; ++channel) {
                // A whole picture may go into one pixel: 4096 x 4096 of 255 need more than 32 bits.
                long long sum = 0;
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

bool letterSheet(Picture& sheet, const PictureList& list)
{
    if (!loadGlyphs())
        return false;
    if (layout.headHeight == 0)
        return true;
    drawLines(sheet, wrapText(list.camera, layout.width - 2 * SHEET_BORDER), SHEET_BORDER, SHEET_BORDER, CALL_COLOUR);
    const int captionWidth = layout.cellWidth - 2 * TEXT_MARGIN;
    for (const PictureEntry& entry : list.pictures)
        drawLines(sheet, wrapText(entry.caption, captionWidth), cellLeft(entry.cell) + TEXT_MARGIN,
                  cellTop(entry.cell) + layout.labelHeight + layout.tile + TEXT_MARGIN, CALL_COLOUR);
    if (!list.table)
        return true;
    for (int row = 0; row < layout.rows && row < static_cast<int>(list.rowLabels.size()); ++row)
        drawText(sheet, list.rowLabels[static_cast<std::size_t>(row)], SHEET_BORDER + TEXT_MARGIN,
                 cellTop(row * layout.columns), HEAD_COLOUR);
    // A head that would run into the one before it is left out: with hundreds
    // of columns only every so many are named.
    int free = 0;
    for (int column = 0; column < layout.columns && column < static_cast<int>(list.columnHeads.size()); ++column) {
        const std::string& head = list.columnHeads[static_cast<std::size_t>(column)];
        const int width = textWidth(head);
        const int left = std::max(SHEET_BORDER, cellLeft(column) + (layout.cellWidth - width) / 2);
        if (left < free || left + width > layout.width - SHEET_BORDER)
            continue;
        drawText(sheet, head, left, SHEET_BORDER + layout.headHeight - layout.labelHeight, HEAD_COLOUR);
        free = left + width + TEXT_MARGIN * 2;
    }
    return true;
}
