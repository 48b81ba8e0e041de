#pragma once

// The frame clock. getCurrentTime never decreases; its integer part serves as a time stamp.
class FrameTimer {
public:
    virtual ~FrameTimer() = default;
    virtual void start() {}
    virtual void end() {}
    virtual double getCurrentTime() = 0;
    virtual double calculateFrameRate() { return 0.0; }
};
