#include "platform/VisComponent.h"

#include "platform/SurfaceManager.h"

namespace {
std::uint32_t nextComponentId() {
    static std::uint32_t next = 1;
    return next++;
}
}  // namespace

VisComponent::VisComponent() : id_(nextComponentId()) {}
VisComponent::~VisComponent() = default;

bool VisComponent::contains(double x, double y) const {
    return x >= position_.x - width_ * 0.5 && x <= position_.x + width_ * 0.5 &&
           y >= position_.y - height_ * 0.5 && y <= position_.y + height_ * 0.5;
}

void VisComponent::moveNodeToFront() {
    if (scene_) scene_->bringToFront(this);
}

void VisComponent::renderBranch(const std::vector<std::uint32_t>&, bool, bool) {
    preRender();
    render();
    for (auto& s : strategies_) s->draw(*this);
    postRender();
}
