#pragma once

#include <deque>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "share/RecordCodec.h"
#include "share/RoomLink.h"

// A room server in memory, for tests: one ordered log of records, a snapshot per page, and
// the boards' links. Nothing moves by itself: the test decides when the server takes a
// board's next record (accept) and when a board receives the next record (deliver), so every
// interleaving a network could make can be made, and a board can be cut off and let back.
// Records cross as bytes, through the codec, as they do over the network.
class MemoryRoom {
public:
    struct Record {
        int page = 0;
        share::Seq seq = 0;
        share::BoardId board = 0;
        std::uint64_t number = 0;
        std::string bytes;
    };

    class Link : public share::RoomLink {
    public:
        void follow(int page, share::Seq after) override;
        void send(int page, const share::ShareChange& change, bool seed) override;
        void sendSnapshot(int page, const share::PageState& state) override;
        void sendInk(int page, const share::LiveInk& ink) override;
        std::vector<share::RoomEvent> poll() override;
        void setWake(std::function<void()>) override {}
        std::size_t unsent() const override { return outgoing_.size(); }
        // Held for the next poll() while `deferWakes`, as a link thread makes them later.
        void wakeSoon(std::function<void()> wake) override;

        bool online = true;
        bool deferWakes = false;

    private:
        friend class MemoryRoom;
        struct Out {
            int page;
            std::string bytes;
            bool seed;
            share::BoardId board;
            std::uint64_t number;
        };
        MemoryRoom* room_ = nullptr;
        std::deque<Out> outgoing_;
        std::map<int, share::Seq> delivered_;  // followed pages: the last seq delivered
        std::map<int, bool> caughtUp_;
        std::size_t next_ = 0;  // index in the room's log of the next record to look at
        std::vector<share::RoomEvent> events_;
        std::vector<std::function<void()>> wakes_;
    };

    Link& join();
    // The server takes the link's next record; false when it has none or is offline.
    bool accept(Link& link);
    // The link receives the next record of a page it follows; false when none is left.
    bool deliver(Link& link);
    // Steps that move something, at random, until `steps` moved or nothing can.
    void shuffle(std::mt19937_64& rng, int steps);
    // Every online link's records taken and every record delivered.
    void settle();

    const std::vector<Record>& log() const { return log_; }
    std::size_t snapshots() const { return snapshotsTaken_; }

private:
    std::vector<std::unique_ptr<Link>> links_;
    std::vector<Record> log_;
    std::map<int, std::pair<share::Seq, std::string>> snapshots_;
    std::size_t snapshotsTaken_ = 0;
};
