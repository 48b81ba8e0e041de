#include "share/RoomEvents.h"

#include <cstdio>

#include "share/LiveInk.h"

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

std::optional<RoomEvent> inkEvent(std::string_view subject, std::string_view bytes) {
    const std::size_t dot = subject.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == subject.size()) return std::nullopt;
    int page = 0;
    for (const char c : subject.substr(dot + 1)) {
        if (c < '0' || c > '9' || page > 100'000'000) return std::nullopt;
        page = page * 10 + (c - '0');
    }
    std::string error;
    std::optional<LiveInk> piece = decodeInk(bytes, error);
    if (!piece) return std::nullopt;
    RoomEvent e;
    e.type = RoomEvent::Type::Ink;
    e.page = page;
    e.ink = std::move(piece);
    return e;
}

std::string tooLargeLine(int page) {
    return "A change of page " + std::to_string(page) +
           " is larger than the room's server takes (max_payload); it was taken back";
}

}  // namespace share
