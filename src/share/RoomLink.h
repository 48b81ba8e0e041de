#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "share/LiveInk.h"
#include "share/PageState.h"
#include "share/ShareChange.h"

namespace share {

enum class LinkState : std::uint8_t {
    Connecting,    // the first attempt is under way
    Connected,
    Reconnecting,  // the connection was lost; attempts go on
    Offline,       // no server answers; attempts go on, further apart
};

// What the room tells a board, in the order it happened.
struct RoomEvent {
    enum class Type : std::uint8_t {
        Record,    // `change`, the page's record at `seq`
        Snapshot,  // `snapshot`: the page as of its seq; records after it follow
        Stored,    // the board's change `number` was stored at `seq`
        Refused,   // the board's change `number` was refused: the page has records (a seed)
        CaughtUp,  // every record the page had when it was followed has been delivered
        Ink,       // `ink`: another board's stroke in progress
        State,     // the connection changed to `state`
        Problem,   // `text`: one line for the user (a record dropped, a right missing)
    };
    Type type = Type::Record;
    int page = 0;
    Seq seq = 0;
    std::uint64_t number = 0;
    std::optional<ShareChange> change;
    std::optional<PageState> snapshot;
    std::optional<LiveInk> ink;
    LinkState state = LinkState::Connecting;
    std::string text;
};

// A board's line to its room: what the network thread and the drawing thread exchange.
// Every call returns at once; the work happens on the link's own thread, and what comes
// back is collected by poll(). Implemented over NATS JetStream (NatsRoom), and in memory for
// tests.
class RoomLink {
public:
    virtual ~RoomLink() = default;
    // Delivers the page's records after `after` from now on, in the room's order, and keeps
    // doing so (also after a reconnect); with `after` 0, first the page's latest snapshot
    // when the room has one. Following a page again does nothing.
    virtual void follow(int page, Seq after) = 0;
    // Sends the board's change; changes go in the order given, each until the room stores
    // or refuses it. A seed is stored only while the page has no record.
    virtual void send(int page, const ShareChange& change, bool seed) = 0;
    // Offers the page as of `page.seq()` for boards that join later.
    virtual void sendSnapshot(int page, const PageState& state) = 0;
    // A stroke in progress: sent at once or not at all.
    virtual void sendInk(int page, const LiveInk& ink) = 0;
    // A page names the material `name` (a file of the board's folder, by its content name):
    // the link puts it in the room when the board has it and the room has not, and fetches
    // it into the folder when the board lacks it. Nothing by default (a link without
    // material leaves such a page without its background).
    virtual void material(const std::string& name) { (void)name; }
    // Everything that arrived since the last call, oldest first.
    virtual std::vector<RoomEvent> poll() = 0;
    // Makes `wake` (the wake-up of another thread) soon, within a couple of milliseconds,
    // from a thread of the link's that is awake anyway when there is one: the drawing thread
    // then makes no system call for it. At once by default.
    virtual void wakeSoon(std::function<void()> wake) { wake(); }
    // Called (on the link's thread) whenever an event arrives, to wake the drawing thread.
    virtual void setWake(std::function<void()> wake) = 0;
    // Changes handed to send() that the room has not stored or refused yet.
    virtual std::size_t unsent() const = 0;
};

}  // namespace share
