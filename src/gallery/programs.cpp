#include "gallery/programs.h"

#include "app/app.h"
#include "render/frame.h"
#include "render/shapes.h"
#include "viewer/viewer_state.h"

#include <charconv>
#include <cstddef>
#include <utility>
#include <vector>

// The program of every picture. Each @NAME@ is filled in from the picture or
// from the constants the viewer draws with, so that a change to the frame's
// numbers reaches the programs too; the calls and their order are those of
// src/app/app.cpp, src/viewer/viewer_state.cpp and src/render/frame.cpp.
static constexpr char PROGRAM[] = R"(/* @PICTURE@ of varenthe-gallery, drawn with GLUT, GLU and GL alone
 * as the viewer's frame draws it.
 * Shape: @LABEL@, @SLICES@ slices and @STACKS@ stacks.
 * Window: @SIZE@ x @SIZE@ pixels; Escape ends the program.
 *
 *     cc -std=c99 -Wall -Werror @PROGRAM@ -lglut -lGLU -lGL -lm
 */

#include <GL/glut.h>
#include <stdlib.h>

/* The camera in single precision, as the viewer keeps it. */
static const GLfloat DISTANCE = @DISTANCE@;
static const GLfloat ELEVATION = @ELEVATION@;
static const GLfloat AZIMUTH = @AZIMUTH@;
static const GLfloat TWIST = @TWIST@;

static const GLfloat RED[] = @RED@;
static const GLfloat GREEN[] = @GREEN@;
static const GLfloat BLUE[] = @BLUE@;
static const GLfloat GREY[] = @GREY@;

static void placeCamera(void)
{
    glTranslated(0.0, 0.0, -DISTANCE);
    glRotated(ELEVATION, 1.0, 0.0, 0.0);
    glRotated(AZIMUTH, 0.0, 1.0, 0.0);
    glRotated(-TWIST, 0.0, 0.0, 1.0);
}

/* The aspect ratio stays fixed: a window that is not square stretches the scene. */
static void reshape(int width, int height)
{
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(@PERSPECTIVE@);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    placeCamera();
}

/* With lighting on, the material decides the colour; glColor only keeps the
   current colour in step. */
static void drawAxis(const GLfloat colour[4], GLfloat x, GLfloat y, GLfloat z)
{
    glColor4fv(colour);
    glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, colour);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glVertex3f(-x, -y, -z);
    glVertex3f(x, y, z);
}

static void drawAxes(void)
{
    glPushAttrib(GL_LINE_BIT);
    glBegin(GL_LINES);
    drawAxis(RED, @AXIS@, 0.0f, 0.0f);
    drawAxis(GREEN, 0.0f, @AXIS@, 0.0f);
    drawAxis(BLUE, 0.0f, 0.0f, @AXIS@);
    glEnd();
    glPopAttrib();
}

static void drawShape(void)
{
@SHAPE@}

static void display(void)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    placeCamera();
    drawAxes();
    /* Both faces: the axes left the front material blue. */
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, GREY);
    drawShape();
    glFlush();
}

static void keyboard(unsigned char key, int x, int y)
{
    (void)x;
    (void)y;
    if (key == 27)
        exit(0);
}

int main(int argc, char **argv)
{
    glutInit(&argc, argv);
    /* Single-buffered, and no depth buffer asked for: where the window has
       none, the depth test passes every fragment, and a solid shape shows
       the faces drawn last. */
    glutInitDisplayMode(GLUT_RGB | GLUT_SINGLE);
    glutInitWindowSize(@SIZE@, @SIZE@);
    glutInitWindowPosition(@POSITION@, @POSITION@);
    glutCreateWindow("@PICTURE@");
    glFrontFace(GL_CW);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutKeyboardFunc(keyboard);
    glutMainLoop();
    return 0;
}
)";

// A GLU shape: src/render/quadric_shapes.cpp makes the quadric and deletes it
// around its one call.
static constexpr char WITH_QUADRIC[] = R"(    GLUquadric *q = gluNewQuadric();
    gluQuadricDrawStyle(q, @STYLE@);
    gluQuadricNormals(q, GLU_SMOOTH);
    @CALL@;
    gluDeleteQuadric(q);
)";

// As buildClosedCylinder compiles it and the frame calls it, lists and all.
static constexpr char CLOSED_CYLINDER[] = R"(    GLuint base = glGenLists(@LISTS@);
    GLUquadric *q = gluNewQuadric();
    gluQuadricDrawStyle(q, @STYLE@);
    gluQuadricNormals(q, GLU_SMOOTH);
    /* The caps take stacks sides and slices rings; both face +Z. */
    glNewList(base + 1, GL_COMPILE);
    gluDisk(q, @CAP@, @STACKS@, @SLICES@);
    glEndList();
    glNewList(base, GL_COMPILE);
    glCallList(base + 1);
    gluCylinder(q, @TUBE@, @SLICES@, @STACKS@);
    glTranslatef(0.0f, 0.0f, @HEIGHT@);
    glCallList(base + 1);
    glEndList();
    gluDeleteQuadric(q);
    glCallList(base);
    glDeleteLists(base, @LISTS@);
)";

// What the viewer leaves out, with its reason.
static constexpr char LEFT_OUT[] = R"(    /* Not called: @CALL@;
       @CAPTION@.
       @WHY@,
       so the viewer leaves the shape out and the picture shows the axes alone. */
)";

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
        return filled(WITH_QUADRIC, fields);
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
        return filled(CLOSED_CYLINDER, fields);
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
    return filled(LEFT_OUT, {{"CALL", call}, {"CAPTION", entry.caption}, {"WHY", why}});
}

std::string programName(const PictureEntry& entry)
{
    const std::string& picture = entry.fileName;
    return picture.substr(0, picture.rfind('.')) + ".c";
}

std::string pictureProgram(const PictureEntry& entry, int size, const ProgramCamera& camera)
{
    return filled(PROGRAM, {{"SHAPE", shapeCalls(entry)},
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
