#pragma once

#include <optional>

class Drawing;
class RadialMenu;
struct BorderZones;
struct GestureRecord;

// Drags that adjust instead of draw. (x, y) is the event position and (dx, dy) the step
// since the previous event, screen pixels (y up). Each handler reads and updates the
// gesture record the pointer's press left. A handler that decides what its gesture is
// returns the command-log code of that decision.
namespace gestures {

// A press on a slider of the radial menu: moving towards the menu's centre raises the
// value, moving away lowers it, in proportion to the step. Acts only once the pointer is
// 5 pixels from the press.
void menuSliderDrag(Drawing& d, const RadialMenu& m, const GestureRecord& r, float x, float y,
                    float dx, float dy);

// A press in the border band decides once, after 5 pixels, between panning (moving
// inwards, within 70 degrees of the band's inward normal; code 13) and rotating (code 12);
// a press in a corner zone zooms from the first event on.
std::optional<int> borderDrag(Drawing& d, const BorderZones& zones, GestureRecord& r, float x,
                              float y, float dx, float dy);

// A press on a handle of the selection box decides once, after 5 pixels, between moving
// (code 6), rotating (7) and (from a corner) scaling (5) the selection, from the drag's
// direction.
std::optional<int> handleDrag(Drawing& d, GestureRecord& r, float x, float y, float dx, float dy);

}  // namespace gestures
