#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/DefaultManager.h"
#include "render/DrawingRenderer.h"

class BackgroundRenderer;
class BackgroundTexture;
class CanvasController;
class Drawing;
class SurfaceEvent;
class VisComponent;
class VisComponentGL;
class GradientRoundBorderStrategy;
class RadialMenuView;
class StrokeBuffers;
class StrokeLayer;
class TextureFont;

// Owns the drawing and the controller for the whole run, routes input to them, keeps the
// window size and draws every frame in a fixed order (later items cover earlier ones).
//
// Frames are drawn on demand: whatever may change the picture (routed input, a key, a
// resize) asks for a frame through the frame request, and a frame that leaves an animation
// running asks for the next one. With nothing moving no frame is asked for.
class FrameManager : public DefaultManager {
public:
    // A brush follower nearer than this to its target, and slower, has settled (pixels,
    // pixels per frame). Every pointer drawing has its own.
    static constexpr float kFollowerSettled = 0.1f;

    explicit FrameManager(std::unique_ptr<FrameTimer> timer);
    ~FrameManager() override;

    void resize(int w, int h) override;
    void onKey(const std::string& text);
    // Screen coordinates (pixels, y up). altButton: 0 primary, 1 other, -1 on drags.
    virtual void routeEvent(SurfaceEvent& event, int altButton, float pressure,
                            VisComponent* component);
    // The system took every touch contact away: their gestures end as releases would.
    void cancelTouches();
    // The pen came into or left the tablet's proximity.
    void penProximity(bool entered);
    // Per-frame update, then the drawing, the interface layer, the scene's components, the
    // menu and the indicator ring. Needs the GL context current.
    void renderFrame(bool picking);
    // The end of a run (Escape and normal exit): puts the page's journal on disk (an unsaved
    // drawing is kept beside its page file only when that failed), then writes the command
    // log.
    void finishRun();

    // Called whenever a frame should be drawn (by the window: schedule a repaint). Requests
    // made before a frame is drawn are met by that one frame.
    void setFrameRequest(std::function<void()> request) { frameRequest_ = std::move(request); }
    void requestFrame() {
        if (frameRequest_) frameRequest_();
    }
    // The same from any thread (a background render that came in); set before init.
    void setWakeFromAnyThread(std::function<void()> wake) { wake_ = std::move(wake); }
    // Whether the next frame would differ from the last without new input: the view reset
    // runs, the tap indicator is fading, a brush follower has not settled, a save waits
    // for its time, or a held stroke's hint or snap is still to come.
    bool animating() const;

    Drawing& drawing() { return *drawing_; }
    CanvasController& controller() { return *controller_; }
    float lastX() const { return lastX_; }
    float lastY() const { return lastY_; }
    std::uint32_t texture(std::size_t index) const {
        return index < textures_.size() ? textures_[index] : 0;
    }
    const RadialMenuView& menuView() const { return *menuView_; }
    RadialMenuView& menuView() { return *menuView_; }
    // Null until init.
    const StrokeLayer* strokeLayer() const { return strokeLayer_.get(); }
    // Draws the page backgrounds; null until init.
    BackgroundRenderer* backgrounds() const { return backgrounds_.get(); }

protected:
    void init() override;

private:
    void drawIndicator();
    // The page's background as it can be shown now (asking for a sharper render when the
    // zoom needs one).
    BackgroundQuad background();

    std::unique_ptr<Drawing> drawing_;
    std::unique_ptr<CanvasController> controller_;
    std::unique_ptr<VisComponentGL> indicatorRing_;
    GradientRoundBorderStrategy* ringOut_ = nullptr;  // owned by indicatorRing_
    GradientRoundBorderStrategy* ringIn_ = nullptr;   // owned by indicatorRing_
    std::uint32_t pressType_, dragType_, releaseType_;
    bool runFinished_ = false;
    float lastX_ = 0.0f;
    float lastY_ = 0.0f;
    std::uint32_t cornerCircleTexture_ = 0;
    std::uint32_t smallBigTexture_ = 0;
    std::vector<std::uint32_t> textures_;      // GL names in the order of textureFiles()
    std::unique_ptr<TextureFont> smallFont_;   // images/arial.ttf, 12 px
    std::unique_ptr<TextureFont> mediumFont_;  // images/unanimo.ttf, 30 px
    std::unique_ptr<RadialMenuView> menuView_;
    // GL objects: made in init, with the context current.
    std::unique_ptr<StrokeBuffers> strokeBuffers_;
    std::unique_ptr<StrokeLayer> strokeLayer_;
    std::function<void()> frameRequest_;
    std::function<void()> wake_;
    std::unique_ptr<BackgroundRenderer> backgrounds_;
    // The whole page's render, and the sharper one of the part in view.
    std::unique_ptr<BackgroundTexture> backgroundTexture_, partTexture_;
};

// The run-time images, in the order their texture names are handed out.
const std::vector<std::string>& textureFiles();
