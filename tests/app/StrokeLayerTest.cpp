// Frames that copy the finished strokes from the kept picture are the frames drawn
// directly, sample for sample, in the real multisampled window, and a pen stroke drawn over
// the picture shows as it would without it.
#include <gtest/gtest.h>

#include <span>

#include "WindowHarness.h"
#include "app/ReplayDriver.h"
#include "document/Drawing.h"
#include "io/PageFile.h"
#include "render/StrokeLayer.h"
#include "support/StrokeData.h"

TEST(StrokeLayer, CopiedFramesAreTheFramesDrawnDirectly) {
    WindowHarness w(900, 700);
    ASSERT_TRUE(w.exposed);
    // Recorded strokes of many opacities, overlapping, over most of the view.
    std::vector<std::vector<ControlPoint>> page;
    const auto recorded = strokedata::loadPageStrokes();
    for (std::size_t i = 0; i < recorded.size() * 3; ++i) {
        const auto& rec = recorded[i % recorded.size()];
        const float shift = 23.0f * static_cast<float>(i);
        std::vector<ControlPoint> pts;
        for (std::size_t k = 0; k < rec.samples.size(); k += 3) {
            const auto& s = rec.samples[k];
            pts.push_back({std::fmod(s.x * 0.6f + shift, 800.0f), s.y * 0.6f + 40.0f,
                           1.0f + 4.0f * s.pressure, 0.3f + 0.7f * s.pressure});
        }
        page.push_back(std::move(pts));
    }
    std::vector<std::span<const ControlPoint>> spans(page.begin(), page.end());
    ASSERT_TRUE(io::writePageFile("0.xml", spans));
    w.manager().onKey("L");
    ASSERT_GT(w.manager().drawing().strokes.count(), 40u);

    // The first frame draws the strokes, the second makes the picture, the third copies it.
    const StrokeLayer& layer = *w.manager().strokeLayer();
    const QImage direct = w.widget->grabFramebuffer();
    const std::uint64_t copiesBefore = layer.copies();
    EXPECT_TRUE(w.widget->grabFramebuffer() == direct);
    EXPECT_TRUE(w.widget->grabFramebuffer() == direct);
    EXPECT_EQ(layer.copies(), copiesBefore + 2);

    // A pen stroke in progress over the copied strokes, against the same stroke drawn over
    // strokes drawn directly (an outline rebuilt as it was makes the frame draw them).
    ReplayDriver driver(*w.widget);
    std::string error;
    std::string script = "tablet press 200 300 0.8 pen\n";
    for (int x = 205; x <= 600; x += 5)
        script += "tablet move " + std::to_string(x) + " " + std::to_string(300 + x % 40) +
                  " 0.8 pen\n";
    ASSERT_TRUE(driver.run(*ReplayScript::parse(script, error)));
    ASSERT_TRUE(w.manager().drawing().current);
    w.widget->grabFramebuffer();
    const std::uint64_t copiesWhileDrawing = layer.copies();
    const QImage copied = w.widget->grabFramebuffer();
    EXPECT_EQ(layer.copies(), copiesWhileDrawing + 1);
    Drawing& d = w.manager().drawing();
    d.strokes.first()->stroke->buildOutline(d.view.zoom);
    const QImage drawn = w.widget->grabFramebuffer();
    EXPECT_EQ(layer.copies(), copiesWhileDrawing + 1) << "drawn, not copied";
    EXPECT_TRUE(copied == drawn);
    EXPECT_FALSE(copied == direct) << "the pen stroke shows";
}
