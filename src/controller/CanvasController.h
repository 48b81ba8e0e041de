#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "controller/CommandLog.h"
#include "controller/EditHistory.h"
#include "controller/GestureTable.h"
#include "controller/LessonExport.h"
#include "controller/PenPresence.h"
#include "controller/RadialMenu.h"
#include "controller/Stopwatch.h"
#include "controller/TapIndicator.h"
#include "controller/TwoFingerGesture.h"

class Drawing;

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
    // Milliseconds on the frame timer's clock: the start stamp, the command log's times and
    // the view-reset animation all use it, so they agree with the frame update.
    using FrameClock = std::function<double()>;

    CanvasController(Drawing* drawing, Stopwatch stopwatch = Stopwatch(),
                     FrameClock frameClock = nullptr);

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
    bool undo();
    bool redo();
    void onKey(const std::string& text);
    void tick();
    void selectMenuButton(int id);
    // Brush colour kPalette[i] for the strokes that follow; i outside the palette is ignored.
    void selectColour(int i);
    void setViewSize(float w, float h) {
        viewWidth = w;
        viewHeight = h;
    }
    // Where the menu rests: clear of the border band, the corner zones and, at the start
    // view, the page-flip triangles.
    Vec2 menuHome() const;

    // The class of a press at (x, y), as onPress sees it: 0 canvas, 1 border, 2 menu,
    // 3 selection handle, 4 indicator. Like a press, it selects a ring button under it.
    int classifyHit(float x, float y);
    int handleHit(float x, float y) const;

    void logCommand(int code);
    bool writeCommandLog() const;
    // At the end of a run: a drawing that differs from its page file is written beside it as
    // "N.xml.unsaved" (the page itself is left as the user last saved it). False when that
    // write failed.
    bool keepUnsavedDrawing() const;
    // The end of a run: an export in progress is finished, every change is put on disk in
    // the page's journal, which the next start replays; only when the journal failed is the
    // drawing kept as "N.xml.unsaved".
    bool finishRun();
    std::string commandLogPath() const;

    // Page flips: save the current page, and move only when the save succeeded.
    bool flipToPreviousPage();
    bool flipToNextPage();

    Drawing* drawing;
    // The PDF and PNG hand-outs ("P", "O"), made in the background.
    LessonExports exports;
    int modeButton = 0;
    int lastMenuButton = -1;
    int mode = 0;
    int pageFlip = 0;
    float borderMargin = 60.0f;
    float cornerRadius = 108.0f;
    int holdSeconds = 1;
    float viewWidth = 1.0f, viewHeight = 1.0f;
    RadialMenu menu;
    TapIndicator indicator;
    int pageIndex = 0;
    std::uint32_t startStamp = 0;
    CommandLog log;
    Stopwatch stopwatch;
    EditHistory history;
    bool saveWhenIdle = false;  // "S" came during a gesture: saved when the last one ends
    int twoFingerTaps = 0;
    int threeFingerTaps = 0;

    // The gesture state as code that knows one pointer reads it, refreshed from the records
    // after every event: the primary (earliest pressed) pointer's press and button, and each
    // shared control's holder's state. Writing them changes no gesture.
    bool pressed = false;
    int activeButton = -1;  // -1 when no pointer is down
    float pressX = 1.0f, pressY = 1.0f;
    int pressSecond = 0;
    int menuPressed = 0, menuItem = -1;
    int borderPressed = 0, gesture = -1;
    int handlePressed = 0, handleIndex = -1, handleOp = -1;
    int lassoArmed = 0;
    float lastX = 1.0f, lastY = 1.0f;  // the previous press, drag or release of any pointer

private:
    using Target = GestureRecord::Target;
    using Began = GestureRecord::Began;
    struct Hit {
        Target target = Target::Canvas;
        bool ignored = false;  // on a control another pointer holds
        int menuItem = -1, gesture = -1, handleIndex = -1;
    };

    double frameNow() const;
    // Drags this close to a window edge are dropped.
    bool nearEdge(float x, float y) const;
    // `pointer` is the pressing one: controls other pointers hold turn it away.
    Hit classify(float x, float y, PointerKey pointer);
    bool heldByOther(Target target, PointerKey pointer);
    // Where a gesture begins: the record, the press's class and what it began on the canvas.
    // False when the press is turned away (no record is kept).
    bool beginGesture(float x, float y, int altButton, float pressure, PointerKey pointer);
    void beginOnCanvas(GestureRecord& r, float x, float y, float pressure);
    // Where a gesture ends, released or cancelled; the record is closed.
    void endGesture(GestureRecord& r, float x, float y, int altButton, bool cancelled);
    // What a release that did not move (or any release while the selection is shown) means.
    void stillRelease(GestureRecord& r, float x, float y, int altButton);
    // A touch contact landing on the canvas may make a view gesture with another.
    void gatherFingers(GestureRecord& landing);
    // Takes back what a contact's press began on the canvas, as it joins a view gesture.
    void withdraw(GestureRecord& r);
    void fingerLifted(GestureRecord& r, bool cancelled);
    // Ends every gesture but `pointer`'s as a cancel does, before the page is replaced.
    void endGesturesBesides(PointerKey pointer);
    // Ends the stroke or deformation the press began; true when it left a mark on the page
    // (a stroke of two or more points, or strokes pushed), so the release is no tap.
    bool endCanvasGesture(GestureRecord& r, float x, float y);
    // Finishes the lasso the press drew, with the kind chosen at the press; false when no
    // lasso was begun. Either way nothing of it is left open.
    bool endLasso(const GestureRecord& r);
    void logStroke(const GestureRecord& r, float x, float y);
    float secondsSinceStart(double frameMs) const;
    bool savePage(const std::string& reason);
    bool openPage(int page);
    // The bin and "C": one step to undo.
    void clearPage();
    // The pointer's gesture ends in the history; a save asked for meanwhile runs once no
    // gesture is open.
    void endRecording(PointerKey pointer);
    void dragGesture(GestureRecord& r, float x, float y, float dx, float dy);
    void canvasDrag(GestureRecord& r, float x, float y, float dx, float dy, float pressure);
    // Refreshes the one-pointer view of the gesture state.
    void publish();

    GestureTable gestures_;
    TwoFingerGesture fingers_;
    PenPresence pen_;
    FrameClock frameClock_;
};
