#pragma once

#include <QImage>

#include "io/PageFile.h"

// The page square, canvas (0, 0)-(900, 900), drawn by the stroke renderer at `scale`
// pixels per canvas unit into an offscreen multisampled framebuffer on white: the page's
// strokes, each loaded and outlined at zoom `scale`'s level of detail as the frame draws
// them at that zoom. Top row first (canvas y up, as on screen).
//
// An offscreen pass of its own: needs a current GL context and leaves the framebuffer
// binding, the viewport, both matrices, the clear colour, blending and the polygon mode as
// it found them. A null image when the framebuffer cannot be made.
QImage renderPageImage(const io::PageContent& page, int scale);
