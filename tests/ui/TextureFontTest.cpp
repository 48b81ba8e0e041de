#include <gtest/gtest.h>

#include "GlCanvas.h"
#include "platform/TextureManager.h"
#include "ui/TextureFont.h"

namespace {
std::string font(const char* file) { return assetPath(std::string("images/") + file); }

// Rows and columns (screen coordinates, y up) that hold any ink.
struct Ink {
    int left = 1 << 30, right = -1, bottom = 1 << 30, top = -1;
    bool any() const { return right >= 0; }
};
Ink inkOf(const QImage& img) {
    Ink ink;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (GlCanvas::at(img, x, y).lightness() < 200) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.bottom = std::min(ink.bottom, y);
                ink.top = std::max(ink.top, y);
            }
    return ink;
}

class TextureFontTest : public ::testing::Test {
protected:
    GlCanvas canvas{400, 120};
    QImage drawn(const TextureFont& f, std::string_view text, float x = 20, float y = 30) {
        canvas.clear();
        f.draw(text, x, y);
        return canvas.image();
    }
};
}  // namespace

TEST_F(TextureFontTest, AtlasHeightIsThePowerOfTwoThatHoldsEveryRow) {
    ASSERT_TRUE(canvas.ok());
    const TextureFont small(font("arial.ttf"), 12), large(font("unanimo.ttf"), 50);
    ASSERT_TRUE(small.valid() && large.valid());
    EXPECT_EQ(small.atlasHeight(), 256);
    // 96 cells of the 50 px face need many rows of about 60 px each.
    EXPECT_GT(large.atlasHeight(), 256);
    EXPECT_EQ(large.atlasHeight() & (large.atlasHeight() - 1), 0);
    EXPECT_GT(large.lineHeight(), 50);
}

TEST_F(TextureFontTest, EachCharacterMovesThePenByItsAdvance) {
    const TextureFont f(font("unanimo.ttf"), 30);
    const int adv = f.advance('l');
    ASSERT_GT(adv, 1);
    EXPECT_EQ(f.width("lll"), 3 * adv);
    const QImage pair = drawn(f, "ll");
    canvas.clear();
    f.draw("l", 20, 30);
    f.draw("l", 20.0f + adv, 30);
    EXPECT_EQ(pair, canvas.image()) << "the list's translation equals the reported advance";
}

TEST_F(TextureFontTest, GlyphsStandUprightWithTheBaselineMaxDescentAboveY) {
    const TextureFont f(font("arial.ttf"), 40);
    const Ink ink = inkOf(drawn(f, "L", 20, 30));
    ASSERT_TRUE(ink.any());
    EXPECT_NEAR(ink.bottom, 30 + f.maxDescent(), 1);
    // The foot of the L is at the bottom: its lowest ink row is wider than its top row.
    const QImage img = drawn(f, "L", 20, 30);
    auto rowWidth = [&](int y) {
        int n = 0;
        for (int x = ink.left; x <= ink.right; ++x) n += GlCanvas::at(img, x, y).lightness() < 128;
        return n;
    };
    EXPECT_GT(rowWidth(ink.bottom + 1), 2 * rowWidth(ink.top - 1));
}

TEST_F(TextureFontTest, SpacesAndBytesWithoutAGlyphDrawNothing) {
    const TextureFont f(font("unanimo.ttf"), 30);
    EXPECT_FALSE(inkOf(drawn(f, "     ")).any());
    EXPECT_FALSE(inkOf(drawn(f, "\x01\x1f\x80\xff")).any());
    EXPECT_EQ(drawn(f, "a\x80\tb"), drawn(f, "ab")) << "skipped, not drawn from other lists";
    EXPECT_EQ(f.width("a\x80\tb"), f.width("ab"));
}

TEST_F(TextureFontTest, AFontThatCannotBeBuiltDrawsNothing) {
    const TextureFont missing("no/such/font.ttf", 30);
    const TextureFont notAFont(assetPath("images/properties.png"), 30);
    const TextureFont noSize(font("arial.ttf"), 0);
    for (const TextureFont* f : {&missing, &notAFont, &noSize}) {
        EXPECT_FALSE(f->valid());
        EXPECT_EQ(f->width("1.00x"), 0);
        EXPECT_FALSE(inkOf(drawn(*f, "1.00x")).any());
    }
}

TEST_F(TextureFontTest, DrawingRestoresTheStateItChanges) {
    const TextureFont f(font("arial.ttf"), 12);
    const GLuint other = GlCanvas::solidTexture(Qt::red);
    glBindTexture(GL_TEXTURE_2D, other);
    glListBase(7);
    f.draw("abc", 10, 10);
    GLint bound = 0, base = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_LIST_BASE, &base);
    EXPECT_EQ(static_cast<GLuint>(bound), other);
    EXPECT_EQ(base, 7);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}
