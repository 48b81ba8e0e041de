// Every release ends what its press began, whatever else it turns out to be.
#include <gtest/gtest.h>

#include <cmath>

#include "ControllerHarness.h"
#include "document/DocumentInvariants.h"

namespace {
// A small loop that ends 3 px from where it began, pressed at 10.9 s and released at
// 11.1 s: quick, but across a second boundary, so the still test counts it as held.
void quickLoop(ControllerHarness& h, float x, float y, int button = 0) {
    h.seconds = 10.9;
    h.controller.onPress(x, y, button, 1.0f);
    for (int i = 1; i <= 24; ++i) {
        const float a = 6.2831853f * static_cast<float>(i) / 24.0f;
        h.controller.onDrag(x + 20.0f * std::sin(a), y + 20.0f - 20.0f * std::cos(a), 1.0f);
    }
    h.seconds = 11.1;
    h.controller.onRelease(x + 3.0f, y, button);
}

bool nothingOpen(const ControllerHarness& h) {
    const SelectionBox& box = h.drawing.selectionBox;
    return !h.drawing.current && h.drawing.deformed.empty() && h.drawing.openDeformTool() < 0 &&
           !box.selectLassoActive && !box.eraseLassoActive && box.path.empty() &&
           h.controller.gestures().empty();
}
}  // namespace

TEST(GestureEnding, AStrokeEndingWhereItBeganIsKeptAndSelectsNothing) {
    ControllerHarness h;
    h.stroke(300.0f, 400.0f, 600.0f, 400.0f);
    quickLoop(h, 450.0f, 404.0f);  // an "o" drawn on the neighbour
    EXPECT_TRUE(nothingOpen(h));
    EXPECT_EQ(h.drawing.strokes.count(), 2u) << "the loop is finished onto the page";
    EXPECT_TRUE(h.drawing.selection.empty());
    EXPECT_FALSE(h.drawing.selectionBox.shown);
    h.controller.onKey("S");
    EXPECT_EQ(io::readPageFile("0.xml")->strokes.size(), 2u);
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(h.drawing));
    // A press that drew nothing is still the tap that selects.
    h.seconds = 20.7;
    h.controller.onPress(450.0f, 401.0f, 0, 1.0f);
    h.seconds = 21.8;
    h.controller.onRelease(450.0f, 401.0f, 0);
    EXPECT_EQ(h.drawing.selection.size(), 1u);
}

TEST(GestureEnding, APushEndingBesideAStrokeReturnsTheStrokesToTheIndex) {
    ControllerHarness h;
    h.stroke(300.0f, 400.0f, 600.0f, 400.0f);  // pushed
    h.stroke(300.0f, 504.0f, 600.0f, 504.0f);  // 4 px from the press, out of the tool's reach
    h.controller.selectMenuButton(1);
    h.drawing.deformTool.rescale(0.08f, 70.0f);  // a tool 4 px wide
    h.seconds = 10.9;
    h.controller.onPress(450.0f, 500.0f, 0, 1.0f);
    for (float y = 490.0f; y >= 400.0f; y -= 10.0f) h.controller.onDrag(450.0f, y, 1.0f);
    for (float x = 455.0f; x <= 500.0f; x += 5.0f) h.controller.onDrag(x, 400.0f, 1.0f);
    ASSERT_FALSE(h.drawing.deformed.empty());
    h.seconds = 11.1;  // quick, but across a second boundary
    h.controller.onRelease(451.0f, 500.0f, 0);  // back where it began in one merged move
    EXPECT_TRUE(nothingOpen(h));
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(h.drawing));
    EXPECT_FALSE(h.drawing.selectionBox.shown) << "a press that pushed strokes is no tap";
}

TEST(GestureEnding, ALassoDrawnWhileTheBoxIsShownIsFinishedAndLeavesNothingBehind) {
    ControllerHarness h;
    h.stroke(300.0f, 400.0f, 600.0f, 400.0f);
    h.stroke(300.0f, 600.0f, 600.0f, 600.0f);
    h.seconds = 9.7;  // a held press on nothing shows the indicator
    h.controller.onPress(800.0f, 250.0f, 0, 1.0f);
    h.seconds = 10.8;
    h.controller.onRelease(800.0f, 250.0f, 0);
    h.seconds = 10.9;
    h.controller.onPress(450.0f, 401.0f, 0, 1.0f);  // a held press on a stroke selects it
    h.seconds = 12.0;
    h.controller.onRelease(450.0f, 401.0f, 0);
    ASSERT_TRUE(h.drawing.selectionBox.shown);
    ASSERT_TRUE(h.controller.indicator().visible);
    const Vec2 menuBefore = h.controller.menu().position;
    // A tiny erase lasso from the indicator, far from every stroke, twice.
    for (int round = 0; round < 2; ++round) {
        h.controller.onPress(800.0f, 250.0f, 1, 1.0f);
        for (int i = 1; i <= 8; ++i) h.controller.onDrag(800.0f + 2.0f * i, 250.0f + i, 1.0f);
        h.controller.onRelease(816.0f, 258.0f, 1);
        EXPECT_TRUE(nothingOpen(h));
        EXPECT_EQ(h.controller.menu().position, menuBefore) << "a drawn lasso does not move the menu";
    }
    EXPECT_EQ(h.drawing.strokes.count(), 2u) << "a lasso that crossed nothing erased nothing";
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(h.drawing));
}

TEST(GestureEnding, AFastSwipeErasesEveryStrokeItCrossesAsASlowOneDoes) {
    std::size_t slow = 0;
    for (const float step : {2.0f, 150.0f, 400.0f}) {  // events per swipe: 200, 3, 1
        ControllerHarness h;
        for (int i = 0; i < 8; ++i) {
            const float x = 420.0f + 45.0f * static_cast<float>(i);
            h.controller.onPress(x, 300.0f, 0, 1.0f);
            for (float y = 304.0f; y <= 700.0f; y += 4.0f)
                h.controller.onDrag(x + 8.0f * std::sin(y / 15.0f), y, 1.0f);
            h.controller.onRelease(x, 700.0f, 0);
        }
        h.controller.onPress(400.0f, 500.0f, 1, 1.0f);
        for (float x = 400.0f + step; x <= 800.0f; x += step) h.controller.onDrag(x, 500.0f, 1.0f);
        h.controller.onRelease(800.0f, 500.0f, 1);
        ASSERT_NO_FATAL_FAILURE(expectDocumentSound(h.drawing));
        // No stroke still crosses the swiped line (screen y 500 is canvas y 450).
        for (const Stroke& s : h.drawing.strokes) {
            for (int i = 0; i + 1 < s.pointCount(); ++i)
                EXPECT_GT((s.points[i].y - 450.0f) * (s.points[i + 1].y - 450.0f), 0.0f)
                    << "events " << step << " px apart";
        }
        if (slow == 0) slow = h.drawing.strokes.count();
        EXPECT_EQ(h.drawing.strokes.count(), slow) << "events " << step << " px apart";
    }
    EXPECT_EQ(slow, 16u);
}

// A press for a pointer already down (its release was lost on the way, while another hand
// was on the board): the first stroke ends where the pointer last was, the second begins
// at the new press; no line joins them.
TEST(GestureEnding, APressForAPointerAlreadyDownEndsItsGestureFirst) {
    for (const PointerKey p : {PointerKey::touch(1), PointerKey::pen(), PointerKey::mouse()}) {
        ControllerHarness h;
        const PointerKey other = PointerKey::touch(9);
        h.controller.onPress(300.0f, 700.0f, 0, 1.0f, other);
        for (const float y : {400.0f, 600.0f}) {
            h.frameMs += 300.0;  // apart: no view gesture
            h.controller.onPress(300.0f, y, 0, 1.0f, p);
            for (float x = 310.0f; x <= 400.0f; x += 10.0f) h.controller.onDrag(x, y, 1.0f, p);
        }
        h.controller.onRelease(400.0f, 600.0f, 0, p);
        h.controller.onDrag(400.0f, 700.0f, 1.0f, other);
        h.controller.onRelease(400.0f, 700.0f, 0, other);
        ASSERT_EQ(h.drawing.strokes.count(), 3u);
        for (const Stroke& s : h.drawing.strokes)
            for (const ControlPoint& c : s.points)
                EXPECT_EQ(c.y, s.points.front().y) << "a stroke crosses between lines";
        EXPECT_TRUE(nothingOpen(h));
    }
}

TEST(MenuHome, ClearOfTheBandCornersAndPageTrianglesInEveryWindow) {
    for (const auto& [w, h] : {std::pair{800.0f, 600.0f}, {1024.0f, 768.0f}, {1280.0f, 1024.0f},
                               {1920.0f, 1080.0f}, {1080.0f, 1920.0f}, {3840.0f, 2160.0f}}) {
        ControllerHarness probe(w, h);
        const RadialMenu& home = probe.controller.menu();
        // The draw mode's sliders and toggles (the edit mode's sliders sit where the draw
        // mode's do), with the palette and the paper chooser open.
        RadialMenu menu = home;
        menu.paletteOpen = menu.papersOpen = true;
        probe.controller.setMenuHome(Vec2(-1000.0f, -1000.0f));
        const float reach = menu.reach();
        ASSERT_GT(reach, home.innerRadius + home.size) << "the open palette reaches farthest";
        for (float dx = -reach; dx <= reach; dx += 2.0f) {
            for (float dy = -reach; dy <= reach; dy += 2.0f) {
                const Vec2 p = menu.position + Vec2(dx, dy);
                if (!menu.covers(p, 0)) continue;
                const CanvasController::Hit hit = probe.controller.targetAt(p.x, p.y);
                ASSERT_EQ(hit.target, GestureRecord::Target::Canvas)
                    << w << " x " << h << " at " << p.x << ", " << p.y;
                ASSERT_EQ(hit.pageFlip, 0) << "on a page triangle";
            }
        }
    }
}
