#pragma once

#include <functional>

// Seconds since construction on a monotonic clock. The clock can be replaced (tests).
class Stopwatch {
public:
    using Clock = std::function<double()>;  // seconds, any fixed origin, never decreasing

    Stopwatch();
    explicit Stopwatch(Clock clock);

    double now() const { return running_ ? clock_() : stored_; }
    // Elapsed seconds, narrowed to float as every user of the stopwatch takes them.
    float seconds() const { return static_cast<float>(now() - origin_); }

    static double monotonicSeconds();

private:
    Clock clock_;
    double origin_;
    double stored_;
    bool running_ = true;
};
