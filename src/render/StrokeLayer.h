#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QOpenGLContext;
class QOpenGLFramebufferObject;
class Stroke;

// The finished strokes of a frame kept as a picture, so that frames that change nothing
// about them (a pen stroke in progress, the pointer, the menu) copy the picture instead of
// drawing every stroke again: the time from input to screen then does not grow with the
// page. The picture is made once the strokes' frame has come out the same twice in a row,
// so frames that change them all the time (panning, zooming, erasing) pay nothing extra.
//
// It holds the framebuffer's samples after the clear and the strokes, copied sample for
// sample into a framebuffer of the same sample count and format, so a copied frame is the
// frame drawn directly. Needs the context it was made in current for every call.
class StrokeLayer {
public:
    // What the strokes of a frame depend on besides the GL state the caller keeps constant:
    // the transforms, the viewport, the overlays of the strokes pass and each stroke drawn
    // (address and outline version, in drawing order).
    struct Key {
        std::array<float, 16> projection{};
        std::array<float, 16> modelView{};
        std::array<int, 4> viewport{};
        int target = 0;  // framebuffer drawn into
        bool wireframe = false;
        bool points = false;
        // What the strokes are drawn over (the paper, the background picture): changes
        // whenever that does.
        std::uint64_t underlay = 0;
        std::vector<std::pair<const Stroke*, std::uint64_t>> strokes;
        bool operator==(const Key&) const = default;
    };

    StrokeLayer();
    ~StrokeLayer();
    StrokeLayer(const StrokeLayer&) = delete;
    StrokeLayer& operator=(const StrokeLayer&) = delete;

    // Fills the bound framebuffer, which must hold only the frame's clear, with the strokes:
    // copies the picture when it was made for this key, else draws them with drawStrokes
    // (into the picture first when the key repeats the last frame's). Leaves the binding as
    // it found it. True when the strokes were copied rather than drawn.
    bool paint(Key key, const std::function<void()>& drawStrokes);

    // Reads the transforms, viewport and target framebuffer of the current GL state.
    static Key currentState();

    // Frames whose strokes were copied from the picture.
    std::uint64_t copies() const { return copies_; }

private:
    bool makePicture(const Key& key, int samples);

    QOpenGLContext* context_ = nullptr;
    std::unique_ptr<QOpenGLFramebufferObject> picture_;
    Key pictureKey_;
    Key lastKey_;
    bool havePicture_ = false;
    std::uint64_t copies_ = 0;
};
