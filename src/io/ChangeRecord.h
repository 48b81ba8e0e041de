#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geometry/ControlPoint.h"
#include "geometry/Rgb.h"

// One finished change of a page as plain data: which strokes left the page, which arrived
// and where, and which of the page's own attributes (its paper, its background) changed,
// with no pointers into a document. The journal stores these, and another board
// showing the same page could apply them.
namespace io {

using StrokeId = std::uint64_t;
// The largest id a record may carry. The drawing counts ids up from 1, so a larger one only
// comes from a crafted or corrupted file; refusing it keeps the next id above every id on
// the page, which the ascending order of ids along the page relies on.
inline constexpr StrokeId kMaxStrokeId = StrokeId{1} << 62;

// What a change carries of a stroke: its identity and what the page file stores of it.
// New stroke attributes belong here (and get a field tag in the journal encoding).
struct StrokeData {
    StrokeId id = 0;
    std::vector<ControlPoint> points;
    Rgb colour;

    bool operator==(const StrokeData&) const = default;
};

struct StrokeAt {
    StrokeId id = 0;
    std::uint32_t position = 0;  // index in the page's stroke list, oldest first

    bool operator==(const StrokeAt&) const = default;
};

struct PlacedStroke {
    std::uint32_t position = 0;
    StrokeData stroke;

    bool operator==(const PlacedStroke&) const = default;
};

// What the user did; the history and its messages name changes by it. Stored as a byte.
enum class ChangeKind : std::uint8_t {
    Draw = 1,
    Erase = 2,            // one eraser gesture, press to release
    EraseLasso = 3,
    Clear = 4,            // the bin button or "C"
    DeleteSelection = 5,
    Transform = 6,        // one move, rotate or scale drag of the selection
    Deform = 7,           // one push-tool or defined-brush gesture
    Load = 8,             // "L": the page file replaces the drawing
    Several = 9,          // gestures that touched each other's strokes, kept as one
    Paper = 10,           // the page's paper was set
};

// One attribute of the page itself, as the page file writes it on its <Drawing> element
// (see PageStyle.h), with its value before and after the change; "" when it was not set.
// A peer applies one by name, so page attributes added later travel without a new layout.
struct PageAttributeChange {
    std::string name;
    std::string before;
    std::string after;

    bool operator==(const PageAttributeChange&) const = default;
};

// A stroke that changed in place appears in both lists with the same id.
//   removed: ascending id; positions in the list before the change.
//   added:   ascending id; positions in the list after the change, with the new contents.
//   page:    ascending name; the page attributes the change set.
// Stroke lists are kept in ascending id order, so positions follow from the ids; they are
// carried anyway, to check a record against the page it is applied to.
struct Change {
    ChangeKind kind = ChangeKind::Draw;
    std::vector<StrokeAt> removed;
    std::vector<PlacedStroke> added;
    std::vector<PageAttributeChange> page;

    bool operator==(const Change&) const = default;
};

}  // namespace io
