// The colour button and its palette on the menu, and the hand-out keys: which pages go into
// the PDF, and that failures leave the old files and say so.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "ControllerHarness.h"
#include "brush/Palette.h"
#include "support/GatedExporter.h"
#include "controller/LessonExport.h"
#include "io/PageFile.h"

namespace {

std::string readFile(const std::string& path) {
    std::stringstream s;
    s << std::ifstream(path).rdbuf();
    return s.str();
}

void writePage(int n, int strokes) {
    std::vector<std::vector<ControlPoint>> points(static_cast<std::size_t>(strokes),
                                                  {{100, 100, 2, 1}, {200, 200, 2, 1}});
    std::vector<std::span<const ControlPoint>> views(points.begin(), points.end());
    ASSERT_TRUE(io::writePageFile(std::to_string(n) + ".xml", views));
}

// Records what it is asked to draw; `fail` makes it refuse.
struct RecordingExporter : LessonExporter {
    std::vector<std::size_t> pageStrokes;
    std::vector<Rgb> firstColours;
    bool fail = false;
    std::optional<std::string> pdf(const NextPage& nextPage) override {
        std::vector<io::SvgStrokeOutline> strokes;
        while (nextPage(strokes)) {
            pageStrokes.push_back(strokes.size());
            firstColours.push_back(strokes.empty() ? Rgb{} : strokes.front().colour);
        }
        if (fail) return std::nullopt;
        return "%PDF";
    }
    std::optional<std::string> pagePng(const PageSnapshot&) override {
        if (fail) return std::nullopt;
        return "PNG";
    }
};

}  // namespace

TEST(Palette, TheColourButtonSitsInAGapAndThePaletteDiscsStandApart) {
    ControllerHarness h;
    const RadialMenu& m = h.controller.menu();
    const Vec2 c = m.colourButtonCentre();
    const float r = m.colourButtonRadius;
    EXPECT_GE(distance(c, m.position), m.innerRadius + r);
    for (int i = 0; i < 4; ++i) EXPECT_GE(distance(c, m.buttonCentre(i)), m.size * 0.5f + r) << i;
    Vec2 ray(-1.0f, 0.0f);
    for (int k = 0; k < 2; ++k) {  // the toggles' hit discs
        rotate(ray, m.toggleAngles[k] * kDegToRad);
        EXPECT_GE(distance(c, m.position + ray * (m.innerRadius + 0.4f * m.size)),
                  0.4f * m.size + r);
    }
    ray = Vec2(-1.0f, 0.0f);
    for (int k = 0; k < 2; ++k) {  // the sliders' hit discs
        rotate(ray, m.drawSliderAngles[k] * kDegToRad);
        EXPECT_GE(distance(c, m.position + ray * (m.innerRadius + 0.52f * m.size)),
                  0.29f * m.size + r);
    }
    for (std::size_t i = 0; i < kPalette.size(); ++i) {
        const Vec2 d = m.paletteDiscCentre(static_cast<int>(i));
        EXPECT_GE(distance(d, c), m.paletteDiscRadius + r) << "clear of the colour button";
        EXPECT_LE(distance(d, c) + m.paletteDiscRadius, m.paletteBackdropRadius());
        const Vec2 next = m.paletteDiscCentre(static_cast<int>((i + 1) % kPalette.size()));
        EXPECT_GE(distance(d, next), 2.0f * m.paletteDiscRadius + 3.0f) << i;
    }
}

// Every press on the open palette's backdrop closes it and does nothing else than, on a
// disc, pick that disc's colour: the controls beneath (reset view, the sliders, the speed
// toggle) never hear of it.
TEST(Palette, APressOnTheOpenPaletteOnlyEverPicksTheDiscUnderIt) {
    ControllerHarness h;
    h.stroke(400.0f, 500.0f, 600.0f, 520.0f);
    const RadialMenu& m = h.controller.menu();
    const Vec2 c = m.colourButtonCentre();
    const float reach = m.paletteBackdropRadius();
    int picks = 0;
    for (float dy = -reach; dy <= reach; dy += 3.0f) {
        for (float dx = -reach; dx <= reach; dx += 3.0f) {
            const Vec2 p = c + Vec2(dx, dy);
            if (distance(p, c) >= reach) continue;
            h.tap(c.x, c.y);
            ASSERT_TRUE(m.paletteOpen);
            const int speedMode = h.drawing.brush.speedMode;
            h.drawing.brush.colour = Rgb{1, 2, 3};  // in no disc
            h.tap(p.x, p.y);
            ASSERT_FALSE(m.paletteOpen) << p.x << ", " << p.y;
            int under = -1;
            for (int i = 0; i < static_cast<int>(kPalette.size()); ++i)
                if (distance(p, m.paletteDiscCentre(i)) < m.paletteDiscRadius) under = i;
            const Rgb expected =
                under < 0 ? Rgb{1, 2, 3} : kPalette[static_cast<std::size_t>(under)];
            ASSERT_EQ(h.drawing.brush.colour, expected) << p.x << ", " << p.y;
            picks += under >= 0;
            ASSERT_EQ(h.controller.menu().pressedButton, -1);
            ASSERT_EQ(h.drawing.brush.speedMode, speedMode);
            ASSERT_EQ(h.controller.mode(), 0);
            ASSERT_EQ(h.drawing.view.zoomStep, 0.0f) << "no view reset";
            ASSERT_EQ(h.drawing.strokes.count(), 1u);
        }
    }
    EXPECT_GT(picks, 100);

    // The button closes what it opened; a press outside the palette closes it and draws, in
    // the colour picked last.
    h.tap(c.x, c.y);
    h.tap(c.x, c.y);
    EXPECT_FALSE(m.paletteOpen);
    h.tap(c.x, c.y);
    const Rgb picked = h.drawing.brush.colour;
    h.stroke(400.0f, 600.0f, 600.0f, 620.0f);
    EXPECT_FALSE(m.paletteOpen);
    ASSERT_EQ(h.drawing.strokes.count(), 2u);
    EXPECT_EQ(h.drawing.strokes.last()->stroke->colour, picked);
}

TEST(LessonExport, ThePdfHoldsEveryReadablePageUpToTheFirstGapAfterTheCurrentOne) {
    ControllerHarness h;
    RecordingExporter exporter;
    h.controller.setExporter(&exporter);
    for (int page = 0; page < 5; ++page) ASSERT_TRUE(h.controller.flipToNextPage());
    std::filesystem::remove("3.xml");  // written empty on the way
    writePage(0, 1);
    writePage(1, 2);
    { std::ofstream("2.xml") << "<Drawing><Stroke>"; }
    writePage(4, 3);
    writePage(7, 1);  // after the gap at 6: not part of the lesson
    h.controller.selectColour(1);
    h.stroke(300.0f, 400.0f, 600.0f, 450.0f);
    h.stroke(300.0f, 600.0f, 600.0f, 650.0f);  // unsaved: the page as it is on screen

    testing::internal::CaptureStdout();
    h.controller.onKey("P");
    h.controller.finishExports();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Could not read 2.xml; it is left out of pages.pdf\n"
              "3.xml is missing; it is left out of pages.pdf\n"
              "Wrote pages.pdf (4 pages)\n");
    EXPECT_EQ(exporter.pageStrokes, (std::vector<std::size_t>{1, 2, 3, 2}));
    EXPECT_EQ(exporter.firstColours.back(), kPalette[1]);
    EXPECT_EQ(readFile("pages.pdf"), "%PDF");

    testing::internal::CaptureStdout();
    h.controller.onKey("O");
    h.controller.finishExports();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Wrote 5.png\n");
    EXPECT_EQ(readFile("5.png"), "PNG");

    // A failed export says so and leaves the files it would have replaced.
    exporter.fail = true;
    testing::internal::CaptureStdout();
    h.controller.onKey("P");
    h.controller.finishExports();
    h.controller.onKey("O");
    h.controller.finishExports();
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find("Could not make pages.pdf\n"), std::string::npos) << said;
    EXPECT_NE(said.find("Could not render 5.png\n"), std::string::npos) << said;
    EXPECT_EQ(readFile("pages.pdf"), "%PDF");
    EXPECT_EQ(readFile("5.png"), "PNG");
}

TEST(LessonExport, RunsInTheBackgroundFromTheBoardAsItWasAndStartsNoSecondExport) {
    ControllerHarness h;
    GatedExporter exporter;
    std::atomic<int> wakes{0};
    h.controller.setExporter(&exporter, [&] { ++wakes; });
    h.stroke(300.0f, 400.0f, 600.0f, 450.0f);
    h.controller.onKey("P");
    exporter.waitAsked(1);

    // The board goes on while the PDF is made; what is drawn now is not in it.
    h.stroke(300.0f, 600.0f, 600.0f, 650.0f);
    h.controller.onKey("S");
    EXPECT_EQ(h.drawing.strokes.count(), 2u);
    ASSERT_TRUE(h.controller.exports().progress().has_value());
    testing::internal::CaptureStdout();
    h.controller.onKey("P");
    h.controller.onKey("O");
    h.controller.tick();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Still writing pages.pdf (0 %); pages.pdf is not started\n"
              "Still writing pages.pdf (0 %); 0.png is not started\n");
    EXPECT_FALSE(std::filesystem::exists("pages.pdf")) << "only the whole file appears";

    exporter.allow(1000);
    testing::internal::CaptureStdout();
    while (h.controller.exports().running()) {
        h.controller.tick();
        std::this_thread::yield();
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Wrote pages.pdf (1 page)\n");
    EXPECT_EQ(exporter.pageStrokes, (std::vector<std::size_t>{1}));
    EXPECT_EQ(readFile("pages.pdf"), "%PDF");
    EXPECT_FALSE(h.controller.exports().progress().has_value());
    EXPECT_GE(wakes.load(), 2) << "the board is woken as the export moves and ends";
}
