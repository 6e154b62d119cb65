#pragma once

#include "widgets/picture_renderer.h"

#include <QImage>
#include <QLineF>
#include <vector>

namespace korvel {

// Sets the pixels of a batch's lines and mesh links, 1 pixel wide, given in user units
// and mapped by m, into a 32-bit image (RGB32 or ARGB32), without a painter. Each line is
// cut to the image, its ends taken at the pixels that hold them, and drawn as runs: a
// steep line as one vertical run per column it crosses, a flat one as one pixel per
// column. Lines that are not finite or lie off the image draw nothing.
// For images of screen size the runs are first counted per column and every pixel is
// then written once, so a dense mesh (half a million links in a few hundred thousand
// pixels) costs about one write per inked pixel instead of one per pixel of every line.
void plotThinLines(QImage& image, const DrawingSurface::Batch& batch, const PictureMapping& m, QRgb ink);

} // namespace korvel
