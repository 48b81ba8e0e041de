#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>

#include "GlCanvas.h"
#include "brush/Palette.h"
#include "controller/ControllerHarness.h"
#include "io/PageFile.h"
#include "platform/TextureManager.h"
#include "support/GatedExporter.h"
#include "ui/RadialMenuView.h"
#include "ui/TextureFont.h"

namespace {
// Mean colour difference between the 80 x 80 square around a screen point and an image
// scaled to that size over the white canvas.
double difference(const QImage& frame, Vec2 centre, const std::string& file) {
    QImage source(QString::fromStdString(assetPath(std::string("images/") + file)));
    QImage image(80, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.drawImage(QRect(0, 0, 80, 80), source);
    }
    double sum = 0;
    const int left = static_cast<int>(std::lround(centre.x - 40.0f));
    const int top = static_cast<int>(std::lround(centre.y + 40.0f)) - 1;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 80; ++x) {
            const QColor a = GlCanvas::at(frame, left + x, top - y), b = image.pixelColor(x, y);
            sum += std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                   std::abs(a.blue() - b.blue());
        }
    return sum / (80.0 * 80.0);
}

class RadialMenuViewTest : public ::testing::Test {
protected:
    GlCanvas canvas{400, 400};
    ControllerHarness h;
    RadialMenuView view;
    const RadialMenu& menu = h.controller.menu();
    void SetUp() override { h.controller.setMenuHome(Vec2(200, 200)); }
    // Taps the menu where `item` (a slider or toggle) is: the readout shows it.
    void engage(int item) {
        for (float dx = -160; dx <= 160; dx += 4)
            for (float dy = -160; dy <= 160; dy += 4)
                if (menu.at(menu.position + Vec2(dx, dy), h.controller.mode()).item == item) {
                    const Vec2 p = menu.position + Vec2(dx, dy);
                    h.tap(p.x, p.y);
                    return;
                }
    }
    QImage frame() {
        canvas.clear();
        view.draw(h.controller);
        return canvas.image();
    }
};
}  // namespace

TEST_F(RadialMenuViewTest, ButtonsShowUpPressedOrDownImagesUprightOnTheirRays) {
    ASSERT_TRUE(canvas.ok());
    TextureManager tm;
    tm.loadTextures({"images/drawButton_up.png", "images/drawButton_press.png",
                     "images/drawButton_down.png", "images/editButton_up.png",
                     "images/editButton_press.png", "images/editButton_down.png"});
    auto t = [&](int i) { return tm.getTextureName(i); };
    view.setButtonTextures({{{t(0), t(1), t(2)}, {t(3), t(4), t(5)}, {}, {}}});
    // The centre disc's square overlaps the edit button: only its circle is opaque.
    const GLuint clear = GlCanvas::solidTexture(QColor(0, 0, 0, 0));
    view.setSliderTextures(clear, clear, clear, clear);
    const Vec2 draw = menu.buttonCentre(0), edit = menu.buttonCentre(1);
    EXPECT_NEAR(draw.x, 80.0f, 1e-3f) << "draw button at 180 degrees, 120 px out";

    QImage f = frame();  // draw mode at start-up
    EXPECT_LT(difference(f, draw, "drawButton_down.png"), 12.0);
    EXPECT_GT(difference(f, draw, "drawButton_up.png"), 30.0);
    EXPECT_LT(difference(f, edit, "editButton_up.png"), 12.0);

    h.controller.onPress(edit.x, edit.y, 0, 1.0f);  // held on the edit button
    f = frame();
    EXPECT_LT(difference(f, edit, "editButton_press.png"), 12.0);
    EXPECT_LT(difference(f, draw, "drawButton_up.png"), 12.0);
    h.controller.onRelease(edit.x, edit.y, 0);
    f = frame();
    EXPECT_LT(difference(f, edit, "editButton_down.png"), 12.0);
}

TEST_F(RadialMenuViewTest, SlidersAndTogglesAreDrawnWhereTheHitTestFindsThem) {
    const GLuint red = GlCanvas::solidTexture(Qt::red), green = GlCanvas::solidTexture(Qt::green),
                 blue = GlCanvas::solidTexture(Qt::blue);
    view.setSliderTextures(0, red, blue, green);
    view.setToggleTextures(0, 0, 0, blue, 0, blue, 0);
    auto onRay = [&](float degrees, float dist) {
        return menu.position + rotated(Vec2(dist, 0), degrees * kDegToRad);
    };
    const Vec2 first = onRay(95, 121.6f), second = onRay(65, 121.6f);
    h.tap(first.x, first.y);  // the readout: a brush disc of radius 5 instead of the text
    ASSERT_EQ(menu.hitState, 1);
    QImage f = frame();
    EXPECT_EQ(GlCanvas::at(f, first.x, first.y), QColor(Qt::red));
    EXPECT_EQ(GlCanvas::at(f, second.x, second.y), QColor(Qt::green)) << "smoothness";
    for (int i = 0; i < 2; ++i) {
        const Vec2 c = RadialMenuView::toggleCentre(menu, i);
        EXPECT_EQ(GlCanvas::at(f, c.x, c.y), QColor(Qt::blue));
        EXPECT_EQ(menu.at(c, 0).item, 5 + i);
    }
    EXPECT_EQ(menu.at(first, 0).item, 1);
    EXPECT_EQ(menu.at(second, 0).item, 2);

    h.controller.selectMenuButton(1);
    f = frame();
    EXPECT_EQ(GlCanvas::at(f, second.x, second.y), QColor(Qt::blue)) << "softness";
    const Vec2 pressure = RadialMenuView::toggleCentre(menu, 0);
    EXPECT_EQ(GlCanvas::at(f, pressure.x, pressure.y), QColor(Qt::white)) << "no toggles";
}

TEST_F(RadialMenuViewTest, ColourButtonShowsTheInkAndThePaletteEachColourWhereItsDiscIs) {
    view.setSliderTextures(0, 0, 0, 0);
    h.drawing.brush.colour = kPalette[2];
    const Vec2 button = menu.colourButtonCentre();
    QImage f = frame();
    EXPECT_EQ(GlCanvas::at(f, button.x, button.y), QColor(0xd5, 0x5e, 0x00));
    const Vec2 disc0 = menu.paletteDiscCentre(0);
    EXPECT_EQ(GlCanvas::at(f, disc0.x, disc0.y), QColor(Qt::white)) << "the palette is shut";

    h.tap(button.x, button.y);
    ASSERT_TRUE(menu.paletteOpen);
    f = frame();
    for (std::size_t i = 0; i < kPalette.size(); ++i) {
        const Vec2 d = menu.paletteDiscCentre(static_cast<int>(i));
        const Rgb c = kPalette[i];
        EXPECT_EQ(GlCanvas::at(f, d.x, d.y), QColor(c.r, c.g, c.b)) << i;
        // Just outside the disc: the dark ring marks the ink, the others stand on the backdrop.
        const Vec2 rim = d + normalized(d - button) * (menu.paletteDiscRadius + 2.5f);
        EXPECT_EQ(GlCanvas::at(f, rim.x, rim.y).lightness() < 64, i == 2) << i;
        EXPECT_EQ(menu.at(d, 0).item, 0);
        h.tap(d.x, d.y);
        EXPECT_EQ(h.drawing.brush.colour, c) << "a press on the disc picks it";
        h.tap(button.x, button.y);
    }
    EXPECT_EQ(GlCanvas::at(f, button.x, button.y), QColor(0xd5, 0x5e, 0x00));
}

TEST_F(RadialMenuViewTest, ReadoutFollowsTheHitState) {
    view.setSliderTextures(0, 0, 0, 0);  // untextured parts draw white on white
    ASSERT_TRUE(view.readoutFont() && view.readoutFont()->valid());
    EXPECT_EQ(RadialMenuView::zoomText(1.0f), "1.00x");
    EXPECT_EQ(RadialMenuView::zoomText(2.345f), "2.35x");

    // The zoom text, centred on the disc and inside it (the band of rows the disc spans
    // beside the colour button).
    int left = 400, right = 0;
    const QImage text = frame();
    for (int y = 160; y < 240; ++y)
        for (int x = 0; x < 400; ++x)
            if (GlCanvas::at(text, x, y).lightness() < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    const Vec2 m = menu.position;
    EXPECT_GT(left, m.x - 80);
    EXPECT_LT(right, m.x + 80);
    EXPECT_NEAR((left + right) * 0.5f, m.x, 4.0f);

    // Brush size: a black disc of the brush radius.
    engage(1);
    ASSERT_EQ(menu.hitState, 1);
    h.drawing.brush.size = 20.0f;
    QImage f = frame();
    EXPECT_EQ(GlCanvas::at(f, m.x + 17, m.y).lightness(), 0);
    EXPECT_EQ(GlCanvas::at(f, m.x + 23, m.y).lightness(), 255);

    // Smoothness: the zigzag's amplitude is 10 - smoothness.
    engage(2);
    ASSERT_EQ(menu.hitState, 2);
    auto tallest = [&](float smoothness) {
        h.drawing.smoothness = smoothness;
        const QImage z = frame();
        int top = 0;
        for (int y = 0; y < 400; ++y)
            if (GlCanvas::at(z, m.x - 32, y).lightness() < 128) top = std::max(top, y);
        return top - static_cast<int>(m.y);
    };
    EXPECT_LE(tallest(10.0f), 2) << "flat";
    EXPECT_GE(tallest(1.0f), 8);
}

TEST_F(RadialMenuViewTest, ARingInsideTheCentreDiscShowsTheRunningExportsProgress) {
    view.setSliderTextures(0, 0, 0, 0);
    for (int page = 0; page < 4; ++page)
        ASSERT_TRUE(io::writePageFile(std::to_string(page) + ".xml", {}));
    GatedExporter exporter;
    h.controller.setExporter(&exporter);
    // On the ring, `fraction` of the way round clockwise from the top.
    const auto ring = [&](const QImage& f, float fraction) {
        const float a = 1.5707964f - 6.2831855f * fraction, r = menu.innerRadius - 5.5f;
        return GlCanvas::at(f, static_cast<int>(200.0f + r * std::cos(a)),
                            static_cast<int>(200.0f + r * std::sin(a)));
    };
    const QColor accent(66, 124, 165);
    const auto near = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                   std::abs(a.blue() - b.blue()) < 30;
    };
    EXPECT_FALSE(near(ring(frame(), 0.2f), accent)) << "no ring without an export";

    // Four pages and the file: two pages done of five steps.
    h.controller.onKey("P");
    exporter.allow(3);
    exporter.waitAsked(4);
    const QImage f = frame();
    exporter.allow(1000);
    h.controller.finishExports();
    EXPECT_TRUE(near(ring(f, 0.2f), accent));
    EXPECT_TRUE(near(ring(f, 0.38f), accent));
    EXPECT_FALSE(near(ring(f, 0.45f), accent));
    EXPECT_FALSE(near(ring(f, 0.9f), accent));
    EXPECT_NE(ring(f, 0.9f), QColor(Qt::white)) << "the rest of the ring shows faintly";
}
