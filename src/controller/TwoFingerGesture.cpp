#include "controller/TwoFingerGesture.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {
float angleOf(Vec2 v) { return std::atan2(v.y, v.x); }
// Below this the fingers' distance and direction are too uncertain to zoom by, pixels.
constexpr float kMinSpread = 1.0f;
}  // namespace

const TwoFingerGesture::Finger* TwoFingerGesture::find(PointerKey pointer) const {
    for (int i = 0; i < count_; ++i)
        if (fingers_[i].pointer == pointer) return &fingers_[i];
    return nullptr;
}

TwoFingerGesture::Finger* TwoFingerGesture::find(PointerKey pointer) {
    return const_cast<Finger*>(std::as_const(*this).find(pointer));
}

void TwoFingerGesture::form(PointerKey first, Vec2 firstLanded, PointerKey second,
                            Vec2 secondLanded, double formedMs, const View& view) {
    fingers_[0] = {first, firstLanded, firstLanded};
    fingers_[1] = {second, secondLanded, secondLanded};
    count_ = 2;
    formedMs_ = formedMs;
    lastLiftMs_ = formedMs;
    cancelled_ = false;
    viewChanged_ = false;
    startView_ = view;
    anchor_ = view.screenToCanvas((firstLanded + secondLanded) * 0.5f);
    startDistance_ = distance(firstLanded, secondLanded);
    startAngle_ = angleOf(secondLanded - firstLanded);
}

void TwoFingerGesture::join(PointerKey pointer, Vec2 at) {
    if (count_ >= static_cast<int>(fingers_.size())) return;
    fingers_[count_++] = {pointer, at, at};
}

void TwoFingerGesture::moved(PointerKey pointer, Vec2 at, View& view) {
    Finger* f = find(pointer);
    if (!f || !f->down || !isFinite(at)) return;
    f->at = at;
    if (distance(f->landed, at) >= kStillTravel) f->moved = true;
    if (count_ == 2 && fingers_[0].down && fingers_[1].down) follow(view);
}

void TwoFingerGesture::follow(View& view) {
    const Vec2 a = fingers_[0].at, b = fingers_[1].at;
    const float spread = distance(a, b);
    if (startDistance_ >= kMinSpread && spread >= kMinSpread) {
        view.zoom =
            std::clamp(startView_.zoom * (spread / startDistance_), View::kMinZoom, View::kMaxZoom);
        // Counter-clockwise on screen turns the canvas counter-clockwise with the fingers.
        view.rotation =
            std::fmod(startView_.rotation + (angleOf(b - a) - startAngle_) * kRadToDeg, 360.0f);
    }
    view.anchor(anchor_, (a + b) * 0.5f);
    viewChanged_ = true;
}

TwoFingerGesture::Lifted TwoFingerGesture::lifted(PointerKey pointer, double nowMs, bool cancelled,
                                                  View& view) {
    Lifted result;
    Finger* f = find(pointer);
    if (!f || !f->down) return result;
    f->down = false;
    lastLiftMs_ = nowMs;
    cancelled_ = cancelled_ || cancelled;
    result.viewChanged = viewChanged_;
    viewChanged_ = false;
    for (int i = 0; i < count_; ++i)
        if (fingers_[i].down) return result;

    bool still = !cancelled_ && lastLiftMs_ - formedMs_ <= kTapMs;
    for (int i = 0; i < count_; ++i) {
        still = still && !fingers_[i].moved;
        for (int j = i + 1; j < count_; ++j)
            still = still && distance(fingers_[i].landed, fingers_[j].landed) <= kTapSpread;
    }
    if (still) {
        result.tap = count_ == 3 ? Tap::ThreeFingers : Tap::TwoFingers;
        if (view.zoom != startView_.zoom || view.rotation != startView_.rotation ||
            view.panX != startView_.panX || view.panY != startView_.panY) {
            view.zoom = startView_.zoom;
            view.rotation = startView_.rotation;
            view.panX = startView_.panX;
            view.panY = startView_.panY;
            result.viewChanged = true;
        }
    }
    count_ = 0;
    return result;
}
