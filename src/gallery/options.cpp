#include "gallery/options.h"

#include "gallery/card.h"
#include "gallery/picture_list.h"

#include "app/app.h"
#include "controls/controls.h"

#include <getopt.h>

#include <algorithm>
#include <charconv>
#include <string>
#include <system_error>

static constexpr int MAX_SIZE = 4096;
// Enough for any lesson on tessellation. GLU allocates for every vertex of its
// shapes, so far more takes it long and much memory.
static constexpr int MAX_COUNT = 1000;

// The whole text has to be a decimal number: "", "12px" and " 12" are not.
static bool parseNumber(const std::string& text, int& value)
{
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, value);
    return failure == std::errc() && stop == end;
}

static std::vector<std::string> splitAtCommas(const std::string& text)
{
    std::vector<std::string> items;
    std::size_t start = 0;
    for (std::size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1)
        items.push_back(text.substr(start, comma - start));
    items.push_back(text.substr(start));
    return items;
}

// The shapes in the order they are pictured: wire and solid forms in pairs, by id.
static std::vector<ShapeId> galleryShapes()
{
    std::vector<ShapeId> shapes;
    for (ShapeId id = SHAPE_GLU_CYLINDER_WIRE; id <= SHAPE_CLOSED_CYLINDER_SOLID; ++id)
        shapes.push_back(id);
    for (ShapeId id = SHAPE_GLUT_WIRESPHERE; id <= SHAPE_GLUT_SOLIDTEAPOT; ++id)
        shapes.push_back(id);
    return shapes;
}

static bool isShape(int id)
{
    const std::vector<ShapeId> all = galleryShapes();
    return std::find(all.begin(), all.end(), id) != all.end();
}

// A range takes every shape between two shape ids, so 2-37 is all of them and
// the ids 12 to 19, which draw nothing, are passed over.
static bool parseShapes(const std::string& text, std::vector<ShapeId>& shapes, std::string& error)
{
    shapes.clear();
    for (const std::string& item : splitAtCommas(text)) {
        // Searched from the second character, so that "-3" reads as a number.
        const std::size_t dash = item.find('-', 1);
        int first = 0;
        int last = 0;
        const bool numbers = dash == std::string::npos
                                 ? parseNumber(item, first) && parseNumber(item, last)
                                 : parseNumber(item.substr(0, dash), first) && parseNumber(item.substr(dash + 1), last);
        if (!numbers || first > last) {
            error = "--shapes: \"" + item + "\" is not an id or a range of ids such as 20-27";
            return false;
        }
        for (int id : {first, last}) {
            if (!isShape(id)) {
                error = "--shapes: " + std::to_string(id) + " is not the id of a shape (2 to 11, 20 to 37)";
                return false;
            }
        }
        for (ShapeId id : galleryShapes()) {
            if (id < first || id > last)
                continue;
            if (std::find(shapes.begin(), shapes.end(), id) != shapes.end()) {
                error = "--shapes: shape " + std::to_string(id) + " is named twice";
                return false;
            }
            shapes.push_back(id);
        }
    }
    return true;
}

static bool parseCounts(const std::string& text, std::vector<int>& counts, std::string& error)
{
    counts.clear();
    for (const std::string& item : splitAtCommas(text)) {
        int count = 0;
        if (!parseNumber(item, count) || count < 1 || count > MAX_COUNT) {
            error = "--counts: \"" + item + "\" is not a count from 1 to " + std::to_string(MAX_COUNT);
            return false;
        }
        if (std::find(counts.begin(), counts.end(), count) != counts.end()) {
            error = "--counts: " + item + " is named twice";
            return false;
        }
        counts.push_back(count);
    }
    return true;
}

std::string galleryUsage()
{
    return "usage: varenthe-gallery [--size N] [--keys KEYS] [--shapes LIST] [--counts LIST] [--programs] [DIR]\n"
           "  --size N        pictures of N x N pixels, 1 to " +
           std::to_string(MAX_SIZE) + " (default " + std::to_string(WINDOW_SIZE) +
           ")\n"
           "  --keys KEYS     keys handed to the viewer before the first picture, e.g. XXXX or o\n"
           "  --shapes LIST   shape ids or ranges, e.g. 21,27 or 20-27 (default: all " +
           std::to_string(galleryShapes().size()) +
           ")\n"
           "  --counts LIST   one column per count n from 1 to " +
           std::to_string(MAX_COUNT) +
           ", drawn with n slices and n stacks, e.g. 3,6,20\n"
           "  --programs      beside each picture a C program that draws it with GLUT, GLU and GL\n"
           "  -h, --help      print this and exit\n"
           "DIR (default: the current directory) receives one PNG per picture, " +
           CONTACT_SHEET_NAME + " and " + CARD_NAME + ".\n";
}

static bool parseSize(const std::string& text, int& size, std::string& error)
{
    if (parseNumber(text, size) && size >= 1 && size <= MAX_SIZE)
        return true;
    error = "--size: \"" + text + "\" is not a number of pixels from 1 to " + std::to_string(MAX_SIZE);
    return false;
}

static bool parseKeys(const std::string& text, std::string& keys, std::string& error)
{
    // Escape would end the viewer; here there is nothing to end.
    keys = text;
    if (keys.find(static_cast<char>(KEY_ESCAPE)) == std::string::npos)
        return true;
    error = "--keys: Escape ends the viewer and cannot be handed to it here";
    return false;
}

bool parseGalleryArgs(int argc, char** argv, GalleryOptions& options, std::string& error)
{
    enum { SIZE = 1, KEYS, SHAPES, COUNTS, PROGRAMS };
    static const option LONG_OPTIONS[] = {
        {"size", required_argument, nullptr, SIZE},
        {"keys", required_argument, nullptr, KEYS},
        {"shapes", required_argument, nullptr, SHAPES},
        {"counts", required_argument, nullptr, COUNTS},
        {"programs", no_argument, nullptr, PROGRAMS},
        {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0},
    };
    options.size = WINDOW_SIZE;
    options.shapes = galleryShapes();
    // getopt_long keeps its place in globals; a second parse starts afresh.
    optind = 0;
    for (int choice; (choice = getopt_long(argc, argv, "h", LONG_OPTIONS, nullptr)) != -1;) {
        const std::string value = optarg != nullptr ? optarg : "";
        bool valid = true;
        switch (choice) {
        case 'h': options.help = true; return true;
        case SIZE: valid = parseSize(value, options.size, error); break;
        case KEYS: valid = parseKeys(value, options.keys, error); break;
        case SHAPES: valid = parseShapes(value, options.shapes, error); break;
        case COUNTS: valid = parseCounts(value, options.counts, error); break;
        case PROGRAMS: options.programs = true; break;
        // getopt_long has told what is wrong on standard error.
        default: error.clear(); return false;
        }
        if (!valid)
            return false;
    }
    if (argc - optind > 1) {
        error = "one directory only, not both \"" + std::string(argv[optind]) + "\" and \"" + argv[optind + 1] + "\"";
        return false;
    }
    if (optind < argc && *argv[optind] == '\0') {
        error = "the directory \"\" has no name; give one, such as . for the current directory";
        return false;
    }
    if (optind < argc)
        options.dir = argv[optind];
    return true;
}
