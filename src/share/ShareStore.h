#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "share/BoardStore.h"
#include "share/PageState.h"
#include "share/ShareSession.h"

namespace io {
class JournalWriter;
}

namespace share {

// What a shared board keeps of its room in its lesson folder, so that a board that ends
// without a goodbye (a crash, a power cut, killed) loses none of its changes and takes up
// the room again as the same board:
//   "NAME.waiting"  its identity in the room (board id and tag, made once, and the next
//                   change number), then its changes the room may not have stored yet,
//                   appended as they are made (written at once by the writer's thread,
//                   synced in group commits) and rewritten whole, smaller, now and then;
//   "NAME.pages"    the room's pages as the board last held them, so that it shows them
//                   again when it starts without a server.
// Both data files are checksummed frame by frame; a damaged or torn tail is cut off with a
// line in the log, what comes before it is kept. Files are named relative to the working
// directory (the lesson folder).
class ShareStore final : public BoardStore {
public:
    // Opens the store `name` (e.g. "room-maths") or starts it.
    ShareStore(std::string name, std::ostream& log);
    ~ShareStore() override;
    ShareStore(const ShareStore&) = delete;
    ShareStore& operator=(const ShareStore&) = delete;

    // The board as earlier runs in this folder were, its first number above every number
    // they used; a new one when there were none.
    const ShareSession::Identity& identity() const { return identity_; }
    // What earlier runs left: the room's pages, and the changes waiting, in the order made.
    // Taken once.
    std::map<int, PageState> takePages() override { return std::move(pages_); }
    std::vector<Waiting> takeWaiting() override { return std::move(waiting_); }

    // A change the board made (numbers ascend). With `now` false it is only queued: the
    // next write() encodes it and hands it to the writer's thread.
    void made(int page, const ShareChange& change, bool seed, bool now = true) override;
    // May run on any thread (one of the link's, so that the drawing thread neither encodes
    // nor makes the writer's wake-up). A link handed write() must stop before the store
    // goes: its owner destroys the link first (a link runs what it was handed as it stops).
    void write() override;
    // Frames in the waiting file that no longer wait (for the caller to decide when to
    // rewrite it).
    std::size_t written() const override { return written_; }
    // Replaces the waiting file by these changes (what still waits, as it is now); with
    // `wait`, returns once the new file is on disk, else the writer's thread swaps it in.
    void rewriteWaiting(const std::vector<Waiting>& waiting, std::uint64_t nextNumber, bool wait = false) override;
    // Keeps the room's pages; the waiting changes first, so that the pages never hold a
    // change the waiting file still holds in an older form.
    void keep(const std::map<int, const PageState*>& pages, const std::vector<Waiting>& waiting,
              std::uint64_t nextNumber) override;

private:
    void loadWaiting();
    void loadPages();
    std::string head(std::uint64_t nextNumber) const;
    void setAside(const std::string& path, const std::string& why);

    const std::string name_;
    std::ostream& log_;
    ShareSession::Identity identity_;
    std::map<int, PageState> pages_;
    std::vector<Waiting> waiting_;
    std::mutex writeMutex_;     // made_ and writer_, which write() uses from another thread
    std::vector<Waiting> made_;  // made, not yet encoded, oldest first
    std::unique_ptr<io::JournalWriter> writer_;
    std::size_t written_ = 0;
};

}  // namespace share
