#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <tuple>

#include "DocumentInvariants.h"
#include "DrawingFixture.h"
#include "support/StrokeData.h"
#include "support/Tolerance.h"

namespace {

constexpr int kPrimary = 0;
constexpr int kSecondary = 1;

std::vector<Vec2> horizontal(float x0, float x1, float y, float step) {
    std::vector<Vec2> pts;
    for (float x = x0; x <= x1; x += step) pts.push_back({x, y});
    return pts;
}

class Deform : public DrawingTest {};

TEST_F(Deform, ZeroLengthOrNonFiniteDragsChangeNothing) {
    Stroke& s = addStroke(horizontal(100, 400, 300, 20));
    const auto before = s.points;
    drawing->beginDeform(250, 300, kPrimary);
    ASSERT_TRUE(drawing->deformToolActive);
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    constexpr float kInf = std::numeric_limits<float>::infinity();
    drawing->deformDrag(260, 300, 0, 0, 1);
    drawing->deformDrag(kNaN, 300, 1, 1, 1);
    drawing->deformDrag(250, 300, kInf, 0, 1);
    drawing->deformDrag(250, 300, 1, kNaN, 1);
    EXPECT_EQ(drawing->deformTool.position, Vec2(250, 300));  // the tool did not move
    EXPECT_TRUE(drawing->deformed.empty());
    EXPECT_EQ(s.points, before);
    drawing->endDeform(kPrimary);
    EXPECT_FALSE(drawing->deformToolActive);
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));
}

TEST_F(Deform, TheMiddleMovesUnderTheToolAndTheStrokeReturnsAtTheRelease) {
    Stroke& s = addStroke(horizontal(100, 400, 300, 20));
    Stroke& away = addStroke(horizontal(100, 400, 700, 20));
    const auto awayBefore = away.points;
    const ControlPoint firstBefore = s.points.front(), lastBefore = s.points.back();

    drawing->beginDeform(250, 300, kPrimary);
    drawing->deformDrag(250, 300, 0, 10, 1);
    ASSERT_EQ(drawing->deformed, std::vector<Stroke*>{&s});
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));
    // Only the run of segments meeting the working area (225..275) is replaced.
    float highest = 0;
    for (const ControlPoint& p : s.points) {
        if (p.x <= 200 || p.x >= 300) {
            EXPECT_EQ(p.y, 300.0f) << p.x;
        }
        highest = std::max(highest, p.y);
    }
    EXPECT_NEAR(highest, 310.0f, 0.1f);  // full pull at the centre, less the curve's rounding

    drawing->deformDrag(250, 310, 5, 0, 1);  // touched again on a later drag
    drawing->endDeform(kPrimary);
    EXPECT_TRUE(drawing->deformed.empty());
    EXPECT_EQ(s.points.front(), firstBefore);
    EXPECT_EQ(s.points.back(), lastBefore);
    EXPECT_EQ(away.points, awayBefore);
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));
    EXPECT_EQ(log.str(), "");  // every segment left the index cleanly
}

TEST_F(Deform, AnEndUnderThePrimaryToolMovesWithIt) {
    Stroke& s = addStroke(horizontal(250, 450, 300, 20));
    drawing->beginDeform(250, 300, kPrimary);
    drawing->deformDrag(250, 300, 0, 10, 1);
    EXPECT_EQ(s.points.front().pos(), Vec2(250, 310));
    EXPECT_EQ(s.points.back().pos(), Vec2(450, 300));
    drawing->endDeform(kPrimary);
    EXPECT_EQ(s.points.front().pos(), Vec2(250, 310));
}

TEST_F(Deform, ShortStrokesAndAnUndefinedBrushAreLeftAlone) {
    Stroke& pair = addStroke({{240, 300}, {260, 300}});
    Stroke& s = addStroke(horizontal(100, 400, 320, 20));
    drawing->beginDeform(250, 310, kPrimary);
    drawing->deformDrag(250, 310, 0, 10, 1);
    EXPECT_EQ(drawing->deformed, std::vector<Stroke*>{&s});
    EXPECT_EQ(pair.points[0].pos(), Vec2(240, 300));
    drawing->endDeform(kPrimary);

    // The secondary tool before any brush is defined: no working area, nothing changes.
    Stroke& t = addStroke(horizontal(100, 400, 600, 20));
    const auto before = t.points;
    drawing->beginDeform(250, 600, kSecondary);
    EXPECT_TRUE(drawing->brushToolActive);
    drawing->deformDrag(250, 600, 0, 10, 1);
    EXPECT_TRUE(drawing->deformed.empty());
    drawing->endDeform(kSecondary);
    EXPECT_FALSE(drawing->brushToolActive);
    EXPECT_EQ(t.points, before);
}

TEST_F(Deform, TheDefinedBrushPushesWhatIsInsideAndMovesEndsItself) {
    // The whole stroke lies in the brush's working area (290..310, 390..410); the shape,
    // one triangle, covers its first point and not its last.
    Stroke& s = addStroke({{292, 392}, {300, 400}, {308, 408}});
    DefinedBrushTool& brush = drawing->definedBrush;
    brush.shape = {{-10, -10}, {10, -10}, {-10, 10}};
    brush.bounds = Rect(-10, -10, 10, 10);
    // The primary tool was last used over the stroke's last point; it must not push it now.
    drawing->beginDeform(308, 408, kPrimary);
    drawing->endDeform(kPrimary);

    drawing->beginDeform(300, 400, kSecondary);
    drawing->deformDrag(300, 400, 0, 4, 1);
    EXPECT_EQ(s.points.front().pos(), Vec2(292, 392 + 4 * 2.15f));
    EXPECT_EQ(s.points.back().pos(), Vec2(308, 408));
    EXPECT_FALSE(brush.movedPoints.empty());
    EXPECT_GT(brush.testedPoints.size(), brush.movedPoints.size());
    drawing->endDeform(kSecondary);
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));
}

TEST_F(Deform, StrokesDeletedDuringTheGestureAreNotTouchedAgain) {
    Stroke& a = addStroke(horizontal(200, 300, 300, 10));
    addStroke(horizontal(200, 300, 310, 10));
    drawing->beginDeform(250, 305, kPrimary);
    drawing->deformDrag(250, 305, 3, 3, 1);
    ASSERT_EQ(drawing->deformed.size(), 2u);
    drawing->removeStroke(&a);  // out of the index already
    EXPECT_EQ(drawing->deformed.size(), 1u);
    drawing->deformDrag(253, 308, 3, 3, 1);
    drawing->clear();
    EXPECT_TRUE(drawing->deformed.empty());
    drawing->deformDrag(256, 311, 3, 3, 1);
    drawing->endDeform(kPrimary);
    EXPECT_TRUE(drawing->index.query(Rect(0, 0, 900, 900)).empty());
    EXPECT_EQ(log.str(), "");
}

TEST_F(Deform, APressAfterALostReleaseFinishesTheOpenGesture) {
    Stroke& s = addStroke(horizontal(200, 300, 300, 10));
    drawing->beginDeform(250, 300, kSecondary);
    drawing->beginDeform(250, 300, kPrimary);
    drawing->deformDrag(250, 300, 0, 5, 1);
    ASSERT_EQ(drawing->deformed, std::vector<Stroke*>{&s});
    drawing->beginDeform(100, 100, kPrimary);  // the release was lost
    EXPECT_TRUE(drawing->deformed.empty());
    EXPECT_FALSE(drawing->brushToolActive);
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));
}

// Recorded strokes pushed about at random with both tools, at several zooms and rotations.
TEST_F(Deform, LongSessionsKeepTheIndexAndTheStrokesSound) {
    const auto recs = strokedata::loadPageStrokes();
    ASSERT_FALSE(recs.empty());
    for (const auto& rec : recs) {
        std::vector<Vec2> pts;
        for (const auto& smp : rec.samples) pts.push_back({smp.x * 0.8f + 50, smp.y * 0.8f + 50});
        draw(pts);
    }
    ASSERT_GT(drawing->strokes.count(), 0u);
    drawing->definedBrush.buildFromOutline(std::vector<float>{-15, 0, 0, 15, 0, -15, 15, 0});
    std::size_t pointsBefore = 0;
    for (const Stroke& s : drawing->strokes) pointsBefore += s.points.size();

    std::mt19937 rng(424242);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int gesture = 0; gesture < 60; ++gesture) {
        drawing->view.zoom = 0.5f + 2.0f * unit(rng);
        drawing->view.rotation = 360.0f * unit(rng) - 180.0f;
        drawing->deformTool.rescale(0.8f + 0.4f * unit(rng), 70.0f);
        const int tool = gesture % 3 == 2 ? kSecondary : kPrimary;
        Vec2 p(1000 * unit(rng), 1000 * unit(rng));
        drawing->beginDeform(p.x, p.y, tool);
        const Vec2 step(12 * unit(rng) - 6, 12 * unit(rng) - 6);
        for (int drag = 0; drag < 25; ++drag) {
            drawing->deformDrag(p.x, p.y, step.x, step.y, 1);
            p += step;
        }
        ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing)) << gesture;
        drawing->endDeform(tool);
        ASSERT_TRUE(drawing->deformed.empty());
        ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing)) << gesture;
    }
    std::size_t pointsAfter = 0;
    for (const Stroke& s : drawing->strokes) pointsAfter += s.points.size();
    EXPECT_LT(pointsAfter, pointsBefore * 3);  // resampling is simplified away again
}

// Pushed over the page's edge, a stroke keeps its in-page segments indexed, also when it is
// deformed again.
TEST_F(Deform, StrokesPushedOffThePageStayIndexedWithinIt) {
    Stroke& s = addStroke(horizontal(850, 895, 300, 5));
    drawing->beginDeform(890, 300, kPrimary);
    drawing->deformDrag(890, 300, 20, 0, 1);
    drawing->endDeform(kPrimary);
    drawing->beginDeform(870, 300, kPrimary);
    drawing->deformDrag(870, 300, 0, 5, 1);
    drawing->endDeform(kPrimary);
    EXPECT_GT(s.points.back().x, 900.0f);
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));
}

}  // namespace

namespace {
class DeformRecovery : public DrawingTest {};

// A press that finds a deformation still open (its release was lost, and the controller
// cleared the tool flags as every release does) ends it as that release would have: with
// the smoothing of the tool that gesture used.
TEST_F(DeformRecovery, ALeftOpenGestureIsSimplifiedWithItsOwnTool) {
    for (const int tool : {kPrimary, kSecondary}) {
        std::vector<ControlPoint> want, got;
        for (const bool lost : {false, true}) {
            drawing->clear();
            Stroke& s = addStroke(horizontal(100, 400, 300, 4));
            if (tool == kSecondary) {
                Stroke& shape = addStroke(horizontal(100, 160, 600, 4));
                drawing->selection = {&shape};
                drawing->defineBrush();
                drawing->selection.clear();
            }
            drawing->beginDeform(250, 300, tool);
            for (int i = 1; i <= 10; ++i) drawing->deformDrag(250, 300 + 2.0f * i, 0, 2, 1);
            if (lost) {
                drawing->deformToolActive = false;
                drawing->drawingActive = false;
                drawing->beginDeform(800, 800, kPrimary);
                drawing->endDeform(kPrimary);
            } else {
                drawing->endDeform(tool);
            }
            (lost ? got : want) = s.points;
        }
        EXPECT_EQ(got, want) << "tool " << tool;
        ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));
    }
}
}  // namespace
