#include "material/BackgroundRenderer.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <sys/resource.h>
#include <unistd.h>

BackgroundRenderer::BackgroundRenderer(std::string folder, std::function<void()> wake,
                                       std::size_t budgetBytes, int threads)
    : folder_(std::move(folder)), wake_(std::move(wake)), cache_(budgetBytes) {
    for (int i = 0; i < std::max(1, threads); ++i) threads_.emplace_back([this, i] { work(i); });
}

BackgroundRenderer::~BackgroundRenderer() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
        wanted_.reset();
    }
    changed_.notify_all();
    for (std::thread& t : threads_) t.join();
}

BackgroundCache::Entry BackgroundRenderer::show(const std::string& file, std::uint32_t page,
                                                int box) {
    std::unique_lock lock(mutex_);
    auto failed = failed_.find({file, page});
    // A missing file put back (copied in from elsewhere) is drawn after all.
    std::error_code ec;
    if (failed != failed_.end() && failed->second.first == kMissingProblem &&
        std::filesystem::is_regular_file(std::filesystem::path(folder_) / file, ec)) {
        failed_.erase(failed);
        failed = failed_.end();
    }
    if (failed != failed_.end()) {
        wanted_.reset();
        queued_.reset();
        if (!failed->second.second) {
            failed->second.second = true;
            std::cout << "The background " << file << " (page " << std::max<std::uint32_t>(page, 1)
                      << ") " << failed->second.first << "; the page shows its ink on white\n";
        }
        return nullptr;
    }
    BackgroundKey key{file, page, box};
    if (BackgroundCache::Entry exact = cache_.get(key)) {
        wanted_ = std::move(key);
        queued_.reset();
        return exact;
    }
    if (wanted_ != key) {
        wanted_ = key;
        queued_.reset();
        if (!drawing_.contains(key)) queued_ = key;
        changed_.notify_all();
    }
    return cache_.largest(file, page);
}

BackgroundCache::Entry BackgroundRenderer::showPart(const std::string& file, std::uint32_t page,
                                                    int box, const PageRegion& region) {
    const std::lock_guard lock(mutex_);
    BackgroundKey key{file, page, box, region};
    if (failed_.contains(std::make_pair(file, page)) || key.whole()) {
        wantedPart_.reset();
        queuedPart_.reset();
        return nullptr;
    }
    if (BackgroundCache::Entry exact = cache_.get(key)) {
        wantedPart_ = std::move(key);
        queuedPart_.reset();
        return exact;
    }
    if (wantedPart_ != key) {
        wantedPart_ = key;
        queuedPart_.reset();
        if (!drawing_.contains(key)) queuedPart_ = key;
        changed_.notify_all();
    }
    return cache_.latestPart(file, page);
}

void BackgroundRenderer::showNoPart() {
    const std::lock_guard lock(mutex_);
    wantedPart_.reset();
    queuedPart_.reset();
}

void BackgroundRenderer::showNone() {
    const std::lock_guard lock(mutex_);
    wanted_.reset();
    queued_.reset();
    wantedPart_.reset();
    queuedPart_.reset();
}

void BackgroundRenderer::waitIdle() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !queued_ && !queuedPart_ && drawing_.empty(); });
}

std::size_t BackgroundRenderer::cachedBytes() const {
    const std::lock_guard lock(mutex_);
    return cache_.bytes();
}

void BackgroundRenderer::work(int) {
    // Below the board's own threads: a render takes a core only when the frame and the
    // input leave it free, so ink never waits for one (Linux nice values are per thread).
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
    BackgroundSource source(folder_);
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stop_ || queued_ || queuedPart_; });
        if (stop_) return;
        // The whole page first: it is what a flip shows, and what a part lies on.
        std::optional<BackgroundKey>& next = queued_ ? queued_ : queuedPart_;
        const BackgroundKey key = std::move(*next);
        next.reset();
        drawing_.insert(key);
        lock.unlock();
        const std::function<bool()> abandon = [this, &key] {
            const std::lock_guard l(mutex_);
            return stop_ || (wanted_ != key && wantedPart_ != key);
        };
        BackgroundImage image = source.render(key.file, key.page, key.box, abandon, key.region);
        lock.lock();
        drawing_.erase(key);
        if (!image.problem.empty())
            failed_.emplace(std::make_pair(key.file, key.page), std::make_pair(image.problem, false));
        else if (!image.image.isNull())
            cache_.put(key, std::make_shared<const BackgroundImage>(std::move(image)));
        changed_.notify_all();
        if (wake_) {
            lock.unlock();
            wake_();
            lock.lock();
        }
    }
}

int backgroundBox(float pixelsPerUnit, float pageSide) {
    const float side = std::max(1.0f, pixelsPerUnit * pageSide);
    const float steps = std::ceil(4.0f * std::log2(side / 256.0f) - 1e-3f);
    return static_cast<int>(std::lround(256.0 * std::exp2(steps / 4.0)));
}

PageRegion partInView(float minX, float minY, float maxX, float maxY) {
    constexpr int kCell = 64, kPage = 900;
    const auto down = [](float v) { return static_cast<int>(std::floor(v / kCell)) * kCell - kCell; };
    const auto up = [](float v) { return static_cast<int>(std::ceil(v / kCell)) * kCell + kCell; };
    if (!(maxX > 0.0f && maxY > 0.0f && minX < kPage && minY < kPage)) return {};
    return {std::max(0, down(std::max(minX, -1.0f))), std::max(0, down(std::max(minY, -1.0f))),
            std::min(kPage, up(std::min(maxX, kPage + 1.0f))),
            std::min(kPage, up(std::min(maxY, kPage + 1.0f)))};
}
