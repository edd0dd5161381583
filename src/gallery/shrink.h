#pragma once

#include "gallery/picture.h"

// Shrinks `from` by a whole `factor` (each factor x factor block averaged,
// rounded half up) into `to` with its top left corner at (left, top). Rows and
// columns left over past the last whole block are ignored; the shrunk picture,
// from.width / factor by from.height / factor, must lie inside `to`.
void shrinkInto(const Picture& from, int factor, Picture& to, int left, int top);
