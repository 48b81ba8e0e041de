#include "document/Drawing.h"

#include <algorithm>
#include <span>
#include <unordered_set>

#include "document/StrokesInView.h"
#include "io/PageFile.h"
#include "io/SvgFile.h"

namespace {

// Whether p lies in the triangle abc, edges included (all barycentric coordinates >= 0).
bool inTriangle(Vec2 p, Vec2 a, Vec2 b, Vec2 c) {
    const Vec2 v0 = c - a;
    const Vec2 v1 = b - a;
    const Vec2 v2 = p - a;
    const float d00 = dot(v0, v0);
    const float d01 = dot(v0, v1);
    const float d02 = dot(v0, v2);
    const float d11 = dot(v1, v1);
    const float d12 = dot(v1, v2);
    const float inv = 1.0f / (d00 * d11 - d01 * d01);
    const float u = (d11 * d02 - d01 * d12) * inv;
    const float v = (d00 * d12 - d01 * d02) * inv;
    return u >= 0.0f && v >= 0.0f && 1.0f - u - v >= 0.0f;
}

}  // namespace

Drawing::Drawing(std::ostream& log, Blank)
    : index(kCanvasSize, kCanvasSize, kMinCellSize, log), log_(&log) {
    selectionBox.owner = this;
    brush.setTraceStream(&log);
    deformTool.addCircle({{0.0f, 0.0f}, 25.0f, 0.2f});
}

void Drawing::refreshVisibleStrokes() {
    std::vector<Stroke*> visible;
    strokesInView(*this, visibleRegion(), visible);
    for (Stroke* s : visible) {
        s->rebuildRibsForZoom(view.zoom);
        s->buildOutline(view.zoom);
    }
}

int Drawing::bandHitTest(float x, float y) const {
    screenToCanvas(x, y);
    const Vec2 p(x, y);
    if (inTriangle(p, {0, 50}, {50, 50}, {50, 0})) return 1;
    if (inTriangle(p, {900, 50}, {850, 50}, {850, 0})) return 2;
    return 0;
}

Stroke& Drawing::appendStroke(std::unique_ptr<Stroke> stroke) {
    stroke->id = nextStrokeId;
    nextStrokeId += strokeIdStep;
    Stroke& added = strokes.append(std::move(stroke));
    if (changes) changes->strokeAdded(added);
    return added;
}

void Drawing::removeStroke(Stroke* stroke) { deleteStroke(stroke); }

void Drawing::deleteStroke(Stroke* stroke) { deleteStrokes(std::span<Stroke* const>(&stroke, 1)); }

void Drawing::deleteStrokes(std::span<Stroke* const> doomed) {
    // One pass over `selection` and `deformed` for the whole batch: erasing each stroke
    // from them in turn made deleting n selected strokes cost n times the selection.
    std::unordered_set<const Stroke*> gone;
    gone.reserve(doomed.size());
    for (Stroke* s : doomed) {
        if (strokes.contains(s)) gone.insert(s);
    }
    if (gone.empty()) return;
    const auto isGone = [&gone](const Stroke* s) { return gone.contains(s); };
    const bool hadSelection = !selection.empty();
    std::erase_if(selection, isGone);
    std::erase_if(deformed, isGone);
    if (hadSelection && selection.empty()) selectionBox.hide();
    // No query may find a deleted stroke, whatever the state of its segments.
    for (const Stroke* s : gone) index.forgetStroke(*s);
    for (Stroke* s : doomed) {
        std::unique_ptr<Stroke> taken = strokes.take(s);  // null for a stroke already removed
        if (taken && changes) changes->strokeRemoved(std::move(taken));
    }
}

void Drawing::clear() {
    // Every stroke goes, so the index starts again empty: removing 10,000 strokes segment
    // by segment cost most of a clear (and of every page load).
    if (changes && !strokes.empty()) {
        changes->indexSetAside(index.takeAll());
    } else {
        index.clear();
    }
    std::vector<Stroke*> all;
    all.reserve(strokes.count());
    for (Stroke& s : strokes) all.push_back(&s);
    deleteStrokes(all);
}

namespace {

std::vector<std::span<const ControlPoint>> pointLists(const StrokeList& strokes) {
    std::vector<std::span<const ControlPoint>> lists;
    lists.reserve(strokes.count());
    for (const Stroke& s : strokes) lists.emplace_back(s.points);
    return lists;
}

std::vector<Rgb> colours(const StrokeList& strokes) {
    std::vector<Rgb> all;
    all.reserve(strokes.count());
    for (const Stroke& s : strokes) all.push_back(s.colour);
    return all;
}
}  // namespace

std::string Drawing::pageText() const {
    return io::formatPage(pointLists(strokes), colours(strokes), style);
}

void Drawing::setStyle(const io::PageStyle& next) {
    if (next == style) return;
    if (changes) changes->styleChanging(style);
    style = next;
}

void Drawing::setPaper(io::Paper paper) {
    io::PageStyle next = style;
    next.paper = paper;
    setStyle(next);
}

std::unique_ptr<Stroke> makeLoadedStroke(std::span<const ControlPoint> points, Rgb colour) {
    auto stroke = std::make_unique<Stroke>();
    stroke->colour = colour;
    for (const ControlPoint& p : points) {
        stroke->bounds.include(p.pos());
        stroke->points.push_back(p);
    }
    stroke->resetRibLists();
    stroke->buildAllRibs(1.0f);
    return stroke;
}

void Drawing::loadContent(const io::PageContent& page) {
    for (std::size_t i = 0; i < page.strokes.size(); ++i) {
        if (page.strokes[i].empty()) continue;
        auto stroke =
            makeLoadedStroke(page.strokes[i], i < page.colours.size() ? page.colours[i] : Rgb{});
        stroke->buildOutline(1.0f);
        index.insertStroke(appendStroke(std::move(stroke)));
    }
}

std::vector<io::SvgStrokeOutline> Drawing::exportOutlines() const {
    std::vector<io::SvgStrokeOutline> outlines;
    outlines.reserve(strokes.count());
    for (const Stroke& s : strokes) outlines.push_back(exportOutline(s, view.zoom));
    return outlines;
}

io::SvgStrokeOutline exportOutline(const Stroke& stroke, float zoom) {
    io::SvgStrokeOutline outline;
    outline.colour = stroke.colour;
    if (!stroke.points.empty())
        stroke.buildExportOutline(zoom, outline.positions, outline.opacities);
    return outline;
}

std::vector<io::SvgStrokeOutline> exportOutlines(const io::PageContent& page, float zoom) {
    std::vector<io::SvgStrokeOutline> outlines;
    outlines.reserve(page.strokes.size());
    for (std::size_t i = 0; i < page.strokes.size(); ++i) {
        if (page.strokes[i].empty()) continue;
        const auto stroke =
            makeLoadedStroke(page.strokes[i], i < page.colours.size() ? page.colours[i] : Rgb{});
        // Finer ribs, as the view gets them when it zooms in.
        stroke->rebuildRibsForZoom(zoom);
        outlines.push_back(exportOutline(*stroke, zoom));
    }
    return outlines;
}
