// A new background render goes up in strips over frames: what the frame is given meanwhile
// is the page's previous render, or nothing when that was another page's. (That the
// texture holds the picture row for row, the worksheet's frame against pdftoppm shows.)
#include <gtest/gtest.h>

#include "WindowHarness.h"
#include "app/BackgroundTexture.h"

namespace {
// A render three strips tall.
BackgroundCache::Entry render() {
    const int width = 1000;
    QImage image(width, static_cast<int>(2 * BackgroundTexture::kStripBytes / (4 * width)) + 7,
                 QImage::Format_RGBA8888);
    image.fill(Qt::blue);
    return std::make_shared<const BackgroundImage>(BackgroundImage{image, {10, 20, 30, 40}, {}});
}
}  // namespace

TEST(BackgroundTexture, RendersGoUpInStripsBehindWhatIsOnShow) {
    WindowHarness w;
    ASSERT_TRUE(w.exposed);
    w.widget->makeCurrent();
    {
        BackgroundTexture t;
        const BackgroundCache::Entry renders[] = {render(), render(), render()};
        std::uint64_t version = 0;
        // The first, a sharper one of the same page, another page's: each whole in the third
        // frame; before, the page's last render or nothing.
        for (int i = 0; i < 3; ++i) {
            const std::string page = i < 2 ? "a#1" : "a#2";
            for (int frame = 0; frame < 2; ++frame) {
                EXPECT_EQ(t.show(renders[i], page).version, i == 1 ? version : 0) << i;
                EXPECT_TRUE(t.uploading());
            }
            const BackgroundQuad q = t.show(renders[i], page);
            EXPECT_GT(q.version, version);
            version = q.version;
            EXPECT_EQ(q.x, 10.0f);
            EXPECT_EQ(q.height, 40.0f);
        }
        // A page with nothing to show stops an upload: no more frames are asked for.
        t.show(renders[0], "a#1");
        EXPECT_EQ(t.show(nullptr, "b#0").texture, 0u);
        EXPECT_FALSE(t.uploading());
    }
    w.widget->doneCurrent();
}
