#pragma once

#include <array>

#include "document/View.h"
#include "geometry/PointerKey.h"
#include "geometry/Vec2.h"

// Two touch contacts alone on the canvas (see ContactLanding) make a view gesture: while
// both are down, the view pans with their midpoint, zooms with their distance (about the
// midpoint, within the view's zoom limits) and turns with the line between them, as the
// band's rotation does. Three fingers never move the view: they can only be a tap. When
// every finger lifts within kTapMs of the gesture forming and none has moved kStillTravel,
// it was a two- or three-finger tap (if they landed within kTapSpread of each other, as one
// hand's fingers do) and the view is put back as it was.
// Positions are screen pixels (y up); times the frame clock's milliseconds.
class TwoFingerGesture {
public:
    static constexpr float kStillTravel = 10.0f;
    static constexpr double kTapMs = 250.0;
    static constexpr float kTapSpread = 120.0f;

    enum class Tap { None, TwoFingers, ThreeFingers };
    struct Lifted {
        bool viewChanged = false;  // the view moved since the last lift: rebuild strokes
        Tap tap = Tap::None;       // set when the last finger lifts
    };

    bool active() const { return count_ > 0; }
    bool has(PointerKey pointer) const { return find(pointer) != nullptr; }
    // `first` and `second` landed at `firstLanded` and `secondLanded`, the second at
    // `formedMs`; the view follows from `view` as it was then. Call moved() for where they
    // are now.
    void form(PointerKey first, Vec2 firstLanded, PointerKey second, Vec2 secondLanded,
              double formedMs, const View& view);
    // A third finger, landed at `at`: the gesture is a tap or nothing.
    void join(PointerKey pointer, Vec2 at);
    // A finger moved; while two fingers alone are both down the view follows them.
    void moved(PointerKey pointer, Vec2 at, View& view);
    // A finger lifted (or was cancelled, which is never a tap). After the last, the gesture
    // is over.
    Lifted lifted(PointerKey pointer, double nowMs, bool cancelled, View& view);

private:
    struct Finger {
        PointerKey pointer;
        Vec2 landed, at;
        bool down = true;
        bool moved = false;  // travelled kStillTravel or more
    };
    const Finger* find(PointerKey pointer) const;
    Finger* find(PointerKey pointer);
    void follow(View& view);

    std::array<Finger, 3> fingers_{};
    int count_ = 0;
    double formedMs_ = 0.0;
    double lastLiftMs_ = 0.0;
    bool cancelled_ = false;
    bool viewChanged_ = false;
    View startView_;
    Vec2 anchor_;  // canvas point under the first midpoint
    float startDistance_ = 0.0f;
    float startAngle_ = 0.0f;  // radians
};
