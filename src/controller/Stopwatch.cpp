#include "controller/Stopwatch.h"

#include <chrono>

double Stopwatch::monotonicSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

Stopwatch::Stopwatch() : Stopwatch(&Stopwatch::monotonicSeconds) {}

Stopwatch::Stopwatch(Clock clock) : clock_(std::move(clock)) {
    origin_ = clock_();
    stored_ = origin_;
}
