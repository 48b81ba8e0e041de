#pragma once

#include <vector>

#include "controller/TwoFingerGesture.h"
#include "geometry/PointerKey.h"
#include "geometry/Vec2.h"

// Touch contacts that land on the canvas together, and what they turn out to mean. Two alone
// are a view gesture (or a two-finger tap); three are a three-finger tap when one lifts
// before anything else decides them, strokes otherwise; four or more are always strokes.
// Until a group is decided every contact in it draws, so nothing is withdrawn before its
// time and nothing a crowd of hands draws is taken for a view gesture.
//
// A pair is decided when one of them has moved kStillTravel, when kLandingMs have passed
// since the second landed (kTapMs for a pair wider than kTapSpread), or when one lifts. A trio when one moves, when a fourth lands, or
// when kTapMs have passed since the second landed (a tap can no longer be). Positions are
// screen pixels; times the frame clock's milliseconds.
class ContactLanding {
public:
    // Landing together: within this time of the last one to land, at most this far apart,
    // before any has moved kStillTravel from where it landed.
    static constexpr double kLandingMs = 150.0;
    static constexpr float kMaxSpread = 500.0f;
    static constexpr float kStillTravel = TwoFingerGesture::kStillTravel;
    // A tap's fingers are all lifted within this time of the second landing.
    static constexpr double kTapMs = TwoFingerGesture::kTapMs;
    // A tap is one hand's: its fingers landed at most this far apart, screen pixels. Two
    // pupils tapping at once a little further apart leave their dots and undo nothing.
    static constexpr float kTapSpread = TwoFingerGesture::kTapSpread;

    enum class Verdict {
        Open,         // not decided (or nothing newly decided by this call)
        ViewGesture,  // the pair moves the view: take back what they drew
        Tap,          // the trio is a three-finger tap: take back what they drew
        Strokes       // every contact keeps its stroke
    };
    struct Member {
        PointerKey pointer;
        Vec2 landed;
    };

    // A contact landing at `at`, `nowMs`, makes a pair with one that landed at `earlierMs`,
    // has travelled `earlierTravel` and is now at `earlierAt`.
    static bool landTogether(double earlierMs, float earlierTravel, Vec2 earlierAt, double nowMs,
                             Vec2 at);

    // Whether a group is gathered (open, or decided as strokes and still taking landings in).
    bool gathered() const { return !members_.empty(); }
    bool open() const { return gathered() && verdict_ == Verdict::Open; }
    bool has(PointerKey pointer) const;
    const std::vector<Member>& members() const { return members_; }
    // When the second contact landed: a tap is timed from there.
    double formedMs() const { return formedMs_; }

    // Starts an open pair; any group before is forgotten.
    void pair(Member first, Member second, double nowMs);
    // A contact landing: true when it landed together with the group and joined it. A fourth
    // decides the group as strokes; later ones join such a group while they land within
    // kLandingMs of the last, so that they pair with none of it.
    bool join(Member landing, double nowMs);
    // What the time alone decides by now; a group decided as strokes whose window has passed
    // is forgotten.
    Verdict settle(double nowMs);
    // A member has travelled `travel` from where it landed.
    Verdict moved(PointerKey pointer, float travel);
    // A member lifted, or was cancelled (then every contact keeps its stroke). Contacts too
    // far apart to be one hand's keep their strokes too: they can no longer be a view
    // gesture, and must be no tap.
    Verdict lifted(PointerKey pointer, bool cancelled);
    // The group was taken over as a view gesture or a tap.
    void clear() { members_.clear(); }

private:
    Verdict decide(Verdict v) {
        verdict_ = v;
        return v;
    }

    std::vector<Member> members_;
    Verdict verdict_ = Verdict::Open;
    double formedMs_ = 0.0;
    double lastMs_ = 0.0;
};
