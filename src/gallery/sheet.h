#pragma once

#include "gallery/picture.h"
#include "gallery/pictures.h"

// Lays out the contact sheet of the listed pictures of size x size pixels and
// gives it blank: border grey, with room for every picture and its text.
Picture startSheet(const PictureList& list, int size);

// Shrinks the picture into its entry's cell on the sheet.
void placeOnSheet(Picture& sheet, const PictureEntry& entry, const Picture& picture);

// Sets the text on the sheet once every picture is placed: it needs the GL
// context, and leaves the viewer's GL state as it found it. False when GLUT's
// font cannot be drawn here; the sheet then holds the pictures alone.
bool letterSheet(Picture& sheet, const PictureList& list);
