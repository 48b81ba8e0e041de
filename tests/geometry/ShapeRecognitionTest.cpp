// Shape recognition on hand-drawn shapes generated with wobble, on curves and on recorded
// real strokes: handwriting stays handwriting, lines ruled with a pen become lines.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <map>
#include <string>

#include "geometry/ShapeRecognition.h"
#include "support/PenReplay.h"
#include "support/ShapeSketch.h"
#include "support/StrokeData.h"

namespace {

constexpr float kMinSize = 40.0f;  // the smallest shape the drawing asks for at zoom 1
constexpr float kPi = 3.14159265f;

// The control points the drawing keeps of the pen's samples, and the point where the pen
// was held, as the hold hands them to the recogniser.
std::vector<Vec2> drawn(const std::vector<Vec2>& pen) {
    PenReplay replay({.buildOutline = false});
    replay.begin({pen[0].x, pen[0].y});
    for (const Vec2 p : pen) replay.extend({p.x, p.y});
    replay.end();
    std::vector<Vec2> out;
    for (const ControlPoint& p : replay.stroke().points) out.push_back(p.pos());
    out.push_back(pen.back());
    return out;
}
std::vector<Vec2> drawn(const std::vector<strokedata::Sample>& samples) {
    std::vector<Vec2> pen;
    for (const auto& s : samples) pen.push_back({s.x, s.y});
    return drawn(pen);
}

// The points that stand for a shape: its corners, or an ellipse's axis ends.
std::vector<Vec2> landmarks(const Shape& s) {
    if (!s.corners.empty()) return s.corners;
    const Vec2 u(std::cos(s.angle), std::sin(s.angle)), v(-u.y, u.x);
    return {s.centre + u * s.radiusX, s.centre + v * s.radiusY, s.centre - u * s.radiusX, s.centre - v * s.radiusY};
}

// The largest distance between matching landmarks, over the starting points a closed
// shape may take, as a share of the truth's size (its bounding box's diagonal).
float landmarkError(const Shape& truth, const Shape& got) {
    const std::vector<Vec2> a = landmarks(truth), b = landmarks(got);
    if (a.size() != b.size()) return INFINITY;
    Rect box;
    for (const Vec2 p : tracePoints(truth, 2.0f)) box.include(p);
    float best = INFINITY;
    for (std::size_t shift = 0; shift < (truth.isClosed() ? a.size() : 1); ++shift) {
        float worst = 0.0f;
        for (std::size_t i = 0; i < a.size(); ++i) worst = std::max(worst, distance(a[i], b[(i + shift) % b.size()]));
        best = std::min(best, worst);
    }
    return best / distance(box.min(), box.max());
}

// The traced path of a shape passes every corner in order, in steps of at most the spacing,
// and a closed one ends where it began.
void expectTraceFollows(const Shape& shape, float spacing) {
    const std::vector<Vec2> path = tracePoints(shape, spacing);
    ASSERT_GE(path.size(), 2u);
    for (std::size_t i = 1; i < path.size(); ++i) ASSERT_LE(distance(path[i - 1], path[i]), spacing * 1.01f);
    EXPECT_TRUE(!shape.isClosed() || path.front() == path.back());
    std::size_t at = 0;
    for (const Vec2 c : shape.corners) {
        while (at < path.size() && !(path[at] == c)) ++at;
        EXPECT_LT(at, path.size()) << "corner missing";
    }
}

// Whether the direction from a to b is a multiple of 45 degrees, to float precision.
bool onSnapAngle(Vec2 a, Vec2 b) {
    const float angle = std::atan2(b.y - a.y, b.x - a.x) / (kPi / 4.0f);
    return std::fabs(angle - std::round(angle)) < 1e-4f;
}

}  // namespace

// 40 each of lines, arrows, circles, ellipses, open polylines of 2 to 6 pieces and closed
// ones of 3 to 6 (half the fours rectangles), 150 to 600 units across (3 % of that is more
// than the 4 units between the points the drawing keeps); then arcs and waves.
TEST(ShapeRecognition, HandDrawnShapesComeOutRightAndCurvesStayCurves) {
    ShapeSketch sketch(20261207);
    std::vector<std::tuple<std::string, Shape::Kind, int, bool>> specs{
        {"line", Shape::Kind::Line, 1, false}, {"arrow", Shape::Kind::Polyline, -1, false},
        {"circle", Shape::Kind::Circle, 0, true}, {"ellipse", Shape::Kind::Ellipse, 0, true}};
    for (int n = 2; n <= 6; ++n) specs.emplace_back("open " + std::to_string(n), Shape::Kind::Polyline, n, false);
    for (int n = 3; n <= 6; ++n) specs.emplace_back("closed " + std::to_string(n), Shape::Kind::Polyline, n, true);

    int right = 0, total = 0;
    for (const auto& [label, kind, pieces, closed] : specs) {
        std::map<std::string, int> outcome;
        for (int i = 0; i < 40; ++i, ++total) {
            const float size = sketch.uniform(150.0f, 600.0f);
            const Shape truth = sketch.shape(kind, pieces, closed, size);
            const std::optional<Shape> got = recogniseShape(drawn(sketch.draw(truth, size)), kMinSize);
            if (!got || got->kind != truth.kind || got->isClosed() != truth.isClosed()) {
                ++outcome[got ? "other kind" : "none"];
            } else if (landmarkError(truth, *got) > 0.03f) {
                ++outcome["corners off"];
            } else {
                ++right;
                ++outcome["right"];
                expectTraceFollows(*got, 3.0f);
                // What was drawn on a snapping direction comes out exactly on it.
                for (std::size_t k = 0; k + 1 < truth.corners.size(); ++k)
                    EXPECT_TRUE(!onSnapAngle(truth.corners[k], truth.corners[k + 1]) ||
                                onSnapAngle(got->corners[k], got->corners[k + 1]))
                        << label << " " << i;
            }
        }
        std::cout << label << ":";
        for (const auto& [what, count] : outcome) std::cout << " " << what << " " << count;
        std::cout << "\n";
    }
    std::cout << "recognised as the right kind with corners within 3 %: " << right << " of " << total << "\n";
    EXPECT_GE(right * 100, total * 95);

    int curves = 0;
    for (int i = 0; i < 200; ++i) curves += recogniseShape(drawn(sketch.curve(sketch.uniform(150.0f, 600.0f))), kMinSize).has_value();
    std::cout << "arcs and waves taken for a shape: " << curves << " of 200\n";
    EXPECT_LE(curves * 50, 200);
}

// Whole handwritten strokes and pieces of them (a quarter, half and three quarters of the
// samples, from several starts), as if the writer had stopped there and held still. The
// zigzags among the recordings (perfect-freehand's "waves" and "corners") are left out:
// drawn and held, a zigzag should become one.
TEST(ShapeRecognition, HandwritingStaysHandwriting) {
    const std::map<std::string, std::vector<int>> handwriting{{"perfect-freehand.json", {1, 2, 5, 7}},
                                                              {"bdalab-handwriting-sample.json", {5, 6, 7}}};
    int strokes = 0, shapes = 0;
    for (const auto& [file, indices] : handwriting) {
        const auto recorded = strokedata::loadStrokeFile(INKBOARD_TESTDATA "/strokes/" + file);
        for (const int index : indices) {
            const auto whole = strokedata::placedOnPage(recorded[static_cast<std::size_t>(index)]).samples;
            const std::size_t n = whole.size();
            for (const std::size_t len : {n, n / 4, n / 2, 3 * n / 4}) {
                for (std::size_t from = 0; from + len <= n; from += len == n ? n : n / 8, ++strokes) {
                    const std::vector<strokedata::Sample> piece(whole.begin() + from, whole.begin() + from + len);
                    const bool shape = recogniseShape(drawn(piece), kMinSize).has_value();
                    shapes += shape;
                    EXPECT_FALSE(shape && len == n) << file << "#" << index;
                }
            }
        }
    }
    std::cout << "handwriting taken for a shape: " << shapes << " of " << strokes << "\n";
    EXPECT_LE(shapes * 50, strokes);
}

// Lines drawn with a tablet pen in a line-drawing task, and a square drawn with a mouse.
TEST(ShapeRecognition, RecordedLinesAndSquareAreShapes) {
    const auto pen = strokedata::loadStrokeFile(INKBOARD_TESTDATA "/strokes/bdalab-handwriting-sample.json");
    for (const int index : {0, 1, 3, 4, 8}) {
        const auto got = recogniseShape(drawn(strokedata::placedOnPage(pen[static_cast<std::size_t>(index)]).samples), kMinSize);
        EXPECT_TRUE(got && got->kind == Shape::Kind::Line) << index;
    }
    const auto mouse = strokedata::loadStrokeFile(INKBOARD_TESTDATA "/strokes/signature_pad.json");
    const auto square = recogniseShape(drawn(strokedata::placedOnPage(mouse[1]).samples), kMinSize);
    ASSERT_TRUE(square);
    EXPECT_TRUE(square->closed && square->corners.size() == 4);
}

// Whatever the points, recognition returns nothing or a finite shape of the promised form.
TEST(ShapeRecognition, AnyPointsGiveNothingOrAFiniteShape) {
    std::mt19937 rng(7);
    const float specials[] = {NAN, INFINITY, -INFINITY, 1e30f, -1e30f, 0.0f, 1e-30f};
    for (int run = 0; run < 2000; ++run) {
        std::vector<Vec2> points(rng() % 12);
        for (Vec2& p : points) {
            const auto value = [&] { return rng() % 8 == 0 ? specials[rng() % 7] : static_cast<float>(rng() % 900); };
            p = rng() % 4 == 0 && &p != points.data() ? *(&p - 1) : Vec2(value(), value());
        }
        const auto got = recogniseShape(points, kMinSize);
        if (!got) continue;
        for (const Vec2 c : landmarks(*got)) EXPECT_TRUE(isFinite(c));
        if (got->kind == Shape::Kind::Polyline) {
            EXPECT_GE(got->corners.size(), 3u);
            EXPECT_LE(got->corners.size(), got->closed ? 6u : 7u);
        }
    }
}
