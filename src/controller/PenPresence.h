#pragma once

#include <limits>

// Whether the pen is at the board: in proximity of the tablet, touching it, or gone less
// than kLingerMs ago. While it is, touch contacts are the writing hand's palm. Times are
// the frame clock's milliseconds.
struct PenPresence {
    static constexpr double kLingerMs = 500.0;

    bool inProximity = false;
    bool down = false;
    double lastSeenMs = -std::numeric_limits<double>::infinity();

    void proximity(bool entered, double nowMs) {
        inProximity = entered;
        lastSeenMs = nowMs;
    }
    // Any pen event (a press, a move, hovering or not, a release): without proximity
    // events from the system, these alone keep the palm rejected.
    void seen(double nowMs) { lastSeenMs = nowMs; }
    bool atBoard(double nowMs) const {
        return inProximity || down || nowMs - lastSeenMs < kLingerMs;
    }
};
