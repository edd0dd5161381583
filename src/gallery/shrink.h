#pragma once

#include "gallery/picture.h"

// Shrinks `from` by a whole `factor` (each factor x factor block averaged,
// rounded half up) into `to` with its top left corner at (left, top).
void shrinkInto(const Picture& from, int factor, Picture& to, int left, int top);
