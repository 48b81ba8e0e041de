#include <cmath>

#include "DrawingFixture.h"

namespace {

std::vector<Vec2> line(Vec2 from, Vec2 step, int events) {
    std::vector<Vec2> pts{from};
    for (int i = 0; i < events; ++i) pts.push_back(pts.back() + step);
    return pts;
}

// A wavy line that simplification cannot flatten much.
std::vector<Vec2> wave(float x0, float x1, float y, float amplitude) {
    std::vector<Vec2> pts;
    for (float x = x0; x <= x1; x += 3.0f) pts.push_back({x, y + amplitude * std::sin(x / 40.0f)});
    return pts;
}

Rect square(Vec2 c, float h) { return {c.x - h, c.y - h, c.x + h, c.y + h}; }

bool anyPointIn(const Stroke& s, const Rect& r) {
    for (const auto& p : s.points) {
        if (r.contains(p.pos())) return true;
    }
    return false;
}

}  // namespace

TEST_F(DrawingTest, PointsComeAfterMoreThanFourPixelsOfTravel) {
    for (float step : {3.0f, 4.0f}) {
        const auto pts = line({100, 100}, {step, 0}, 10);
        drawing->beginStroke(pts[0].x, pts[0].y, 1.0f);
        ASSERT_NE(drawing->current, nullptr);
        std::vector<int> counts;
        for (std::size_t i = 1; i < pts.size(); ++i) {
            drawing->extendStroke(pts[i].x, pts[i].y, step, 0, 1.0f);
            counts.push_back(drawing->current->pointCount());
        }
        // 3 + 3 = 6 > 4 and 4 + 4 = 8 > 4 (4 alone is not more than 4): every second event.
        EXPECT_EQ(counts, (std::vector<int>{1, 2, 2, 3, 3, 4, 4, 5, 5, 6})) << step;
        drawing->endStroke(0, 0);
    }
}

TEST_F(DrawingTest, TheSeventeenthPointTriggersTheFirstSimplification) {
    // A zigzag of 10-unit teeth: nothing is flat enough to remove.
    drawing->beginStroke(100, 100, 1.0f);
    for (int i = 1; i < 17; ++i) {
        EXPECT_EQ(drawing->firstUnsimplified, 1);
        drawing->extendStroke(100 + 5.0f * i, i % 2 ? 110.0f : 100.0f, 5, 10, 1.0f);
    }
    ASSERT_EQ(drawing->current->pointCount(), 17);
    EXPECT_EQ(drawing->firstUnsimplified, 13);

    // A straight line collapses, and the next pass starts no earlier than point 1.
    drawing->endStroke(0, 0);
    drawing->beginStroke(100, 300, 1.0f);
    for (int i = 1; i < 17; ++i) drawing->extendStroke(100 + 5.0f * i, 300, 5, 0, 1.0f);
    const int n = drawing->current->pointCount();
    EXPECT_LT(n, 17);
    EXPECT_EQ(drawing->firstUnsimplified, std::max(n - 4, 1));
}

TEST_F(DrawingTest, FinishedStrokesJoinTheListAndTheIndex) {
    draw(wave(100, 400, 300, 40));
    EXPECT_EQ(drawing->current, nullptr);
    EXPECT_FALSE(drawing->drawingActive);
    EXPECT_EQ(drawing->firstUnsimplified, 1);
    ASSERT_EQ(drawing->strokes.count(), 1u);
    Stroke& s = *drawing->strokes.first()->stroke;
    EXPECT_GT(s.vertexCount, 0);
    EXPECT_EQ(drawing->index.queryStrokes(Rect(0, 0, 900, 900)), std::vector<Stroke*>{&s});

    // A tap leaves a dot; a press off the page starts nothing and its drags do nothing.
    drawing->beginStroke(500, 500, 1.0f);
    drawing->endStroke(500, 500);
    drawing->beginStroke(950, 500, 1.0f);
    EXPECT_TRUE(drawing->drawingActive);
    EXPECT_EQ(drawing->current, nullptr);
    drawing->extendStroke(890, 500, -60, 0, 1.0f);
    drawing->endStroke(890, 500);
    EXPECT_EQ(drawing->strokes.count(), 2u);
}

TEST_F(DrawingTest, PointsOffThePageAreSkippedAndTheStrokeResumes) {
    drawing->beginStroke(880, 100, 1.0f);
    drawing->extendStroke(895, 100, 15, 0, 1.0f);  // added
    drawing->extendStroke(910, 100, 15, 0, 1.0f);  // off the page
    drawing->extendStroke(911, 110, 1, 10, 1.0f);  // off the page
    EXPECT_EQ(drawing->current->pointCount(), 2);
    drawing->extendStroke(899, 120, -12, 10, 1.0f);  // back: added at once
    EXPECT_EQ(drawing->current->pointCount(), 3);
}

TEST_F(DrawingTest, AnotherPressWhileDrawingKeepsTheOpenStroke) {
    drawing->beginStroke(100, 100, 1.0f);
    drawing->extendStroke(110, 100, 10, 0, 1.0f);
    drawing->beginStroke(300, 300, 1.0f);  // the release of the first stroke was lost
    EXPECT_EQ(drawing->strokes.count(), 1u);
    EXPECT_NE(drawing->current, nullptr);
}

TEST_F(DrawingTest, ErasingTheMiddleOfAStrokeLeavesTwoWithTheSecondLast) {
    Stroke& other = addStroke({{100, 800}, {200, 800}, {300, 800}});
    draw(wave(100, 800, 400, 60));
    ASSERT_EQ(drawing->strokes.count(), 2u);
    Stroke& s = *drawing->strokes.last()->stroke;
    const Vec2 mid = s.points[s.points.size() / 2].pos();
    const float firstX = s.points.front().x;
    const float lastX = s.points.back().x;

    drawing->eraseAt(mid.x, mid.y, 1.0f);  // radius 5 (size 5 x pressure 1)
    const auto list = strokeList();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0], &other);
    EXPECT_EQ(list[1], &s);
    EXPECT_EQ(list[1]->points.front().x, firstX);
    EXPECT_EQ(list[2]->points.back().x, lastX);
    EXPECT_LT(list[1]->points.back().x, mid.x);
    EXPECT_GT(list[2]->points.front().x, mid.x);
    const Rect eraser = square(mid, 5);
    EXPECT_FALSE(anyPointIn(*list[1], eraser));
    EXPECT_FALSE(anyPointIn(*list[2], eraser));
    EXPECT_TRUE(drawing->index.query(eraser).empty());
}

// A straight stroke of few points: the cut falls inside one long segment, far from any
// control point, and both sides survive.
TEST_F(DrawingTest, ErasingTheMiddleOfAFivePointLineCutsItThere) {
    addStroke({{100, 300}, {200, 300}, {300, 300}, {400, 300}, {500, 300}});
    drawing->eraseAt(250, 300, 1.0f);
    auto list = strokeList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->points.front().pos(), Vec2(100, 300));
    EXPECT_LT(list[0]->points.back().x, 245);
    EXPECT_GT(list[0]->points.back().x, 230);
    EXPECT_GT(list[1]->points.front().x, 255);
    EXPECT_LT(list[1]->points.front().x, 265);
    EXPECT_EQ(list[1]->points.back().pos(), Vec2(500, 300));
    for (Stroke* s : list) {
        EXPECT_GE(s->pointCount(), 2);
        EXPECT_EQ(s->bounds.minY, 300);
        EXPECT_EQ(s->bounds.maxY, 300);
    }

    // Right on a control point.
    drawing->eraseAt(400, 300, 1.0f);
    list = strokeList();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_LT(list[1]->points.back().x, 395);
    EXPECT_GT(list[2]->points.front().x, 405);
}

TEST_F(DrawingTest, ErasingAtAnEndTrimsTheStrokeInPlace) {
    Stroke& s = addStroke({{100, 300}, {200, 300}, {300, 300}});
    Stroke& t = addStroke({{100, 500}, {200, 500}, {300, 500}});
    drawing->eraseAt(100, 300, 1.0f);
    drawing->eraseAt(300, 500, 1.0f);
    EXPECT_EQ(strokeList(), (std::vector<Stroke*>{&s, &t}));
    EXPECT_GT(s.points.front().x, 105);
    EXPECT_EQ(s.points.back().pos(), Vec2(300, 300));
    EXPECT_EQ(t.points.front().pos(), Vec2(100, 500));
    EXPECT_LT(t.points.back().x, 295);
    EXPECT_EQ(s.bounds.minX, s.points.front().x);
    EXPECT_EQ(t.bounds.maxX, t.points.back().x);
}

TEST_F(DrawingTest, ShortStrokesErasedAtEitherEndDisappear) {
    // Segments shorter than two eraser samples leave nothing to keep.
    addStroke({{100, 300}, {108, 300}, {116, 300}});
    addStroke({{100, 500}, {108, 500}, {116, 500}});
    addStroke({{600, 600}, {620, 600}});  // two points: any touch deletes it
    drawing->eraseAt(100, 300, 1.0f);
    drawing->eraseAt(116, 500, 1.0f);
    drawing->eraseAt(620, 600, 1.0f);
    EXPECT_EQ(drawing->strokes.count(), 0u);
    EXPECT_TRUE(drawing->index.query(Rect(0, 0, 900, 900)).empty());
}

TEST_F(DrawingTest, ErasingWhereNothingLiesChangesNothing) {
    Stroke& s = addStroke({{100, 300}, {200, 320}, {300, 300}});
    const auto points = s.points;
    const auto vertices = s.vertices;
    drawing->eraseAt(200, 400, 1.0f);
    drawing->eraseAt(200, 311, 1.0f);  // inside the bounding box, clear of the segments
    EXPECT_EQ(drawing->strokes.count(), 1u);
    EXPECT_EQ(s.points, points);
    EXPECT_EQ(s.vertices, vertices);
    EXPECT_EQ(drawing->index.query(Rect(0, 0, 900, 900)).size(), 2u);
    EXPECT_EQ(log.str(), "");
}

TEST_F(DrawingTest, DeletedStrokesLeaveTheSelectionAndTheDeformedList) {
    Stroke& a = addStroke({{100, 300}, {120, 300}});
    Stroke& b = addStroke({{100, 500}, {120, 500}});
    drawing->selection = {&a, &b};
    drawing->selectionBox.shown = true;
    drawing->eraseAt(110, 300, 1.0f);
    EXPECT_EQ(drawing->selection, std::vector<Stroke*>{&b});
    EXPECT_TRUE(drawing->selectionBox.shown);
    drawing->eraseAt(110, 500, 1.0f);
    EXPECT_TRUE(drawing->selection.empty());
    EXPECT_FALSE(drawing->selectionBox.shown);

    Stroke& c = addStroke({{100, 300}, {120, 300}});
    drawing->selection = {&c};
    drawing->deformed = {&c};
    drawing->selectionBox.shown = true;
    drawing->clear();
    EXPECT_TRUE(drawing->selection.empty());
    EXPECT_TRUE(drawing->deformed.empty());
    EXPECT_FALSE(drawing->selectionBox.shown);
}

TEST_F(DrawingTest, RemoveStrokeIgnoresStrokesOutsideTheList) {
    Stroke& a = addStroke({{100, 300}, {120, 300}});
    Stroke loose;
    drawing->removeStroke(&loose);
    drawing->removeStroke(nullptr);
    std::ostringstream otherLog;
    Drawing other(otherLog);
    Stroke& foreign = other.appendStroke(std::make_unique<Stroke>(1.0f, 1.0f, 1.0f, 1.0f));
    drawing->removeStroke(&foreign);
    EXPECT_EQ(other.strokes.count(), 1u);
    EXPECT_EQ(drawing->strokes.count(), 1u);
    drawing->index.removeStroke(a);
    drawing->removeStroke(&a);
    EXPECT_EQ(drawing->strokes.count(), 0u);
    EXPECT_EQ(drawing->strokes.first(), nullptr);
    EXPECT_EQ(drawing->strokes.last(), nullptr);
}
