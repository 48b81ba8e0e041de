#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Every recognised gesture with its time, and four values per finished stroke; written as
// one XML document when the run ends. Times are thousands of seconds since the run's start
// stamp (a command 3.512 s after the start has t = 0.003512).
class CommandLog {
public:
    // The run's start on the frame clock, milliseconds: time zero, and the file's name.
    void start(std::uint32_t stampMs) { startStamp_ = stampMs; }
    std::uint32_t startStamp() const { return startStamp_; }
    // Seconds from the start to `frameMs`: modular, like the stamp itself, so that a clock
    // past 2^32 ms still gives small differences.
    float secondsSinceStart(double frameMs) const {
        const auto ms = static_cast<std::uint32_t>(static_cast<std::uint64_t>(frameMs)) - startStamp_;
        return static_cast<float>(static_cast<std::int32_t>(ms)) / 1000.0f;
    }
    void addCommand(int code, float t) {
        codes_.push_back(code);
        times_.push_back(t);
    }
    // Takes back command `index`, as if it had never been recorded.
    void removeCommand(std::size_t index) {
        if (index >= codes_.size()) return;
        codes_.erase(codes_.begin() + static_cast<std::ptrdiff_t>(index));
        times_.erase(times_.begin() + static_cast<std::ptrdiff_t>(index));
    }
    // Angle of the stroke (degrees, clockwise in y-up screen space), view rotation (degrees),
    // start time and duration (thousands of seconds).
    void addStroke(float an, float cAn, float sT, float dT) {
        strokeRecords_.insert(strokeRecords_.end(), {an, cAn, sT, dT});
    }

    const std::vector<int>& codes() const { return codes_; }
    const std::vector<float>& times() const { return times_; }
    const std::vector<float>& strokeRecords() const { return strokeRecords_; }

    // The log document: "c" elements (v, t) first, then "a" elements (an, cAn, sT, dT).
    std::string format() const;
    // Replaces the file safely; false (with a diagnostic line) when it could not be written.
    bool write(const std::string& path) const;
    // "<start stamp>.log" in the working directory.
    bool write() const;

private:
    std::uint32_t startStamp_ = 0;
    std::vector<int> codes_;
    std::vector<float> times_;
    std::vector<float> strokeRecords_;
};
