#pragma once

#include <cstdint>
#include <vector>

#include "geometry/ControlPoint.h"
#include "geometry/Rect.h"
#include "geometry/Rib.h"

struct StrokeNode;

// One freehand mark: its control points (canvas units) and what is derived from them:
// one rib list per segment, the outline triangle strip with per-vertex RGBA, and the
// bounding box of the point centres (radius not included).
// Segment i joins point i to point i + 1; a stroke with n points has n - 1 segments.
class Stroke {
public:
    std::vector<ControlPoint> points;
    std::vector<RibList> ribLists;
    std::vector<float> vertices;  // x, y per outline vertex (triangle strip)
    std::vector<float> colours;   // r, g, b, a per outline vertex
    std::int32_t vertexCount = 0;
    Rect bounds;
    float ribZoomLimit = 2.0f;
    StrokeNode* listNode = nullptr;  // written by the drawing's stroke list only

    Stroke() = default;
    Stroke(float x, float y, float r, float a);
    // A copy has no outline until buildOutline runs on it; listNode is not copied.
    Stroke(const Stroke& other);
    Stroke& operator=(const Stroke& other);

    int pointCount() const { return static_cast<int>(points.size()); }

    // --- point list ---
    void addPoint(float x, float y, float r, float a);
    int simplify(int first, int last, float zoom, float tolerance);
    void removeFirstPoint();
    void removeLastPoint();
    void replacePoints(int first, int last, const std::vector<ControlPoint>& newPoints);
    void resampleSegment(int segment, float spacing, std::vector<ControlPoint>& out) const;
    bool findRunInRect(const Rect& rect, int& first, int& end) const;
    void recomputeBounds();

    // --- outline ---
    void resetRibLists();
    void buildSegmentRibs(int segment, float zoom);
    void buildAllRibs(float zoom);
    void rebuildRibsForZoom(float zoom);
    void buildOutline(float zoom);
    void buildExportOutline(float zoom, std::vector<float>& positions,
                            std::vector<float>& opacities) const;
    float pointDeviation(int k) const;
};
