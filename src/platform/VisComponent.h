#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/BorderStrategy.h"
#include "platform/Point3d.h"

class SurfaceEvent;
class SurfaceManager;

// A rectangular on-screen element in screen pixels (y up), positioned by its centre.
// Owns the border strategies pushed onto it.
class VisComponent {
public:
    VisComponent();
    virtual ~VisComponent();

    std::uint32_t getId() const { return id_; }
    void setPosition(const Point3d& p) { position_ = p; }
    void setPosition(double x, double y) { position_ = Point3d(x, y, position_.z); }
    const Point3d& getPosition() const { return position_; }
    void setWidth(double w) { width_ = w; }
    void setHeight(double h) { height_ = h; }
    double getWidth() const { return width_; }
    double getHeight() const { return height_; }

    void pushStrategy(std::unique_ptr<BorderStrategy> s) { strategies_.push_back(std::move(s)); }
    BorderStrategy* strategy(std::size_t i) const { return strategies_.at(i).get(); }
    std::size_t strategyCount() const { return strategies_.size(); }

    // Closed rectangle test around the centre.
    bool contains(double x, double y) const;

    // Raises the component above its siblings in its manager's scene.
    virtual void moveNodeToFront();
    // Called by the manager for an event aimed at this component; default ignores it.
    virtual void handleEvent(const SurfaceEvent&) {}

    // Draws the component and its strategies with the current GL state.
    void renderBranch(const std::vector<std::uint32_t>& ids, bool picking, bool recurse);

protected:
    virtual void preRender() {}
    virtual void render() {}
    virtual void postRender() {}

private:
    friend class SurfaceManager;
    std::uint32_t id_;
    Point3d position_;
    double width_ = 0.0;
    double height_ = 0.0;
    std::vector<std::unique_ptr<BorderStrategy>> strategies_;
    SurfaceManager* scene_ = nullptr;
};
