#pragma once

#include <memory>

class Stroke;

// Told by the drawing of every change of its finished strokes as it happens, so that the
// history can record it. Strokes in progress (Drawing::current) are not reported.
class ChangeSink {
public:
    virtual ~ChangeSink() = default;
    // The stroke joined the list with a new id.
    virtual void strokeAdded(const Stroke& stroke) = 0;
    // The stroke's points are about to change in place (it stays in the list).
    virtual void strokeChanging(const Stroke& stroke) = 0;
    // The stroke has left the list; the sink may keep it.
    virtual void strokeRemoved(std::unique_ptr<Stroke> stroke) = 0;
};
