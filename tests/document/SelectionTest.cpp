#include <cmath>
#include <limits>
#include <random>

#include "DocumentInvariants.h"
#include "DrawingFixture.h"
#include "support/StrokeData.h"
#include "support/Tolerance.h"

namespace {

std::vector<Vec2> positions(const Stroke& s) {
    std::vector<Vec2> out;
    for (const ControlPoint& p : s.points) out.push_back(p.pos());
    return out;
}

void expectNear(Vec2 got, Vec2 want, float tolerance) {
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
}

class Selection : public DrawingTest {
protected:
    void lasso(const std::vector<Vec2>& pts, int kind) {
        drawing->beginLasso(pts[0].x, pts[0].y, kind);
        for (Vec2 p : pts) drawing->extendLasso(p.x, p.y, kind);
        if (kind == 0) drawing->finishSelectLasso();
        if (kind == 1) drawing->finishEraseLasso();
    }
    // Selects `s` alone with a tap on its first segment's middle.
    void select(const Stroke& s) {
        const Vec2 m = (s.points[0].pos() + s.points[1].pos()) * 0.5f;
        ASSERT_TRUE(drawing->selectAt(m.x, m.y));
        ASSERT_EQ(drawing->selection.front(), &s);
    }
};

}  // namespace

TEST(SelectionBox, LassoPathKeepsPointsMoreThanFiveApartAndEndClearsIt) {
    SelectionBox box;
    box.beginSelectLasso(10, 10);
    EXPECT_TRUE(box.path.empty());  // the start point is not part of the path
    for (Vec2 p : {Vec2(10, 10), Vec2(13, 14), Vec2(14, 14), Vec2(17, 10)}) {
        box.extendSelectLasso(p.x, p.y);
    }
    // (13, 14) and (17, 10) are exactly 5 from the last kept point: not more than 5.
    EXPECT_EQ(box.path, (std::vector<Vec2>{{10, 10}, {14, 14}}));
    EXPECT_EQ(box.selectCurrent, Vec2(17, 10));
    box.beginEraseLasso(0, 0);  // the kinds share the path
    EXPECT_TRUE(box.path.empty());
    box.endSelectLasso();
    EXPECT_FALSE(box.selectLassoActive);
    EXPECT_TRUE(box.eraseLassoActive);
    EXPECT_EQ(box.selectStart, Vec2());
}

TEST_F(Selection, TapSelectsBesideASegmentButNotBeyondItsEnd) {
    Stroke& s = addStroke({{100, 100}, {200, 100}, {200, 200}});
    EXPECT_TRUE(drawing->selectAt(150, 103));
    EXPECT_EQ(drawing->selection, std::vector<Stroke*>{&s});
    EXPECT_TRUE(drawing->selectionBox.shown);
    EXPECT_EQ(drawing->selectionBox.bounds, Rect(100, 100, 200, 200));
    EXPECT_EQ(drawing->selectionBox.corners[1], Vec2(100, 200));
    EXPECT_EQ(drawing->selectionBox.diagonals[3], Vec2(1, -1));

    // Beyond the last point, in the extension of the last segment: no foot on any segment.
    EXPECT_FALSE(drawing->selectAt(200, 203));
    EXPECT_TRUE(drawing->selection.empty());
    EXPECT_TRUE(drawing->selectionBox.shown);  // hiding is the controller's
}

TEST_F(Selection, EqualDistancesGoToTheFirstSegmentInQueryOrder) {
    // The older stroke lies in quadrant 2 of the root, the newer in quadrant 3, which the
    // query visits first; both are 3 units from the tap.
    Stroke& older = addStroke({{447, 455}, {447, 500}});
    Stroke& newer = addStroke({{453, 455}, {453, 500}});
    const auto order = drawing->index.query(Rect(445, 465, 455, 475));
    ASSERT_EQ(order.size(), 2u);
    ASSERT_EQ(order[0]->stroke, &newer);
    EXPECT_TRUE(drawing->selectAt(450, 470));
    EXPECT_EQ(drawing->selection, std::vector<Stroke*>{&newer});
    EXPECT_TRUE(drawing->selectAt(449, 470));  // nearer to the older one now
    EXPECT_EQ(drawing->selection, std::vector<Stroke*>{&older});
}

TEST_F(Selection, ASegmentOfCoincidentPointsCountsAsThatPoint) {
    Stroke& dot = addStroke({{300, 300}, {300, 300}});
    EXPECT_TRUE(drawing->selectAt(303, 302));
    EXPECT_EQ(drawing->selection, std::vector<Stroke*>{&dot});
    Stroke& line = addStroke({{304, 280}, {304, 320}});
    EXPECT_TRUE(drawing->selectAt(303, 300));  // 1 from the line, 3 from the dot
    EXPECT_EQ(drawing->selection, std::vector<Stroke*>{&line});
}

TEST_F(Selection, LassoSelectsEachCrossedStrokeOnce) {
    // At zoom 2 with a pan, so the path must be mapped to canvas units.
    drawing->view.zoom = 2.0f;
    drawing->view.panX = 100.0f;
    Stroke& a = addStroke({{400, 400}, {400, 450}, {400, 500}});
    Stroke& b = addStroke({{450, 400}, {450, 500}});
    addStroke({{600, 400}, {600, 500}});
    auto screen = [&](Vec2 c) {  // inverse of screenToCanvas without rotation
        return Vec2((c.x + 100.0f - 500.0f) * 2.0f + 500.0f, (c.y - 500.0f) * 2.0f + 500.0f);
    };
    std::vector<Vec2> path;
    for (float y : {420.0f, 440.0f, 460.0f, 480.0f}) {  // zigzag across a, then on to b
        path.push_back(screen({390, y}));
        path.push_back(screen({410, y + 10}));
    }
    path.push_back(screen({460, 490}));
    lasso(path, 0);
    EXPECT_EQ(drawing->selection, (std::vector<Stroke*>{&a, &b}));
    EXPECT_TRUE(drawing->selectionBox.shown);
    EXPECT_EQ(drawing->selectionBox.bounds, Rect(400, 400, 450, 500));
    EXPECT_FALSE(drawing->selectionBox.selectLassoActive);
    EXPECT_TRUE(drawing->selectionBox.path.empty());

    // A lasso that crosses nothing, or never got a point, deselects and hides the box.
    lasso({{50, 50}, {60, 60}}, 0);
    EXPECT_TRUE(drawing->selection.empty());
    EXPECT_FALSE(drawing->selectionBox.shown);
    drawing->view.zoom = 1.0f;
    drawing->view.panX = 0.0f;
    select(a);
    drawing->beginLasso(450, 450, 0);
    drawing->finishSelectLasso();
    EXPECT_TRUE(drawing->selection.empty());
    EXPECT_FALSE(drawing->selectionBox.shown);
}

TEST_F(Selection, EraseLassoDeletesCrossedStrokesAndDropsThemFromTheSelection) {
    Stroke& a = addStroke({{100, 100}, {100, 200}});
    Stroke& b = addStroke({{200, 100}, {200, 200}});
    select(a);
    lasso({{90, 150}, {110, 150}}, 1);
    EXPECT_EQ(drawing->strokes.count(), 1u);
    EXPECT_EQ(drawing->strokes.first()->stroke.get(), &b);
    EXPECT_TRUE(drawing->selection.empty());
    EXPECT_FALSE(drawing->selectionBox.shown);
    EXPECT_FALSE(drawing->selectionBox.eraseLassoActive);
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));
    EXPECT_EQ(log.str(), "");

    // An empty erase lasso deletes nothing.
    drawing->beginLasso(200, 150, 1);
    drawing->finishEraseLasso();
    EXPECT_EQ(drawing->strokes.count(), 1u);
}

TEST_F(Selection, MoveFollowsTheViewAndKeepsTheIndexCurrent) {
    drawing->view.zoom = 2.0f;
    drawing->view.rotation = 90.0f;
    Stroke& s = addStroke({{100, 100}, {150, 120}, {200, 100}});
    drawing->selection = {&s};
    drawing->selectionBox.showForStroke(s);
    drawing->moveSelection(20, 0);
    // 10 canvas units along screen x, turned by -90 degrees into canvas orientation.
    float dx = 10, dy = 0;
    drawing->screenDirToCanvas(dx, dy);
    EXPECT_NEAR(dx, 0.0f, tol::kUlpish);
    EXPECT_NEAR(dy, -10.0f, tol::kUlpish);
    expectNear(s.points[1].pos(), Vec2(150, 120) + Vec2(dx, dy), tol::kUlpish);
    expectNear(drawing->selectionBox.corners[2], Vec2(200, 120) + Vec2(dx, dy), tol::kUlpish);
    EXPECT_EQ(drawing->selectionBox.bounds, Rect(100, 100, 200, 120));  // until refitted
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));
    drawing->fitSelectionBox();
    EXPECT_EQ(drawing->selectionBox.bounds, s.bounds);
    EXPECT_EQ(log.str(), "");
}

TEST_F(Selection, RotatingThereAndBackRestoresPointsAndCorners) {
    Stroke& a = addStroke({{300, 300}, {380, 340}, {420, 310}});
    Stroke& b = addStroke({{320, 400}, {400, 380}});
    lasso({{290, 320}, {430, 320}, {360, 420}}, 0);
    ASSERT_EQ(drawing->selection.size(), 2u);
    const auto pa = positions(a), pb = positions(b);
    const auto corners = drawing->selectionBox.corners;

    drawing->rotateSelection(0.1f);
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));
    // Counter-clockwise about the box centre (360, 350): corner 3 (420, 300) moves up.
    EXPECT_GT(drawing->selectionBox.corners[3].y, 300.0f);
    drawing->rotateSelection(-0.1f);
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));
    for (std::size_t i = 0; i < pa.size(); ++i)
        expectNear(a.points[i].pos(), pa[i], tol::kGeometry);
    for (std::size_t i = 0; i < pb.size(); ++i)
        expectNear(b.points[i].pos(), pb[i], tol::kGeometry);
    for (std::size_t i = 0; i < 4; ++i) {
        expectNear(drawing->selectionBox.corners[i], corners[i], tol::kGeometry);
    }
    EXPECT_EQ(log.str(), "");
}

TEST_F(Selection, ScalingKeepsTheOppositeCornerAndRefusesTooNarrowBoxes) {
    Stroke& s = addStroke({{100, 100}, {150, 120}, {200, 150}}, 3.0f);
    select(s);
    drawing->scaleSelection(0, 0, 50, 50, 2);  // corner 2 from (200, 150) to (250, 200)
    EXPECT_EQ(positions(s), (std::vector<Vec2>{{100, 100}, {175, 140}, {250, 200}}));
    EXPECT_EQ(s.points[1].r, 3.0f);  // radii are not scaled
    EXPECT_EQ(drawing->selectionBox.corners,
              (std::array<Vec2, 4>{{{100, 100}, {100, 200}, {250, 200}, {250, 100}}}));
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));

    // Width 150 -> 4: refused, nothing moves.
    const auto before = positions(s);
    const auto corners = drawing->selectionBox.corners;
    drawing->scaleSelection(0, 0, -146, 0, 2);
    EXPECT_EQ(positions(s), before);
    EXPECT_EQ(drawing->selectionBox.corners, corners);

    // Past the fixed corner: shrinks to |-50| / 150 of the width, never mirrors.
    drawing->scaleSelection(0, 0, -200, 0, 2);
    EXPECT_NEAR(s.points[2].x, 150.0f, tol::kUlpish);
    EXPECT_GE(s.points[1].x, 100.0f);
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));
    EXPECT_EQ(log.str(), "");
}

TEST_F(Selection, DegenerateOrOverflowingTransformsChangeNothing) {
    // A straight horizontal stroke has a box of height 0: its edge projections are NaN.
    Stroke& flat = addStroke({{100, 100}, {200, 100}});
    select(flat);
    const auto before = positions(flat);
    drawing->scaleSelection(0, 0, 30, 30, 2);
    drawing->rotateSelection(std::numeric_limits<float>::quiet_NaN());
    drawing->moveSelection(std::numeric_limits<float>::infinity(), 0);
    EXPECT_EQ(positions(flat), before);

    // A move far beyond any page is refused as a whole, with the box.
    const auto corners = drawing->selectionBox.corners;
    drawing->moveSelection(2.0e6f, 0);
    EXPECT_EQ(positions(flat), before);
    EXPECT_EQ(drawing->selectionBox.corners, corners);
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));
}

TEST_F(Selection, DeleteSelectionLeavesTheRest) {
    Stroke& a = addStroke({{100, 100}, {100, 200}});
    Stroke& b = addStroke({{200, 100}, {200, 200}});
    addStroke({{300, 100}, {300, 200}});
    lasso({{90, 150}, {210, 150}}, 0);
    ASSERT_EQ(drawing->selection, (std::vector<Stroke*>{&a, &b}));
    drawing->deleteSelection();
    EXPECT_TRUE(drawing->selection.empty());
    EXPECT_EQ(drawing->strokes.count(), 1u);
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));
    EXPECT_EQ(log.str(), "");

    drawing->defineBrush();  // nothing selected: the tool keeps its (empty) shape
    EXPECT_TRUE(drawing->definedBrush.shape.empty());
}

TEST_F(Selection, DefineBrushTakesTheFirstSelectedStrokesOutlineCentred) {
    // a lies in a higher quadrant than b, so the lasso's query meets it first.
    addStroke({{100, 100}, {200, 100}});
    Stroke& a = addStroke({{100, 300}, {150, 330}, {200, 300}}, 15.0f);  // wide: no widening
    lasso({{150, 90}, {150, 340}}, 0);
    ASSERT_EQ(drawing->selection.size(), 2u);
    ASSERT_EQ(drawing->selection.front(), &a);
    drawing->view.zoom = 3.0f;
    drawing->defineBrush();

    std::vector<float> outline, opacities;
    a.buildExportOutline(3.0f, outline, opacities);  // at the zoom of the moment
    Rect box;
    for (std::size_t i = 0; i + 1 < outline.size(); i += 2)
        box.include({outline[i], outline[i + 1]});
    const DefinedBrushTool& tool = drawing->definedBrush;
    ASSERT_EQ(tool.shape.size() * 2, outline.size());
    for (std::size_t i = 0; i < tool.shape.size(); ++i) {
        expectNear(tool.shape[i], Vec2(outline[2 * i], outline[2 * i + 1]) - box.centre(),
                   tol::kUlpish);
    }
}

// Random selection work on recorded strokes under a changing view; the document must stay
// sound after every operation.
TEST_F(Selection, RandomEditingKeepsTheDocumentSound) {
    const auto recs = strokedata::loadPageStrokes();
    ASSERT_FALSE(recs.empty());
    std::mt19937 rng(31337);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    auto screenPoint = [&] { return Vec2(100 + 800 * unit(rng), 100 + 800 * unit(rng)); };
    for (int copy = 0; copy < 4; ++copy) {
        for (const auto& rec : recs) {
            const float scale = 0.2f + 0.5f * unit(rng);
            const Vec2 shift(300 * unit(rng) - 150, 300 * unit(rng) - 150);
            std::vector<Vec2> pts;
            for (const auto& s : rec.samples) {
                pts.push_back(Vec2((s.x - 450) * scale + 450, (s.y - 450) * scale + 450) + shift);
            }
            draw(pts);
        }
    }
    ASSERT_GT(drawing->strokes.count(), 50u);

    for (int op = 0; op < 400; ++op) {
        if (op % 50 == 0) {
            drawing->view.zoom = 0.5f + 2.0f * unit(rng);
            drawing->view.rotation = 360.0f * unit(rng) - 180.0f;
        }
        const Vec2 p = screenPoint();
        switch (static_cast<int>(unit(rng) * 9.0f)) {
            case 0:
                drawing->selectAt(p.x, p.y);
                break;
            case 1:
            case 2: {
                const int kind = unit(rng) < 0.9f ? 0 : 1;
                std::vector<Vec2> path{p};
                for (int i = 0; i < 6; ++i)
                    path.push_back(path.back() + (screenPoint() - p) * 0.2f);
                lasso(path, kind);
                break;
            }
            case 3:
                drawing->moveSelection(40 * unit(rng) - 20, 40 * unit(rng) - 20);
                break;
            case 4:
                drawing->rotateSelection(unit(rng) - 0.5f);
                break;
            case 5:
                drawing->scaleSelection(p.x, p.y, 60 * unit(rng) - 30, 60 * unit(rng) - 30,
                                        static_cast<int>(unit(rng) * 4.0f));
                break;
            case 6:
                drawing->fitSelectionBox();
                break;
            case 7:
                if (unit(rng) < 0.1f) drawing->deleteSelection();
                break;
            default:
                drawing->defineBrush();
                break;
        }
        ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing)) << "after operation " << op;
    }
}
