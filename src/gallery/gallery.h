#pragma once

#include "viewer/viewer_state.h"

#include <string>
#include <vector>

// Eight-bit RGB, rows from the top down as in a PNG file, not bottom-up as GL
// reads them back.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

// The shapes in the order they are pictured: wire and solid forms in pairs, by id.
std::vector<ShapeId> galleryShapes();

// "20-glut-wiresphere.png": the id, two digits so that a listing sorts by id, and
// the shape's menu label as a lowercase slug.
std::string shapeFileName(ShapeId id);

// The name of the picture of all shapes together.
constexpr char CONTACT_SHEET_NAME[] = "contact-sheet.png";

// Turns a bottom-up GL readback of width × height RGB pixels into a Picture.
Picture pictureFromGlRows(int width, int height, const std::vector<unsigned char>& bottomUp);

bool isBlack(const Picture& picture);

// Tiles of one size in a grid with a thin border: each wire form above its solid
// form, seven shapes to a row pair.
Picture contactSheet(const std::vector<Picture>& tiles);

// False with a reason in error when the file could not be written.
bool writePng(const std::string& path, const Picture& picture, std::string& error);
