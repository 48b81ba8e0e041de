// A new background render goes up in strips over frames: what the frame is given meanwhile
// is the page's previous render, or nothing when that was another page's, and the texture
// once whole holds the render row for row.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "WindowHarness.h"
#include "app/BackgroundTexture.h"

namespace {
// A render three strips tall whose every row differs.
BackgroundCache::Entry render(int seed) {
    const int width = 1000;
    QImage image(width, static_cast<int>(2 * BackgroundTexture::kStripBytes / (4 * width)) + 7,
                 QImage::Format_RGBA8888);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(y % 256, (y / 256 + seed) % 256, x % 256));
    return std::make_shared<const BackgroundImage>(BackgroundImage{image, {10, 20, 30, 40}, {}});
}

QImage textureImage(std::uint32_t texture, QSize size) {
    QImage out(size, QImage::Format_RGBA8888);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.bits());
    glBindTexture(GL_TEXTURE_2D, 0);
    return out;
}
}  // namespace

TEST(BackgroundTexture, RendersGoUpInStripsBehindWhatIsOnShow) {
    WindowHarness w;
    ASSERT_TRUE(w.exposed);
    w.widget->makeCurrent();
    {
        BackgroundTexture t;
        const BackgroundCache::Entry first = render(0), sharper = render(1), other = render(2);
        // Nothing of the page is up: nothing is shown until the first render is whole.
        EXPECT_EQ(t.show(first, "a#1").texture, 0u);
        EXPECT_TRUE(t.uploading());
        EXPECT_EQ(t.show(first, "a#1").texture, 0u);
        const BackgroundQuad shown = t.show(first, "a#1");
        ASSERT_NE(shown.texture, 0u);
        EXPECT_FALSE(t.uploading());
        EXPECT_EQ(shown.x, 10.0f);
        EXPECT_EQ(shown.height, 40.0f);
        EXPECT_EQ(textureImage(shown.texture, first->image.size()), first->image);
        EXPECT_EQ(t.show(first, "a#1").version, shown.version);
        // A sharper render of the same page: the first stays on show meanwhile.
        for (int frame = 0; frame < 2; ++frame) EXPECT_EQ(t.show(sharper, "a#1").version, shown.version);
        const BackgroundQuad second = t.show(sharper, "a#1");
        EXPECT_GT(second.version, shown.version);
        EXPECT_EQ(textureImage(second.texture, sharper->image.size()), sharper->image);
        // Another page: not the last page's picture while it goes up.
        EXPECT_EQ(t.show(other, "a#2").texture, 0u);
        // A page with nothing to show stops the upload: no frames are asked for.
        EXPECT_EQ(t.show(nullptr, "b#0").texture, 0u);
        EXPECT_FALSE(t.uploading());
    }
    w.widget->doneCurrent();
}
