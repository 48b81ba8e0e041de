#pragma once

#include <cstdint>

#include "io/PageStyle.h"

class Drawing;
class Stroke;
class StrokeBuffers;
class StrokeLayer;

// Texture names of the selection box's images (0 draws an untextured quad).
struct SelectionTextures {
    std::uint32_t handle = 0;
    std::uint32_t cancel = 0;
    std::uint32_t remove = 0;
    std::uint32_t defineBrush = 0;
};

// The background picture under the ink: a texture placed on the page (canvas units).
struct BackgroundQuad {
    std::uint32_t texture = 0;  // 0: none
    float x = 0, y = 0, width = 0, height = 0;
    // Changes whenever the texture's contents or placement change (also the part's).
    std::uint64_t version = 0;
    // A sharper picture of the part of the page in view, drawn over the first.
    std::uint32_t partTexture = 0;  // 0: none
    float partX = 0, partY = 0, partWidth = 0, partHeight = 0;
};

// Draws the document into the current GL context: the background picture and the paper,
// the strokes in view under the view transform, the strokes being drawn, the debug overlays, the page frame, the two page-flip
// triangles, the tool cursor, the selection box and the lasso path.
// Expects the y-up pixel projection and an identity model-view on entry and leaves the
// model-view, the polygon mode, the line width and the point size as it found them.
// Finished strokes are drawn from `buffers` when given (one frame of theirs per call), from
// their own arrays otherwise; the strokes being drawn always stream from their arrays. With a
// `layer`, frames whose finished strokes are unchanged copy them from it: the frame must
// then hold nothing but its clear when this is called.
void renderDrawing(const Drawing& drawing, const SelectionTextures& textures = {},
                   StrokeBuffers* buffers = nullptr, StrokeLayer* layer = nullptr,
                   const BackgroundQuad& background = {});

// The background picture (when there is one) and the paper, in canvas units under the
// current model-view. Restores 2-D texturing and the texture binding.
void drawUnderlay(const BackgroundQuad& background, io::Paper paper);

// One stroke body: its outline triangle strip with per-vertex colours, in one draw call.
void drawStrokeBody(const Stroke& stroke);

// Multiplies the model-view matrix by the drawing's canvas-to-screen transform.
void applyViewTransform(const Drawing& drawing);
