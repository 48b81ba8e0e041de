#pragma once

#include <array>
#include <cstdint>

#include "geometry/Vec2.h"

// The circular tool menu: four ring buttons around a centre disc, the smaller undo and redo
// buttons in the ring's gaps below, plus per-mode sliders and toggles, and the colour
// button with its palette. Screen pixels, y up. Rays point left and are turned
// counter-clockwise by the angles of their group, accumulating within the group.
//
// The colour button is a small disc in the ring's gap between button 3 and the speed
// toggle. A press on it opens the palette: one disc per kPalette colour on a ring around
// it, over a backdrop that covers the controls beneath. While the palette is open the next
// press closes it: on a disc it also picks that colour, elsewhere on the backdrop it does
// nothing more, and outside the backdrop it goes on to whatever it landed on.
//
// In the centre disc, above the readout, sit the open button and the paper button; the
// paper button opens a chooser of the four papers the way the colour button opens the
// palette. The hold-view toggle, as small as undo and redo, sits just outside the ring
// between the colour button and the speed toggle, in both modes.
class RadialMenu {
public:
    // Button ids a press reports besides the ring buttons 0..3.
    static constexpr int kUndoButton = 6;
    static constexpr int kRedoButton = 7;
    // Brings the teacher's material in (the owner shows a chooser).
    static constexpr int kOpenButton = 8;
    // Holds the view still (the owner toggles it).
    static constexpr int kHoldViewButton = 9;
    // Kinds of paper the paper chooser offers, in the order of its discs: plain, ruled,
    // squared, dotted (io::Paper's values).
    static constexpr int kPaperChoices = 4;

    // What a press finds. item: 0 the centre, a ring button, undo or redo, the colour
    // button or the palette; 1..6 an engaged slider or toggle; -1 nothing of the menu.
    // button: the button to select; colour: the palette disc to pick (-1 none); paper: the
    // paper chooser's disc to pick (-1 none).
    struct Hit {
        int item = -1;
        int button = -1;
        int colour = -1;
        bool opensPalette = false;
        int paper = -1;
        bool opensPapers = false;
    };

    // At the origin; the owner moves it home (see homeFor).
    RadialMenu() = default;
    RadialMenu(float x, float y, float size, float innerRadius);

    // Where the menu rests for a border band `bandWidth` wide: clear of the band, the corner
    // zones and, at the start view, the page-flip triangles.
    Vec2 homeFor(float bandWidth) const;
    // What a press at p finds in `mode` (0 draw, 1 edit: their sliders and toggles differ);
    // changes nothing.
    Hit at(Vec2 p, int mode) const;
    bool covers(Vec2 p, int mode) const { return at(p, mode).item >= 0; }
    // A press at p: an open palette closes (unless the press opens it), the readout follows
    // an engaged slider or toggle, and a ring button shows pressed until release(). The
    // owner selects the button or the colour the hit names.
    Hit press(Vec2 p, int mode);
    // The pointer on the menu let go: the menu goes home, no button shows pressed.
    void release() {
        position = home;
        pressedButton = -1;
    }
    // Centre of ring button i (0..3) for the current position.
    Vec2 buttonCentre(int i) const;
    // Centre of the undo (0) or redo (1) button, and their radius (half their side).
    Vec2 historyButtonCentre(int i) const;
    float historyButtonRadius() const { return 0.3f * size; }
    Vec2 colourButtonCentre() const;
    // The hold-view toggle's centre; its radius is historyButtonRadius().
    Vec2 holdViewCentre() const;
    // Centre of palette disc i (0..7): disc 0 lies on the ray from the menu's centre
    // through the colour button, the others follow counter-clockwise.
    Vec2 paletteDiscCentre(int i) const;
    // Radius of the backdrop of the open palette, around the colour button.
    float paletteBackdropRadius() const;
    // The open and paper buttons, side by side in the centre disc above the readout, and
    // the paper chooser's discs around the paper button (0..3: plain, ruled, squared,
    // dotted; the first straight above it, the others counter-clockwise).
    Vec2 openButtonCentre() const { return position + Vec2(-discButtonOffset.x, discButtonOffset.y); }
    Vec2 paperButtonCentre() const { return position + discButtonOffset; }
    Vec2 paperChoiceCentre(int i) const;
    float paperBackdropRadius() const { return paperChoiceRadius + discButtonRadius + 6.0f; }
    // How far from the centre any control reaches, the open palette included.
    float reach() const;

    void moveTo(float x, float y) { position = {x, y}; }

    Vec2 position;
    Vec2 home;
    float size = 80.0f;         // a ring button's diameter
    float innerRadius = 80.0f;  // the centre disc's radius
    // Free space between the menu's outermost button and the border band, pixels.
    float homeClearance = 10.0f;
    // What the centre shows: 0 the zoom, else the slider or toggle last engaged (1..6).
    int hitState = 0;
    int pressedButton = -1;  // the button under the pointer that holds the menu
    std::array<float, 4> buttonAngles{0.0f, -45.0f, 105.0f, 60.0f};
    std::array<float, 2> drawSliderAngles{-85.0f, -30.0f};
    std::array<float, 2> editSliderAngles{-85.0f, -30.0f};
    std::array<float, 2> toggleAngles{-150.0f, -35.0f};
    // 329 degrees from +x: midway between button 3's disc (to 319.5) and the speed
    // toggle's (from 338.4).
    float colourButtonAngle = 149.0f;
    float colourButtonRadius = 17.0f;
    // Palette discs: centres this far from the colour button's; eight of this radius
    // leave about 4 px between neighbours.
    float paletteRadius = 52.0f;
    // 336 degrees from +x, this far outside the ring buttons' centre line: clear of button
    // 3, the colour button and the speed toggle by 4 px or more.
    float holdViewAngle = 156.0f;
    float holdViewRingGap = 46.0f;
    float paletteDiscRadius = 18.0f;
    bool paletteOpen = false;
    // Undo at 210 and redo at 270 degrees (ray turned 30, then 60 more): the two gaps of the
    // ring, between the draw and delete buttons and between delete and reset. Set a little
    // outside the ring (historyRingGap) so that they clear both neighbours.
    std::array<float, 2> historyAngles{30.0f, 60.0f};
    float historyRingGap = 10.0f;
    // The paper button's centre from the menu's (the open button's mirrored left): in the
    // centre disc above the zoom readout, inside the export's progress ring.
    Vec2 discButtonOffset{25.0f, 42.0f};
    float discButtonRadius = 20.0f;
    float paperChoiceRadius = 60.0f;
    bool papersOpen = false;

private:
    // Like paletteHit, for the paper chooser.
    bool papersHit(Vec2 p, int& paper) const;
    int secondStage(Vec2 p, int mode) const;
    // The press while the palette is open: true when the palette takes it (on the backdrop),
    // with the disc under it, if any, in `colour`.
    bool paletteHit(Vec2 p, int& colour) const;
};
