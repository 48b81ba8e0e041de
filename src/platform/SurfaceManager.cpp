#include "platform/SurfaceManager.h"

#include <algorithm>

SurfaceManager::~SurfaceManager() = default;

void SurfaceManager::initialize() {
    if (initialized_) return;
    initialized_ = true;
    init();
}

VisComponent* SurfaceManager::addComponent(std::unique_ptr<VisComponent> c) {
    c->scene_ = this;
    components_.push_back(std::move(c));
    return components_.back().get();
}

VisComponent* SurfaceManager::getComponentAt(std::uint32_t x, std::uint32_t y, bool) const {
    for (auto it = components_.rbegin(); it != components_.rend(); ++it) {
        if ((*it)->contains(x, y)) return it->get();
    }
    return nullptr;
}

void SurfaceManager::processEvent(const SurfaceEvent& event, VisComponent* component) {
    if (component) component->handleEvent(event);
}

void SurfaceManager::addToUpdateList(std::uint32_t id) {
    // Bounded: only the ids still pending matter, so keep each once.
    if (std::find(updateList_.begin(), updateList_.end(), id) == updateList_.end())
        updateList_.push_back(id);
}

void SurfaceManager::renderOtherComponents(std::uint32_t, bool, bool, bool) {
    static const std::vector<std::uint32_t> none;
    for (auto& c : components_) c->renderBranch(none, false, false);
    updateList_.clear();
}

void SurfaceManager::bringToFront(VisComponent* c) {
    auto it = std::find_if(components_.begin(), components_.end(),
                           [c](const auto& p) { return p.get() == c; });
    if (it == components_.end()) return;
    std::rotate(it, it + 1, components_.end());
}
