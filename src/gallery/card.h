#pragma once

#include "gallery/options.h"
#include "gallery/picture_list.h"

#include <string>

constexpr char CARD_NAME[] = "index.html";

// The reference card of a run: a web page with the camera and the keys given,
// then each picture with the calls that drew it as text to select and copy,
// in a table of shapes and counts for --counts, linked to the picture's file
// and, with --programs, to its program. It stands on its own beside the
// pictures, with relative links only, and reads without scripts.
std::string referenceCard(const PictureList& list, const GalleryOptions& options);
