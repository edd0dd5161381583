#include "gallery/picture_list.h"

#include "controls/controls.h"
#include "render/frame.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

static constexpr int SHEET_PAIRS_TO_A_ROW = 7;

// Every run of characters other than letters and digits becomes one hyphen, so
// "wire cylinder with top && bottom" gives "wire-cylinder-with-top-bottom".
static std::string slug(const std::string& label)
{
    std::string result;
    bool pendingHyphen = false;
    for (const char c : label) {
        const unsigned char ch = static_cast<unsigned char>(c);
        if (std::isalnum(ch) == 0) {
            pendingHyphen = !result.empty();
            continue;
        }
        if (pendingHyphen)
            result += '-';
        pendingHyphen = false;
        result += static_cast<char>(std::tolower(ch));
    }
    return result;
}

// "20-glut-wiresphere.png": the id, two digits so that a listing sorts by id,
// and the label as a slug; a table's pictures add their counts, as in
// "20-glut-wiresphere-6x6.png".
static std::string fileName(const PictureEntry& entry, bool table)
{
    char number[16];
    std::snprintf(number, sizeof number, "%02d", static_cast<int>(entry.shape));
    const std::string counts = table ? "-" + std::to_string(entry.slices) + "x" + std::to_string(entry.stacks) : "";
    return std::string(number) + "-" + slug(entry.label) + counts + ".png";
}

// In pairs, the first of each pair above the second, so many pairs to a row
// pair; in a table, row by row.
static int cellOf(const PictureList& list, int index)
{
    if (list.table)
        return index;
    const int pair = index / 2;
    const int row = 2 * (pair / list.columns) + index % 2;
    return row * list.columns + pair % list.columns;
}

PictureList listPictures(const GalleryOptions& options)
{
    PictureList list;
    list.table = !options.counts.empty();
    // Without counts, one picture per shape at the counts the keys left.
    const std::size_t perShape = std::max<std::size_t>(options.counts.size(), 1);
    const int count = static_cast<int>(options.shapes.size() * perShape);
    list.columns =
        list.table ? static_cast<int>(options.counts.size()) : std::min((count + 1) / 2, SHEET_PAIRS_TO_A_ROW);
    char camera[CAMERA_TRACE_SIZE];
    formatCameraTrace(camera, sizeof camera);
    list.camera = camera;
    std::string counts;
    for (int n : options.counts) {
        list.columnHeads.push_back(std::to_string(n) + " x " + std::to_string(n));
        counts += (counts.empty() ? "" : ",") + std::to_string(n);
    }
    list.sheetCounts = list.table ? counts + "\t" + counts : std::to_string(slices) + "\t" + std::to_string(stacks);

    // The options hold shape ids only, each with a label.
    for (ShapeId shape : options.shapes) {
        const char* label = menuLabel(shape);
        list.rowLabels.emplace_back(label != nullptr ? label : "");
        for (std::size_t column = 0; column < perShape; ++column) {
            PictureEntry entry;
            entry.shape = shape;
            entry.slices = list.table ? options.counts[column] : slices;
            entry.stacks = list.table ? options.counts[column] : stacks;
            entry.label = list.rowLabels.back();
            entry.fileName = fileName(entry, list.table);
            char caption[SHAPE_DESCRIPTION_SIZE];
            describeShape(shape, entry.slices, entry.stacks, caption, sizeof caption);
            entry.caption = caption;
            entry.cell = cellOf(list, static_cast<int>(list.pictures.size()));
            list.rows = std::max(list.rows, entry.cell / list.columns + 1);
            list.pictures.push_back(entry);
        }
    }
    return list;
}
