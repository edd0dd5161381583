#include "gallery/gallery.h"

#include "controls/controls.h"

#include <cctype>
#include <cstdio>

std::vector<ShapeId> galleryShapes()
{
    std::vector<ShapeId> shapes;
    for (ShapeId id = SHAPE_GLU_CYLINDER_WIRE; id <= SHAPE_CLOSED_CYLINDER_SOLID; ++id)
        shapes.push_back(id);
    for (ShapeId id = SHAPE_GLUT_WIRESPHERE; id <= SHAPE_GLUT_SOLIDTEAPOT; ++id)
        shapes.push_back(id);
    return shapes;
}

// Every run of characters other than letters and digits becomes one hyphen, so
// "wire cylinder with top && bottom" gives "wire-cylinder-with-top-bottom".
static std::string slug(const char* label)
{
    std::string result;
    bool pendingHyphen = false;
    for (const char* c = label; *c != '\0'; ++c) {
        const unsigned char ch = static_cast<unsigned char>(*c);
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

std::string shapeFileName(ShapeId id, int count)
{
    const char* label = menuLabel(id);
    char number[16];
    std::snprintf(number, sizeof number, "%02d", static_cast<int>(id));
    const std::string counts = count >= 1 ? "-" + std::to_string(count) + "x" + std::to_string(count) : "";
    return std::string(number) + "-" + slug(label != nullptr ? label : "shape") + counts + ".png";
}
