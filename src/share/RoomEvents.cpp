#include "share/RoomEvents.h"

#include <cstdio>

namespace share {

std::string changeMessageId(BoardId board, std::uint64_t number) {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(board));
    return std::string(hex) + "-" + std::to_string(number);
}

RoomEvent recordEvent(int page, Seq seq, std::optional<ShareChange> change, const std::string& error) {
    RoomEvent e;
    e.page = page;
    e.seq = seq;
    if (change) {
        e.type = RoomEvent::Type::Record;
        e.change = std::move(change);
    } else {
        e.type = RoomEvent::Type::Problem;
        e.text = "A record of page " + std::to_string(page) + " from the room was dropped: " + error;
    }
    return e;
}

RoomEvent resumeEvent(int page, Seq after, std::optional<PageState> snapshot) {
    RoomEvent e;
    e.page = page;
    if (snapshot && snapshot->seq() >= after) {
        // The page starts again from the snapshot; the board's own changes go on top.
        e.type = RoomEvent::Type::Snapshot;
        e.snapshot = std::move(snapshot);
    } else {
        e.type = RoomEvent::Type::Problem;
        e.text = "The room no longer has the changes of page " + std::to_string(page) +
                 " since this board last had it, and no snapshot covers them: the page may lack some";
    }
    return e;
}

std::string tooLargeLine(int page) {
    return "A change of page " + std::to_string(page) +
           " is larger than the room's server takes (max_payload); it was taken back";
}

}  // namespace share
