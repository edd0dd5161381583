#include "gallery/contact_sheet.h"

#include "gallery/captions.h"
#include "gallery/glyphs.h"
#include "gallery/report.h"
#include "gallery/shrink.h"

#include <algorithm>
#include <cstddef>
#include <utility>

// Past this, on either side, the pictures are shrunk: the sheet is an overview
// and the files hold the full pictures. It keeps the sheet's rows well below
// what libpng accepts.
static constexpr int MAX_SHEET_SIDE = 8192;
static constexpr int SHEET_BORDER = 4;
static constexpr unsigned char SHEET_BORDER_GREY = 0x50;
// Small pictures get a cell this wide, so that a call fits on a line or two.
static constexpr int MIN_CAPTION_WIDTH = 240;
static constexpr int TEXT_MARGIN = 3;
static constexpr unsigned char CALL_COLOUR[RGB_BYTES] = {0xf0, 0xf0, 0xf0};
static constexpr unsigned char HEAD_COLOUR[RGB_BYTES] = {0xff, 0xd0, 0x60};

static int linesOf(const std::string& text, int width)
{
    return static_cast<int>(wrapText(text, width).size());
}

ContactSheet::ContactSheet(const PictureList& list, int size) : list_(list)
{
    const int columns = list.columns;
    const int rows = list.rows;
    const int widest = (MAX_SHEET_SIDE - SHEET_BORDER) / columns - SHEET_BORDER;
    cellWidth_ = std::min(std::max(size, MIN_CAPTION_WIDTH), widest);
    width_ = SHEET_BORDER + columns * (cellWidth_ + SHEET_BORDER);
    lettered_ = loadGlyphs();
    if (!lettered_)
        warn("GLUT's font cannot be drawn here, so the contact sheet has no text");
    const int line = textLineHeight();
    const int captionWidth = cellWidth_ - 2 * TEXT_MARGIN;
    int captionLines = 0;
    // Decided before any caption is wrapped: in cells this narrow a line
    // could not hold a glyph past its indent.
    if (captionWidth >= narrowestCaptionWidth()) {
        for (const PictureEntry& entry : list.pictures)
            captionLines = std::max(captionLines, linesOf(entry.caption, captionWidth));
    } else if (lettered_) {
        warn("the contact sheet's cells are %d pixels wide, too narrow for the captions (%d at least), so they are "
             "left out",
             cellWidth_, narrowestCaptionWidth() + 2 * TEXT_MARGIN);
    }
    captionHeight_ = captionLines > 0 ? captionLines * line + TEXT_MARGIN : 0;
    labelHeight_ = list.table ? line : 0;
    headHeight_ = linesOf(list.camera, width_ - 2 * SHEET_BORDER) * line + labelHeight_;

    // The text gives way before the pictures shrink below a pixel.
    int fixed = SHEET_BORDER + headHeight_ + rows * (labelHeight_ + captionHeight_ + SHEET_BORDER);
    if (fixed + rows > MAX_SHEET_SIDE) {
        if (lettered_)
            warn("the contact sheet leaves out its text, which would make it taller than %d pixels", MAX_SHEET_SIDE);
        headHeight_ = labelHeight_ = captionHeight_ = 0;
        lettered_ = false;
        fixed = SHEET_BORDER + rows * SHEET_BORDER;
    }
    const int tallest = (MAX_SHEET_SIDE - fixed) / rows;
    const int largest = std::max(1, std::min({size, cellWidth_, tallest}));
    factor_ = (size + largest - 1) / largest;
    tile_ = size / factor_;
    height_ = fixed + rows * tile_;

    bands_.resize(static_cast<std::size_t>(rows) + 1);
    const int pitch = labelHeight_ + tile_ + captionHeight_ + SHEET_BORDER;
    for (int row = 0; row < rows; ++row)
        bands_[static_cast<std::size_t>(row) + 1].top = SHEET_BORDER + headHeight_ + row * pitch;
    for (const PictureEntry& entry : list.pictures)
        ++bands_[static_cast<std::size_t>(entry.cell / columns) + 1].cellsLeft;
}

int ContactSheet::cellLeft(int cell) const
{
    return SHEET_BORDER + cell % list_.columns * (cellWidth_ + SHEET_BORDER);
}

// Made when its first picture comes, or when it is taken, grey.
Picture& ContactSheet::bandPixels(Band& band, int height)
{
    if (band.pixels.rgb.empty()) {
        band.pixels.width = width_;
        band.pixels.height = height;
        band.pixels.rgb.assign(static_cast<std::size_t>(width_) * height * RGB_BYTES, SHEET_BORDER_GREY);
    }
    return band.pixels;
}

void ContactSheet::place(const PictureEntry& entry, const Picture& picture)
{
    const std::size_t row = static_cast<std::size_t>(entry.cell / list_.columns);
    Band& band = bands_[row + 1];
    --band.cellsLeft;
    // All pictures come from one framebuffer of one size, so one that would
    // not fit its cell does not happen; it is left out if it does.
    if (picture.width / factor_ != tile_ || picture.height / factor_ != tile_)
        return;
    const int height = (row + 2 < bands_.size() ? bands_[row + 2].top : height_) - band.top;
    shrinkInto(picture, factor_, bandPixels(band, height), cellLeft(entry.cell) + (cellWidth_ - tile_) / 2,
               labelHeight_);
}

std::vector<Picture> ContactSheet::takeFinishedBands()
{
    std::vector<Picture> finished;
    for (; nextBand_ < bands_.size() && bands_[nextBand_].cellsLeft == 0; ++nextBand_) {
        Band& band = bands_[nextBand_];
        const int height = (nextBand_ + 1 < bands_.size() ? bands_[nextBand_ + 1].top : height_) - band.top;
        Picture& pixels = bandPixels(band, height);
        if (lettered_ && nextBand_ == 0)
            letterHead(pixels);
        else if (lettered_)
            letterRow(pixels, static_cast<int>(nextBand_) - 1);
        finished.push_back(std::move(pixels));
    }
    return finished;
}

static void drawLines(Picture& band, const std::vector<std::string>& lines, int left, int top,
                      const unsigned char colour[RGB_BYTES])
{
    for (const std::string& line : lines) {
        drawText(band, line, left, top, colour);
        top += textLineHeight();
    }
}

void ContactSheet::letterHead(Picture& head) const
{
    drawLines(head, wrapText(list_.camera, width_ - 2 * SHEET_BORDER), SHEET_BORDER, SHEET_BORDER, CALL_COLOUR);
    if (!list_.table)
        return;
    // A head that would run into the one before it is left out: with hundreds
    // of columns only every so many are named.
    int free = 0;
    const int columns = std::min(list_.columns, static_cast<int>(list_.columnHeads.size()));
    for (int column = 0; column < columns; ++column) {
        const std::string& text = list_.columnHeads[static_cast<std::size_t>(column)];
        const int textWidthHere = textWidth(text);
        const int left = std::max(SHEET_BORDER, cellLeft(column) + (cellWidth_ - textWidthHere) / 2);
        if (left < free || left + textWidthHere > width_ - SHEET_BORDER)
            continue;
        drawText(head, text, left, SHEET_BORDER + headHeight_ - labelHeight_, HEAD_COLOUR);
        free = left + textWidthHere + TEXT_MARGIN * 2;
    }
}

void ContactSheet::letterRow(Picture& row, int index) const
{
    if (list_.table && index < static_cast<int>(list_.rowLabels.size()))
        drawText(row, list_.rowLabels[static_cast<std::size_t>(index)], SHEET_BORDER + TEXT_MARGIN, 0, HEAD_COLOUR);
    if (captionHeight_ == 0)
        return;
    const int captionWidth = cellWidth_ - 2 * TEXT_MARGIN;
    for (const PictureEntry& entry : list_.pictures) {
        if (entry.cell / list_.columns == index)
            drawLines(row, wrapText(entry.caption, captionWidth), cellLeft(entry.cell) + TEXT_MARGIN,
                      labelHeight_ + tile_ + TEXT_MARGIN, CALL_COLOUR);
    }
}
