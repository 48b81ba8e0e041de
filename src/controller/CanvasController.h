#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controller/BorderZones.h"
#include "controller/CommandLog.h"
#include "controller/ContactLanding.h"
#include "controller/EditHistory.h"
#include "controller/GestureTable.h"
#include "controller/LessonPages.h"
#include "controller/PenPresence.h"
#include "controller/RadialMenu.h"
#include "controller/Stopwatch.h"
#include "controller/TapIndicator.h"
#include "controller/TwoFingerGesture.h"

class Drawing;
class LessonExporter;
class MaterialInspector;

// Decides what a press, a drag and a release mean: classifies every press (menu, corner
// zone, border band, tap indicator, selection handle, canvas) and turns the gesture into
// document operations. Positions are screen pixels (origin lower left, y up).
//
// Every pointer (the mouse, the pen, each touch contact) has its own gesture record from
// its press to its release, so several draw, erase or adjust at once. A shared control (the
// menu with its sliders, the band and corner zones, the indicator, the selection's handles)
// belongs to the one pointer that pressed it until that pointer lets go; another press on
// it is ignored. One pointer alone behaves as if it were the only one there ever was.
class CanvasController {
public:
    using Target = GestureRecord::Target;
    // Milliseconds on the frame timer's clock: the command log's times and the view-reset
    // animation use it, so they agree with the frame update.
    using FrameClock = std::function<double()>;

    // What a press at a point lands on (see targetAt).
    struct Hit {
        Target target = Target::Canvas;
        bool ignored = false;  // on a control another pointer holds
        int menuItem = -1, gesture = -1, handleIndex = -1;
        int pageFlip = 0;  // on the canvas: 1 previous-page triangle, 2 next-page triangle
    };

    CanvasController(Drawing& drawing, Stopwatch stopwatch = Stopwatch(),
                     FrameClock frameClock = nullptr);

    // --- input: positions are screen pixels (y up) ---
    void onPress(float x, float y, int altButton, float pressure, PointerKey pointer = {});
    void onDrag(float x, float y, float pressure, PointerKey pointer = {});
    void onRelease(float x, float y, int altButton, PointerKey pointer = {});
    // The system took the pointer away (a cancelled touch): its gesture ends as a release at
    // its last position would end it, except that it is never a tap.
    void onCancel(PointerKey pointer);
    // Every touch contact still down is cancelled.
    void onCancelTouches();
    // Every pointer event, pressed or not (after onDrag when that ran).
    void onPointer(float x, float y, PointerKey pointer = {});
    // The pen came into or left the tablet's proximity.
    void onPenProximity(bool entered);
    // Recognised two- and three-finger taps: undo and redo.
    void onTwoFingerTap();
    void onThreeFingerTap();
    void onKey(const std::string& text);
    // A menu button (0 draw, 1 edit, 2 bin, 3 reset view, RadialMenu::kUndoButton,
    // kRedoButton, kOpenButton, kHoldViewButton) as its press selects it.
    void selectMenuButton(int id);
    // Held, two fingers never move the view and taps of two or three fingers do nothing:
    // every contact draws. Kept in the lesson folder (see holdview) for the next run.
    void holdView(bool held);
    // Brush colour kPalette[i] for the strokes that follow; i outside the palette is ignored.
    void selectColour(int i);
    bool undo();
    bool redo();
    // The current page's paper, as one step to undo.
    void setPaper(io::Paper paper);
    // Page turns: the page is saved first, and the turn happens only when that succeeded.
    bool flipToPreviousPage();
    bool flipToNextPage();
    // Brings the files in as pages after the lesson's last page and shows the first page
    // added; each refused file says why in one line and changes nothing. False when no page
    // was added (or no inspector is set).
    bool importMaterial(const std::vector<std::string>& files);
    // Each frame: the indicator fades, a save that waited is written when due, an export
    // that ended says so.
    void tick();
    void setViewSize(float w, float h);

    // --- the run ---
    // The frame clock's reading at the start of the run: time zero of the command log and
    // its file name.
    void startRun(std::uint32_t stampMs) { log_.start(stampMs); }
    // Puts every change on disk (see LessonPages::finishRun).
    bool finishRun() { return pages_.finishRun(); }
    bool writeCommandLog() const { return log_.write(); }
    // Draws the PDF and PNG hand-outs; not owned; none without a window. `wake` is called on
    // the export's thread as it moves on and ends: it only asks for a frame (see tick).
    void setExporter(LessonExporter* exporter, std::function<void()> wake = nullptr) {
        pages_.setExporter(exporter, std::move(wake));
    }
    // Draws the page's material into the SVG export.
    void setSvgMaterial(LessonPages::SvgMaterial draw) { pages_.setSvgMaterial(std::move(draw)); }
    // Reads material for importMaterial; not owned; none without a window.
    void setMaterialInspector(MaterialInspector* inspector) { inspector_ = inspector; }
    // Shows the chooser of material to bring into the lesson (the menu's open button); the
    // window sets it.
    void setMaterialChooser(std::function<void()> show) { showMaterialChooser_ = std::move(show); }
    // Told the pages [first, end) importMaterial added, once the first of them is shown: a
    // shared board offers them to the room before anyone opens them.
    void setPagesImported(std::function<void(int first, int end)> told) { pagesImported_ = std::move(told); }
    // Waits for an export in the background and takes its end; false when none ran.
    bool finishExports() { return pages_.exports().finish(); }
    // Where the menu rests (and moves it there).
    void setMenuHome(Vec2 home);

    // --- queries ---
    // The gestures in progress, one per pointer down.
    const GestureTable& gestures() const { return gestures_; }
    // What a press at (x, y) by `pointer` would land on; changes nothing.
    Hit targetAt(float x, float y, PointerKey pointer = {}) const;
    int mode() const;  // 0 draw, 1 edit
    bool viewHeld() const { return viewHeld_; }
    // "S" waits for a gesture that is changing the page; frames keep coming meanwhile.
    bool savePending() const { return saveDueMs_.has_value(); }
    const Drawing& drawing() const { return drawing_; }
    const RadialMenu& menu() const { return menu_; }
    const TapIndicator& indicator() const { return indicator_; }
    const BorderZones& zones() const { return zones_; }
    const LessonPages& pages() const { return pages_; }
    const LessonExports& exports() const { return pages_.exports(); }
    const CommandLog& log() const { return log_; }
    const EditHistory& history() const { return history_; }
    // For what watches the history's changes (the journal's records).
    EditHistory& history() { return history_; }
    // The shapes held strokes would snap to, one per pointer resting with a shape.
    std::vector<ShapeHint> shapeHints() const;
    // Whether a held stroke's hint or snap is still to come: frames must keep coming.
    bool shapeHoldWaiting() const;
    // Recognised taps since the start.
    int twoFingerTaps() const { return twoFingerTaps_; }
    int threeFingerTaps() const { return threeFingerTaps_; }

private:
    using Began = GestureRecord::Began;

    double frameNow() const;
    // Whether a pointer other than `pointer` holds the control.
    bool heldByOther(Target target, PointerKey pointer) const;
    // The selection box's handle or action icon under (x, y), or -1.
    int handleHit(float x, float y) const;
    // Acts on what a press on the menu hit: the button, the colour, the pen toggles.
    void pressMenu(GestureRecord& r, float x, float y);
    // Where a gesture begins: the record, the press's class and what it began on the canvas.
    // False when the press is turned away (no record is kept).
    bool beginGesture(float x, float y, int altButton, float pressure, PointerKey pointer);
    void beginOnCanvas(GestureRecord& r, float x, float y, float pressure);
    // Where a gesture ends, released or cancelled; the record is closed.
    void endGesture(GestureRecord& r, float x, float y, int altButton, bool cancelled);
    // What a release that did not move (or drew nothing while the selection is shown) means.
    void stillRelease(GestureRecord& r, float x, float y, int altButton);
    // A touch contact landing on the canvas may gather with others (see ContactLanding).
    void gatherFingers(GestureRecord& landing);
    // What the landing window decided by now, and acting on a decision: a pair becomes a
    // view gesture, a trio a tap, both taking back what they drew.
    void settleLanding();
    void takeLanding(ContactLanding::Verdict verdict);
    // Takes back what a contact's press began on the canvas, as it joins a view gesture.
    void withdraw(GestureRecord& r);
    void fingerLifted(GestureRecord& r, bool cancelled);
    // Ends every gesture but `pointer`'s (every one without it) as a cancel does, before
    // the page is replaced.
    void endGesturesBesides(std::optional<PointerKey> pointer);
    // A page turn by `pointer` (none when a key or a call turned it): the other gestures
    // end on the page they began on.
    bool flip(int delta, std::optional<PointerKey> pointer);
    // Ends the stroke or deformation the press began; true when it left a mark on the page
    // (a stroke of two or more points, or strokes pushed), so the release is no tap. A
    // stroke that stayed one point is kept as a dot only when `keepDot`.
    bool endCanvasGesture(GestureRecord& r, float x, float y, bool keepDot);
    // Finishes the lasso the press drew, with the kind chosen at the press; false when no
    // lasso was begun. Either way nothing of it is left open.
    bool endLasso(const GestureRecord& r);
    void logCommand(int code);
    void logStroke(const GestureRecord& r, float x, float y);
    // The bin and "C": one step to undo.
    void clearPage();
    // The pointer's gesture ends in the history; a save that waited for it is written.
    void endRecording(PointerKey pointer);
    // Writes the page "S" asked for once no gesture in progress is changing the page, or
    // once kSaveWaitMs have passed: gestures still changing it then go on as new steps.
    void saveWhenDue();
    void dragGesture(GestureRecord& r, float x, float y, float dx, float dy);
    void canvasDrag(GestureRecord& r, float x, float y, float dx, float dy, float pressure);
    // Brings the stroke's hold up to now: its hint, and its snap when due, which ends the
    // stroke and replaces it by its shape as a step of its own.
    void holdShape(GestureRecord& r);

    Drawing& drawing_;
    Stopwatch stopwatch_;
    FrameClock frameClock_;
    EditHistory history_;
    LessonPages pages_;
    CommandLog log_;
    BorderZones zones_;
    RadialMenu menu_;
    TapIndicator indicator_;
    // When "S" is written at the latest (frame clock), while it waits.
    std::optional<double> saveDueMs_;
    int twoFingerTaps_ = 0;
    int threeFingerTaps_ = 0;
    GestureTable gestures_;
    bool viewHeld_ = false;
    ContactLanding landing_;
    TwoFingerGesture fingers_;
    PenPresence pen_;
    std::function<void()> showMaterialChooser_;
    std::function<void(int first, int end)> pagesImported_;
    MaterialInspector* inspector_ = nullptr;
};
