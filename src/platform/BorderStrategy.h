#pragma once

class VisComponent;

// Decoration drawn around a component with the current GL state.
class BorderStrategy {
public:
    virtual ~BorderStrategy() = default;
    void setBorderWidth(double w) { borderWidth_ = w; }
    double getBorderWidth() const { return borderWidth_; }
    // red, green, blue, alpha
    void setColor(const double rgba[4]) {
        for (int i = 0; i < 4; ++i) color_[i] = rgba[i];
    }
    const double* getColor() const { return color_; }
    virtual void draw(const VisComponent& component) = 0;

protected:
    double borderWidth_ = 0.0;
    double color_[4] = {0.0, 0.0, 0.0, 1.0};
};
