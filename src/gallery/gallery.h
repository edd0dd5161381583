#pragma once

#include "viewer/viewer_state.h"

#include <GL/gl.h>

#include <filesystem>
#include <string>
#include <vector>

constexpr int RGB_BYTES = 3;

// Eight-bit RGB, rows from the top down as in a PNG file, not bottom-up as GL
// reads them back.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

// What the command line asks for. Empty counts mean one picture per shape with
// the counts that the keys left.
struct GalleryOptions {
    int size = 0;
    std::string keys;
    std::vector<ShapeId> shapes;
    std::vector<int> counts;
    std::filesystem::path dir = ".";
    bool help = false;
};

// False with a message in error when the command line is not one the gallery
// can carry out; nothing has been touched then. An empty error means that
// getopt_long has already said what is wrong.
bool parseGalleryArgs(int argc, char** argv, GalleryOptions& options, std::string& error);

// The text of --help, with the limits that the parser applies.
std::string galleryUsage();

// The shapes in the order they are pictured: wire and solid forms in pairs, by id.
std::vector<ShapeId> galleryShapes();

// "20-glut-wiresphere.png": the id, two digits so that a listing sorts by id, and
// the shape's menu label as a lowercase slug. A count of 1 or more adds it as
// slices x stacks: "20-glut-wiresphere-6x6.png".
std::string shapeFileName(ShapeId id, int count = 0);

// The name of the picture of all shapes together.
constexpr char CONTACT_SHEET_NAME[] = "contact-sheet.png";

// A framebuffer object of size x size pixels, made current for every frame
// after it: the pictures may be larger than the screen. False if this GL
// cannot make one.
bool openOffscreen(int size);
void closeOffscreen();

// Makes a framebuffer object with one RGB colour renderbuffer of this size
// and binds it; the caller deletes both.
void bindColourFramebuffer(int width, int height, GLuint& framebuffer, GLuint& colour);

// Draws one frame of the shape, at the counts and camera the viewer state
// holds, and reads it back.
Picture drawAndReadBack(ShapeId shape, int size);

// The text of the contact sheet: the camera once, under each picture the calls
// that drew it, and in a table a head over each column and a label over each row.
struct SheetText {
    std::string camera;
    std::vector<std::string> captions;
    std::vector<std::string> columnHeads;
    std::vector<std::string> rowLabels;
};

// With counts a table, else pairs: the counts that the keys left are the
// viewer state's.
SheetText sheetText(const std::vector<ShapeId>& shapes, const std::vector<int>& counts);

// Where the pictures and their text go on the contact sheet, and how far each
// picture is shrunk there so that the sheet stays within its bound.
struct SheetLayout {
    bool table = false;
    int columns = 0;
    int rows = 0;
    int factor = 1;
    int tile = 0;
    int cellWidth = 0;
    int headHeight = 0;
    int labelHeight = 0;
    int captionHeight = 0;
    int width = 0;
    int height = 0;
};

// Pictures of size x size, in pairs (the first of each pair above the second,
// seven pairs to a row pair) or, with tableColumns, row by row.
SheetLayout planSheet(int size, const SheetText& text, int tableColumns);

// Border grey, with room for everything that the layout places.
Picture blankSheet(const SheetLayout& layout);

// Shrinks the index-th picture into its place on the sheet.
void placePicture(Picture& sheet, const SheetLayout& layout, int index, const Picture& picture);

// Sets the text on the sheet once every picture is drawn: it needs the GL
// context, and leaves the viewer's GL state as it found it.
void letterSheet(Picture& sheet, const SheetLayout& layout, const SheetText& text);

// Text in one of GLUT's bitmap fonts, every line this high.
int textLineHeight();
int textWidth(const std::string& text);

// Lines of at most width pixels, broken after ", " and failing that after a
// space, the lines after the first of each text line indented. Empty when a
// piece between two breaks is wider than that, as text is never cut.
std::vector<std::string> wrapText(const std::string& text, int width);

// False when this GL cannot draw the font into a framebuffer object.
bool loadGlyphs();

// One line of text with its top left corner at (left, top), clipped to the picture.
void drawText(Picture& picture, const std::string& line, int left, int top, const unsigned char colour[RGB_BYTES]);

// Writes the picture as a PNG file named `name` in dir, complete or not at all;
// false with the reason in error.
bool savePicture(const std::filesystem::path& dir, const std::string& name, const Picture& picture, std::string& error);

// From then on SIGHUP, SIGINT and SIGTERM remove the temporary file of a
// picture being saved before they end the program.
void removeTemporaryFilesOnSignals();
