#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "geometry/Vec2.h"

class CanvasController;
class RadialMenu;
class TextureFont;

// Images of one menu button or pen toggle; which one shows follows the controller's state.
struct MenuButtonImages {
    std::uint32_t up = 0;
    std::uint32_t pressed = 0;
    std::uint32_t down = 0;
};

// A shared board's link to its room, as the menu shows it: a dot between the disc's buttons
// (green connected, amber connecting or reconnecting, red offline) and the number of changes
// the room has not stored yet; below them, while the room's server refuses the board, one
// line saying why.
struct RoomMark {
    enum class State { Connected, Reconnecting, Offline };
    bool shown = false;
    State state = State::Connected;
    std::size_t waiting = 0;
    std::string line;
};

// Draws the controller's radial menu: the four ring buttons, undo and redo, the hold-view
// toggle, the centre disc, the sliders of the current mode, the pen toggles in draw mode, the
// centre readout, the colour button in the brush's colour, the progress of an export in the
// background, the open and paper buttons and, on top of everything, the open palette or paper
// chooser. The menu's position, angles and hit state live in the controller's RadialMenu;
// this view keeps only texture names and the readout font. Screen pixels, y up.
class RadialMenuView {
public:
    RadialMenuView();
    ~RadialMenuView();

    // Buttons 0..3: draw, edit, delete, reset view.
    void setButtonTextures(const std::array<MenuButtonImages, 4>& buttons);
    // Also creates the readout font (needs the GL context current).
    void setSliderTextures(std::uint32_t properties, std::uint32_t brushSize,
                           std::uint32_t softness, std::uint32_t smoothness);
    void setToggleTextures(std::uint32_t none, std::uint32_t size, std::uint32_t alpha,
                           std::uint32_t pressureUp, std::uint32_t pressurePressed,
                           std::uint32_t speedUp, std::uint32_t speedPressed);
    // Undo and redo; each is drawn faded while there is nothing to undo (redo).
    void setHistoryTextures(const std::array<MenuButtonImages, 2>& buttons);
    // The hold-view toggle: `down` while the view is held.
    void setHoldViewTextures(const MenuButtonImages& images) { holdView_ = images; }

    // Expects the pixel projection and an identity model-view; restores the line width,
    // 2-D texturing and the bound texture.
    void draw(const CanvasController& controller) const;

    void setRoomMark(const RoomMark& mark) { roomMark_ = mark; }
    const RoomMark& roomMark() const { return roomMark_; }

    const TextureFont* readoutFont() const { return font_.get(); }

    // The zoom readout: two decimals and an "x", independent of the C locale (1 -> "1.00x").
    static std::string zoomText(float zoom);
    // Centre of pen toggle 0 (pressure) or 1 (speed) for the menu's current position.
    static Vec2 toggleCentre(const RadialMenu& menu, int i);

private:
    void drawButtons(const CanvasController& controller) const;
    void drawSliders(const RadialMenu& menu, int mode) const;
    void drawToggles(const CanvasController& controller) const;
    void drawHistoryButtons(const CanvasController& controller) const;
    void drawHoldView(const CanvasController& controller) const;
    void drawReadout(const CanvasController& controller) const;
    void drawColourButton(const CanvasController& controller) const;
    void drawPalette(const CanvasController& controller) const;
    // The running export's progress as a ring just inside the centre disc's rim.
    void drawExportProgress(const CanvasController& controller) const;
    // The open button, the paper button showing the page's paper, and its open chooser.
    void drawDiscButtons(const CanvasController& controller) const;
    void drawPaperChooser(const CanvasController& controller) const;
    void drawRoomMark(const CanvasController& controller) const;

    std::array<MenuButtonImages, 4> buttons_{};
    std::array<MenuButtonImages, 2> toggles_{};    // ids 4 (pressure) and 5 (speed)
    std::array<MenuButtonImages, 2> history_{};    // undo, redo
    MenuButtonImages holdView_{};
    std::array<std::uint32_t, 3> mappingIcons_{};  // indexed by mapping: none, size, alpha
    std::uint32_t centre_ = 0;
    std::array<std::uint32_t, 2> drawSliders_{};  // brush size, smoothness
    std::array<std::uint32_t, 2> editSliders_{};  // brush size, softness
    std::unique_ptr<TextureFont> font_;
    std::unique_ptr<TextureFont> lineFont_;
    RoomMark roomMark_;
};
