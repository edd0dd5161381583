#pragma once

#include "gallery/options.h"

#include <string>
#include <vector>

constexpr char CONTACT_SHEET_NAME[] = "contact-sheet.png";

// One picture of a run: what is drawn, the file it goes to, its line in the
// report and its place and caption on the contact sheet.
struct PictureEntry {
    ShapeId shape = 0;
    int slices = 0;
    int stacks = 0;
    std::string fileName;
    std::string label;
    // The calls that draw it, or why the frame leaves the shape out.
    std::string caption;
    // Its cell on the sheet's grid, counted row by row from the top left.
    int cell = 0;
};

// The pictures of a run in the order they are drawn and reported, and the
// rest of the contact sheet's text.
struct PictureList {
    std::vector<PictureEntry> pictures;
    // A table has a row per shape and a column per count; otherwise the
    // pictures go in pairs, the first of each above the second.
    bool table = false;
    int columns = 0;
    int rows = 0;
    std::string camera;
    std::vector<std::string> columnHeads;
    std::vector<std::string> rowLabels;
    // The sheet's slices and stacks fields in the report.
    std::string sheetCounts;
};

// Made once, after the keys have been handed to the viewer: a picture without
// counts of its own takes those the keys left.
PictureList listPictures(const GalleryOptions& options);
