#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/VisComponent.h"

class SurfaceEvent;

// The scene: owns its components in drawing order (last is topmost), picks, delivers
// events to them and draws them.
class SurfaceManager {
public:
    virtual ~SurfaceManager();

    // Runs the subclass's initialisation step once; call with the GL context current.
    void initialize();

    VisComponent* addComponent(std::unique_ptr<VisComponent> c);
    // Topmost component whose rectangle holds (x, y) (screen pixels, y up), or null.
    VisComponent* getComponentAt(std::uint32_t x, std::uint32_t y, bool topOnly) const;
    // Delivers the event to the picked component, if any; keeps nothing.
    void processEvent(const SurfaceEvent& event, VisComponent* component);
    void addToUpdateList(std::uint32_t id);
    const std::vector<std::uint32_t>& updateList() const { return updateList_; }
    // Draws every scene component in order.
    void renderOtherComponents(std::uint32_t id, bool picking, bool a, bool b);

    void bringToFront(VisComponent* c);
    std::size_t componentCount() const { return components_.size(); }

protected:
    virtual void initTouchIndicators() {}
    virtual void init() {}

private:
    std::vector<std::unique_ptr<VisComponent>> components_;
    std::vector<std::uint32_t> updateList_;
    bool initialized_ = false;
};
