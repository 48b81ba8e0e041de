#pragma once

#include <climits>
#include <cstdint>
#include <utility>
#include <vector>

#include "geometry/ControlPoint.h"
#include "geometry/CubicBSpline.h"
#include "geometry/Rect.h"
#include "geometry/Rgb.h"
#include "geometry/Rib.h"
#include "geometry/SegmentSubdivision.h"

struct StrokeNode;

// One freehand mark: its control points (canvas units) and what is derived from them:
// one rib list per segment, the outline triangle strip with per-vertex RGBA, and the
// bounding box of the point centres (radius not included).
// Segment i joins point i to point i + 1; a stroke with n points has n - 1 segments.
//
// Incremental outline: the member operations record the first segment they change, and
// buildOutline at the same zoom as the previous build rewrites only the outline from that
// segment on (the result is identical to a full build). Code that writes `points` or
// `ribLists` directly must afterwards call buildAllRibs, resetRibLists or
// invalidateDerived before the next buildOutline or simplify.
class Stroke {
public:
    std::vector<ControlPoint> points;
    std::vector<RibList> ribLists;
    std::vector<float> vertices;  // x, y per outline vertex (triangle strip)
    std::vector<float> colours;   // r, g, b, a per outline vertex: `colour`, the point's opacity
    std::int32_t vertexCount = 0;
    Rect bounds;
    // Set before the first buildOutline; changing it later needs invalidateDerived.
    Rgb colour;
    float ribZoomLimit = 2.0f;
    // Identity on its page, given when the stroke is finished and kept by copies, moves,
    // undo and redo, so that a change can name the strokes it touched. 0: not finished yet.
    std::uint64_t id = 0;
    StrokeNode* listNode = nullptr;  // written by the drawing's stroke list only

    Stroke() = default;
    Stroke(float x, float y, float r, float a);
    // A copy (id included) has no outline until buildOutline runs on it; listNode is not
    // copied.
    Stroke(const Stroke& other);
    Stroke& operator=(const Stroke& other);
    // A move takes the outline along; listNode stays with the list that set it.
    Stroke(Stroke&& other) noexcept;
    Stroke& operator=(Stroke&& other) noexcept;

    int pointCount() const { return static_cast<int>(points.size()); }
    int segmentCount() const { return points.empty() ? 0 : pointCount() - 1; }

    // --- point list ---
    // Appends a point with a provisional straight rib on it. Needs at least one point.
    void addPoint(float x, float y, float r, float a);
    // Removes interior points first..last-1 that the curve reproduces within `tolerance`
    // canvas units, then rebuilds segments first-1..end. Returns last minus the removals.
    int simplify(int first, int last, float zoom, float tolerance);
    // Deviation of point k from the curve its neighbours make without it; 1 <= k <= n - 2.
    // NaN when its neighbours coincide.
    float pointDeviation(int k) const;
    void removeFirstPoint();  // bounds are kept
    void removeLastPoint();   // bounds are kept
    // Keeps points 0..first and last..n-1 with newPoints between; first < last <= n - 1.
    // The caller rebuilds ribs (buildAllRibs), bounds and outline afterwards.
    void replacePoints(int first, int last, const std::vector<ControlPoint>& newPoints);
    // Appends interior points of segment i's curve at about `spacing` canvas units along
    // its chord (one point at t = 0.01 when the chord is shorter than twice the spacing).
    void resampleSegment(int segment, float spacing, std::vector<ControlPoint>& out) const;
    // First run of consecutive segments meeting rect: segments first..end-1. `end` is left
    // unchanged when the run reaches the last segment (callers preset it to n - 1).
    bool findRunInRect(const Rect& rect, int& first, int& end) const;
    void recomputeBounds();

    // --- outline ---
    SegmentControlValues segmentControlValues(int segment) const;
    void resetRibLists();
    void buildSegmentRibs(int segment, float zoom);
    void buildAllRibs(float zoom);
    void rebuildRibsForZoom(float zoom);
    void buildOutline(float zoom);
    void buildExportOutline(float zoom, std::vector<float>& positions,
                            std::vector<float>& opacities) const;

    // Forgets what the incremental outline and bounds remember, so the next buildOutline
    // and simplify start from scratch. Needed only after writing fields directly.
    void invalidateDerived();

    // Changes, to a value no stroke has had before in this run, whenever a member operation
    // may have changed vertices, colours or vertexCount: a copy of the outline kept
    // elsewhere (a GPU buffer) is current while it was taken at this version. Code that
    // writes those fields directly calls invalidateDerived afterwards.
    std::uint64_t outlineVersion() const { return outlineVersion_; }

private:
    static constexpr int kClean = INT_MAX;
    static std::uint64_t freshOutlineVersion();

    std::uint64_t outlineVersion_ = freshOutlineVersion();

    // First segment whose outline part may differ from the last build (kClean: none).
    int dirtyFrom_ = 0;
    bool outlineBuilt_ = false;
    float outlineZoom_ = 0.0f;
    // Offset in `vertices` (floats) where each segment's rib pairs start in the last build.
    std::vector<std::int32_t> segmentStart_;
    // Box of points[0 .. prefixBoxCount_), which simplify never changes.
    Rect prefixBox_;
    int prefixBoxCount_ = 0;

    // Working storage of simplify and rib building, kept so that pen steps do not allocate.
    // Not part of the stroke's value: never copied.
    std::vector<float> deviationScratch_;
    std::vector<int> prevScratch_;
    std::vector<int> nextScratch_;
    std::vector<std::pair<float, int>> heapScratch_;
    SegmentSamples samplesScratch_;
    std::vector<RibCursor> ribStackScratch_;

    int removeByRescan(int first, int last, float tolerance);
    int removeByHeap(int first, int last, float tolerance);
    void markChanged(int segment);
    void forgetPrefixFrom(int point);
    Vec2 spanNormal(int from, int to, int wideFrom, int wideTo) const;
    void clearOutline();
};
