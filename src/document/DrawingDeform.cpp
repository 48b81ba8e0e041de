// Edit-mode deformation: strokes under the active tool are resampled where the tool's
// working area meets them, pushed along with the drag, and simplified again at the release.
#include <algorithm>
#include <cmath>

#include "document/Drawing.h"

namespace {

constexpr int kPrimaryTool = 0;
// Spacing of the samples that replace the deformed part of a stroke, canvas units.
constexpr float kResampleSpacing = 5.0f;
// Shorter strokes are never deformed.
constexpr int kMinDeformedPoints = 3;
// The defined brush leaves denser, rougher points; they are simplified this much more.
constexpr float kBrushExtraSmoothing = 3.0f;

bool allFinite(float a, float b, float c, float d) {
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d);
}

// The active tool's two ways of moving points, so one routine serves both tools.
struct ActiveTool {
    DeformTool* deform = nullptr;       // set for the primary tool
    DefinedBrushTool* brush = nullptr;  // set for the secondary tool
    Vec2 move;                          // canvas units

    void displaceSamples(std::vector<ControlPoint>& samples) const {
        if (deform) {
            deform->displace(move.x, move.y, samples);
        } else {
            brush->displace(move.x, move.y, samples);
        }
    }
    // An end point moves as the samples beside it do: by the same tool.
    void displaceEnd(ControlPoint& p) const {
        if (deform) {
            deform->displace(move.x, move.y, std::span<ControlPoint>(&p, 1));
        } else {
            brush->displacePoint(move.x, move.y, p);
        }
    }
};

// Replaces the first run of segments meeting `area` with pushed samples of their curve.
// The run's end points stay where replacePoints keeps them, so a stroke end inside the run
// is moved here directly.
void deformStroke(Stroke& s, const Rect& area, const ActiveTool& tool, float zoom,
                  std::vector<ControlPoint>& samples) {
    // Every point lies in the bounds, so a stroke whose bounds miss the area has no
    // segment in it: most strokes of a long gesture are passed over here.
    if (!s.bounds.overlaps(area)) return;
    const int n = s.pointCount();
    int first = 0;
    int last = n - 1;
    if (!s.findRunInRect(area, first, last)) return;
    samples.clear();
    for (int i = first; i < last; ++i) s.resampleSegment(i, kResampleSpacing, samples);
    tool.displaceSamples(samples);
    if (first == 0) tool.displaceEnd(s.points.front());
    if (last == n - 1) tool.displaceEnd(s.points.back());
    s.replacePoints(first, last, samples);
    s.recomputeBounds();
    s.buildAllRibs(zoom);
    s.buildOutline(zoom);
}

}  // namespace

void Drawing::beginDeform(float x, float y, int tool) {
    // A press while strokes are still out of the index means the last release was lost:
    // that gesture ends as its release would have ended it, with its own tool.
    if (!deformed.empty() || openDeformTool_ >= 0) {
        endDeform(openDeformTool_ >= 0 ? openDeformTool_ : kPrimaryTool);
    }
    openDeformTool_ = tool == kPrimaryTool ? kPrimaryTool : 1;
    float cx = x;
    float cy = y;
    screenToCanvas(cx, cy);
    if (tool == kPrimaryTool) {
        deformTool.setPosition(cx, cy, x, y);
        deformToolActive = true;
    } else {
        definedBrush.setPosition(cx, cy, x, y);
        brushToolActive = true;
    }
}

void Drawing::deformDrag(float x, float y, float dx, float dy, float /*pressure*/) {
    if (dx == 0.0f && dy == 0.0f) return;
    // A non-finite pointer would carry NaN into every stroke under the tool.
    if (!allFinite(x, y, dx, dy)) return;
    float cx = x;
    float cy = y;
    screenToCanvas(cx, cy);
    // Rotation only: the movement is not divided by the zoom.
    screenDirToCanvas(dx, dy);
    if (!allFinite(cx, cy, dx, dy)) return;

    ActiveTool tool;
    tool.move = {dx, dy};
    Rect area;
    if (deformToolActive) {
        deformTool.setPosition(cx, cy, x, y);
        tool.deform = &deformTool;
        area = deformTool.area();
    } else if (brushToolActive) {
        definedBrush.setPosition(cx, cy, x, y);
        tool.brush = &definedBrush;
        area = definedBrush.area();
    } else {
        return;
    }
    if (area.isEmpty()) return;  // no circles, or no brush defined yet

    // queryStrokes reads the whole result before the first removal below.
    for (Stroke* s : index.queryStrokes(area)) {
        if (s->pointCount() < kMinDeformedPoints) continue;
        if (std::find(deformed.begin(), deformed.end(), s) != deformed.end()) continue;
        // endDeform simplifies every stroke taken here, whether the tool moved it or not.
        if (changes) changes->strokeChanging(*s);
        deformed.push_back(s);
        index.removeStroke(*s);
    }
    std::vector<ControlPoint> samples;
    for (Stroke* s : deformed) deformStroke(*s, area, tool, view.zoom, samples);
}

void Drawing::endDeform(int tool) {
    const float tolerance = tool == kPrimaryTool ? smoothness : smoothness + kBrushExtraSmoothing;
    for (Stroke* s : deformed) {
        s->simplify(1, s->pointCount() - 1, view.zoom, tolerance);
        s->buildOutline(view.zoom);
        index.insertStroke(*s);
    }
    deformed.clear();
    // Only one button drives a gesture, so the other flag can only be left over.
    deformToolActive = false;
    brushToolActive = false;
    openDeformTool_ = -1;
}
