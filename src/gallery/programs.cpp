#include "gallery/programs.h"

#include "gallery/program_template.h"

#include "app/app.h"
#include "render/frame.h"
#include "render/shapes.h"
#include "viewer/viewer_state.h"

#include <charconv>
#include <cstddef>
#include <utility>
#include <vector>

using Fields = std::vector<std::pair<const char*, std::string>>;

static std::string filled(std::string text, const Fields& fields)
{
    for (const auto& [name, value] : fields) {
        const std::string marker = std::string("@") + name + "@";
        for (std::size_t at = 0; (at = text.find(marker, at)) != std::string::npos; at += value.size())
            text.replace(at, marker.size(), value);
    }
    return text;
}

// The shortest decimal that reads back as exactly this value, with a point or
// an exponent so that C reads it as a floating constant: 6.0, 5.4000006,
// 1e+20.
template <typename Value>
static std::string decimal(Value value)
{
    char text[32];
    const auto [end, failure] = std::to_chars(text, text + sizeof text, value);
    std::string result(text, failure == std::errc() ? end : text);
    if (result.find_first_of(".e") == std::string::npos)
        result += ".0";
    return result;
}

static std::string literal(GLfloat value)
{
    return decimal(value) + "f";
}

// The arguments of a call, doubles written as GL's double parameters take them.
static std::string arguments(std::initializer_list<double> values)
{
    std::string result;
    for (const double value : values)
        result += (result.empty() ? "" : ", ") + decimal(value);
    return result;
}

static std::string colour(const GLfloat (&rgba)[4])
{
    return "{" + literal(rgba[0]) + ", " + literal(rgba[1]) + ", " + literal(rgba[2]) + ", " + literal(rgba[3]) + "}";
}

// The GLUT call that draws the shape, drawn or not.
static std::string glutCall(ShapeId shape, const std::string& counts)
{
    const std::string form = shape % 2 == 0 ? "glutWire" : "glutSolid";
    switch (shape) {
    case SHAPE_GLUT_WIRESPHERE:
    case SHAPE_GLUT_SOLIDSPHERE: return form + "Sphere(" + arguments({GLUT_SPHERE_RADIUS}) + counts + ")";
    case SHAPE_GLUT_WIRECONE:
    case SHAPE_GLUT_SOLIDCONE: return form + "Cone(" + arguments({CONE_BASE_RADIUS, CONE_HEIGHT}) + counts + ")";
    case SHAPE_GLUT_WIRECUBE:
    case SHAPE_GLUT_SOLIDCUBE: return form + "Cube(" + arguments({CUBE_EDGE}) + ")";
    case SHAPE_GLUT_WIRETORUS:
    case SHAPE_GLUT_SOLIDTORUS:
        return form + "Torus(" + arguments({TORUS_TUBE_RADIUS, TORUS_OUTER_RADIUS}) + counts + ")";
    case SHAPE_GLUT_WIREDODECAHEDRON:
    case SHAPE_GLUT_SOLIDDODECAHEDRON: return form + "Dodecahedron()";
    case SHAPE_GLUT_WIREOCTAHEDRON:
    case SHAPE_GLUT_SOLIDOCTAHEDRON: return form + "Octahedron()";
    case SHAPE_GLUT_WIRETETRAHEDRON:
    case SHAPE_GLUT_SOLIDTETRAHEDRON: return form + "Tetrahedron()";
    case SHAPE_GLUT_WIREICOSAHEDRON:
    case SHAPE_GLUT_SOLIDICOSAHEDRON: return form + "Icosahedron()";
    case SHAPE_GLUT_WIRETEAPOT:
    case SHAPE_GLUT_SOLIDTEAPOT: return form + "Teapot(" + arguments({TEAPOT_SIZE}) + ")";
    default: return "";
    }
}

// The body of drawShape: the calls of src/render/frame.cpp's drawShape and
// its helpers for this shape at these counts.
static std::string shapeCalls(const PictureEntry& entry)
{
    const std::string sliceCount = std::to_string(entry.slices);
    const std::string stackCount = std::to_string(entry.stacks);
    const std::string counts = ", " + sliceCount + ", " + stackCount;
    const Fields quadric = {{"STYLE", entry.shape % 2 == 0 ? "GLU_LINE" : "GLU_FILL"}};
    const auto glu = [&](const char* call, std::initializer_list<double> values, const std::string& after = "") {
        Fields fields = quadric;
        fields.emplace_back("CALL", std::string(call) + "(q, " + arguments(values) + counts + after + ")");
        return filled(QUADRIC_TEMPLATE, fields);
    };
    switch (entry.shape) {
    case SHAPE_GLU_CYLINDER_WIRE:
    case SHAPE_GLU_CYLINDER_SOLID: return glu("gluCylinder", {TUBE_RADIUS, TUBE_RADIUS, TUBE_HEIGHT});
    case SHAPE_GLU_DISK_WIRE:
    case SHAPE_GLU_DISK_SOLID: return glu("gluDisk", {DISK_INNER_RADIUS, DISK_OUTER_RADIUS});
    case SHAPE_GLU_PARTIALDISK_WIRE:
    case SHAPE_GLU_PARTIALDISK_SOLID:
        return glu("gluPartialDisk", {DISK_INNER_RADIUS, DISK_OUTER_RADIUS},
                   ", " + arguments({PARTIAL_DISK_START, PARTIAL_DISK_SWEEP}));
    case SHAPE_GLU_SPHERE_WIRE:
    case SHAPE_GLU_SPHERE_SOLID: return glu("gluSphere", {QUADRIC_SPHERE_RADIUS});
    case SHAPE_CLOSED_CYLINDER_WIRE:
    case SHAPE_CLOSED_CYLINDER_SOLID: {
        Fields fields = quadric;
        fields.insert(fields.end(), {{"LISTS", std::to_string(CLOSED_CYLINDER_LISTS)},
                                     {"CAP", arguments({CAP_INNER_RADIUS, TUBE_RADIUS})},
                                     {"TUBE", arguments({TUBE_RADIUS, TUBE_RADIUS, TUBE_HEIGHT})},
                                     {"HEIGHT", literal(static_cast<GLfloat>(TUBE_HEIGHT))},
                                     {"SLICES", sliceCount},
                                     {"STACKS", stackCount}});
        return filled(CLOSED_CYLINDER_TEMPLATE, fields);
    }
    default: break;
    }
    const std::string call = glutCall(entry.shape, counts);
    if (glutShapeDrawable(entry.shape, entry.slices, entry.stacks))
        return "    " + call + ";\n";
    const char* why = entry.slices < 1 || entry.stacks < 1
                          ? "freeglut draws nothing below 1 slice or stack, and ends the program\n"
                            "       for a sphere or cone with a negative number of slices"
                          : "freeglut numbers the vertices in 16 bits, and past 65535 of them\n"
                            "       it draws a broken shape or ends the program";
    return filled(LEFT_OUT_TEMPLATE, {{"CALL", call}, {"CAPTION", entry.caption}, {"WHY", why}});
}

std::string programName(const PictureEntry& entry)
{
    const std::string& picture = entry.fileName;
    return picture.substr(0, picture.rfind('.')) + ".c";
}

std::string pictureProgram(const PictureEntry& entry, int size, const ProgramCamera& camera)
{
    return filled(PROGRAM_TEMPLATE, {{"SHAPE", shapeCalls(entry)},
                                     {"PROGRAM", programName(entry)},
                                     {"PICTURE", entry.fileName},
                                     {"LABEL", entry.label},
                                     {"SLICES", std::to_string(entry.slices)},
                                     {"STACKS", std::to_string(entry.stacks)},
                                     {"SIZE", std::to_string(size)},
                                     {"POSITION", std::to_string(WINDOW_POSITION)},
                                     {"DISTANCE", literal(camera.distance)},
                                     {"ELEVATION", literal(camera.elevation)},
                                     {"AZIMUTH", literal(camera.azimuth)},
                                     {"TWIST", literal(camera.twist)},
                                     {"RED", colour(AXIS_RED)},
                                     {"GREEN", colour(AXIS_GREEN)},
                                     {"BLUE", colour(AXIS_BLUE)},
                                     {"GREY", colour(SHAPE_GREY)},
                                     {"PERSPECTIVE", arguments({FIELD_OF_VIEW, ASPECT_RATIO, NEAR_PLANE, FAR_PLANE})},
                                     {"AXIS", literal(AXIS_HALF_LENGTH)}});
}
