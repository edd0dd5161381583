#include "gallery/programs.h"

#include "app/app.h"
#include "render/frame.h"
#include "render/shapes.h"
#include "viewer/viewer_state.h"

#include <charconv>
#include <cstddef>

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

static std::string literal(double value)
{
    return decimal(value);
}

static std::string literal(GLfloat value)
{
    return decimal(value) + "f";
}

static std::string colour(const GLfloat (&rgba)[4])
{
    return "{" + literal(rgba[0]) + ", " + literal(rgba[1]) + ", " + literal(rgba[2]) + ", " + literal(rgba[3]) + "}";
}

static std::string arguments(std::initializer_list<std::string> values)
{
    std::string result;
    for (const std::string& value : values)
        result += (result.empty() ? "" : ", ") + value;
    return "(" + result + ")";
}

// The quadric's lines of drawShape, as src/render/quadric_shapes.cpp makes
// and deletes it around its one call.
static std::string withQuadric(const char* style, const std::string& call)
{
    return std::string("    GLUquadric *q = gluNewQuadric();\n    gluQuadricDrawStyle(q, ") + style +
           ");\n    gluQuadricNormals(q, GLU_SMOOTH);\n    " + call + ";\n    gluDeleteQuadric(q);\n";
}

// As buildClosedCylinder compiles it and the frame calls it, lists and all.
static std::string closedCylinder(const char* style, const std::string& counts, const std::string& swapped)
{
    const std::string lists = std::to_string(CLOSED_CYLINDER_LISTS);
    return "    GLuint base = glGenLists(" + lists + ");\n    GLUquadric *q = gluNewQuadric();\n" +
           "    gluQuadricDrawStyle(q, " + style + ");\n    gluQuadricNormals(q, GLU_SMOOTH);\n" +
           "    /* The caps take stacks sides and slices rings; both face +Z. */\n" +
           "    glNewList(base + 1, GL_COMPILE);\n    gluDisk" +
           arguments({"q", literal(CAP_INNER_RADIUS), literal(TUBE_RADIUS), swapped}) +
           ";\n    glEndList();\n    glNewList(base, GL_COMPILE);\n    glCallList(base + 1);\n    gluCylinder" +
           arguments({"q", literal(TUBE_RADIUS), literal(TUBE_RADIUS), literal(TUBE_HEIGHT), counts}) +
           ";\n    glTranslatef" +
           arguments({literal(0.0f), literal(0.0f), literal(static_cast<GLfloat>(TUBE_HEIGHT))}) +
           ";\n    glCallList(base + 1);\n    glEndList();\n    gluDeleteQuadric(q);\n    glCallList(base);\n" +
           "    glDeleteLists(base, " + lists + ");\n";
}

// The GLUT call that draws the shape, drawn or not.
static std::string glutCall(ShapeId shape, const std::string& counts)
{
    const std::string form = shape % 2 == 0 ? "glutWire" : "glutSolid";
    switch (shape) {
    case SHAPE_GLUT_WIRESPHERE:
    case SHAPE_GLUT_SOLIDSPHERE: return form + "Sphere" + arguments({literal(GLUT_SPHERE_RADIUS), counts});
    case SHAPE_GLUT_WIRECONE:
    case SHAPE_GLUT_SOLIDCONE:
        return form + "Cone" + arguments({literal(CONE_BASE_RADIUS), literal(CONE_HEIGHT), counts});
    case SHAPE_GLUT_WIRECUBE:
    case SHAPE_GLUT_SOLIDCUBE: return form + "Cube" + arguments({literal(CUBE_EDGE)});
    case SHAPE_GLUT_WIRETORUS:
    case SHAPE_GLUT_SOLIDTORUS:
        return form + "Torus" + arguments({literal(TORUS_TUBE_RADIUS), literal(TORUS_OUTER_RADIUS), counts});
    case SHAPE_GLUT_WIREDODECAHEDRON:
    case SHAPE_GLUT_SOLIDDODECAHEDRON: return form + "Dodecahedron()";
    case SHAPE_GLUT_WIREOCTAHEDRON:
    case SHAPE_GLUT_SOLIDOCTAHEDRON: return form + "Octahedron()";
    case SHAPE_GLUT_WIRETETRAHEDRON:
    case SHAPE_GLUT_SOLIDTETRAHEDRON: return form + "Tetrahedron()";
    case SHAPE_GLUT_WIREICOSAHEDRON:
    case SHAPE_GLUT_SOLIDICOSAHEDRON: return form + "Icosahedron()";
    case SHAPE_GLUT_WIRETEAPOT:
    case SHAPE_GLUT_SOLIDTEAPOT: return form + "Teapot" + arguments({literal(TEAPOT_SIZE)});
    default: return "";
    }
}

// The body of drawShape: the calls of src/render/frame.cpp's drawShape and
// its helpers for this shape at these counts.
static std::string shapeCalls(const PictureEntry& entry)
{
    const std::string counts = std::to_string(entry.slices) + ", " + std::to_string(entry.stacks);
    const std::string swapped = std::to_string(entry.stacks) + ", " + std::to_string(entry.slices);
    const char* style = entry.shape % 2 == 0 ? "GLU_LINE" : "GLU_FILL";
    switch (entry.shape) {
    case SHAPE_GLU_CYLINDER_WIRE:
    case SHAPE_GLU_CYLINDER_SOLID:
        return withQuadric(style, "gluCylinder" + arguments({"q", literal(TUBE_RADIUS), literal(TUBE_RADIUS),
                                                             literal(TUBE_HEIGHT), counts}));
    case SHAPE_GLU_DISK_WIRE:
    case SHAPE_GLU_DISK_SOLID:
        return withQuadric(style, "gluDisk" +
                                      arguments({"q", literal(DISK_INNER_RADIUS), literal(DISK_OUTER_RADIUS), counts}));
    case SHAPE_GLU_PARTIALDISK_WIRE:
    case SHAPE_GLU_PARTIALDISK_SOLID:
        return withQuadric(style, "gluPartialDisk" +
                                      arguments({"q", literal(DISK_INNER_RADIUS), literal(DISK_OUTER_RADIUS), counts,
                                                 literal(PARTIAL_DISK_START), literal(PARTIAL_DISK_SWEEP)}));
    case SHAPE_GLU_SPHERE_WIRE:
    case SHAPE_GLU_SPHERE_SOLID:
        return withQuadric(style, "gluSphere" + arguments({"q", literal(QUADRIC_SPHERE_RADIUS), counts}));
    case SHAPE_CLOSED_CYLINDER_WIRE:
    case SHAPE_CLOSED_CYLINDER_SOLID: return closedCylinder(style, counts, swapped);
    default: break;
    }
    const std::string call = glutCall(entry.shape, counts);
    if (glutShapeDrawable(entry.shape, entry.slices, entry.stacks))
        return "    " + call + ";\n";
    const std::string why = entry.slices < 1 || entry.stacks < 1
                                ? "freeglut draws nothing below 1 slice or stack, and ends the\n"
                                  "       program for a sphere or cone with a negative number of slices"
                                : "freeglut numbers the vertices in 16 bits, and past\n"
                                  "       65535 of them draws a broken shape or ends the program";
    return "    /* " + call + " is not called: " + entry.caption + ".\n       " + why +
           ", so the viewer\n       leaves the shape out and shows the axes alone. */\n";
}

std::string programName(const PictureEntry& entry)
{
    const std::string& picture = entry.fileName;
    return picture.substr(0, picture.rfind('.')) + ".c";
}

std::string pictureProgram(const PictureEntry& entry, int size, const ProgramCamera& camera)
{
    const std::string name = programName(entry);
    const std::string side = std::to_string(size);
    const std::string place = std::to_string(WINDOW_POSITION);
    const std::string axis = literal(AXIS_HALF_LENGTH);
    const std::string zero = literal(0.0f);
    return "/* " + name + ": " + entry.fileName + " of varenthe-gallery, drawn by GLUT,\n" +
           " * GLU and GL alone as the viewer's frame draws it: " + entry.label + " at\n * " +
           std::to_string(entry.slices) + " slices and " + std::to_string(entry.stacks) + " stacks, in a window of " +
           side + " x " + side + " pixels. Escape ends it.\n *\n" + " *     cc -std=c99 -Wall -Werror " + name +
           " -lglut -lGLU -lGL -lm\n */\n\n" + "#include <GL/glut.h>\n#include <stdlib.h>\n\n" +
           "/* The camera in single precision, as the viewer keeps it. */\n" +
           "static const GLfloat DISTANCE = " + literal(camera.distance) + ";\n" +
           "static const GLfloat ELEVATION = " + literal(camera.elevation) + ";\n" +
           "static const GLfloat AZIMUTH = " + literal(camera.azimuth) + ";\n" +
           "static const GLfloat TWIST = " + literal(camera.twist) + ";\n\n" +
           "static const GLfloat RED[] = " + colour(AXIS_RED) + ";\n" +
           "static const GLfloat GREEN[] = " + colour(AXIS_GREEN) + ";\n" +
           "static const GLfloat BLUE[] = " + colour(AXIS_BLUE) + ";\n" +
           "static const GLfloat GREY[] = " + colour(SHAPE_GREY) + ";\n\n" +
           "static void placeCamera(void)\n{\n    glTranslated(0.0, 0.0, -DISTANCE);\n" +
           "    glRotated(ELEVATION, 1.0, 0.0, 0.0);\n    glRotated(AZIMUTH, 0.0, 1.0, 0.0);\n" +
           "    glRotated(-TWIST, 0.0, 0.0, 1.0);\n}\n\n" +
           "/* The aspect ratio stays fixed: a window that is not square stretches the scene. */\n" +
           "static void reshape(int width, int height)\n{\n    glViewport(0, 0, width, height);\n" +
           "    glMatrixMode(GL_PROJECTION);\n    glLoadIdentity();\n    gluPerspective" +
           arguments({literal(FIELD_OF_VIEW), literal(ASPECT_RATIO), literal(NEAR_PLANE), literal(FAR_PLANE)}) +
           ";\n    glMatrixMode(GL_MODELVIEW);\n    glLoadIdentity();\n    placeCamera();\n}\n\n" +
           "/* With lighting on, the material decides the colour; glColor only keeps the\n" +
           "   current colour in step. */\n" +
           "static void drawAxis(const GLfloat colour[4], GLfloat x, GLfloat y, GLfloat z)\n{\n" +
           "    glColor4fv(colour);\n    glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, colour);\n" +
           "    glNormal3f(" + zero + ", " + zero + ", " + literal(1.0f) + ");\n" +
           "    glVertex3f(-x, -y, -z);\n    glVertex3f(x, y, z);\n}\n\n" +
           "static void drawAxes(void)\n{\n    glPushAttrib(GL_LINE_BIT);\n    glBegin(GL_LINES);\n" +
           "    drawAxis(RED, " + axis + ", " + zero + ", " + zero + ");\n" + "    drawAxis(GREEN, " + zero + ", " +
           axis + ", " + zero + ");\n" + "    drawAxis(BLUE, " + zero + ", " + zero + ", " + axis + ");\n" +
           "    glEnd();\n    glPopAttrib();\n}\n\n" + "static void drawShape(void)\n{\n" + shapeCalls(entry) +
           "}\n\n" + "static void display(void)\n{\n    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);\n" +
           "    glMatrixMode(GL_MODELVIEW);\n    glLoadIdentity();\n    placeCamera();\n    drawAxes();\n" +
           "    /* Both faces: the axes left the front material blue. */\n" +
           "    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, GREY);\n    drawShape();\n" +
           "    glFlush();\n}\n\n" +
           "static void keyboard(unsigned char key, int x, int y)\n{\n    (void)x;\n    (void)y;\n" +
           "    if (key == 27)\n        exit(0);\n}\n\n" +
           "int main(int argc, char **argv)\n{\n    glutInit(&argc, argv);\n" +
           "    /* Single-buffered, and no depth buffer asked for: where the window has\n" +
           "       none, the depth test passes every fragment, and a solid shape shows\n" +
           "       the faces drawn last. */\n" + "    glutInitDisplayMode(GLUT_RGB | GLUT_SINGLE);\n" +
           "    glutInitWindowSize(" + side + ", " + side + ");\n" + "    glutInitWindowPosition(" + place + ", " +
           place + ");\n" + "    glutCreateWindow(\"" + entry.fileName + "\");\n" +
           "    glFrontFace(GL_CW);\n    glEnable(GL_LIGHTING);\n    glEnable(GL_LIGHT0);\n" +
           "    glEnable(GL_DEPTH_TEST);\n    glutDisplayFunc(display);\n    glutReshapeFunc(reshape);\n" +
           "    glutKeyboardFunc(keyboard);\n    glutMainLoop();\n    return 0;\n}\n";
}
