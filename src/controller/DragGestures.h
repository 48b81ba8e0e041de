#pragma once

class CanvasController;
struct GestureRecord;

// Drags that adjust instead of draw. (x, y) is the event position and (dx, dy) the step
// since the previous event, screen pixels (y up). Each handler reads and updates the
// gesture record the pointer's press left.
namespace gestures {

// A press on a slider of the radial menu: moving towards the menu's centre raises the
// value, moving away lowers it, in proportion to the step. Acts only once the pointer is
// 5 pixels from the press.
void menuSliderDrag(CanvasController& c, GestureRecord& r, float x, float y, float dx, float dy);

// A press in the border band decides once, after 5 pixels, between panning (moving
// inwards, within 70 degrees of the band's inward normal) and rotating; a press in a
// corner zone zooms from the first event on.
void borderDrag(CanvasController& c, GestureRecord& r, float x, float y, float dx, float dy);

// A press on a handle of the selection box decides once, after 5 pixels, between moving,
// rotating and (from a corner) scaling the selection, from the drag's direction.
void handleDrag(CanvasController& c, GestureRecord& r, float x, float y, float dx, float dy);

}  // namespace gestures
