#include <cmath>
#include <numbers>

#include "DrawingFixture.h"
#include "support/Tolerance.h"

namespace {

Vec2 toCanvas(const Drawing& d, Vec2 screen) {
    d.screenToCanvas(screen.x, screen.y);
    return screen;
}

}  // namespace

TEST_F(InTempDir, FreshDocumentHasTheStartViewAndReportsTheMissingPage) {
    std::ostringstream log;
    Drawing d(log);
    EXPECT_EQ(log.str(), "maxDepth: 7\nFailed to load file\n");
    EXPECT_EQ(d.strokes.count(), 0u);
    EXPECT_EQ(d.view.rotation, 0.0f);
    EXPECT_EQ(d.view.panX, 50.0f);
    EXPECT_EQ(d.view.panY, 50.0f);
    EXPECT_EQ(d.view.zoom, 1.0f);
    EXPECT_EQ(d.smoothness, 1.0f);
    EXPECT_EQ(d.current, nullptr);
    EXPECT_EQ(d.brush.size, 5.0f);
    ASSERT_EQ(d.deformTool.circles.size(), 1u);
    EXPECT_EQ(d.deformTool.circles[0].radius, 25.0f);
    EXPECT_EQ(d.deformTool.circles[0].falloff, 0.2f);
    EXPECT_EQ(d.deformTool.bounds, Rect(-25, -25, 25, 25));
    EXPECT_TRUE(d.definedBrush.shape.empty());
    EXPECT_EQ(d.selectionBox.owner, &d);

    for (Vec2 size : {Vec2(1, 1), Vec2(800, 600), Vec2(1921, 1079)}) {
        d.view.viewWidth = size.x;
        d.view.viewHeight = size.y;
        const Vec2 c = toCanvas(d, {50, 50});
        EXPECT_NEAR(c.x, 0.0f, tol::kUlpish);
        EXPECT_NEAR(c.y, 0.0f, tol::kUlpish);
    }
}

TEST_F(DrawingTest, ViewportCentreMapsToTheSameCanvasPointAtAnyZoomAndRotation) {
    View& v = drawing->view;
    v.viewWidth = 1280;
    v.viewHeight = 720;
    v.panX = 30;
    v.panY = -70;
    for (float zoom : {0.1f, 1.0f, 3.7f}) {
        for (float rotation : {0.0f, 33.0f, -250.0f}) {
            v.zoom = zoom;
            v.rotation = rotation;
            const Vec2 c = toCanvas(*drawing, {640, 360});
            EXPECT_NEAR(c.x, 640 - 30, tol::kGeometry);
            EXPECT_NEAR(c.y, 360 + 70, tol::kGeometry);
        }
    }
}

TEST_F(DrawingTest, ZoomIsClampedAndRotationKeepsFmodSign) {
    drawing->zoomView(-100);
    EXPECT_EQ(drawing->view.zoom, 0.1f);
    drawing->zoomView(+100);
    EXPECT_EQ(drawing->view.zoom, 10.0f);
    drawing->zoomView(-5);
    EXPECT_NEAR(drawing->view.zoom, 9.5f, tol::kUlpish);

    drawing->rotateView(std::numbers::pi_v<float> / 2);
    EXPECT_NEAR(drawing->view.rotation, -90.0f, tol::kUlpish);
    drawing->rotateView(-3 * std::numbers::pi_v<float>);  // -90 + 540 = 450 -> 90
    EXPECT_NEAR(drawing->view.rotation, 90.0f, tol::kGeometry);
    drawing->rotateView(3 * std::numbers::pi_v<float>);  // 90 - 540 = -450 -> -90
    EXPECT_NEAR(drawing->view.rotation, -90.0f, tol::kGeometry);
}

// Panning by a screen displacement carries the canvas under the pointer along with it,
// whatever the zoom and rotation.
TEST_F(DrawingTest, PanningMovesTheCanvasWithThePointer) {
    View& v = drawing->view;
    v.zoom = 2.5f;
    v.rotation = 37.0f;
    const Vec2 before = toCanvas(*drawing, {300, 200});
    drawing->panView(40, -25);
    const Vec2 after = toCanvas(*drawing, {340, 175});
    EXPECT_NEAR(after.x, before.x, tol::kGeometry);
    EXPECT_NEAR(after.y, before.y, tol::kGeometry);

    float dx = 10, dy = 0;
    drawing->screenDirToCanvas(dx, dy);  // rotation only: -37 degrees
    EXPECT_NEAR(dx, 10 * std::cos(-37 * kDegToRad), tol::kGeometry);
    EXPECT_NEAR(dy, 10 * std::sin(-37 * kDegToRad), tol::kGeometry);
}

TEST_F(DrawingTest, VisibleRegionCoversTheViewportAtAnyRotation) {
    View& v = drawing->view;
    v.viewWidth = 1024;
    v.viewHeight = 600;
    for (float zoom : {0.3f, 1.0f, 4.0f}) {
        for (float rotation : {0.0f, 45.0f, 100.0f, -170.0f}) {
            v.zoom = zoom;
            v.rotation = rotation;
            Rect region = drawing->visibleRegion();
            region.inflate(tol::kGeometry);
            for (Vec2 corner : {Vec2(0, 0), Vec2(1024, 0), Vec2(0, 600), Vec2(1024, 600)}) {
                EXPECT_TRUE(region.contains(toCanvas(*drawing, corner)));
            }
        }
    }
}

TEST_F(DrawingTest, ViewResetRunsForItsDurationAndThenStops) {
    View& v = drawing->view;
    v.zoom = 4.0f;
    v.rotation = -120.0f;
    drawing->startViewReset(5000);
    std::uint32_t now = 5000;
    for (int i = 0; i < 62; ++i) drawing->stepViewReset(now += 16);  // 992 ms
    EXPECT_GT(v.zoom, 1.0f);
    drawing->stepViewReset(now += 16);  // passes 1000
    EXPECT_NEAR(v.zoom, 1.0f, tol::kGeometry);
    EXPECT_NEAR(v.rotation, 0.0f, tol::kGeometry);
    const View settled = v;
    drawing->stepViewReset(now += 500);
    EXPECT_EQ(v.zoom, settled.zoom);
    EXPECT_EQ(v.rotation, settled.rotation);

    // A frame that comes very late (or a clock that jumps back) ends the animation at the
    // target instead of carrying the zoom through zero.
    v.zoom = 10.0f;
    drawing->startViewReset(100);
    drawing->stepViewReset(100 + 3000);
    EXPECT_NEAR(v.zoom, 1.0f, tol::kGeometry);
    v.zoom = 10.0f;
    drawing->startViewReset(100);
    drawing->stepViewReset(50);
    EXPECT_NEAR(v.zoom, 1.0f, tol::kGeometry);
}

// Triangle 1 is the half of (0,0)-(50,50) above its diagonal x + y = 50; triangle 2 the
// half of (850,0)-(900,50) above y = x - 850.
TEST_F(DrawingTest, BandTrianglesAtTheCornersOfThePage) {
    EXPECT_EQ(drawing->bandHitTest(40, 40), 1);
    EXPECT_EQ(drawing->bandHitTest(50, 0), 1);   // a corner counts
    EXPECT_EQ(drawing->bandHitTest(25, 25), 1);  // on the diagonal
    EXPECT_EQ(drawing->bandHitTest(10, 10), 0);
    EXPECT_EQ(drawing->bandHitTest(860, 40), 2);
    EXPECT_EQ(drawing->bandHitTest(890, 10), 0);
    EXPECT_EQ(drawing->bandHitTest(450, 40), 0);
    drawing->view.panX = 50;  // the test maps through the view
    drawing->view.panY = 50;
    EXPECT_EQ(drawing->bandHitTest(40, 40), 0);
    EXPECT_EQ(drawing->bandHitTest(90, 90), 1);
}
