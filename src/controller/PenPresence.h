#pragma once

#include <limits>

// Whether the pen is at the board: touching it, in proximity of the tablet and heard from
// lately, or gone less than kLingerMs ago. While it is, touch contacts are the writing
// hand's palm. Times are the frame clock's milliseconds.
struct PenPresence {
    static constexpr double kLingerMs = 500.0;
    // A pen in proximity sends events as it hovers; one silent this long has left without
    // saying so (the system lost the leave), and touches draw again.
    static constexpr double kSilentMs = 1000.0;

    bool inProximity = false;
    bool down = false;
    double lastSeenMs = -std::numeric_limits<double>::infinity();

    void proximity(bool entered, double nowMs) {
        inProximity = entered;
        if (!entered) down = false;
        lastSeenMs = nowMs;
    }
    // Any pen event (a press, a move, hovering or not, a release): without proximity
    // events from the system, these alone keep the palm rejected.
    void seen(double nowMs) { lastSeenMs = nowMs; }
    bool atBoard(double nowMs) const {
        const double quiet = nowMs - lastSeenMs;
        return down || quiet < kLingerMs || (inProximity && quiet < kSilentMs);
    }
};
