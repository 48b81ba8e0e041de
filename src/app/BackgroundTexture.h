#pragma once

#include <cstdint>
#include <memory>

#include "material/BackgroundCache.h"
#include "render/DrawingRenderer.h"

// The page background's render as a texture of the window's context, uploaded again only
// when another render is to be shown. Made, used and destroyed with the context current,
// inside the render pass.
class BackgroundTexture {
public:
    BackgroundTexture() = default;
    ~BackgroundTexture();
    BackgroundTexture(const BackgroundTexture&) = delete;
    BackgroundTexture& operator=(const BackgroundTexture&) = delete;

    // The quad that draws `render` (none for null).
    BackgroundQuad show(const BackgroundCache::Entry& render);

private:
    void release();

    std::uint32_t texture_ = 0;
    // Not kept alive here: the cache decides how long a render lives.
    std::weak_ptr<const BackgroundImage> uploaded_;
    BackgroundQuad quad_;
    std::uint64_t version_ = 0;
};
