#pragma once

#include <array>

#include "document/View.h"
#include "geometry/PointerKey.h"
#include "geometry/Vec2.h"

// Two touch contacts that land on the canvas together form a view gesture instead of two
// strokes: while both are down, the view pans with their midpoint, zooms with their
// distance (about the midpoint, within the view's zoom limits) and turns with the line
// between them, as the band's rotation does. A third contact landing with them joins.
// When every finger lifts within kTapMs of the gesture forming and none has moved
// kStillTravel, it was a two- or three-finger tap and the view is put back as it was.
// Positions are screen pixels (y up); times the frame clock's milliseconds.
class TwoFingerGesture {
public:
    // Landing together: within this time of each other, at most this far apart, before
    // either has moved kStillTravel from where it landed.
    static constexpr double kLandingMs = 150.0;
    static constexpr float kMaxSpread = 500.0f;
    static constexpr float kStillTravel = 10.0f;
    static constexpr double kTapMs = 250.0;

    enum class Tap { None, TwoFingers, ThreeFingers };
    struct Lifted {
        bool viewChanged = false;  // the view moved since the last lift: rebuild strokes
        Tap tap = Tap::None;       // set when the last finger lifts
    };

    // A contact landing at `at`, `nowMs`, makes a gesture with one that landed at
    // `earlierMs`, has travelled `earlierTravel` and is now at `earlierAt`.
    static bool landTogether(double earlierMs, float earlierTravel, Vec2 earlierAt, double nowMs,
                             Vec2 at);

    bool active() const { return count_ > 0; }
    bool has(PointerKey pointer) const { return find(pointer) != nullptr; }
    // `first` landed at `firstLanded` and is at `firstAt`; `second` lands at `secondAt` now.
    void form(PointerKey first, Vec2 firstLanded, Vec2 firstAt, PointerKey second, Vec2 secondAt,
              double nowMs, const View& view);
    // Whether a third contact landing now at `at` joins the gesture.
    bool joins(double nowMs, Vec2 at) const;
    void join(PointerKey pointer, Vec2 at);
    // A finger moved; while the first two are down the view follows them.
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
