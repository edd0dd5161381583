#include "gallery/gallery.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <system_error>

static constexpr int MAX_SIZE = 4096;
// Enough for any lesson on tessellation; far more makes GLUT allocate without end.
static constexpr int MAX_COUNT = 1000;
static constexpr char KEY_ESCAPE = 27;

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

static bool applyOption(const std::string& name, const std::string& value, GalleryOptions& options, std::string& error)
{
    if (name == "--size") {
        if (parseNumber(value, options.size) && options.size >= 1 && options.size <= MAX_SIZE)
            return true;
        error = "--size: \"" + value + "\" is not a number of pixels from 1 to " + std::to_string(MAX_SIZE);
        return false;
    }
    if (name == "--keys") {
        // Escape would end the viewer; here there is nothing to end.
        if (value.find(KEY_ESCAPE) == std::string::npos) {
            options.keys = value;
            return true;
        }
        error = "--keys: Escape ends the viewer and cannot be handed to it here";
        return false;
    }
    if (value.empty()) {
        error = name + ": the list is empty";
        return false;
    }
    if (name == "--shapes")
        return parseShapes(value, options.shapes, error);
    return parseCounts(value, options.counts, error);
}

bool parseGalleryArgs(int argc, char** argv, GalleryOptions& options, std::string& error)
{
    static const char* const VALUE_OPTIONS[] = {"--size", "--keys", "--shapes", "--counts"};
    options.shapes = galleryShapes();
    bool dirGiven = false;
    for (int index = 1; index < argc; ++index) {
        const std::string arg = argv[index];
        if (arg == "-h" || arg == "--help") {
            options.help = true;
            return true;
        }
        // Both "--size 500" and "--size=500".
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const bool known = std::any_of(std::begin(VALUE_OPTIONS), std::end(VALUE_OPTIONS),
                                       [&](const char* option) { return name == option; });
        if (known) {
            if (equals == std::string::npos && index + 1 == argc) {
                error = name + " needs a value";
                return false;
            }
            const std::string value = equals == std::string::npos ? argv[++index] : arg.substr(equals + 1);
            if (!applyOption(name, value, options, error))
                return false;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option \"" + arg + "\"";
            return false;
        } else if (dirGiven) {
            error = "one directory only, not both \"" + options.dir.string() + "\" and \"" + arg + "\"";
            return false;
        } else {
            options.dir = arg;
            dirGiven = true;
        }
    }
    return true;
}
