#include <gtest/gtest.h>

#include "GlCanvas.h"
#include "render/ScreenFrame.h"

namespace {
// The accent colour at alpha 0.6 over the white canvas.
bool isBand(QColor c) {
    return std::abs(c.red() - 141) <= 3 && std::abs(c.green() - 176) <= 3 &&
           std::abs(c.blue() - 201) <= 3;
}
bool isWhite(QColor c) { return c.lightness() == 255; }
bool isGrey(QColor c) { return std::abs(c.blue() - c.red()) < 8 && c.lightness() < 250; }
}  // namespace

TEST(ScreenFrame, BandCoversTheEdgesAndChamfersCutTheCorners) {
    GlCanvas canvas(1024, 768);
    ASSERT_TRUE(canvas.ok());
    // Transparent corner images, so that the chamfers under them can be seen.
    const ScreenFrameTextures clear{GlCanvas::solidTexture(QColor(0, 0, 0, 0)),
                                    GlCanvas::solidTexture(QColor(0, 0, 0, 0))};
    renderScreenFrame(1024, 768, 60, 108, clear);
    const QImage img = canvas.image();
    for (auto [x, y] : {std::pair{30, 384}, {994, 384}, {512, 30}, {512, 738}, {40, 500}})
        EXPECT_TRUE(isBand(GlCanvas::at(img, x, y))) << x << "," << y;
    EXPECT_TRUE(isWhite(GlCanvas::at(img, 512, 384)));
    EXPECT_TRUE(isWhite(GlCanvas::at(img, 75, 384))) << "past the 8 px inner shadow";
    EXPECT_TRUE(isGrey(GlCanvas::at(img, 62, 384))) << "the shadow inside the edge";

    // The lower-left chamfer runs from (92.74, 60) to (60, 92.74): x + y = 152.74.
    const ScreenFrameGeometry g = screenFrameGeometry(60, 108);
    EXPECT_NEAR(g.chamfer, 92.74f, 0.01f);
    EXPECT_TRUE(isBand(GlCanvas::at(img, 86, 64)));
    EXPECT_TRUE(isGrey(GlCanvas::at(img, 91, 64)));
    EXPECT_TRUE(isBand(GlCanvas::at(img, 64, 86)));
    // The same cut at the other three corners.
    EXPECT_TRUE(isBand(GlCanvas::at(img, 1024 - 87, 64)));
    EXPECT_TRUE(isBand(GlCanvas::at(img, 64, 768 - 87)));
    EXPECT_TRUE(isBand(GlCanvas::at(img, 1024 - 87, 768 - 65)));
    EXPECT_TRUE(isGrey(GlCanvas::at(img, 1024 - 92, 768 - 65)));
}

TEST(ScreenFrame, CornerImagesFollowTheScreenSizeAndStateIsRestored) {
    GlCanvas canvas(800, 600);
    const GLuint opaque = GlCanvas::solidTexture(Qt::white);
    glBindTexture(GL_TEXTURE_2D, opaque);
    glLineWidth(1.5f);
    renderScreenFrame(800, 600, 60, 108, {opaque, 0});
    const QImage img = canvas.image();
    // A white image tinted by the outline colour, 1.03 * 108 = 111.24 px around each corner.
    const QColor accent(66, 124, 165);
    for (auto [x, y] : {std::pair{110, 110}, {690, 110}, {110, 490}, {690, 490}}) {
        const QColor c = GlCanvas::at(img, x, y);
        EXPECT_NEAR(c.blue(), accent.blue(), 2) << x << "," << y;
        EXPECT_NEAR(c.red(), accent.red(), 2) << x << "," << y;
    }
    EXPECT_TRUE(isWhite(GlCanvas::at(img, 113, 113)));
    EXPECT_TRUE(isWhite(GlCanvas::at(img, 686, 486)));

    GLint bound = 0;
    GLfloat width = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(static_cast<GLuint>(bound), opaque);
    EXPECT_EQ(width, 1.5f);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}
