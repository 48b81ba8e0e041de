#pragma once

#include "platform/FrameTimer.h"

// Milliseconds of the system's monotonic clock (time since boot), so stamps of
// successive runs differ and the view-reset animation's 1000 units last one second.
class MonotonicFrameTimer : public FrameTimer {
public:
    double getCurrentTime() override;
};
