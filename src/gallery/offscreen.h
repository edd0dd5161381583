#pragma once

#include "gallery/picture.h"
#include "gallery/picture_list.h"

#include <GL/gl.h>

#include <string>

// A framebuffer object of size x size pixels, made current for every frame
// after it: the pictures may be larger than the screen. Empty, or why this GL
// cannot make one.
std::string openOffscreen(int size);
void closeOffscreen();

// Makes a framebuffer object with one RGB colour renderbuffer of this size
// and binds it; the caller deletes both.
void bindColourFramebuffer(int width, int height, GLuint& framebuffer, GLuint& colour);

// Sets the viewer state to the picture's shape and counts, the one place the
// gallery does, draws one frame at the camera the keys left, and reads it
// back into picture. False after a message if GL reports an error.
bool drawPicture(const PictureEntry& entry, int size, Picture& picture);
