#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "share/PageState.h"
#include "share/ShareChange.h"

namespace share {

// A change of the board that the room may not have stored yet.
struct StoreWaiting {
    int page = 0;
    ShareChange change;  // bases may name earlier waiting changes (local versions)
    bool seed = false;
};

// What a shared board keeps of its room between runs: its changes the room may not have
// stored yet, and the room's pages as it last held them. In the lesson folder on the desktop
// (ShareStore).
class BoardStore {
public:
    using Waiting = StoreWaiting;

    virtual ~BoardStore() = default;
    // What earlier runs left: the room's pages, and the changes waiting, in the order made.
    // Taken once.
    virtual std::map<int, PageState> takePages() = 0;
    virtual std::vector<Waiting> takeWaiting() = 0;
    // A change the board made (numbers ascend). With `now` false it is only queued: the
    // next write() keeps it.
    virtual void made(int page, const ShareChange& change, bool seed, bool now = true) = 0;
    // May run on any thread (one of the link's, so that the drawing thread does not wait
    // for it).
    virtual void write() = 0;
    // Changes kept that no longer wait (for the caller to decide when to rewrite).
    virtual std::size_t written() const = 0;
    // Replaces what waits by these changes (what still waits, as it is now); with `wait`,
    // returns once they are kept.
    virtual void rewriteWaiting(const std::vector<Waiting>& waiting, std::uint64_t nextNumber,
                                bool wait = false) = 0;
    // Keeps the room's pages; the waiting changes first, so that the pages never hold a
    // change the waiting ones still hold in an older form.
    virtual void keep(const std::map<int, const PageState*>& pages, const std::vector<Waiting>& waiting,
                      std::uint64_t nextNumber) = 0;
};

}  // namespace share
