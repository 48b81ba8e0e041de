#pragma once

#include <iosfwd>

#include "geometry/Rgb.h"
#include "geometry/Vec2.h"

// Radius and opacity of one new control point, with the brush colour.
struct BrushSample {
    float radius = 0.0f;   // canvas units
    float opacity = 1.0f;  // 0..1
    Rgb colour;
};

// One pointer's spring follower: what brush speed is measured on.
struct BrushFollower {
    Vec2 cursor;    // last pointer position, for the on-screen brush cursor
    Vec2 follower;  // spring follower position
    Vec2 velocity;  // follower velocity, units per step
};

// Decides radius and opacity of the points a pen adds. Either can follow pen pressure or
// pen speed; speed is the velocity of a spring-damped follower pulled toward the pointer
// (one step per frame and one per sample), so jittery input thins or fades smoothly.
// Positions are whatever the caller uses (screen for reset/step, canvas for sample; at
// zoom 1 without pan or rotation they coincide). Not thread-safe; one per drawing.
//
// The settings are shared by every pointer. The brush is itself the follower of the mouse
// and the pen (drawn as the brush cursor); pointers drawing beside it bring their own
// follower to the operations that take one.
class BrushDynamics : public BrushFollower {
public:
    // What pressure or speed drives.
    enum Mode : int { kOff = 0, kRadius = 1, kOpacity = 2 };

    float size = 5.0f;  // base radius, canvas units
    Rgb colour;         // of the strokes it begins; one of kPalette when picked from the menu
    int speedMode = kOff;
    int pressureMode = kRadius;

    // Dynamics constants; they never change at run time.
    float stiffness = 0.06f;
    float damping = 0.68f;
    float ductus = 1.0f;  // follower speed to speed measure
    float maxTh = 10.0f;  // cap of the scaled speed in the trace line
    float mass = 1.0f;
    float speedRange = 100.0f;  // scaled speed at which the speed factor reaches its floor

    // Trace lines go to standard output unless redirected; nullptr silences them.
    BrushDynamics();
    void setTraceStream(std::ostream* stream) { trace_ = stream; }

    // Puts cursor and follower on (x, y); the velocity carries over and only decays.
    // Ignored for a non-finite position, which would otherwise poison the follower.
    void reset(BrushFollower& f, float x, float y) const;
    // One spring step toward (x, y); ignored for a non-finite target.
    void step(BrushFollower& f, float x, float y) const;
    // 1 at rest, falling linearly with follower speed to 0.01 at speedRange / ductus and
    // beyond. Writes one trace line.
    float speedFactor(const BrushFollower& f) const;
    // One step toward (x, y), then the values for a new point. `pressure` is the device's
    // (1 without one); a non-finite value counts as 1 and a negative one as 0.
    BrushSample sample(BrushFollower& f, float x, float y, float pressure) const;

    // The same on the brush's own follower.
    void reset(float x, float y) { reset(*this, x, y); }
    void setCursor(float x, float y) { cursor = Vec2(x, y); }
    void step(float x, float y) { step(*this, x, y); }
    float speedFactor() const { return speedFactor(*this); }
    BrushSample sample(float x, float y, float pressure) { return sample(*this, x, y, pressure); }

private:
    std::ostream* trace_;
};
