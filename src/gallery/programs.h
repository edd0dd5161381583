#pragma once

#include "gallery/picture_list.h"

#include <string>

// The camera a program places, as the keys left the viewer's.
struct ProgramCamera {
    float distance = 0.0f;
    float elevation = 0.0f;
    float azimuth = 0.0f;
    float twist = 0.0f;
};

// "21-glut-solidsphere.c", beside the picture 21-glut-solidsphere.png.
std::string programName(const PictureEntry& entry);

// The C99 source of a program that uses GLUT, GLU and GL only and draws the
// picture as the viewer's frame does, call for call: a window of size x size
// pixels titled with the picture's file name, the viewer's fixed state,
// projection and camera, the axes and the shape, or the axes alone with a
// comment where the frame leaves the shape out. Escape ends it with status 0.
std::string pictureProgram(const PictureEntry& entry, int size, const ProgramCamera& camera);
