#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "controller/CommandLog.h"
#include "controller/RadialMenu.h"
#include "controller/Stopwatch.h"
#include "controller/TapIndicator.h"

class Drawing;
class LessonExporter;

// Decides what a press, a drag and a release mean: classifies every press (menu, corner
// zone, border band, tap indicator, selection handle, canvas) and turns the gesture into
// document operations. Positions are screen pixels (origin lower left, y up).
class CanvasController {
public:
    // Milliseconds on the frame timer's clock: the start stamp, the command log's times and
    // the view-reset animation all use it, so they agree with the frame update.
    using FrameClock = std::function<double()>;

    CanvasController(Drawing* drawing, Stopwatch stopwatch = Stopwatch(),
                     FrameClock frameClock = nullptr);

    void onPress(float x, float y, int altButton, float pressure);
    void onDrag(float x, float y, float pressure);
    void onRelease(float x, float y, int altButton);
    void onPointer(float x, float y);
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

    int classifyHit(float x, float y);
    int handleHit(float x, float y) const;

    void logCommand(int code);
    void logStroke(float x, float y);
    bool writeCommandLog() const;
    // At the end of a run: a drawing that differs from its page file is written beside it as
    // "N.xml.unsaved" (the page itself is left as the user last saved it). False when that
    // write failed.
    bool keepUnsavedDrawing() const;
    std::string commandLogPath() const;

    // Page flips: save the current page, and move only when the save succeeded.
    bool flipToPreviousPage();
    bool flipToNextPage();

    Drawing* drawing;
    // Draws the PDF and PNG hand-outs ("P", "O"); not owned; none without a window.
    LessonExporter* exporter = nullptr;
    int activeButton = -1;
    int modeButton = 0;
    int lastMenuButton = -1;
    int handleIndex = -1;
    int menuPressed = 0;
    int mode = 0;
    int menuItem = -1;
    int pageFlip = 0;
    int borderPressed = 0;
    int handlePressed = 0;
    int gesture = -1;
    int handleOp = -1;
    int lassoArmed = 0;
    bool pressed = false;
    bool releaseHandled = true;
    float borderMargin = 60.0f;
    float cornerRadius = 108.0f;
    float lastX = 1.0f, lastY = 1.0f;
    float pressX = 1.0f, pressY = 1.0f;
    float lastPressure = 1.0f;  // of the previous press or drag
    int pressSecond = 0;
    int holdSeconds = 1;
    float viewWidth = 1.0f, viewHeight = 1.0f;
    RadialMenu menu;
    TapIndicator indicator;
    int pageIndex = 0;
    std::uint32_t startStamp = 0;
    CommandLog log;
    Vec2 strokeStart;
    double strokeStartTime = 0.0;  // frame clock, milliseconds
    Stopwatch stopwatch;

    // What the current press began on the canvas, so that its release ends exactly that,
    // whatever else the release turns out to be.
    enum class Began { Nothing, Stroke, Erase, Deform, Lasso };
    Began began = Began::Nothing;

private:
    double frameNow() const;
    // Drags this close to a window edge are dropped.
    bool nearEdge(float x, float y) const;
    // Ends the stroke or deformation the press began; true when it left a mark on the page
    // (a stroke of two or more points, or strokes pushed), so the release is no tap.
    bool endCanvasGesture(float x, float y);
    // Finishes the lasso the press drew, with the kind chosen at the press; false when no
    // lasso was begun. Either way nothing of it is left open.
    bool endLasso();
    float secondsSinceStart(double frameMs) const;
    bool savePage(const std::string& reason);
    void dragGesture(float x, float y, float dx, float dy);

    FrameClock frameClock_;
};
