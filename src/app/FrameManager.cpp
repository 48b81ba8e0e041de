#include "app/FrameManager.h"

#include <GL/gl.h>

#include <cmath>

#include "app/BackgroundTexture.h"
#include "controller/CanvasController.h"
#include "material/BackgroundRenderer.h"
#include "document/Drawing.h"
#include "platform/ConstantProvider.h"
#include "platform/GradientRoundBorderStrategy.h"
#include "platform/SurfaceEvent.h"
#include "platform/TextureManager.h"
#include "platform/VisComponentGL.h"
#include "render/DrawingRenderer.h"
#include "render/ScreenFrame.h"
#include "render/ShapeHintView.h"
#include "render/StrokeBuffers.h"
#include "render/StrokeLayer.h"
#include "ui/RadialMenuView.h"
#include "ui/TextureFont.h"

const std::vector<std::string>& textureFiles() {
    static const std::vector<std::string> files{
        "images/drawButton_up.png",
        "images/drawButton_press.png",
        "images/drawButton_down.png",
        "images/editButton_up.png",
        "images/editButton_press.png",
        "images/editButton_down.png",
        "images/plus.png",
        "images/minus.png",
        "images/selectWidget.png",
        "images/selectWidget_high.png",
        "images/anchor.png",
        "images/corner_circle.png",
        "images/properties.png",
        "images/brush_sizer.png",
        "images/deleteButton_up.png",
        "images/deleteButton_press.png",
        "images/small_big.png",
        "images/softness_sizer.png",
        "images/smoothness_sizer.png",
        "images/vary_size.png",
        "images/vary_alpha.png",
        "images/pen_pressure_up.png",
        "images/pen_pressure_press.png",
        "images/pen_speed_up.png",
        "images/pen_speed_press.png",
        "images/vary_none.png",
        "images/cancel_up.png",
        "images/define_brush.png",
        "images/reset_canvas_up.png",
        "images/reset_canvas_press.png",
        "images/0003.png",
        "images/undo_up.png",
        "images/undo_press.png",
        "images/redo_up.png",
        "images/redo_press.png",
        "images/hold_view_up.png",
        "images/hold_view_press.png",
        "images/hold_view_down.png",
    };
    return files;
}

FrameManager::FrameManager(std::unique_ptr<FrameTimer> timer)
    : DefaultManager(std::move(timer)), menuView_(std::make_unique<RadialMenuView>()) {
    drawing_ = std::make_unique<Drawing>();
    controller_ = std::make_unique<CanvasController>(
        *drawing_, Stopwatch(), [this] { return frameTimer().getCurrentTime(); });
    auto& constants = ConstantProvider::getInstance();
    pressType_ = constants.getEventTypeIdentifier("PRESS");
    dragType_ = constants.getEventTypeIdentifier("DRAG");
    releaseType_ = constants.getEventTypeIdentifier("RELEASE");
}

FrameManager::~FrameManager() {
    finishRun();
    backgroundTexture_.reset();
    partTexture_.reset();
    backgrounds_.reset();
    strokeLayer_.reset();
    strokeBuffers_.reset();
    controller_.reset();
    drawing_.reset();
}

void FrameManager::finishRun() {
    if (!controller_ || runFinished_) return;
    runFinished_ = true;
    controller_->finishRun();
    controller_->writeCommandLog();
}

void FrameManager::init() {
    controller_->startRun(
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(frameTimer().getCurrentTime())));

    // The scene's main component: the 800 x 600 area of the windowed layout.
    auto main = std::make_unique<VisComponentGL>();
    main->setPosition(Point3d(400, 300, 0));
    main->setWidth(800);
    main->setHeight(600);
    addComponent(std::move(main));

    {
        TextureManager textures;
        textures.setTexCompression(false);
        textures.loadTextures(textureFiles());
        for (std::size_t i = 0; i < textureFiles().size(); ++i)
            textures_.push_back(textures.getTextureName(i));
    }
    backgrounds_ = std::make_unique<BackgroundRenderer>(".", [this] {
        if (wake_) wake_();
    });
    backgroundTexture_ = std::make_unique<BackgroundTexture>();
    partTexture_ = std::make_unique<BackgroundTexture>();
    strokeBuffers_ = std::make_unique<StrokeBuffers>();
    strokeLayer_ = std::make_unique<StrokeLayer>();
    smallFont_ = std::make_unique<TextureFont>(assetPath("images/arial.ttf"), 12);
    mediumFont_ = std::make_unique<TextureFont>(assetPath("images/unanimo.ttf"), 30);

    cornerCircleTexture_ = texture(11);
    smallBigTexture_ = texture(16);
    menuView_->setSliderTextures(texture(12), texture(13), texture(17), texture(18));
    menuView_->setButtonTextures({{{texture(0), texture(1), texture(2)},
                                   {texture(3), texture(4), texture(5)},
                                   {texture(14), texture(15), texture(15)},
                                   {texture(28), texture(29), texture(29)}}});
    menuView_->setToggleTextures(texture(25), texture(19), texture(20), texture(21), texture(22),
                                 texture(23), texture(24));
    menuView_->setHistoryTextures({{{texture(31), texture(32), texture(31)},
                                    {texture(33), texture(34), texture(33)}}});
    menuView_->setHoldViewTextures({texture(35), texture(36), texture(37)});

    indicatorRing_ = std::make_unique<VisComponentGL>();
    const double size = controller_->indicator().diameter;
    indicatorRing_->setWidth(size);
    indicatorRing_->setHeight(size);
    const double colour[4] = {0.7, 0.1, 0.0, 0.9};
    auto outer = std::make_unique<GradientRoundBorderStrategy>();
    outer->setBorderWidth(10);
    outer->setColor(colour);
    auto inner = std::make_unique<GradientRoundBorderStrategy>();
    inner->setBorderWidth(-10);
    inner->setColor(colour);
    ringOut_ = outer.get();
    ringIn_ = inner.get();
    indicatorRing_->pushStrategy(std::move(outer));
    indicatorRing_->pushStrategy(std::move(inner));
}

void FrameManager::resize(int w, int h) {
    controller_->setViewSize(static_cast<float>(w), static_cast<float>(h));
    drawing_->view.viewWidth = static_cast<float>(w);
    drawing_->view.viewHeight = static_cast<float>(h);
    DefaultManager::resize(w, h);
    requestFrame();
}

void FrameManager::onKey(const std::string& text) {
    controller_->onKey(text);
    requestFrame();
}

void FrameManager::routeEvent(SurfaceEvent& event, int altButton, float pressure,
                                      VisComponent* component) {
    lastX_ = static_cast<float>(event.getX());
    lastY_ = static_cast<float>(event.getY());
    processEvent(event, component);
    const float x = static_cast<float>(event.getX());
    const float y = static_cast<float>(event.getY());
    const auto type = event.getType();
    const PointerKey pointer = event.getPointer();
    if (type == pressType_) {
        controller_->onPress(x, y, altButton, pressure, pointer);
    } else if (type == releaseType_) {
        controller_->onRelease(x, y, altButton, pointer);
    } else if (type == dragType_) {
        // onDrag acts only while the pointer is pressed.
        controller_->onDrag(x, y, pressure, pointer);
        controller_->onPointer(x, y, pointer);
    }
    requestFrame();
}

bool FrameManager::animating() const {
    return drawing_->view.resetRunning() || controller_->indicator().visible ||
           controller_->savePending() || controller_->shapeHoldWaiting() ||
           !drawing_->brushFollowersSettled(lastX_, lastY_, kFollowerSettled);
}

void FrameManager::cancelTouches() {
    controller_->onCancelTouches();
    requestFrame();
}

void FrameManager::penProximity(bool entered) { controller_->onPenProximity(entered); }

void FrameManager::renderFrame(bool picking) {
    controller_->tick();
    drawing_->stepViewReset(
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(frameTimer().getCurrentTime())));
    drawing_->stepBrushFollowers(lastX_, lastY_);

    renderDrawing(*drawing_, {texture(8), texture(26), texture(14), texture(27)},
                  strokeBuffers_.get(), strokeLayer_.get(), background());
    const BorderZones& zones = controller_->zones();
    for (const ShapeHint& hint : controller_->shapeHints())
        drawShapeHint(*drawing_, hint.shape, hint.colour);
    renderScreenFrame(zones.width, zones.height, zones.margin, zones.cornerRadius,
                      {cornerCircleTexture_, smallBigTexture_});
    renderOtherComponents(999999999, picking, true, true);
    menuView_->draw(*controller_);
    if (controller_->indicator().visible) drawIndicator();
    if (animating() || backgroundTexture_->uploading() || partTexture_->uploading()) requestFrame();
}

BackgroundQuad FrameManager::background() {
    const io::PageStyle& style = drawing_->style;
    if (!backgrounds_ || style.background.empty()) {
        if (backgrounds_) backgrounds_->showNone();
        return {};
    }
    const int box = backgroundBox(drawing_->view.zoom);
    const std::string page = style.background + "#" + std::to_string(style.backgroundPage);
    // Larger than whole renders go, the whole page is the largest one (not drawn again at
    // each step of the zoom).
    BackgroundQuad quad = backgroundTexture_->show(
        backgrounds_->show(style.background, style.backgroundPage, std::min(box, kMaxWholeBox)),
        page);
    // Past whole renders' size the part of the page in view is drawn sharper on its own.
    if (box <= kMaxWholeBox || io::kindFromName(style.background) != io::MaterialKind::Pdf) {
        backgrounds_->showNoPart();
        partTexture_->show(nullptr, page);
        return quad;
    }
    const Rect visible = drawing_->visibleRegion();
    const BackgroundQuad part = partTexture_->show(
        backgrounds_->showPart(style.background, style.backgroundPage, box,
                               partInView(visible.minX, visible.minY, visible.maxX, visible.maxY)),
        page);
    quad.version = quad.version * 1000003u + part.version;
    quad.partTexture = part.texture;
    quad.partX = part.x;
    quad.partY = part.y;
    quad.partWidth = part.width;
    quad.partHeight = part.height;
    return quad;
}

void FrameManager::drawIndicator() {
    const auto& ind = controller_->indicator();
    const double colour[4] = {0.7, 0.1, 0.0, static_cast<double>(ind.alpha)};
    ringOut_->setColor(colour);
    ringIn_->setColor(colour);
    indicatorRing_->setPosition(ind.position.x, ind.position.y);
    static const std::vector<std::uint32_t> none;
    indicatorRing_->renderBranch(none, false, false);
}
