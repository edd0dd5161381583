#pragma once

#include "viewer/viewer_state.h"

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

// Draws one frame of the shape, at the counts and camera the viewer state
// holds, and reads it back.
Picture drawAndReadBack(ShapeId shape, int size);

// Turns a bottom-up GL readback of width × height RGB pixels into a Picture.
Picture pictureFromGlRows(int width, int height, const std::vector<unsigned char>& bottomUp);

// Each side divided by factor, every factor × factor block averaged into one pixel.
Picture shrink(const Picture& picture, int factor);

// Tiles of one size in pairs, the first of each pair above the second, seven
// pairs to a row pair: with all shapes, each wire form above its solid form.
Picture pairedSheet(const std::vector<Picture>& tiles);

// Tiles of one size row by row, `columns` to a row: one row per shape and one
// column per count.
Picture tableSheet(const std::vector<Picture>& tiles, int columns);

// Writes the picture as a PNG file named `name` in dir, complete or not at all;
// false with the reason in error.
bool savePicture(const std::filesystem::path& dir, const std::string& name, const Picture& picture, std::string& error);

// From then on SIGHUP, SIGINT and SIGTERM remove the temporary file of a
// picture being saved before they end the program.
void removeTemporaryFilesOnSignals();
