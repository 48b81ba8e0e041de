#include "controller/CanvasController.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "brush/Palette.h"
#include "controller/DragGestures.h"
#include "controller/HoldViewFile.h"
#include "controller/KeyCommand.h"
#include "controller/MaterialImport.h"
#include "document/Drawing.h"

namespace {
// A press held still longer than this, seconds from its own start, is a still press (not
// a tap).
constexpr double kHoldSeconds = 1.0;
// "S" waits at most this long for another hand's erasing or pushing to end, milliseconds:
// long enough for a swipe to finish as one step, short enough that the file is written
// while the one who asked still looks.
constexpr double kSaveWaitMs = 1000.0;

// Each pointer's gesture records into a command of its own (the device in the top bits,
// clear of the keys the history keeps for itself).
EditHistory::GestureKey gestureKey(PointerKey p) {
    return (static_cast<EditHistory::GestureKey>(p.device) << 60) |
           (static_cast<EditHistory::GestureKey>(p.contact) & ((EditHistory::GestureKey{1} << 60) - 1));
}
}  // namespace

CanvasController::CanvasController(Drawing& d, Stopwatch sw, FrameClock frameClock)
    : drawing_(d),
      stopwatch_(std::move(sw)),
      frameClock_(std::move(frameClock)),
      history_(d),
      pages_(d, history_),
      viewHeld_(holdview::load()) {
    setMenuHome(menu_.homeFor(zones_.margin));
}

double CanvasController::frameNow() const {
    // Without a frame clock, fall back to the stopwatch in milliseconds.
    return frameClock_ ? frameClock_() : stopwatch_.now() * 1000.0;
}

void CanvasController::setViewSize(float w, float h) {
    zones_.width = w;
    zones_.height = h;
}

void CanvasController::setMenuHome(Vec2 home) {
    menu_.home = home;
    menu_.position = home;
}

int CanvasController::mode() const { return drawing_.mode; }

bool CanvasController::heldByOther(Target target, PointerKey pointer) const {
    const GestureRecord* holder = gestures_.holder(target);
    return holder && !(holder->pointer == pointer);
}

CanvasController::Hit CanvasController::targetAt(float x, float y, PointerKey pointer) const {
    Hit hit;
    // A control another pointer holds turns the press away before anything of it happens.
    const auto held = [&](Target t) {
        hit.target = t;
        hit.ignored = heldByOther(t, pointer);
        return hit.ignored;
    };
    const Vec2 p(x, y);
    if (const RadialMenu::Hit m = menu_.at(p, mode()); m.item >= 0) {
        if (!held(Target::Menu) && m.item > 0) hit.menuItem = m.item;
        return hit;
    }
    if (const int corner = zones_.cornerAt(p); corner >= 0) {
        if (!held(Target::Frame)) hit.gesture = corner;
        return hit;
    }
    if (zones_.inBand(p)) {
        held(Target::Frame);
        return hit;
    }
    if (indicator_.hit(x, y)) {
        held(Target::Indicator);
        return hit;
    }
    if (drawing_.selectionBox.shown) {
        const int h = handleHit(x, y);
        if (h >= 0) {
            if (!held(Target::Handle)) hit.handleIndex = h;
            return hit;
        }
    }
    hit.pageFlip = drawing_.bandHitTest(x, y);
    return hit;
}

int CanvasController::handleHit(float x, float y) const {
    const auto& box = drawing_.selectionBox;
    float px = x, py = y;
    drawing_.screenToCanvas(px, py);
    const Vec2 p(px, py);
    Vec2 h[4];
    for (int i = 0; i < 4; ++i) {
        h[i] = (box.corners[i] * 2.0f + box.diagonals[i] * box.handleSize) * 0.5f;
        if (distance(p, h[i]) < box.cornerCircleSize / drawing_.view.zoom * 0.5f) return i;
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
    // A pointer pressing while down lost its release on the way: that gesture ends where
    // the pointer last was, as the release would have ended it. The mouse's other button,
    // pressed while one is held, is no new gesture.
    if (GestureRecord* down = gestures_.find(pointer)) {
        if (pointer == PointerKey::mouse() && down->button != altButton) return;
        endGesture(*down, down->last.x, down->last.y, down->button, false);
    }
    if (pointer.isPen()) {
        pen_.down = true;
        pen_.seen(frameNow());
    }
    // While the pen is at the board, a touch is the writing hand resting on it.
    if (pointer.isTouch() && pen_.atBoard(frameNow())) return;
    settleLanding();
    beginGesture(x, y, altButton, pressure, pointer);
}

bool CanvasController::beginGesture(float x, float y, int altButton, float pressure,
                                    PointerKey pointer) {
    GestureRecord* opened = gestures_.open(pointer);
    if (!opened) return false;  // no room for another contact
    GestureRecord& r = *opened;
    r.pressSeconds = stopwatch_.now();
    r.button = altButton;
    r.press = r.last = {x, y};
    r.lastPressure = pressure;
    const Hit hit = targetAt(x, y, pointer);
    // Any press off the menu closes an open palette or paper chooser, unless another hand
    // is on the menu.
    if (hit.target != Target::Menu && !heldByOther(Target::Menu, pointer))
        menu_.paletteOpen = menu_.papersOpen = false;
    if (hit.ignored) {
        gestures_.close(pointer);
        return false;
    }
    r.target = hit.target;
    switch (hit.target) {
        case Target::Canvas:
            if (hit.pageFlip == 1 || hit.pageFlip == 2) {
                flip(hit.pageFlip == 1 ? -1 : 1, pointer);
            } else if (!drawing_.selectionBox.shown ||
                       (mode() == 0 && !drawing_.selectionBox.contains(
                                           drawing_.view.screenToCanvas(Vec2(x, y))))) {
                // Beside one hand's selection the others go on drawing and erasing.
                beginOnCanvas(r, x, y, pressure);
            }
            break;
        case Target::Frame:
            if (hit.gesture >= 0) logCommand(14);
            logCommand(0);
            r.gesture = hit.gesture;
            break;
        case Target::Menu:
            pressMenu(r, x, y);
            break;
        case Target::Handle:
            logCommand(4);
            r.handleIndex = hit.handleIndex;
            // A move, rotation or scaling, whichever the drag turns out to be.
            history_.beginGesture(gestureKey(pointer), io::ChangeKind::Transform);
            break;
        case Target::Indicator:
            logCommand(8);
            r.began = Began::Lasso;
            break;
    }
    // Ending other gestures at a page flip may have moved this pointer's record.
    GestureRecord& self = *gestures_.find(pointer);
    if (self.began != Began::Stroke) self.pressMs = frameNow();
    gatherFingers(self);
    return true;
}

void CanvasController::pressMenu(GestureRecord& r, float x, float y) {
    const RadialMenu::Hit hit = menu_.press({x, y}, mode());
    if (hit.colour >= 0) selectColour(hit.colour);
    if (hit.paper >= 0) setPaper(static_cast<io::Paper>(hit.paper));
    if (hit.button >= 0) selectMenuButton(hit.button);
    if (hit.item > 0) r.menuItem = hit.item;
    if (r.menuItem == 5) drawing_.brush.pressureMode = (drawing_.brush.pressureMode + 1) % 3;
    if (r.menuItem == 6) drawing_.brush.speedMode = (drawing_.brush.speedMode + 1) % 3;
}

void CanvasController::beginOnCanvas(GestureRecord& r, float x, float y, float pressure) {
    // The drawing has one deformation tool: while one pointer pushes strokes, other presses
    // in edit mode begin nothing.
    const bool deforming = drawing_.openDeformTool() >= 0;
    const EditHistory::GestureKey key = gestureKey(r.pointer);
    if (r.button == 0 && mode() == 0) {
        r.strokeLog = log_.codes().size();
        logCommand(1);
        r.pressMs = frameNow();
        history_.beginGesture(key, io::ChangeKind::Draw);
        drawing_.beginStroke(x, y, pressure, r.pointer);
        r.began = Began::Stroke;
        r.hold = ShapeHold({x, y}, stopwatch_.now());
    } else if (r.button == 0) {
        if (deforming) return;
        logCommand(2);
        history_.beginGesture(key, io::ChangeKind::Deform);
        drawing_.beginDeform(x, y, 0);
        r.began = Began::Deform;
    } else if (mode() == 0) {
        history_.beginGesture(key, io::ChangeKind::Erase);
        drawing_.eraseAt(x, y, pressure, r.pointer);
        r.began = Began::Erase;
    } else {
        if (deforming) return;
        logCommand(3);
        history_.beginGesture(key, io::ChangeKind::Deform);
        drawing_.beginDeform(x, y, 1);
        r.began = Began::Deform;
    }
}

void CanvasController::gatherFingers(GestureRecord& landing) {
    if (viewHeld_ || !landing.pointer.isTouch() || landing.target != Target::Canvas) return;
    // While a view gesture goes on, any other contact draws.
    if (fingers_.active()) return;
    const double now = landing.pressMs;
    const ContactLanding::Member self{landing.pointer, landing.press};
    // One group is gathered at a time: a contact landing apart from an open one draws alone.
    if (landing_.join(self, now) || landing_.open()) return;
    GestureRecord* partner = nullptr;
    for (GestureRecord& r : gestures_) {
        if (&r == &landing || !r.pointer.isTouch() || r.target != Target::Canvas ||
            landing_.has(r.pointer))
            continue;
        if (!ContactLanding::landTogether(r.pressMs, r.travel, r.last, now, landing.press))
            continue;
        if (!partner || r.pressMs > partner->pressMs) partner = &r;
    }
    if (partner) landing_.pair({partner->pointer, partner->press}, self, now);
}

void CanvasController::settleLanding() { takeLanding(landing_.settle(frameNow())); }

void CanvasController::takeLanding(ContactLanding::Verdict verdict) {
    using Verdict = ContactLanding::Verdict;
    if (verdict != Verdict::ViewGesture && verdict != Verdict::Tap) return;
    const std::vector<ContactLanding::Member> m = landing_.members();
    const double formedMs = landing_.formedMs();
    landing_.clear();
    for (const ContactLanding::Member& member : m)
        if (GestureRecord* r = gestures_.find(member.pointer)) withdraw(*r);
    fingers_.form(m[0].pointer, m[0].landed, m[1].pointer, m[1].landed, formedMs, drawing_.view);
    if (verdict == Verdict::Tap) fingers_.join(m[2].pointer, m[2].landed);
    // A pair that moved before it was decided takes the view along from where it landed.
    for (const ContactLanding::Member& member : m)
        if (const GestureRecord* r = gestures_.find(member.pointer))
            fingers_.moved(member.pointer, r->last, drawing_.view);
}

void CanvasController::withdraw(GestureRecord& r) {
    history_.histories().activate(gestureKey(r.pointer));
    switch (r.began) {
        case Began::Stroke: {
            drawing_.withdrawStroke(r.pointer);
            const std::size_t entry = r.strokeLog;
            if (entry < log_.codes().size() && log_.codes()[entry] == 1) {
                log_.removeCommand(entry);
                for (GestureRecord& other : gestures_)
                    if (other.began == Began::Stroke && other.strokeLog > entry) --other.strokeLog;
            }
            break;
        }
        case Began::Deform:
            drawing_.endDeform(drawing_.openDeformTool() >= 0 ? drawing_.openDeformTool() : 0);
            break;
        default:
            break;
    }
    r.began = Began::ViewGesture;
}

void CanvasController::onDrag(float x, float y, float pressure, PointerKey pointer) {
    saveWhenDue();
    GestureRecord* found = gestures_.find(pointer);
    if (!found) return;
    GestureRecord& r = *found;
    const float dx = x - r.last.x, dy = y - r.last.y;
    if (zones_.nearEdge({x, y})) return;
    r.travel = std::max(r.travel, distance(r.press, {x, y}));
    settleLanding();
    takeLanding(landing_.moved(pointer, r.travel));
    history_.histories().activate(gestureKey(pointer));
    r.lastPressure = pressure;
    switch (r.target) {
        case Target::Menu:
        case Target::Frame:
        case Target::Handle:
            dragGesture(r, x, y, dx, dy);
            break;
        case Target::Indicator: {
            const int kind = r.button == 0 ? 0 : 1;
            const bool active = kind == 0 ? drawing_.selectionBox.selectLassoActive
                                          : drawing_.selectionBox.eraseLassoActive;
            if (active) {
                drawing_.extendLasso(x, y, kind);
            } else {
                logCommand(kind == 0 ? 10 : 9);
                drawing_.beginLasso(x, y, kind);
            }
            break;
        }
        case Target::Canvas:
            canvasDrag(r, x, y, dx, dy, pressure);
            break;
    }
    r.last = {x, y};
}

void CanvasController::canvasDrag(GestureRecord& r, float x, float y, float dx, float dy,
                                  float pressure) {
    switch (r.began) {
        case Began::Stroke:
            drawing_.extendStroke(x, y, dx, dy, pressure, r.pointer);
            r.hold.moved({x, y}, stopwatch_.now());
            break;
        case Began::Erase:
            drawing_.eraseAlong(r.last.x, r.last.y, x, y, pressure, r.pointer);
            break;
        case Began::Deform:
            drawing_.deformDrag(r.last.x, r.last.y, dx, dy, pressure);
            break;
        case Began::ViewGesture:
            fingers_.moved(r.pointer, {x, y}, drawing_.view);
            break;
        default:
            break;
    }
}

void CanvasController::dragGesture(GestureRecord& r, float x, float y, float dx, float dy) {
    std::optional<int> decided;
    if (r.target == Target::Menu) {
        gestures::menuSliderDrag(drawing_, menu_, r, x, y, dx, dy);
    } else if (r.target == Target::Frame) {
        // A corner zoom shows the zoom in the menu's centre.
        if (r.gesture >= 5) menu_.hitState = 0;
        decided = gestures::borderDrag(drawing_, zones_, r, x, y, dx, dy);
    } else if (r.target == Target::Handle) {
        decided = gestures::handleDrag(drawing_, r, x, y, dx, dy);
    }
    if (decided) logCommand(*decided);
}

void CanvasController::onRelease(float x, float y, int altButton, PointerKey pointer) {
    if (pointer.isPen()) {
        pen_.down = false;
        pen_.seen(frameNow());
    }
    if (GestureRecord* r = gestures_.find(pointer)) endGesture(*r, x, y, altButton, false);
}

void CanvasController::onCancel(PointerKey pointer) {
    if (pointer.isPen()) pen_.down = false;
    if (GestureRecord* r = gestures_.find(pointer))
        endGesture(*r, r->last.x, r->last.y, r->button, true);
}

// A stroke another hand is drawing when the page turns is finished on the page it was
// begun on, and saved with it: carried over, it would land on the next page. The other
// pointers' later moves belong to no gesture until they are lifted.
void CanvasController::endGesturesBesides(std::optional<PointerKey> pointer) {
    std::vector<PointerKey> others;
    for (const GestureRecord& g : gestures_)
        if (!(pointer && g.pointer == *pointer)) others.push_back(g.pointer);
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
        menu_.release();
        gestures_.close(pointer);
        return;
    }
    settleLanding();
    takeLanding(landing_.lifted(pointer, cancelled));
    // The drawing's changes from here on, up to the gesture's end, belong to this pointer.
    history_.histories().activate(gestureKey(pointer));
    if (r.began == Began::ViewGesture) {
        fingerLifted(r, cancelled);
    } else {
        // A stroke held still long enough snaps even when no frame came since.
        if (r.began == Began::Stroke && !cancelled) {
            r.hold.moved({x, y}, stopwatch_.now());
            holdShape(r);
        }
        const float d2 = (x - r.press.x) * (x - r.press.x) + (y - r.press.y) * (y - r.press.y);
        const bool held = kHoldSeconds < stopwatch_.now() - r.pressSeconds;
        const Stroke* stroke = drawing_.strokeInProgress(r.pointer);
        const bool drew = r.began == Began::Stroke && stroke && stroke->pointCount() >= 2;
        // A cancelled gesture is never a tap: the system took the pointer away. While a
        // selection is shown, a release that drew no stroke is a tap on it.
        const bool still =
            !cancelled && ((held && d2 < 25.0f) || (drawing_.selectionBox.shown && !drew));
        // What the press began ends before anything else: a stroke is finished (and so
        // saved and indexed) even when the release also counts as a tap. A press released
        // before it was held leaves a dot.
        const bool marked = endCanvasGesture(r, x, y, !still && !cancelled);
        if (r.target == Target::Indicator) {
            // A lasso that was drawn is finished even while the box is shown; only a press
            // that drew none can be the tap that brings the menu.
            if (!endLasso(r) && still) {
                indicator_.hide();
                if (!heldByOther(Target::Menu, pointer)) menu_.moveTo(x, y);
            }
        } else if (still && !marked) {
            stillRelease(r, x, y, altButton);
        }
        if (r.target == Target::Frame) {
            if (r.gesture >= 3) drawing_.refreshVisibleStrokes();
        } else if (r.target == Target::Handle) {
            drawing_.fitSelectionBox();
        }
    }
    gestures_.close(pointer);
    endRecording(pointer);
}

void CanvasController::endRecording(PointerKey pointer) {
    history_.endGesture(gestureKey(pointer));
    saveWhenDue();
}

void CanvasController::saveWhenDue() {
    if (!saveDueMs_) return;
    const bool cut = history_.pageChanging();
    if (cut && frameNow() < *saveDueMs_) return;
    saveDueMs_.reset();
    pages_.save("save");
    if (!cut) return;
    // The save ended the open gestures' steps; what they do from here is a step of its own.
    for (const GestureRecord& r : gestures_) {
        if (r.target == Target::Handle)
            history_.beginGesture(gestureKey(r.pointer), io::ChangeKind::Transform);
        else if (r.began == Began::Stroke)
            history_.beginGesture(gestureKey(r.pointer), io::ChangeKind::Draw);
        else if (r.began == Began::Erase)
            history_.beginGesture(gestureKey(r.pointer), io::ChangeKind::Erase);
        else if (r.began == Began::Deform)
            history_.beginGesture(gestureKey(r.pointer), io::ChangeKind::Deform);
    }
}

void CanvasController::stillRelease(GestureRecord& r, float x, float y, int altButton) {
    // The selection belongs to the pointer on its handles until that lets go.
    if (heldByOther(Target::Handle, r.pointer)) return;
    if (altButton == 0 && r.handleIndex < 0) {
        if (!drawing_.selectAt(x, y)) {
            if (drawing_.selectionBox.shown) {
                drawing_.selectionBox.hide();
                drawing_.selection.clear();
            } else {
                indicator_.show(x, y, stopwatch_.seconds());
            }
        }
    } else if (altButton == 0 && r.handleIndex >= 8 && r.handleIndex <= 10) {
        if (r.handleIndex == 9) {
            history_.recordAs(io::ChangeKind::DeleteSelection,
                             [this] { drawing_.deleteSelection(); });
        }
        if (r.handleIndex == 10) drawing_.defineBrush();
        drawing_.selectionBox.hide();
    } else if (altButton == 1 && !drawing_.selectionBox.shown) {
        indicator_.show(x, y, stopwatch_.seconds());
    }
}

void CanvasController::fingerLifted(GestureRecord& r, bool cancelled) {
    const TwoFingerGesture::Lifted lifted =
        fingers_.lifted(r.pointer, frameNow(), cancelled, drawing_.view);
    // Strokes are rebuilt for the new zoom, as after a corner zoom.
    if (lifted.viewChanged) drawing_.refreshVisibleStrokes();
    if (lifted.tap == TwoFingerGesture::Tap::TwoFingers) onTwoFingerTap();
    if (lifted.tap == TwoFingerGesture::Tap::ThreeFingers) onThreeFingerTap();
}

void CanvasController::onTwoFingerTap() {
    ++twoFingerTaps_;
    undo();
}

void CanvasController::onThreeFingerTap() {
    ++threeFingerTaps_;
    redo();
}

bool CanvasController::undo() { return history_.undo(); }

bool CanvasController::redo() { return history_.redo(); }

void CanvasController::setPaper(io::Paper paper) {
    history_.recordAs(io::ChangeKind::Paper, [&] { drawing_.setPaper(paper); });
}

void CanvasController::clearPage() {
    history_.recordAs(io::ChangeKind::Clear, [this] { drawing_.clear(); });
}

bool CanvasController::endCanvasGesture(GestureRecord& r, float x, float y, bool keepDot) {
    const Began what = r.began;
    r.began = Began::Nothing;
    switch (what) {
        case Began::Stroke: {
            const Stroke* s = drawing_.strokeInProgress(r.pointer);
            const bool drew = s && s->pointCount() >= 2;
            logStroke(r, x, y);
            if (drew || keepDot)
                drawing_.endStroke(x, y, r.pointer);
            else
                drawing_.withdrawStroke(r.pointer);
            return drew;
        }
        case Began::Erase:
            // The eraser travelled on to where the button came up.
            if (!zones_.nearEdge({x, y}) && (x != r.last.x || y != r.last.y))
                drawing_.eraseAlong(r.last.x, r.last.y, x, y, r.lastPressure, r.pointer);
            return false;
        case Began::Deform: {
            const bool pushed = !drawing_.deformed.empty();
            drawing_.endDeform(drawing_.openDeformTool() >= 0 ? drawing_.openDeformTool() : 0);
            return pushed;
        }
        case Began::Snapped:
            return true;
        default:
            return false;
    }
}

bool CanvasController::endLasso(const GestureRecord& r) {
    SelectionBox& box = drawing_.selectionBox;
    const bool select = r.button == 0;
    const bool drawn = select ? box.selectLassoActive : box.eraseLassoActive;
    if (drawn) {
        if (select)
            drawing_.finishSelectLasso();
        else
            history_.recordAs(io::ChangeKind::EraseLasso, [this] { drawing_.finishEraseLasso(); });
    }
    // Nothing of a lasso outlives its press, whichever kind it was.
    if (box.selectLassoActive) box.endSelectLasso();
    if (box.eraseLassoActive) box.endEraseLasso();
    box.path.clear();
    return drawn;
}

void CanvasController::onPointer(float x, float y, PointerKey pointer) {
    drawing_.pointerMoved(x, y, pointer);
    if (pointer.isPen()) pen_.seen(frameNow());
    // The tool outline follows the pointer that pushes strokes, or every pointer while
    // none does.
    for (const GestureRecord& r : gestures_)
        if (r.began == Began::Deform && !(r.pointer == pointer)) return;
    drawing_.deformTool.screenPosition = {x, y};
}

void CanvasController::onPenProximity(bool entered) {
    pen_.proximity(entered, frameNow());
    // A pen that leaves while touching lost its release on the way: its stroke ends there.
    if (GestureRecord* r = entered ? nullptr : gestures_.find(PointerKey::pen()))
        endGesture(*r, r->last.x, r->last.y, r->button, false);
}

void CanvasController::tick() {
    settleLanding();
    indicator_.update(stopwatch_.seconds());
    for (GestureRecord& r : gestures_)
        if (r.began == Began::Stroke) holdShape(r);
    saveWhenDue();
    pages_.exports().poll();
}

void CanvasController::selectMenuButton(int id) {
    switch (id) {
        case 0:
        case 1:
            drawing_.mode = id;
            break;
        case 2:
            clearPage();
            break;
        case 3:
            // The frame update advances the animation on the frame clock, so start it there.
            drawing_.startViewReset(
                static_cast<std::uint32_t>(static_cast<std::uint64_t>(frameNow())));
            break;
        case RadialMenu::kUndoButton:
            undo();
            break;
        case RadialMenu::kRedoButton:
            redo();
            break;
        case RadialMenu::kOpenButton:
            if (showMaterialChooser_) showMaterialChooser_();
            break;
        case RadialMenu::kHoldViewButton:
            holdView(!viewHeld_);
            break;
        default:
            break;
    }
}

void CanvasController::holdView(bool held) {
    viewHeld_ = held;
    // Contacts still undecided keep drawing.
    if (held) landing_.clear();
    holdview::save(held);
}

void CanvasController::selectColour(int i) {
    if (i < 0 || i >= static_cast<int>(kPalette.size())) return;
    drawing_.brush.colour = kPalette[static_cast<std::size_t>(i)];
}

void CanvasController::onKey(const std::string& text) {
    switch (keyCommandFor(text)) {
        case KeyCommand::ToggleWireframe:
            drawing_.wireframe = !drawing_.wireframe;
            break;
        case KeyCommand::TogglePoints:
            drawing_.showPoints = !drawing_.showPoints;
            break;
        case KeyCommand::ToggleIndexCells:
            drawing_.index.debugDraw = !drawing_.index.debugDraw;
            break;
        case KeyCommand::SmoothnessDown:
            drawing_.smoothness -= 0.5f;
            break;
        case KeyCommand::SmoothnessUp:
            drawing_.smoothness += 0.5f;
            break;
        case KeyCommand::Clear:
            clearPage();
            break;
        case KeyCommand::Save:
            // Strokes being drawn never hold it up: the finished ones are written at once.
            if (!saveDueMs_) saveDueMs_ = frameNow() + kSaveWaitMs;
            saveWhenDue();
            break;
        case KeyCommand::Load:
            pages_.reload();
            break;
        case KeyCommand::Undo:
            undo();
            break;
        case KeyCommand::Redo:
            redo();
            break;
        case KeyCommand::ExportSvg:
            pages_.exportSvg();
            break;
        case KeyCommand::ExportPdf:
            pages_.exportPdf();
            break;
        case KeyCommand::ExportPng:
            pages_.exportPng();
            break;
        case KeyCommand::None:
            break;
    }
}

bool CanvasController::flip(int delta, std::optional<PointerKey> pointer) {
    endGesturesBesides(pointer);
    return delta < 0 ? pages_.previous() : pages_.next();
}

bool CanvasController::flipToPreviousPage() { return flip(-1, std::nullopt); }

bool CanvasController::flipToNextPage() { return flip(1, std::nullopt); }

bool CanvasController::importMaterial(const std::vector<std::string>& files) {
    if (!inspector_) return false;
    const int first = material::lastPage(".", pages_.current()) + 1;
    int next = first;
    for (const std::string& file : files) next += material::importFile(".", file, next, *inspector_);
    if (next == first) return false;
    endGesturesBesides(std::nullopt);
    pages_.jump(first);
    if (pagesImported_) pagesImported_(first, next);
    return true;
}

// The log's times are in thousands of seconds (3.512 s after the start is written
// "0.003512"): tools that read these logs expect that unit.
void CanvasController::logCommand(int code) {
    log_.addCommand(code, log_.secondsSinceStart(frameNow()) / 1000.0f);
}

void CanvasController::logStroke(const GestureRecord& r, float x, float y) {
    const Vec2 v = Vec2(x, y) - r.press;
    const float an =
        static_cast<float>((std::atan2(0.0, 1.0) - std::atan2(v.y, v.x)) * 57.2957763671875);
    const float cAn = drawing_.view.rotation;
    const double now = frameNow();
    const float sT = log_.secondsSinceStart(r.pressMs) / 1000.0f;
    const float dT = static_cast<float>((now - r.pressMs) / 1000.0) / 1000.0f;
    log_.addStroke(an, cAn, sT, dT);
}

void CanvasController::holdShape(GestureRecord& r) {
    const Stroke* drawn = drawing_.strokeInProgress(r.pointer);
    if (!drawn) return;
    const bool due = r.hold.update(stopwatch_.now(), [&] {
        return recogniseHeldStroke(*drawn, drawing_.view.screenToCanvas(r.last), drawing_.view.zoom);
    });
    if (!due) return;
    std::vector<ControlPoint> shape = snappedPoints(*drawn, *r.hold.hint(), drawing_.view.zoom);
    // The stroke as drawn is one step and its shape another, so one undo brings the drawn
    // stroke back.
    history_.histories().activate(gestureKey(r.pointer));
    const bool drew = endCanvasGesture(r, r.last.x, r.last.y, true);
    r.began = Began::Snapped;
    history_.endGesture(gestureKey(r.pointer));
    if (drew) {
        Stroke& stroke = *drawing_.strokes.last()->stroke;
        history_.recordAs(io::ChangeKind::Draw,
                          [&] { drawing_.reshapeStroke(stroke, std::move(shape)); });
    }
    saveWhenDue();
}

std::vector<ShapeHint> CanvasController::shapeHints() const {
    std::vector<ShapeHint> hints;
    for (const GestureRecord& r : gestures_) {
        const Stroke* drawn = drawing_.strokeInProgress(r.pointer);
        if (r.began == Began::Stroke && drawn && r.hold.hint())
            hints.push_back({*r.hold.hint(), drawn->colour});
    }
    return hints;
}

bool CanvasController::shapeHoldWaiting() const {
    return std::any_of(gestures_.begin(), gestures_.end(), [](const GestureRecord& r) {
        return r.began == Began::Stroke && r.hold.waiting();
    });
}
