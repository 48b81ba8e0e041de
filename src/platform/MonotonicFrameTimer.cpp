#include "platform/MonotonicFrameTimer.h"

#include <chrono>

double MonotonicFrameTimer::getCurrentTime() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}
