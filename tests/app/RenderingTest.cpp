// The drawing as pixels: pages are loaded into a real window, the frame is read back and
// checked where strokes, page frame and overlays must (and must not) be.
#include <gtest/gtest.h>

#include <QImage>
#include <span>
#include <vector>

#include "WindowHarness.h"
#include "app/ReplayDriver.h"
#include "controller/CanvasController.h"
#include "document/Drawing.h"
#include "io/PageFile.h"

namespace {
using Points = std::vector<ControlPoint>;

void writePage(const std::vector<Points>& strokes) {
    std::vector<std::span<const ControlPoint>> spans(strokes.begin(), strokes.end());
    ASSERT_TRUE(io::writePageFile("0.xml", spans));
}

Points line(float x0, float y0, float x1, float y1, float r, float a = 1.0f, int n = 12) {
    Points pts;
    for (int i = 0; i <= n; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(n);
        pts.push_back({x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, r, a});
    }
    return pts;
}

// Lightness (0 black .. 255 white) at a canvas point of a fresh view (zoom 1, pan 50, 50).
int lightnessAt(const QImage& frame, float cx, float cy) {
    const int x = static_cast<int>(cx + 50.0f);
    const int y = frame.height() - 1 - static_cast<int>(cy + 50.0f);
    return frame.pixelColor(x, y).lightness();
}

struct Page {
    WindowHarness w;
    explicit Page(const std::vector<Points>& strokes, int width = 800, int height = 600)
        : w(width, height) {
        writePage(strokes);
        w.manager().onKey("L");
    }
    QImage frame() { return w.widget->grabFramebuffer(); }
    Drawing& drawing() { return w.manager().drawing(); }
};
}  // namespace

TEST(Rendering, StrokesAreDarkOnTheirPointsAndTheCanvasWhiteElsewhere) {
    Page p({line(300, 300, 550, 300, 6.0f), line(300, 200, 550, 200, 6.0f, 0.3f)});
    ASSERT_TRUE(p.w.exposed);
    ASSERT_EQ(p.drawing().strokes.count(), 2u);
    const QImage f = p.frame();
    EXPECT_LT(lightnessAt(f, 420, 300), 40) << "opaque stroke";
    const int faint = lightnessAt(f, 420, 200);
    EXPECT_GT(faint, 140) << "30% opacity blends with white";
    EXPECT_LT(faint, 200);
    EXPECT_EQ(lightnessAt(f, 420, 320), 255);
    EXPECT_EQ(lightnessAt(f, 420, 250), 255);
    EXPECT_EQ(lightnessAt(f, 600, 300), 255) << "nothing beyond the stroke's end cap";
}

TEST(Rendering, StrokesOutsideTheVisibleSquareAreCulledEvenIfTheirOutlineReachesIn) {
    // Points far right of the view; the 500-unit radius would reach into it.
    Page p({line(1200, 300, 1300, 300, 500.0f)}, 1000, 800);
    ASSERT_TRUE(p.w.exposed);
    EXPECT_EQ(lightnessAt(p.frame(), 700, 300), 255);
    // Panned so that its points are in the visible square, it is drawn.
    p.drawing().view.panX = -500.0f;
    const QImage f = p.frame();
    EXPECT_LT(f.pixelColor(700, f.height() - 1 - 350).lightness(), 40);
}

TEST(Rendering, WireframeShowsTheStripsEdgesOnly) {
    Page p({line(300, 300, 550, 300, 30.0f, 1.0f, 6)});
    ASSERT_TRUE(p.w.exposed);
    auto darkPixels = [&] {
        const QImage f = p.frame();
        int n = 0;
        for (int y = f.height() - 1 - 380; y < f.height() - 1 - 320; ++y)
            for (int x = 380; x < 560; ++x) n += f.pixelColor(x, y).lightness() < 128;
        return n;
    };
    const int filled = darkPixels();
    p.w.manager().onKey("w");
    const int wire = darkPixels();
    EXPECT_GT(filled, 60 * 180 * 9 / 10);
    EXPECT_GT(wire, 50) << "the edges are drawn";
    EXPECT_LT(wire, filled / 3) << "the insides are not";
    p.w.manager().onKey("w");
    EXPECT_EQ(darkPixels(), filled);
}

TEST(Rendering, PageFrameShadowAndPageFlipTrianglesSitAtThePageCorners) {
    Page p({}, 1200, 900);
    ASSERT_TRUE(p.w.exposed);
    const QImage f = p.frame();
    EXPECT_EQ(lightnessAt(f, 880, 450), 255) << "inside the page";
    EXPECT_LT(lightnessAt(f, 901, 450), 220) << "the shadow starts at the page edge";
    EXPECT_GT(lightnessAt(f, 914, 450), lightnessAt(f, 901, 450)) << "and fades outwards";
    const int triangle = lightnessAt(f, 865, 35);
    EXPECT_GT(triangle, 110);
    EXPECT_LT(triangle, 215);
    EXPECT_EQ(lightnessAt(f, 895, 25), 255) << "below the triangle's slanted edge";
}

TEST(Rendering, BrushCursorFollowsThePointer) {
    Page p({});
    ASSERT_TRUE(p.w.exposed);
    std::string error;
    for (int x : {400, 520}) {
        const std::string move = "mouse move " + std::to_string(x) + " 300 none\n";
        ReplayDriver(*p.w.widget).run(*ReplayScript::parse(move, error));
        const QImage f = p.frame();
        // A red ring of radius 5 (brush size at zoom 1) around the pointer.
        int reddest = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = 4; dx <= 6; ++dx) {
                const QColor c = f.pixelColor(x + dx, 300 + dy);
                reddest = std::max(reddest, c.red() - c.green());
            }
        EXPECT_GT(reddest, 60) << "at x " << x;
        EXPECT_EQ(f.pixelColor(x, 300).lightness(), 255) << "the ring is hollow";
    }
}
