#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "share/RoomLink.h"

// What every room link makes alike, whatever carries its messages (NatsRoom on the desktop,
// QueuedRoomLink in a browser).
namespace share {

// A board's change's message id: the server stores a change sent twice under it once.
std::string changeMessageId(BoardId board, std::uint64_t number);
// The page's record at `seq`: `change` as decoded, or, when it could not be, a line saying
// it was dropped and why (`error`).
RoomEvent recordEvent(int page, Seq seq, std::optional<ShareChange> change, const std::string& error);
// A page followed again after the room dropped records it had not delivered (`after`: the
// last one it did): the page starts again from `snapshot` when that is at least as new;
// otherwise a line says the page may lack some.
RoomEvent resumeEvent(int page, Seq after, std::optional<PageState> snapshot);
// A piece of another board's stroke in progress that came on the ink subject `subject`
// ("ib.ROOM.ink.PAGE"); nullopt for a piece that cannot be read (ink is a lossy stream: a bad
// piece is a lost piece).
std::optional<RoomEvent> inkEvent(std::string_view subject, std::string_view bytes);
// The line for a change larger than the server takes, which the board takes back.
std::string tooLargeLine(int page);

}  // namespace share
