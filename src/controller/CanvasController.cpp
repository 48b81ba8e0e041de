#include "controller/CanvasController.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <vector>

#include "brush/Palette.h"
#include "controller/DragGestures.h"
#include "controller/KeyCommand.h"
#include "controller/LessonExport.h"
#include "controller/PageFiles.h"
#include "document/Drawing.h"

namespace {
// Drags this close to a window edge are dropped (screen pixels).
constexpr float kEdgeMargin = 5.0f;
constexpr float kMenuSize = 80.0f;
constexpr float kMenuInnerRadius = 80.0f;
// Free space between the menu's outermost button and the border band, pixels.
constexpr float kMenuClearance = 10.0f;

// Each pointer's gesture records into a command of its own (the device in the top bits,
// clear of the keys the history keeps for itself).
EditHistory::GestureKey gestureKey(PointerKey p) {
    return (static_cast<EditHistory::GestureKey>(p.device) << 60) |
           (static_cast<EditHistory::GestureKey>(p.contact) & ((EditHistory::GestureKey{1} << 60) - 1));
}
}  // namespace

Vec2 CanvasController::menuHome() const {
    // The ring buttons reach innerRadius + size from the centre (sliders and toggles less).
    // This far from the lower left corner on both axes, the menu stays clear of the border
    // band and the corner zones in every window from 800 x 600 up, and of the page-flip
    // triangles at the start view (the page's lower left corner at (50, 50), zoom 1).
    const float at = borderMargin + menu.innerRadius + menu.size + kMenuClearance;
    return {at, at};
}

CanvasController::CanvasController(Drawing* d, Stopwatch sw, FrameClock frameClock)
    : drawing(d),
      menu(0.0f, 0.0f, kMenuSize, kMenuInnerRadius, this),
      stopwatch(std::move(sw)),
      history(*d),
      frameClock_(std::move(frameClock)) {
    menu.home = menuHome();
    menu.position = menu.home;
    // The drawing loaded the first page when it was made; its journal is replayed here.
    history.openPage(pageIndex, pageFileName(pageIndex), true);
}

double CanvasController::frameNow() const {
    // Without a frame clock, fall back to the stopwatch in milliseconds.
    return frameClock_ ? frameClock_() : stopwatch.now() * 1000.0;
}

int CanvasController::classifyHit(float x, float y) {
    return static_cast<int>(classify(x, y, PointerKey::mouse()).target);
}

bool CanvasController::heldByOther(Target target, PointerKey pointer) {
    const GestureRecord* holder = gestures_.holder(target);
    return holder && !(holder->pointer == pointer);
}

CanvasController::Hit CanvasController::classify(float x, float y, PointerKey pointer) {
    Hit hit;
    // A control another pointer holds turns the press away before anything of it happens.
    const auto held = [&](Target t) {
        hit.target = t;
        hit.ignored = heldByOther(t, pointer);
        return hit.ignored;
    };
    if (menu.covers({x, y})) {
        if (held(Target::Menu)) return hit;
        const int h = menu.hitTest({x, y});
        if (h > 0) hit.menuItem = h;
        return hit;
    }
    // Any other press closes an open palette, unless another hand is on the menu.
    if (!heldByOther(Target::Menu, pointer)) menu.paletteOpen = false;
    const struct {
        float cx, cy;
        int gesture;
    } corners[] = {
        {0.0f, 0.0f, 5}, {viewWidth, 0.0f, 6}, {0.0f, viewHeight, 8}, {viewWidth, viewHeight, 7}};
    for (const auto& c : corners) {
        if (distance({x, y}, {c.cx, c.cy}) < cornerRadius) {
            if (held(Target::Frame)) return hit;
            logCommand(14);
            hit.gesture = c.gesture;
            return hit;
        }
    }
    if (x < borderMargin || x > viewWidth - borderMargin || y < borderMargin ||
        y > viewHeight - borderMargin) {
        held(Target::Frame);
        return hit;
    }
    if (indicator.hit(x, y)) {
        held(Target::Indicator);
        return hit;
    }
    if (drawing->selectionBox.shown) {
        const int h = handleHit(x, y);
        if (h >= 0) {
            if (!held(Target::Handle)) hit.handleIndex = h;
            return hit;
        }
    }
    pageFlip = drawing->bandHitTest(x, y);
    hit.target = Target::Canvas;
    return hit;
}

int CanvasController::handleHit(float x, float y) const {
    const auto& box = drawing->selectionBox;
    float px = x, py = y;
    drawing->screenToCanvas(px, py);
    const Vec2 p(px, py);
    Vec2 h[4];
    for (int i = 0; i < 4; ++i) {
        h[i] = (box.corners[i] * 2.0f + box.diagonals[i] * box.handleSize) * 0.5f;
        if (distance(p, h[i]) < box.cornerCircleSize / drawing->view.zoom * 0.5f) return i;
    }
    for (int j = 0; j < 4; ++j)
        if (pointSegmentDistance(h[j], h[(j + 1) % 4], p) < box.handleSize * 0.7f) return j + 4;
    const Vec2 side = box.corners[1] - box.corners[2];
    if (length(side) > 0.0f) {
        Vec2 e = normalized(side) * 45.0f;
        for (int k = 0; k < 3; ++k) {
            if (distance(p, box.corners[1] + e) < 15.0f) return k + 8;
            rotate(e, -0.7853982f);
        }
    }
    return -1;
}

void CanvasController::onPress(float x, float y, int altButton, float pressure,
                               PointerKey pointer) {
    if (pointer.isPen()) {
        pen_.down = true;
        pen_.seen(frameNow());
    }
    // While the pen is at the board, a touch is the writing hand resting on it.
    if (pointer.isTouch() && pen_.atBoard(frameNow())) return;
    beginGesture(x, y, altButton, pressure, pointer);
    publish();
}

bool CanvasController::beginGesture(float x, float y, int altButton, float pressure,
                                    PointerKey pointer) {
    GestureRecord* opened = gestures_.open(pointer);
    if (!opened) return false;  // the pointer is down already, or no room for a contact
    GestureRecord& r = *opened;
    r.pressSecond = static_cast<int>(stopwatch.seconds());
    r.button = altButton;
    r.press = r.last = {x, y};
    r.lastPressure = pressure;
    const Hit hit = classify(x, y, pointer);
    if (hit.ignored) {
        gestures_.close(pointer);
        return false;
    }
    r.target = hit.target;
    switch (hit.target) {
        case Target::Canvas:
            if (pageFlip == 1 || pageFlip == 2) {
                const int flip = pageFlip;
                pageFlip = 0;
                endGesturesBesides(pointer);
                if (flip == 1)
                    flipToPreviousPage();
                else
                    flipToNextPage();
            } else if (!drawing->selectionBox.shown) {
                beginOnCanvas(r, x, y, pressure);
            }
            break;
        case Target::Frame:
            logCommand(0);
            r.gesture = hit.gesture;
            break;
        case Target::Menu:
            r.menuItem = hit.menuItem;
            if (r.menuItem == 5)
                drawing->brush.pressureMode = (drawing->brush.pressureMode + 1) % 3;
            if (r.menuItem == 6) drawing->brush.speedMode = (drawing->brush.speedMode + 1) % 3;
            break;
        case Target::Handle:
            logCommand(4);
            r.handleIndex = hit.handleIndex;
            // A move, rotation or scaling, whichever the drag turns out to be.
            history.beginGesture(gestureKey(pointer), io::ChangeKind::Transform);
            break;
        case Target::Indicator:
            logCommand(8);
            r.began = Began::Lasso;
            break;
    }
    // Ending other gestures at a page flip may have moved this pointer's record.
    GestureRecord& self = *gestures_.find(pointer);
    if (self.began != Began::Stroke) self.pressMs = frameNow();
    lastX = x;
    lastY = y;
    gatherFingers(self);
    return true;
}

void CanvasController::beginOnCanvas(GestureRecord& r, float x, float y, float pressure) {
    // The drawing has one deformation tool: while one pointer pushes strokes, other presses
    // in edit mode begin nothing.
    const bool deforming = drawing->openDeformTool() >= 0;
    const EditHistory::GestureKey key = gestureKey(r.pointer);
    if (r.button == 0 && mode == 0) {
        r.strokeLog = log.codes().size();
        logCommand(1);
        r.pressMs = frameNow();
        history.beginGesture(key, io::ChangeKind::Draw);
        drawing->beginStroke(x, y, pressure, r.pointer);
        r.began = Began::Stroke;
    } else if (r.button == 0) {
        if (deforming) return;
        logCommand(2);
        history.beginGesture(key, io::ChangeKind::Deform);
        drawing->beginDeform(x, y, 0);
        r.began = Began::Deform;
    } else if (mode == 0) {
        history.beginGesture(key, io::ChangeKind::Erase);
        drawing->eraseAt(x, y, pressure, r.pointer);
        r.began = Began::Erase;
    } else {
        if (deforming) return;
        logCommand(3);
        history.beginGesture(key, io::ChangeKind::Deform);
        drawing->beginDeform(x, y, 1);
        r.began = Began::Deform;
    }
}

void CanvasController::gatherFingers(GestureRecord& landing) {
    if (!landing.pointer.isTouch() || landing.target != Target::Canvas) return;
    const double now = landing.pressMs;
    if (fingers_.active()) {
        if (fingers_.joins(now, landing.press)) {
            withdraw(landing);
            fingers_.join(landing.pointer, landing.press);
        }
        return;
    }
    GestureRecord* partner = nullptr;
    for (GestureRecord& r : gestures_) {
        if (&r == &landing || !r.pointer.isTouch() || r.target != Target::Canvas) continue;
        if (!TwoFingerGesture::landTogether(r.pressMs, r.travel, r.last, now, landing.press))
            continue;
        if (!partner || r.pressMs > partner->pressMs) partner = &r;
    }
    if (!partner) return;
    withdraw(*partner);
    withdraw(landing);
    fingers_.form(partner->pointer, partner->press, partner->last, landing.pointer, landing.press,
                  now, drawing->view);
}

void CanvasController::withdraw(GestureRecord& r) {
    history.histories().activate(gestureKey(r.pointer));
    switch (r.began) {
        case Began::Stroke: {
            drawing->withdrawStroke(r.pointer);
            const std::size_t entry = r.strokeLog;
            if (entry < log.codes().size() && log.codes()[entry] == 1) {
                log.removeCommand(entry);
                for (GestureRecord& other : gestures_)
                    if (other.began == Began::Stroke && other.strokeLog > entry) --other.strokeLog;
            }
            break;
        }
        case Began::Deform:
            drawing->endDeform(drawing->openDeformTool() >= 0 ? drawing->openDeformTool() : 0);
            break;
        default:
            break;
    }
    r.began = Began::ViewGesture;
}

bool CanvasController::nearEdge(float x, float y) const {
    return x < kEdgeMargin || x > viewWidth - kEdgeMargin || y < kEdgeMargin ||
           y > viewHeight - kEdgeMargin;
}

void CanvasController::onDrag(float x, float y, float pressure, PointerKey pointer) {
    GestureRecord* found = gestures_.find(pointer);
    if (!found) return;
    GestureRecord& r = *found;
    const float dx = x - r.last.x, dy = y - r.last.y;
    if (nearEdge(x, y)) return;
    history.histories().activate(gestureKey(pointer));
    r.lastPressure = pressure;
    r.travel = std::max(r.travel, distance(r.press, {x, y}));
    switch (r.target) {
        case Target::Menu:
        case Target::Frame:
        case Target::Handle:
            dragGesture(r, x, y, dx, dy);
            break;
        case Target::Indicator: {
            const int kind = r.button == 0 ? 0 : 1;
            const bool active = kind == 0 ? drawing->selectionBox.selectLassoActive
                                          : drawing->selectionBox.eraseLassoActive;
            if (active) {
                drawing->extendLasso(x, y, kind);
            } else {
                logCommand(kind == 0 ? 10 : 9);
                drawing->beginLasso(x, y, kind);
            }
            break;
        }
        case Target::Canvas:
            canvasDrag(r, x, y, dx, dy, pressure);
            break;
    }
    r.last = {x, y};
    lastX = x;
    lastY = y;
    publish();
}

void CanvasController::canvasDrag(GestureRecord& r, float x, float y, float dx, float dy,
                                  float pressure) {
    switch (r.began) {
        case Began::Stroke:
            drawing->extendStroke(x, y, dx, dy, pressure, r.pointer);
            break;
        case Began::Erase:
            drawing->eraseAlong(r.last.x, r.last.y, x, y, pressure, r.pointer);
            break;
        case Began::Deform:
            drawing->deformDrag(r.last.x, r.last.y, dx, dy, pressure);
            break;
        case Began::ViewGesture:
            fingers_.moved(r.pointer, {x, y}, drawing->view);
            break;
        default:
            break;
    }
}

void CanvasController::dragGesture(GestureRecord& r, float x, float y, float dx, float dy) {
    if (r.target == Target::Menu)
        gestures::menuSliderDrag(*this, r, x, y, dx, dy);
    else if (r.target == Target::Frame)
        gestures::borderDrag(*this, r, x, y, dx, dy);
    else if (r.target == Target::Handle)
        gestures::handleDrag(*this, r, x, y, dx, dy);
}

void CanvasController::onRelease(float x, float y, int altButton, PointerKey pointer) {
    if (pointer.isPen()) {
        pen_.down = false;
        pen_.seen(frameNow());
    }
    if (GestureRecord* r = gestures_.find(pointer)) endGesture(*r, x, y, altButton, false);
    publish();
}

void CanvasController::onCancel(PointerKey pointer) {
    if (pointer.isPen()) pen_.down = false;
    if (GestureRecord* r = gestures_.find(pointer))
        endGesture(*r, r->last.x, r->last.y, r->button, true);
    publish();
}

// A stroke another hand is drawing when the page turns is finished on the page it was
// begun on, and saved with it: carried over, it would land on the next page. The other
// pointers' later moves belong to no gesture until they are lifted.
void CanvasController::endGesturesBesides(PointerKey pointer) {
    std::vector<PointerKey> others;
    for (const GestureRecord& g : gestures_)
        if (!(g.pointer == pointer)) others.push_back(g.pointer);
    for (const PointerKey p : others) {
        if (GestureRecord* g = gestures_.find(p)) endGesture(*g, g->last.x, g->last.y, g->button, true);
    }
}

void CanvasController::onCancelTouches() {
    std::vector<PointerKey> contacts;
    for (const GestureRecord& r : gestures_)
        if (r.pointer.isTouch()) contacts.push_back(r.pointer);
    for (PointerKey p : contacts) onCancel(p);
}

void CanvasController::endGesture(GestureRecord& r, float x, float y, int altButton,
                                  bool cancelled) {
    const PointerKey pointer = r.pointer;
    if (r.target == Target::Menu) {
        menu.restoreHome();
        lastMenuButton = -1;
        gestures_.close(pointer);
        return;
    }
    // The drawing's changes from here on, up to the gesture's end, belong to this pointer.
    history.histories().activate(gestureKey(pointer));
    if (r.began == Began::ViewGesture) {
        fingerLifted(r, cancelled);
    } else {
        // What the press began ends before anything else: a stroke is finished (and so
        // saved and indexed) even when the release also counts as a tap.
        const bool marked = endCanvasGesture(r, x, y);

        const float d2 = (x - r.press.x) * (x - r.press.x) + (y - r.press.y) * (y - r.press.y);
        const float t = stopwatch.seconds();
        const bool held = static_cast<float>(holdSeconds) < t - static_cast<float>(r.pressSecond);
        // A cancelled gesture is never a tap: the system took the pointer away.
        const bool still = !cancelled && ((held && d2 < 25.0f) || drawing->selectionBox.shown);
        if (r.target == Target::Indicator) {
            // A lasso that was drawn is finished even while the box is shown; only a press
            // that drew none can be the tap that brings the menu.
            if (!endLasso(r) && still) {
                indicator.hide();
                if (!heldByOther(Target::Menu, pointer)) menu.moveTo(x, y);
            }
        } else if (still && !marked) {
            stillRelease(r, x, y, altButton);
        }
        if (r.target == Target::Frame) {
            if (r.gesture >= 3) drawing->refreshVisibleStrokes();
        } else if (r.target == Target::Handle) {
            drawing->fitSelectionBox();
        }
    }
    lastX = x;
    lastY = y;
    gestures_.close(pointer);
    endRecording(pointer);
}

void CanvasController::endRecording(PointerKey pointer) {
    history.endGesture(gestureKey(pointer));
    if (saveWhenIdle && !history.gestureOpen()) {
        saveWhenIdle = false;
        savePage("save");
    }
}

void CanvasController::stillRelease(GestureRecord& r, float x, float y, int altButton) {
    // The selection belongs to the pointer on its handles until that lets go.
    if (heldByOther(Target::Handle, r.pointer)) return;
    if (altButton == 0 && r.handleIndex < 0) {
        if (!drawing->selectAt(x, y)) {
            if (drawing->selectionBox.shown) {
                drawing->selectionBox.hide();
                drawing->selection.clear();
            } else {
                indicator.show(x, y, stopwatch.seconds());
            }
        }
    } else if (altButton == 0 && r.handleIndex >= 8 && r.handleIndex <= 10) {
        if (r.handleIndex == 9) {
            history.recordAs(io::ChangeKind::DeleteSelection,
                             [this] { drawing->deleteSelection(); });
        }
        if (r.handleIndex == 10) drawing->defineBrush();
        drawing->selectionBox.hide();
    } else if (altButton == 1 && !drawing->selectionBox.shown) {
        indicator.show(x, y, stopwatch.seconds());
    }
}

void CanvasController::fingerLifted(GestureRecord& r, bool cancelled) {
    const TwoFingerGesture::Lifted lifted =
        fingers_.lifted(r.pointer, frameNow(), cancelled, drawing->view);
    // Strokes are rebuilt for the new zoom, as after a corner zoom.
    if (lifted.viewChanged) drawing->refreshVisibleStrokes();
    if (lifted.tap == TwoFingerGesture::Tap::TwoFingers) onTwoFingerTap();
    if (lifted.tap == TwoFingerGesture::Tap::ThreeFingers) onThreeFingerTap();
}

void CanvasController::onTwoFingerTap() {
    ++twoFingerTaps;
    undo();
}

void CanvasController::onThreeFingerTap() {
    ++threeFingerTaps;
    redo();
}

bool CanvasController::undo() { return history.undo(); }

bool CanvasController::redo() { return history.redo(); }

void CanvasController::clearPage() {
    history.recordAs(io::ChangeKind::Clear, [this] { drawing->clear(); });
}

bool CanvasController::endCanvasGesture(GestureRecord& r, float x, float y) {
    const Began what = r.began;
    r.began = Began::Nothing;
    switch (what) {
        case Began::Stroke: {
            const Stroke* s = drawing->strokeInProgress(r.pointer);
            const bool drew = s && s->pointCount() >= 2;
            logStroke(r, x, y);
            drawing->endStroke(x, y, r.pointer);
            return drew;
        }
        case Began::Erase:
            // The eraser travelled on to where the button came up.
            if (!nearEdge(x, y) && (x != r.last.x || y != r.last.y))
                drawing->eraseAlong(r.last.x, r.last.y, x, y, r.lastPressure, r.pointer);
            return false;
        case Began::Deform: {
            const bool pushed = !drawing->deformed.empty();
            drawing->endDeform(drawing->openDeformTool() >= 0 ? drawing->openDeformTool() : 0);
            return pushed;
        }
        default:
            return false;
    }
}

bool CanvasController::endLasso(const GestureRecord& r) {
    SelectionBox& box = drawing->selectionBox;
    const bool select = r.button == 0;
    const bool drawn = select ? box.selectLassoActive : box.eraseLassoActive;
    if (drawn) {
        if (select)
            drawing->finishSelectLasso();
        else
            history.recordAs(io::ChangeKind::EraseLasso, [this] { drawing->finishEraseLasso(); });
    }
    // Nothing of a lasso outlives its press, whichever kind it was.
    if (box.selectLassoActive) box.endSelectLasso();
    if (box.eraseLassoActive) box.endEraseLasso();
    box.path.clear();
    return drawn;
}

void CanvasController::onPointer(float x, float y, PointerKey pointer) {
    drawing->pointerMoved(x, y, pointer);
    if (pointer.isPen()) pen_.seen(frameNow());
    // The tool outline follows the pointer that pushes strokes, or every pointer while
    // none does.
    for (const GestureRecord& r : gestures_)
        if (r.began == Began::Deform && !(r.pointer == pointer)) return;
    drawing->deformTool.screenPosition = {x, y};
}

void CanvasController::onPenProximity(bool entered) { pen_.proximity(entered, frameNow()); }

void CanvasController::publish() {
    pressed = false;
    activeButton = -1;
    menuPressed = borderPressed = handlePressed = lassoArmed = 0;
    menuItem = gesture = handleIndex = handleOp = -1;
    for (const GestureRecord& r : gestures_) {
        if (!pressed) {
            pressed = true;
            activeButton = r.button;
            pressX = r.press.x;
            pressY = r.press.y;
            pressSecond = r.pressSecond;
        }
        switch (r.target) {
            case Target::Menu:
                menuPressed = 1;
                menuItem = r.menuItem;
                break;
            case Target::Frame:
                borderPressed = 1;
                gesture = r.gesture;
                break;
            case Target::Handle:
                handlePressed = 1;
                handleIndex = r.handleIndex;
                handleOp = r.handleOp;
                break;
            case Target::Indicator:
                lassoArmed = 1;
                break;
            case Target::Canvas:
                break;
        }
    }
}

void CanvasController::tick() {
    indicator.update(stopwatch.seconds());
    exports.poll();
}

void CanvasController::selectMenuButton(int id) {
    lastMenuButton = id;
    switch (id) {
        case 0:
        case 1:
            mode = id;
            modeButton = id;
            drawing->mode = id;
            break;
        case 2:
            clearPage();
            break;
        case 3:
            // The frame update advances the animation on the frame clock, so start it there.
            drawing->startViewReset(
                static_cast<std::uint32_t>(static_cast<std::uint64_t>(frameNow())));
            break;
        case RadialMenu::kUndoButton:
            undo();
            break;
        case RadialMenu::kRedoButton:
            redo();
            break;
        default:
            break;
    }
}

void CanvasController::selectColour(int i) {
    if (i < 0 || i >= static_cast<int>(kPalette.size())) return;
    drawing->brush.colour = kPalette[static_cast<std::size_t>(i)];
}

void CanvasController::onKey(const std::string& text) {
    switch (keyCommandFor(text)) {
        case KeyCommand::ToggleWireframe:
            drawing->wireframe = !drawing->wireframe;
            break;
        case KeyCommand::TogglePoints:
            drawing->showPoints = !drawing->showPoints;
            break;
        case KeyCommand::ToggleIndexCells:
            drawing->index.debugDraw = !drawing->index.debugDraw;
            break;
        case KeyCommand::SmoothnessDown:
            drawing->smoothness -= 0.5f;
            break;
        case KeyCommand::SmoothnessUp:
            drawing->smoothness += 0.5f;
            break;
        case KeyCommand::Clear:
            clearPage();
            break;
        case KeyCommand::Save:
            // The page is saved whole: a gesture in progress is not cut in two.
            if (history.gestureOpen())
                saveWhenIdle = true;
            else
                savePage("save");
            break;
        case KeyCommand::Load:
            history.reload(pageFileName(pageIndex));
            break;
        case KeyCommand::Undo:
            undo();
            break;
        case KeyCommand::Redo:
            redo();
            break;
        case KeyCommand::ExportSvg:
            drawing->exportSvg(svgFileName(pageIndex));
            break;
        case KeyCommand::ExportPdf:
            exports.startPdf(*drawing, pageIndex);
            break;
        case KeyCommand::ExportPng:
            exports.startPng(*drawing, pageIndex);
            break;
        case KeyCommand::None:
            break;
    }
}

bool CanvasController::savePage(const std::string& reason) {
    const std::string text = drawing->pageText();
    history.saving(text);
    if (pages::save(*drawing, pageIndex, text)) {
        history.saved(text);
        return true;
    }
    std::cout << "Page " << pageIndex << " was not saved; " << reason
              << " cancelled, the drawing is kept\n";
    return false;
}

bool CanvasController::openPage(int page) {
    if (!savePage("page flip")) return false;
    pageIndex = page;
    history.openPage(pageIndex, pageFileName(pageIndex));
    return true;
}

bool CanvasController::flipToPreviousPage() { return pageIndex >= 1 && openPage(pageIndex - 1); }

bool CanvasController::flipToNextPage() { return openPage(pageIndex + 1); }

float CanvasController::secondsSinceStart(double frameMs) const {
    // Modular, like the stamp itself, so a clock past 2^32 ms still gives small differences.
    const auto ms = static_cast<std::uint32_t>(static_cast<std::uint64_t>(frameMs)) - startStamp;
    return static_cast<float>(static_cast<std::int32_t>(ms)) / 1000.0f;
}

// The log's times are in thousands of seconds (3.512 s after the start is written
// "0.003512"): tools that read these logs expect that unit.
void CanvasController::logCommand(int code) {
    log.addCommand(code, secondsSinceStart(frameNow()) / 1000.0f);
}

void CanvasController::logStroke(const GestureRecord& r, float x, float y) {
    const Vec2 v = Vec2(x, y) - r.press;
    const float an =
        static_cast<float>((std::atan2(0.0, 1.0) - std::atan2(v.y, v.x)) * 57.2957763671875);
    const float cAn = drawing->view.rotation;
    const double now = frameNow();
    const float sT = secondsSinceStart(r.pressMs) / 1000.0f;
    const float dT = static_cast<float>((now - r.pressMs) / 1000.0) / 1000.0f;
    log.addStroke(an, cAn, sT, dT);
}

std::string CanvasController::commandLogPath() const { return commandLogFileName(startStamp); }

bool CanvasController::writeCommandLog() const { return log.write(commandLogPath()); }

bool CanvasController::keepUnsavedDrawing() const {
    return pages::keepUnsaved(*drawing, pageIndex);
}

bool CanvasController::finishRun() {
    // The file the user asked for is made whole rather than left half written.
    if (exports.running()) std::cout << "Finishing " << exports.runningFile() << "\n";
    exports.finish();
    return history.finish() || keepUnsavedDrawing();
}
