#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "material/BackgroundCache.h"

// Draws page backgrounds on worker threads, each with its own open documents, so that
// the board never waits for one: the frame asks for what it needs and shows what there is
// (the last render of the page, scaled) until the render it needs is in. Only the latest
// request is drawn; one no longer wanted is dropped, or stopped while it is drawn.
class BackgroundRenderer {
public:
    static constexpr std::size_t kDefaultBudget = std::size_t{256} << 20;

    // `wake` is called on a worker thread when a render is in: it may only ask the owner's
    // thread for a frame.
    BackgroundRenderer(std::string folder, std::function<void()> wake = {},
                       std::size_t budgetBytes = kDefaultBudget, int threads = 2);
    ~BackgroundRenderer();
    BackgroundRenderer(const BackgroundRenderer&) = delete;
    BackgroundRenderer& operator=(const BackgroundRenderer&) = delete;

    // What to show now of `file`'s page `page` fitted in `box` pixels: that render when it
    // is in, else the largest there is of the page while that one is drawn, else null. A
    // background that cannot be drawn is null, with one line on standard output the first
    // time it is asked for.
    BackgroundCache::Entry show(const std::string& file, std::uint32_t page, int box);
    // What to show now, over the whole page, of the part `region` of that picture when
    // the page is shown larger than whole renders go (box over kMaxWholeBox): that part
    // when it is in, else the page's part drawn last (placed where it lies), else null.
    // Parts are drawn after the whole page's render.
    BackgroundCache::Entry showPart(const std::string& file, std::uint32_t page, int box,
                                    const PageRegion& region);
    // No part is wanted any more.
    void showNoPart();
    // No render is wanted any more (a page without background is shown).
    void showNone();
    // Waits until no wanted render is queued or being drawn.
    void waitIdle();
    std::size_t cachedBytes() const;

private:
    void work(int index);

    std::string folder_;
    std::function<void()> wake_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    BackgroundCache cache_;
    // The whole page's render and the part's: each only the latest asked for.
    std::optional<BackgroundKey> wanted_, wantedPart_;
    std::optional<BackgroundKey> queued_, queuedPart_;
    std::set<BackgroundKey> drawing_;
    // Pages that cannot be drawn, with why, and whether that was said.
    std::map<std::pair<std::string, std::uint32_t>, std::pair<std::string, bool>> failed_;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

// The render size for a page shown at `pixelsPerUnit` screen pixels per canvas unit: the
// square's side in pixels, rounded up to a step of a fourth of an octave so that a pinch
// asks for a few renders, not one per frame.
int backgroundBox(float pixelsPerUnit, float pageSide = 900.0f);

// The part of the page square to draw sharper for a view showing `visible` (canvas units):
// that, widened to a grid of 64 units and one more cell around it, so that small pans keep
// it, and cut to the page; all zero when it misses the page.
PageRegion partInView(float minX, float minY, float maxX, float maxY);
