#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "brush/BrushDynamics.h"
#include "brush/DefinedBrushTool.h"
#include "brush/DeformTool.h"
#include "document/ChangeSink.h"
#include "document/QuadTree.h"
#include "document/SelectionBox.h"
#include "document/StrokeInProgress.h"
#include "document/StrokeList.h"
#include "document/View.h"
#include "geometry/Rect.h"
#include "geometry/Stroke.h"
#include "io/PageFile.h"
#include "io/SvgFile.h"

// The one document: finished strokes (oldest first), the strokes being drawn (one per
// pointer: the mouse, the pen and every touch contact draw at the same time), the spatial
// index over the canvas square (0, 0)-(900, 900), the view, the brush, the edit-mode tools
// and the selection. Operations take screen coordinates (pixels, y-up) and map them with
// the view; everything stored is in canvas units.
//
// Invariants: every stroke in `strokes` outside `deformed` (strokes under a deformation
// drag) is in `index` as it was last inserted: each of its segments that lies inside the
// canvas square (a dot's point as a segment of no length), and its box (one-point strokes and strokes off the square included), by
// which the view finds it; no stroke in progress is in `strokes`; `selection` and `deformed`
// only point at strokes in `strokes`; stroke ids are unique and ascend along `strokes`.
class Drawing {
public:
    static constexpr float kCanvasSize = 900.0f;
    static constexpr float kMinCellSize = 8.0f;

    // Builds the index (printing its depth to `log`), then loads "0.xml" from the working
    // directory. Diagnostics go to `log`, which must outlive the drawing.
    explicit Drawing(std::ostream& log);
    Drawing();
    // An empty page, read from no file (a board without files).
    struct Blank {};
    Drawing(std::ostream& log, Blank);
    Drawing(const Drawing&) = delete;
    Drawing& operator=(const Drawing&) = delete;

    // --- state read by the controller and the renderer ---
    StrokeList strokes;
    QuadTree index;
    SelectionBox selectionBox;
    std::vector<Stroke*> deformed;   // not owned: strokes out of the index during a deformation
    std::vector<Stroke*> selection;  // not owned: selected strokes, in selection order
    // Not owned: the stroke in progress of the pointer that began drawing first (null when
    // none, or when that press landed off the page); with one pointer, the stroke being drawn.
    Stroke* current = nullptr;
    // Of that same stroke: its first point not yet simplified (1 when none is drawn).
    std::int32_t firstUnsimplified = 1;
    View view;
    float smoothness = 1.0f;  // simplification tolerance, canvas units
    bool wireframe = false;
    bool showPoints = false;
    BrushDynamics brush;
    DeformTool deformTool;
    DefinedBrushTool definedBrush;
    float minPointSpacing = 4.0f;  // screen travel between two added points, pixels
    bool deformToolActive = false;
    bool drawingActive = false;  // some pointer is drawing a stroke
    bool brushToolActive = false;
    std::int32_t mode = 0;  // 0 draw, 1 edit
    // Other boards' strokes in progress on a shared page: drawn over the page, never part
    // of it (each arrives finished as a change), in no index. Kept by the sharing session.
    std::vector<std::unique_ptr<Stroke>> visitingInk;
    // Told of every change of `strokes` (not owned; may be null).
    ChangeSink* changes = nullptr;
    // The id the next finished stroke gets; ids are never reused in a run. Each stroke
    // takes the next id and moves it on by the step: a board sharing a room counts in steps
    // of its room-wide numbering (nextStrokeId keeps the board's own low bits), so that its
    // ids differ from every other board's.
    std::uint64_t nextStrokeId = 1;
    std::uint64_t strokeIdStep = 1;
    // The page's paper and background; written through setStyle, which tells `changes`.
    io::PageStyle style;
    void setStyle(const io::PageStyle& next);
    void setPaper(io::Paper paper);

    // --- view (see View) ---
    void screenToCanvas(float& x, float& y) const { view.screenToCanvas(x, y); }
    void screenDirToCanvas(float& dx, float& dy) const { view.screenDirToCanvas(dx, dy); }
    void rotateView(float radians) { view.rotateView(radians); }
    void panView(float dx, float dy) { view.panView(dx, dy); }
    void zoomView(float step) { view.zoomView(step); }
    void startViewReset(std::uint32_t nowMs) { view.startViewReset(nowMs); }
    void stepViewReset(std::uint32_t nowMs) { view.stepViewReset(nowMs); }
    Rect visibleRegion() const { return view.visibleRegion(); }
    // Rebuilds, at the current zoom, ribs and outline of every stroke in view.
    void refreshVisibleStrokes();
    // 1 or 2 when the screen point lies in the previous-page or next-page triangle at the
    // page's top corners (canvas (0,0)-(50,50) and (850,0)-(900,50)), else 0.
    int bandHitTest(float x, float y) const;

    // --- stroke list ---
    // Appends a finished stroke (taking ownership) with a new id; does not index it: the
    // caller inserts it into `index`, or no frame shows it.
    Stroke& appendStroke(std::unique_ptr<Stroke> stroke);
    // Deletes a stroke of the list and drops it from `selection` and `deformed`; a stroke
    // not in the list is ignored. The caller removes its segments from the index first.
    void removeStroke(Stroke* stroke);
    // Every stroke leaves the index and is deleted. `current` and the view stay.
    void clear();

    // --- drawing and erasing (screen coordinates; pressure 1 without a pen) ---
    // Each pointer draws its own stroke with its own brush follower; strokes join the list
    // in the order they end. A pointer that begins while its stroke is still open (its
    // release was lost) ends that stroke first.
    void beginStroke(float x, float y, float pressure, PointerKey pointer = {});
    // (dx, dy): pointer movement since the previous event, screen pixels.
    void extendStroke(float x, float y, float dx, float dy, float pressure,
                      PointerKey pointer = {});
    // Finishes the pointer's stroke; one that never moved past its first point is kept as
    // a dot (the full stop, the dot of an "i"). Whoever does not want it withdraws it.
    void endStroke(float x, float y, PointerKey pointer = {});
    // Gives a finished stroke new control points (two or more), as one change of that
    // stroke: its ribs, bounds, index entry and outline follow. A stroke not in the list, or
    // fewer points, change nothing.
    void reshapeStroke(Stroke& stroke, std::vector<ControlPoint> points);
    // Drops the pointer's stroke in progress as if it had never been begun.
    void withdrawStroke(PointerKey pointer);
    const std::vector<StrokeInProgress>& strokesInProgress() const { return inProgress_; }
    // The pointer's stroke in progress, or null.
    const Stroke* strokeInProgress(PointerKey pointer) const;
    void eraseAt(float x, float y, float pressure, PointerKey pointer = {});
    // Erases what the eraser square sweeps on its way from the previous pointer position
    // (fromX, fromY) to (x, y), so a fast swipe whose events arrive far apart cuts every
    // stroke it crosses, as a slow one does. The square's size is sampled once, at (x, y).
    void eraseAlong(float fromX, float fromY, float x, float y, float pressure,
                    PointerKey pointer = {});
    // Every pointer event, pressed or not: the pointer's follower and cursor jump to (x, y).
    void pointerMoved(float x, float y, PointerKey pointer = {});
    // One frame's step of every follower: the brush's own towards (x, y) (the last input
    // position) or, while a stroke draws with it, towards that pointer's last position;
    // the others towards their pointer's.
    void stepBrushFollowers(float x, float y);
    // Whether every follower has come to rest where stepBrushFollowers(x, y) pulls it:
    // nearer than `tolerance` and slower than `tolerance` per step. A non-finite follower,
    // which can never settle, counts as at rest.
    bool brushFollowersSettled(float x, float y, float tolerance) const;

    // --- selection (screen coordinates in, as the controller receives them) ---
    // Empties the selection, then selects the stroke with the segment nearest to the tap
    // (perpendicular distance, within a 5-unit canvas square) and shows the box around it.
    // False when nothing is near; the box is then left as it is.
    bool selectAt(float x, float y);
    // Lasso input; kind 0 is the selection lasso (primary button), 1 the erase lasso
    // (secondary button); other kinds are ignored.
    void beginLasso(float x, float y, int kind);
    void extendLasso(float x, float y, int kind);
    // Selects the strokes a segment of the lasso path crosses (coarsely: through the path
    // segment's bounding box), in index query order, and shows the box around them.
    // Crossing nothing leaves nothing selected and hides the box.
    void finishSelectLasso();
    // Deletes every stroke the lasso path crosses; `selection` keeps only survivors.
    void finishEraseLasso();
    // Moves the selection by a pointer step (screen pixels).
    void moveSelection(float dx, float dy);
    // Rotates the selection about the centre of the box's bounds; radians, counter-clockwise.
    void rotateSelection(float radians);
    // Drags box corner `corner` (0..3) by the pointer step (dx, dy), screen pixels, keeping
    // the opposite corner fixed. Refused when an edge of the box would become shorter than
    // 5 canvas units. (x, y), the pointer position, is not used.
    void scaleSelection(float x, float y, float dx, float dy, int corner);
    // Refits the box's bounds (not its corners) to the selected strokes.
    void fitSelectionBox();
    // Deletes the selected strokes and empties the selection.
    void deleteSelection();
    // Gives the defined-brush tool the outline of the first selected stroke, at the current
    // zoom. Nothing when nothing is selected.
    void defineBrush();

    // --- edit-mode deformation (screen coordinates, pixels) ---
    // tool 0: the primary button's deformTool; any other value: the secondary button's
    // definedBrush. A press while a gesture is still open finishes that gesture first.
    void beginDeform(float x, float y, int tool);
    // (x, y): the pointer's previous position; (dx, dy): its movement since. Strokes under
    // the tool leave the index until endDeform. `pressure` is not used.
    void deformDrag(float x, float y, float dx, float dy, float pressure);
    // Simplifies the strokes deformed since beginDeform (more strongly after the secondary
    // tool), returns them to the index and clears both tool flags.
    void endDeform(int tool);
    // The tool of the deformation gesture begun and not yet ended, or -1.
    int openDeformTool() const { return openDeformTool_; }

    // --- files ---
    // Writes the strokes' control points; false (after a diagnostic from the writer) on failure.
    bool saveXml(const std::string& fileName) const;
    // The text saveXml writes.
    std::string pageText() const;
    // Appends a page's strokes as loadXml does after clearing (ribs and outline at level 1,
    // then the index).
    void loadContent(const io::PageContent& page);
    // Replaces the strokes and the style with the file's. The drawing is cleared (the style
    // made plain) even when the file cannot be read, which prints "Failed to load file".
    // Returns whether the file was read.
    bool loadXml(const std::string& fileName);
    // Files that exist but failed to load in this run (damaged, or too large to load), so
    // that nothing is saved over them unseen; a later successful load drops the name.
    std::set<std::string> unreadableFiles;
    // The strokes as filled polygons at the current zoom's level of detail, in their colours.
    std::vector<io::SvgStrokeOutline> exportOutlines() const;
    bool exportSvg(const std::string& fileName,
                   const io::SvgBackground* background = nullptr) const;

private:
    // Drops the stroke from `selection` and `deformed` (hiding the box when nothing stays
    // selected), then deletes it. Every path that deletes strokes comes through here.
    void deleteStroke(Stroke* stroke);
    // The same for many strokes at once, in O(n + selection + deformed). The caller has
    // taken the strokes out of the index.
    void deleteStrokes(std::span<Stroke* const> doomed);
    void eraseSquare(Vec2 centre, float radius);
    // Gives an erased stroke (out of the index) the points of one surviving part, then
    // simplifies, indexes and outlines it; deletes it when the part is too short.
    // Returns whether the stroke survives.
    bool keepPart(Stroke& stroke, std::vector<ControlPoint> part);
    // Bounds, index entry and outline of a stroke out of the index whose points changed.
    void reindex(Stroke& stroke);
    void eraseFrom(Stroke* stroke, const Rect& eraser);

    StrokeInProgress* inProgress(PointerKey pointer);
    // The follower the pointer samples: its stroke's, else the brush's own unless a stroke
    // draws with that, else a spare one.
    BrushFollower& followerFor(PointerKey pointer);
    // Keeps `current`, `firstUnsimplified` and `drawingActive` in step with the strokes in
    // progress.
    void strokesInProgressChanged();

    std::vector<StrokeInProgress> inProgress_;  // in the order they began
    BrushFollower spareFollower_;
    int openDeformTool_ = -1;
    std::ostream* log_;
};

// A stroke as loading a page gives it: the points, the colour, the bounds and ribs at
// zoom 1; no outline yet.
std::unique_ptr<Stroke> makeLoadedStroke(std::span<const ControlPoint> points, Rgb colour);

// One stroke's polygons for the SVG and PDF exports, at `zoom`'s level of detail.
io::SvgStrokeOutline exportOutline(const Stroke& stroke, float zoom);

// A page file's strokes as the SVG export would draw them once loaded into a fresh view
// and shown at `zoom`, without loading them into a drawing.
std::vector<io::SvgStrokeOutline> exportOutlines(const io::PageContent& page, float zoom = 1.0f);
