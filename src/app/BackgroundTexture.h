#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "material/BackgroundCache.h"
#include "render/DrawingRenderer.h"

// The page background's render as a texture of the window's context. A new render goes up
// in strips of at most kStripBytes a frame into a texture of its own, the one on show
// staying until the new one is whole, so that a 64 MiB render never stalls a frame of ink.
// Made, used and destroyed with the context current, inside the render pass.
class BackgroundTexture {
public:
    static constexpr std::size_t kStripBytes = std::size_t{2} << 20;

    BackgroundTexture() = default;
    ~BackgroundTexture();
    BackgroundTexture(const BackgroundTexture&) = delete;
    BackgroundTexture& operator=(const BackgroundTexture&) = delete;

    // The quad to draw for `render` of the background `page` (any name for a page of
    // material, the same for the same page): the render once it is up, until then the
    // last one of the same page; none for null or while nothing of the page is up.
    BackgroundQuad show(const BackgroundCache::Entry& render, const std::string& page);
    // Whether a render is still going up: the frame after this one should come soon.
    bool uploading() const { return pending_.texture != 0; }

private:
    struct Upload {
        std::uint32_t texture = 0;
        // Kept alive while it goes up; then only watched, the cache decides how long a
        // render lives.
        BackgroundCache::Entry render;
        std::weak_ptr<const BackgroundImage> shown;
        std::string page;
        int rows = 0;  // rows up so far
    };
    static void release(Upload& u);

    Upload current_, pending_;
    BackgroundQuad quad_;
    std::uint64_t version_ = 0;
};
