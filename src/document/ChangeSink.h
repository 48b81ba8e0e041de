#pragma once

#include <cstdint>
#include <memory>

class QuadTree;
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
    // Every finished stroke is about to leave the list, and this index of them (taken whole
    // from the drawing) goes with them: kept beside them, it lets them come back without
    // a segment inserted. Ignoring it costs only that.
    virtual void indexSetAside(std::unique_ptr<QuadTree> /*index*/) {}
    // The eraser cut the stroke `piece` (just added) out of the stroke `from`.
    virtual void strokeCut(std::uint64_t /*piece*/, std::uint64_t /*from*/) {}
};
