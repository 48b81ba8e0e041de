#pragma once

// Feeds recorded samples into a Stroke the way the drawing builds one while the pen moves:
// a control point after more than 4 units of accumulated travel, a simplification of the
// pending tail once more than 14 points follow the first unsimplified one (the next pass
// starting at the fourth point from the end), and the rest of the tail simplified when the
// pen goes up. Canvas = screen coordinates (zoom 1, no pan); radius and opacity come from a
// small brush function instead of BrushDynamics, so geometry tests need no brush layer.

#include <cmath>
#include <functional>

#include "geometry/Stroke.h"
#include "support/StrokeData.h"

struct PenReplayOptions {
    float zoom = 1.0f;
    float smoothness = 1.0f;
    float spacing = 4.0f;
    bool buildOutline = true;  // after every added point, as the drawing does
};

class PenReplay {
public:
    using Options = PenReplayOptions;
    struct Dab {
        float radius;
        float opacity;
    };
    // Default brush: size 5 scaled by pressure, full opacity.
    using Brush = std::function<Dab(const strokedata::Sample&)>;

    explicit PenReplay(Options options = {}, Brush brush = {})
        : options_(options), brush_(brush ? std::move(brush) : [](const strokedata::Sample& s) {
              return Dab{5.0f * s.pressure, 1.0f};
          }) {}

    void begin(const strokedata::Sample& s) {
        const Dab d = brush_(s);
        stroke_ = Stroke(s.x, s.y, d.radius, d.opacity);
        firstUnsimplified_ = 1;
        travelled_ = 0.0f;
        last_ = s;
        if (options_.buildOutline) stroke_.buildOutline(options_.zoom);
    }

    // Returns whether the sample added a control point.
    bool extend(const strokedata::Sample& s) {
        const float dx = s.x - last_.x;
        const float dy = s.y - last_.y;
        last_ = s;
        travelled_ += std::sqrt(dx * dx + dy * dy);
        if (!(travelled_ > options_.spacing)) return false;
        travelled_ = 0.0f;
        const Dab d = brush_(s);
        stroke_.addPoint(s.x, s.y, d.radius, d.opacity);
        const int n = stroke_.pointCount();
        if (n - firstUnsimplified_ - 1 > 14) {
            stroke_.simplify(firstUnsimplified_, n - 1, options_.zoom, options_.smoothness);
            firstUnsimplified_ = stroke_.pointCount() - 4;
            if (firstUnsimplified_ <= 0) firstUnsimplified_ = 1;
        }
        if (options_.buildOutline) stroke_.buildOutline(options_.zoom);
        return true;
    }

    void end() {
        const int n = stroke_.pointCount();
        if (n >= 2 && n - firstUnsimplified_ > 2) {
            stroke_.simplify(firstUnsimplified_, n - 1, options_.zoom, options_.smoothness);
            firstUnsimplified_ = 1;
            if (options_.buildOutline) stroke_.buildOutline(options_.zoom);
        }
    }

    Stroke& stroke() { return stroke_; }
    int firstUnsimplified() const { return firstUnsimplified_; }

    // The whole recording: begin, extend with every later sample, end.
    static Stroke replay(const strokedata::RecordedStroke& rec, Options options = {},
                         Brush brush = {}) {
        PenReplay pen(options, std::move(brush));
        if (rec.samples.empty()) return {};
        pen.begin(rec.samples[0]);
        for (std::size_t i = 1; i < rec.samples.size(); ++i) pen.extend(rec.samples[i]);
        pen.end();
        return std::move(pen.stroke());
    }

private:
    Options options_;
    Brush brush_;
    Stroke stroke_;
    int firstUnsimplified_ = 1;
    float travelled_ = 0.0f;
    strokedata::Sample last_;
};
