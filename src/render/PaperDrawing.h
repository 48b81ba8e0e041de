#pragma once

#include "io/PageStyle.h"

// Draws the paper's lines and dots (io::paperPattern) in canvas units under the current
// model-view: lines as quads kPaperLineWidth wide, dots as discs, so that they grow with
// the zoom as the ink does. Leaves the colour changed; nothing else.
void drawPaper(io::Paper paper);
