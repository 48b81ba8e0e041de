// Long scripted sessions on recorded pen input: draw, erase across at random, zoom, select;
// after every eraser drag the document's invariants must hold.

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>

#include "DocumentInvariants.h"
#include "DrawingFixture.h"
#include "support/StrokeData.h"

namespace {

class Session : public DrawingTest {
protected:
    void drawScattered(const std::vector<strokedata::RecordedStroke>& recs, std::mt19937& rng) {
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        for (const auto& rec : recs) {
            const float scale = 0.15f + 0.85f * unit(rng);
            const float room = 450.0f - 400.0f * scale;  // keeps the copy on the page
            drawRecorded(rec, scale, {room * (2 * unit(rng) - 1), room * (2 * unit(rng) - 1)});
        }
    }
};

}  // namespace

TEST_F(Session, DrawingAndErasingKeepTheIndexAndTheStrokesSound) {
    const auto recs = strokedata::loadPageStrokes();
    ASSERT_FALSE(recs.empty());
    std::mt19937 rng(20261207);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);

    for (int copy = 0; copy < 3; ++copy) drawScattered(recs, rng);
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));
    const std::uint32_t drawn = drawing->strokes.count();
    EXPECT_GE(drawn, recs.size() * 3 - 3);  // a recording too short for two points is dropped

    std::size_t peak = drawn;
    for (int drag = 0; drag < 300; ++drag) {
        if (drag % 60 == 59) {
            drawing->zoomView(unit(rng) * 40.0f - 10.0f);
            drawing->view.rotation = unit(rng) * 360.0f - 180.0f;
            drawing->refreshVisibleStrokes();
        }
        if (drag % 40 == 39) drawRecorded(recs[drag % recs.size()], 0.5f, {0, 0});
        // Select a few strokes, so that erasing them must also drop them from the selection.
        drawing->selection.clear();
        for (Stroke& s : drawing->strokes) {
            if (unit(rng) < 0.1f) drawing->selection.push_back(&s);
        }

        Vec2 p(unit(rng) * 1000.0f, unit(rng) * 1000.0f);
        const Vec2 step(unit(rng) * 30.0f - 15.0f, unit(rng) * 30.0f - 15.0f);
        const float pressure = 0.5f + 1.5f * unit(rng);
        drawing->eraseAt(p.x, p.y, pressure);
        for (int e = 0; e < 10; ++e) {
            p += step;
            drawing->eraseAt(p.x, p.y, pressure);
        }
        ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing)) << "after drag " << drag;
        peak = std::max<std::size_t>(peak, drawing->strokes.count());
    }
    EXPECT_GT(peak, drawn);    // erasing split strokes
    EXPECT_EQ(log.str(), "");  // every removal from the index found its segment
}

// Erasing everything: each drag runs across the whole page until nothing is left.
TEST_F(Session, SweepingThePageErasesEverything) {
    const auto recs = strokedata::loadPageStrokes();
    std::mt19937 rng(7);
    drawScattered(recs, rng);
    for (int pass = 0; pass < 6 && drawing->strokes.count() > 0; ++pass) {
        for (float y = 0; y <= 900; y += 8) {
            for (float x = 0; x <= 900; x += 8) drawing->eraseAt(x, y, 2.0f);  // radius 10
        }
        ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));
    }
    EXPECT_EQ(drawing->strokes.count(), 0u);
    EXPECT_TRUE(drawing->index.query(Rect(0, 0, 900, 900)).empty());
}
