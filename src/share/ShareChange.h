#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "io/ChangeRecord.h"

// What boards sharing a room send each other: one board's finished change of one page,
// stroke by stroke, each naming the version of the stroke the board changed. The rules that
// apply it are in PageRules.h; the design and the conflict table in Sharing.md.
namespace share {

// A record's sequence number in the room's stream: the server's order. 0: none.
using Seq = std::uint64_t;
// A board's identity in a room: random, kept in the board's folder.
using BoardId = std::uint64_t;

// The version of a stroke: the sequence of the record that last set it (added, changed or
// removed it). A board's own changes not yet in the room's order get local versions, above
// every sequence and ordered by the board's change numbers; they never leave the board.
using Version = std::uint64_t;
inline constexpr Version kLocalBit = Version{1} << 63;
// A version no record has: the base of a change to a stroke the room never had (a board's
// own page that was set aside). Such a change never finds the stroke as it expects.
inline constexpr Version kForeign = ~Version{0};

constexpr Version localVersion(std::uint64_t number) { return kLocalBit | number; }
constexpr bool isLocal(Version v) { return v != kForeign && (v & kLocalBit) != 0; }

// One stroke of a change.
struct StrokeOp {
    // The stroke as the change leaves it: its id always, its points and colour when present.
    io::StrokeData stroke;
    bool present = false;
    // The version the board saw when it made the change; 0 for a stroke new to the room.
    Version base = 0;
    // For a new stroke cut from another by the eraser: that stroke; 0 otherwise.
    io::StrokeId origin = 0;
    // The stroke's length in a page file's text when present, counted where the record was
    // decoded (the room's thread); 0 when not counted. Not part of the change.
    std::uint64_t textBytes = 0;

    bool operator==(const StrokeOp& o) const {
        return stroke == o.stroke && present == o.present && base == o.base && origin == o.origin;
    }
};

// One attribute of the page itself (its paper, its background: the names and values of the
// page file's <Drawing> attributes, "" for one not set), as the change leaves it. Attributes
// have versions as strokes do; a page that never had one set is at version 0.
struct AttributeOp {
    std::string name;
    std::string value;
    Version base = 0;  // the version the board saw

    bool operator==(const AttributeOp&) const = default;
};

struct ShareChange {
    BoardId board = 0;
    // Counts the board's changes from 1 in the order it sends them: a record is applied once
    // however often it arrives.
    std::uint64_t number = 0;
    io::ChangeKind kind = io::ChangeKind::Draw;
    // An undo or redo: applied whole, or not at all when another record changed one of its
    // strokes since the board saw it.
    bool undo = false;
    std::vector<StrokeOp> ops;  // ascending id, one per stroke
    std::vector<AttributeOp> page;  // ascending name, one per attribute

    bool operator==(const ShareChange&) const = default;
};

}  // namespace share
