#include "ui/RadialMenuView.h"

#include <GL/gl.h>

#include <algorithm>
#include <charconv>
#include <optional>

#include "brush/Palette.h"
#include "controller/CanvasController.h"
#include "document/Drawing.h"
#include "platform/TextureManager.h"
#include "render/Circles.h"
#include "render/GlStateGuard.h"
#include "render/ImageQuad.h"
#include "ui/TextureFont.h"

namespace {
constexpr int kReadoutFontSize = 50;
// The room's line of trouble: small, wrapped to this width.
constexpr int kLineFontSize = 16;
constexpr int kLineWidth = 460;
constexpr float kReadoutDrop = 30.0f;  // cell bottom below the menu centre, pixels

// The rims of the colour button and the palette's discs, so that light colours stand out
// from the white page.
constexpr circles::Colour kRim{0.35f, 0.35f, 0.35f, 1.0f};

circles::Colour opaque(Rgb c) { return {c.redF(), c.greenF(), c.blueF(), 1.0f}; }

// The export's progress ring: the accent blue of the selection box, pixels wide.
constexpr circles::Colour kAccent{0.258f, 0.486f, 0.647f, 1.0f};
constexpr float kProgressRingWidth = 7.0f;

// Textures are drawn in their own colours: the current colour would tint them otherwise.
void untinted() { glColor4f(1.0f, 1.0f, 1.0f, 1.0f); }

// A button-style square of half-size h around c, upright; texturing on for this quad only.
void buttonQuad(std::uint32_t texture, Vec2 c, float h) {
    glEnable(GL_TEXTURE_2D);
    uprightImageQuad(texture, c, h);
    glDisable(GL_TEXTURE_2D);
}

std::uint32_t imageFor(const MenuButtonImages& images, int id, const CanvasController& c) {
    if (c.menu().pressedButton == id) return images.pressed;
    if (c.mode() == id) return images.down;
    return images.up;
}
}  // namespace

RadialMenuView::RadialMenuView() = default;
RadialMenuView::~RadialMenuView() = default;

void RadialMenuView::setButtonTextures(const std::array<MenuButtonImages, 4>& buttons) {
    buttons_ = buttons;
}

void RadialMenuView::setHistoryTextures(const std::array<MenuButtonImages, 2>& buttons) {
    history_ = buttons;
}

void RadialMenuView::setSliderTextures(std::uint32_t properties, std::uint32_t brushSize,
                                       std::uint32_t softness, std::uint32_t smoothness) {
    font_ = std::make_unique<TextureFont>(assetPath("images/unanimo.ttf"), kReadoutFontSize);
    lineFont_ = std::make_unique<TextureFont>(assetPath("images/unanimo.ttf"), kLineFontSize);
    centre_ = properties;
    drawSliders_ = {brushSize, smoothness};
    editSliders_ = {brushSize, softness};
}

void RadialMenuView::setToggleTextures(std::uint32_t none, std::uint32_t size, std::uint32_t alpha,
                                       std::uint32_t pressureUp, std::uint32_t pressurePressed,
                                       std::uint32_t speedUp, std::uint32_t speedPressed) {
    mappingIcons_ = {none, size, alpha};
    toggles_[0] = {pressureUp, pressurePressed, pressureUp};
    toggles_[1] = {speedUp, speedPressed, speedUp};
}

std::string RadialMenuView::zoomText(float zoom) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, zoom, std::chars_format::fixed, 2);
    std::string text(buf, res.ec == std::errc() ? res.ptr : buf);
    return text + "x";
}

Vec2 RadialMenuView::toggleCentre(const RadialMenu& menu, int i) {
    Vec2 ray(-1.0f, 0.0f);
    for (int k = 0; k <= i; ++k) rotate(ray, menu.toggleAngles[k] * kDegToRad);
    return menu.position + ray * (menu.innerRadius + menu.size * 0.5f);
}

void RadialMenuView::draw(const CanvasController& controller) const {
    const GlStateGuard saved;
    untinted();
    drawButtons(controller);
    drawHistoryButtons(controller);
    untinted();
    drawHoldView(controller);
    drawSliders(controller.menu(), controller.mode());
    if (controller.mode() == 0) drawToggles(controller);
    glDisable(GL_TEXTURE_2D);
    drawReadout(controller);
    drawColourButton(controller);
    drawExportProgress(controller);
    drawDiscButtons(controller);
    drawRoomMark(controller);
    drawPalette(controller);
    drawPaperChooser(controller);
}

namespace {
// A disc of radius r stretched sideways by `half` on each side (screen pixels).
void pill(Vec2 c, float r, float half, circles::Colour colour) {
    circles::filledDisc(c.x - half, c.y, r, colour);
    circles::filledDisc(c.x + half, c.y, r, colour);
    if (half <= 0.0f) return;
    glColor4f(colour.r, colour.g, colour.b, colour.a);
    glBegin(GL_QUADS);
    glVertex2f(c.x - half, c.y - r);
    glVertex2f(c.x + half, c.y - r);
    glVertex2f(c.x + half, c.y + r);
    glVertex2f(c.x - half, c.y + r);
    glEnd();
}

// A white disc with the menu's rim, as the colour button has.
void rimmedDisc(Vec2 c, float r) {
    circles::filledDisc(c.x, c.y, r, kRim);
    circles::filledDisc(c.x, c.y, r - 2.0f, {1.0f, 1.0f, 1.0f, 1.0f});
}

// A few lines or dots of the paper across a disc of radius r: what the button stands for.
void paperIcon(Vec2 c, float r, io::Paper paper) {
    const float step = 0.38f * r, span = 0.62f * r;
    glColor4f(kRim.r, kRim.g, kRim.b, 1.0f);
    glLineWidth(1.5f);
    glBegin(GL_LINES);
    for (int k = -1; k <= 1; ++k) {
        const float at = static_cast<float>(k) * step;
        if (paper == io::Paper::Ruled || paper == io::Paper::Squared) {
            glVertex2f(c.x - span, c.y + at);
            glVertex2f(c.x + span, c.y + at);
        }
        if (paper == io::Paper::Squared) {
            glVertex2f(c.x + at, c.y - span);
            glVertex2f(c.x + at, c.y + span);
        }
    }
    glEnd();
    glLineWidth(1.0f);
    if (paper != io::Paper::Dotted) return;
    for (int i = -1; i <= 1; ++i)
        for (int j = -1; j <= 1; ++j)
            circles::filledDisc(c.x + static_cast<float>(i) * step,
                                c.y + static_cast<float>(j) * step, 2.0f, kRim);
}

// A folder: what the open button brings in.
void folderIcon(Vec2 c, float r) {
    const float w = 0.6f * r, h = 0.42f * r, tab = 0.28f * r;
    glColor4f(kRim.r, kRim.g, kRim.b, 1.0f);
    glBegin(GL_TRIANGLE_STRIP);
    glVertex2f(c.x - w, c.y - h);
    glVertex2f(c.x + w, c.y - h);
    glVertex2f(c.x - w, c.y + h);
    glVertex2f(c.x + w, c.y + h);
    glEnd();
    glBegin(GL_TRIANGLE_STRIP);
    glVertex2f(c.x - w, c.y + h);
    glVertex2f(c.x - w + 2.0f * tab, c.y + h);
    glVertex2f(c.x - w, c.y + h + tab * 0.7f);
    glVertex2f(c.x - w + 1.6f * tab, c.y + h + tab * 0.7f);
    glEnd();
}
}  // namespace

void RadialMenuView::drawDiscButtons(const CanvasController& controller) const {
    const RadialMenu& menu = controller.menu();
    const float r = menu.discButtonRadius;
    rimmedDisc(menu.openButtonCentre(), r);
    folderIcon(menu.openButtonCentre(), r);
    rimmedDisc(menu.paperButtonCentre(), r);
    paperIcon(menu.paperButtonCentre(), r, controller.drawing().style.paper);
}

void RadialMenuView::drawRoomMark(const CanvasController& controller) const {
    if (!roomMark_.shown) return;
    const RadialMenu& menu = controller.menu();
    const Vec2 c = menu.position + Vec2(0.0f, menu.discButtonOffset.y);
    const float r = 0.45f * menu.discButtonRadius;
    circles::Colour colour{0.1f, 0.65f, 0.2f, 1.0f};
    if (roomMark_.state == RoomMark::State::Reconnecting) colour = {0.95f, 0.6f, 0.05f, 1.0f};
    if (roomMark_.state == RoomMark::State::Offline) colour = {0.85f, 0.1f, 0.1f, 1.0f};
    // The count of changes waiting sits inside the mark, which widens to hold it: above
    // the mark it would cover the thickness slider.
    const std::string count = roomMark_.waiting && lineFont_ ? std::to_string(roomMark_.waiting) : "";
    const float rr = count.empty() ? r : std::max(r, 0.5f * static_cast<float>(lineFont_->lineHeight()) + 1.0f);
    const float half = count.empty() ? 0.0f : std::max(0.0f, 0.5f * static_cast<float>(lineFont_->width(count)) + 3.0f - rr);
    pill(c, rr + 1.5f, half, kRim);
    pill(c, rr, half, colour);
    if (!count.empty()) {
        lineFont_->r = lineFont_->g = lineFont_->b = 1.0f;
        lineFont_->draw(count, c.x - 0.5f * static_cast<float>(lineFont_->width(count)),
                        c.y - 0.5f * static_cast<float>(lineFont_->lineHeight()));
    }
    if (!roomMark_.line.empty() && lineFont_) {
        // Just above the menu (which rests at the screen's lower left), word-wrapped, the
        // last piece nearest the menu.
        std::vector<std::string> rows{""};
        std::size_t at = 0;
        while (at < roomMark_.line.size()) {
            std::size_t end = roomMark_.line.find(' ', at);
            if (end == std::string::npos) end = roomMark_.line.size();
            const std::string word = roomMark_.line.substr(at, end - at);
            const std::string joined = rows.back().empty() ? word : rows.back() + " " + word;
            if (!rows.back().empty() && lineFont_->width(joined) > kLineWidth) {
                rows.push_back(word);
            } else {
                rows.back() = joined;
            }
            at = end + 1;
        }
        const float left = std::max(8.0f, menu.position.x - menu.reach());
        float y = menu.position.y + menu.reach() + 6.0f;
        lineFont_->r = colour.r * 0.8f;
        lineFont_->g = colour.g * 0.8f;
        lineFont_->b = colour.b * 0.8f;
        for (auto row = rows.rbegin(); row != rows.rend(); ++row, y += static_cast<float>(lineFont_->lineHeight()))
            lineFont_->draw(*row, left, y);
    }
}

void RadialMenuView::drawPaperChooser(const CanvasController& controller) const {
    const RadialMenu& menu = controller.menu();
    if (!menu.papersOpen) return;
    const Vec2 c = menu.paperButtonCentre();
    const float r = menu.discButtonRadius;
    circles::filledDisc(c.x, c.y, menu.paperBackdropRadius(), {1.0f, 1.0f, 1.0f, 0.92f});
    glLineWidth(1.5f);
    circles::outline(c.x, c.y, menu.paperBackdropRadius(), kRim);
    glLineWidth(1.0f);
    const io::Paper current = controller.drawing().style.paper;
    for (int i = 0; i < RadialMenu::kPaperChoices; ++i) {
        const auto paper = static_cast<io::Paper>(i);
        const Vec2 d = menu.paperChoiceCentre(i);
        // The page's paper wears a dark ring just outside its disc.
        if (paper == current) circles::filledDisc(d.x, d.y, r + 4.0f, {0.1f, 0.1f, 0.1f, 1.0f});
        rimmedDisc(d, r);
        paperIcon(d, r, paper);
    }
    rimmedDisc(c, r);
    paperIcon(c, r, current);
}

void RadialMenuView::drawExportProgress(const CanvasController& controller) const {
    const std::optional<float> done = controller.exports().progress();
    if (!done) return;
    const RadialMenu& menu = controller.menu();
    const Vec2 m = menu.position;
    const float outer = menu.innerRadius - 2.0f, inner = outer - kProgressRingWidth;
    // The whole ring faint, the part done over it.
    circles::ringArc(m.x, m.y, inner, outer, 1.0f, {kAccent.r, kAccent.g, kAccent.b, 0.25f});
    circles::ringArc(m.x, m.y, inner, outer, std::max(*done, 0.02f), kAccent);
}

void RadialMenuView::drawColourButton(const CanvasController& controller) const {
    const RadialMenu& menu = controller.menu();
    const Rgb ink = controller.drawing().brush.colour;
    const Vec2 c = menu.colourButtonCentre();
    circles::filledDisc(c.x, c.y, menu.colourButtonRadius, kRim);
    circles::filledDisc(c.x, c.y, menu.colourButtonRadius - 2.0f, {1.0f, 1.0f, 1.0f, 1.0f});
    circles::filledDisc(c.x, c.y, menu.colourButtonRadius - 4.0f, opaque(ink));
}

void RadialMenuView::drawPalette(const CanvasController& controller) const {
    const RadialMenu& menu = controller.menu();
    if (!menu.paletteOpen) return;
    const Rgb ink = controller.drawing().brush.colour;
    const Vec2 c = menu.colourButtonCentre();
    const float r = menu.paletteDiscRadius;
    circles::filledDisc(c.x, c.y, menu.paletteBackdropRadius(), {1.0f, 1.0f, 1.0f, 0.92f});
    glLineWidth(1.5f);
    circles::outline(c.x, c.y, menu.paletteBackdropRadius(), kRim);
    for (std::size_t i = 0; i < kPalette.size(); ++i) {
        const Vec2 d = menu.paletteDiscCentre(static_cast<int>(i));
        // The brush's colour wears a dark ring just outside its disc.
        if (kPalette[i] == ink) circles::filledDisc(d.x, d.y, r + 4.0f, {0.1f, 0.1f, 0.1f, 1.0f});
        circles::filledDisc(d.x, d.y, r, opaque(kPalette[i]));
        circles::outline(d.x, d.y, r, kRim);
    }
    glLineWidth(1.0f);
    drawColourButton(controller);
}

void RadialMenuView::drawButtons(const CanvasController& controller) const {
    const RadialMenu& menu = controller.menu();
    for (int i = 0; i < 4; ++i)
        buttonQuad(imageFor(buttons_[i], i, controller), menu.buttonCentre(i), menu.size * 0.5f);

    const float c = menu.innerRadius;
    const Vec2 m = menu.position;
    glEnable(GL_TEXTURE_2D);
    stripImageQuad(centre_, m, c);
}

void RadialMenuView::drawHistoryButtons(const CanvasController& controller) const {
    // Faded rather than a grey image of their own: the face stays recognisable.
    constexpr float kUnavailableAlpha = 0.35f;
    const RadialMenu& menu = controller.menu();
    const bool available[2] = {controller.history().canUndo(), controller.history().canRedo()};
    const int ids[2] = {RadialMenu::kUndoButton, RadialMenu::kRedoButton};
    for (int i = 0; i < 2; ++i) {
        glColor4f(1.0f, 1.0f, 1.0f, available[i] ? 1.0f : kUnavailableAlpha);
        buttonQuad(imageFor(history_[i], ids[i], controller), menu.historyButtonCentre(i),
                   menu.historyButtonRadius());
    }
}

void RadialMenuView::drawHoldView(const CanvasController& controller) const {
    const RadialMenu& menu = controller.menu();
    std::uint32_t image = controller.viewHeld() ? holdView_.down : holdView_.up;
    if (menu.pressedButton == RadialMenu::kHoldViewButton) image = holdView_.pressed;
    buttonQuad(image, menu.holdViewCentre(), menu.historyButtonRadius());
}

void RadialMenuView::drawSliders(const RadialMenu& menu, int mode) const {
    const float c = menu.innerRadius, s = menu.size, w = 0.588f * s;
    const auto& angles = mode == 0 ? menu.drawSliderAngles : menu.editSliderAngles;
    const auto& textures = mode == 0 ? drawSliders_ : editSliders_;
    // Texture s runs from the outer end (0) to the inner end (1) of the bar.
    Vec2 corners[4] = {{-(c + s), -w / 2}, {-(c + s), w / 2}, {-c, -w / 2}, {-c, w / 2}};
    const float tex[4][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
    glEnable(GL_TEXTURE_2D);
    for (int k = 0; k < 2; ++k) {
        for (Vec2& p : corners) rotate(p, angles[k] * kDegToRad);
        glBindTexture(GL_TEXTURE_2D, textures[k]);
        glBegin(GL_TRIANGLE_STRIP);
        for (int i = 0; i < 4; ++i) {
            glTexCoord2f(tex[i][0], tex[i][1]);
            glVertex2f(menu.position.x + corners[i].x, menu.position.y + corners[i].y);
        }
        glEnd();
    }
}

void RadialMenuView::drawToggles(const CanvasController& controller) const {
    for (int i = 0; i < 2; ++i)
        buttonQuad(imageFor(toggles_[i], 4 + i, controller), toggleCentre(controller.menu(), i),
                   controller.menu().size * 0.4f);
}

void RadialMenuView::drawReadout(const CanvasController& controller) const {
    const RadialMenu& menu = controller.menu();
    const Vec2 m = menu.position;
    const Drawing* d = &controller.drawing();
    switch (menu.hitState) {
        case 0:
            if (font_) {
                // Centred: at the nominal 25 px left of centre, "1.00x" in the 50 px face
                // runs past the right edge of the centre disc.
                const std::string text = zoomText(d->view.zoom);
                font_->draw(text, m.x - static_cast<float>(font_->width(text)) * 0.5f,
                            m.y - kReadoutDrop);
            }
            break;
        case 1:
            circles::filledDisc(m.x, m.y, d->brush.size, {0.0f, 0.0f, 0.0f, 1.0f});
            break;
        case 2: {
            const float a = 0.6f * menu.innerRadius, b = 2.0f * a / 6.0f;
            const float amp = 10.0f - d->smoothness;
            glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
            glLineWidth(3.0f);
            glBegin(GL_LINE_STRIP);
            glVertex2f(m.x + -a, m.y);
            for (int i = 1; i <= 5; ++i)
                glVertex2f(m.x + (-a + static_cast<float>(i) * b), m.y + (i % 2 ? amp : -amp));
            glVertex2f(m.x + a, m.y);
            glEnd();
            glLineWidth(1.0f);
            break;
        }
        case 3:
        case 4:
            for (const auto& circle : d->deformTool.circles)
                circles::softDisc(m.x + circle.offset.x, m.y + circle.offset.y, circle.radius,
                                  circle.falloff, 0.0f, 0.0f, 0.0f, 1.0f);
            break;
        case 5:
        case 6: {
            const int mapping = menu.hitState == 5 ? d->brush.pressureMode : d->brush.speedMode;
            if (mapping < 0 || mapping > 2) break;
            untinted();
            buttonQuad(mappingIcons_[mapping], m, 0.4f * menu.innerRadius);
            break;
        }
        default:
            break;
    }
}
