#pragma once

#include "gallery/picture.h"
#include "gallery/picture_list.h"

#include <vector>

// The contact sheet of a run: every picture shrunk into its cell, under a
// head with the camera and, for a table, the column heads; each captioned
// with the calls that drew it. It is made in bands, the head and then a row
// of cells each, so that the bands above can be written while the pictures
// below are still being drawn.
class ContactSheet {
public:
    // Lays the sheet out for the listed pictures of size x size pixels, and
    // says on standard error what text it has to leave out. It needs the GL
    // context, for the font.
    ContactSheet(const PictureList& list, int size);

    int width() const { return width_; }
    int height() const { return height_; }

    // Shrinks the picture into its entry's cell.
    void place(const PictureEntry& entry, const Picture& picture);

    // The bands below those taken before, down to the first one that still
    // waits for a picture, each lettered and as wide as the sheet.
    std::vector<Picture> takeFinishedBands();

private:
    struct Band {
        int top = 0;
        int cellsLeft = 0;
        Picture pixels;
    };

    Picture& bandPixels(Band& band, int height);
    void letterHead(Picture& head) const;
    void letterRow(Picture& row, int index) const;
    int cellLeft(int cell) const;

    const PictureList& list_;
    bool lettered_ = false;
    int factor_ = 1;
    int tile_ = 0;
    int cellWidth_ = 0;
    int headHeight_ = 0;
    int labelHeight_ = 0;
    int captionHeight_ = 0;
    int width_ = 0;
    int height_ = 0;
    // The head first, then a band per row of cells.
    std::vector<Band> bands_;
    std::size_t nextBand_ = 0;
};
