#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/ControlPoint.h"
#include "geometry/Rgb.h"
#include "share/ShareChange.h"

namespace share {

// A piece of another board's stroke in progress, sent as it is drawn on a light stream that
// may drop messages: points from index `from` on replace what the receiver has from there.
// The finished stroke comes later through the room's records.
struct LiveInk {
    BoardId board = 0;
    std::uint64_t stroke = 0;  // the sending board's key for the stroke in progress
    std::uint32_t from = 0;    // index of points[0] in the stroke
    bool ended = false;        // the stroke was finished or withdrawn
    Rgb colour;
    std::vector<ControlPoint> points;

    bool operator==(const LiveInk&) const = default;
};

// Folds `piece` into `queued`, an earlier piece of the same stroke not sent yet, when the
// one message then does at a receiver what the two would (one that has at least
// `queued.from` points): `piece` continues or restarts `queued`. False, changing nothing,
// otherwise.
bool joinInk(LiveInk& queued, const LiveInk& piece);

std::string encodeInk(const LiveInk& ink);
std::optional<LiveInk> decodeInk(std::string_view bytes, std::string& error);

}  // namespace share
