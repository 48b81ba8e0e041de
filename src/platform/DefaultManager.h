#pragma once

#include <memory>

#include "platform/FrameTimer.h"
#include "platform/SurfaceManager.h"

// The toolkit's manager: keeps the frame timer and the window size.
class DefaultManager : public SurfaceManager {
public:
    explicit DefaultManager(std::unique_ptr<FrameTimer> timer) : timer_(std::move(timer)) {}
    virtual void resize(int w, int h) {
        width_ = w;
        height_ = h;
    }
    FrameTimer& frameTimer() { return *timer_; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    std::unique_ptr<FrameTimer> timer_;
    int width_ = 0;
    int height_ = 0;
};
