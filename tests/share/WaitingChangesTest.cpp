// A board that ends without a goodbye (its session, link and history dropped at a random
// moment, its folder as the disk left it, a torn record at the end now and then) and starts
// again from its folder: each of its changes reaches the room exactly once, in its order,
// and every board ends with the same page as a rebuild from the room's log.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <sstream>

#include "MemoryBoard.h"
#include "RandomInput.h"
#include "controller/CanvasController.h"
#include "controller/PageFiles.h"
#include "document/Drawing.h"
#include "share/ShareSession.h"
#include "share/ShareStore.h"
#include "support/TempWorkDir.h"

namespace {

using namespace share;

struct Board : MemoryBoard {
    Board(MemoryRoom& room, const std::string& storeName, BoardId id)
        : MemoryBoard(room, {id, 7, 1}, 30, storeName) {}
    void act(std::mt19937_64& rng, MemoryRoom& room) {
        scribbleOnce(controller, rng, 400.0f, 700.0f, 300.0f, 600.0f, 100.0f);
        seconds += 10.0;
        controller.tick();
        room.shuffle(rng, static_cast<int>(rng() % 4));
        if (rng() % 2) session.pump();
    }
    // The newest change number the board used.
    std::uint64_t lastNumber() {
        PageReplica* r = session.replica(0);
        std::uint64_t n = r->room().lastNumber(store->identity().board);
        for (const auto& p : r->pending()) n = std::max(n, p.change.number);
        return n;
    }
};

TEST(WaitingChanges, ABoardThatEndsWithoutAGoodbyeSendsEachChangeOnceWhenBack) {
    for (std::uint64_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TempWorkDir dir;
        std::filesystem::create_directory("a");
        std::mt19937_64 rng(seed);
        MemoryRoom room;
        Board other(room, "", 99);
        auto a = std::make_unique<Board>(room, "a/room-x", 0);
        // Half the runs write the waiting file's frames late, as a link's thread does.
        a->link.deferWakes = seed % 2 == 0;
        const BoardId id = a->store->identity().board;
        std::uint64_t used = 0;
        for (int run = 0; run < 3; ++run) {
            const int actions = 10 + static_cast<int>(rng() % 30);
            for (int i = 0; i < actions; ++i) {
                if (rng() % 10 == 0) a->link.online = !a->link.online;  // the server comes and goes
                (rng() % 3 ? *a : other).act(rng, room);
            }
            used = a->lastNumber();
            // The end: nothing written out, what the link held is lost; a write cut short
            // leaves part of a record behind.
            a->link.online = false;
            a.reset();
            if (rng() % 2) std::ofstream("a/room-x.waiting", std::ios::app) << std::string("\x30\0\0\0\x12", 5);
            a = std::make_unique<Board>(room, "a/room-x", 0);
            a->link.deferWakes = seed % 2 == 0;
            ASSERT_EQ(a->store->identity().board, id);
            ASSERT_GT(a->store->identity().firstNumber, used) << a->out.str();
        }
        for (int round = 0; round < 200; ++round) {
            room.settle();
            a->session.pump();
            other.session.pump();
        }
        ASSERT_EQ(a->session.status().waiting, 0u) << a->out.str();
        // Each number the board used, once and in order.
        std::vector<std::uint64_t> numbers;
        PageState rebuilt;
        std::string error;
        for (const MemoryRoom::Record& r : room.log()) {
            rebuilt.apply(*decodeChange(r.bytes, error), r.seq);
            if (r.board == id) numbers.push_back(r.number);
        }
        ASSERT_FALSE(numbers.empty());
        EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
        EXPECT_EQ(std::set<std::uint64_t>(numbers.begin(), numbers.end()).size(), numbers.size());
        EXPECT_GE(numbers.back(), used);
        EXPECT_EQ(numbers.size(), numbers.back());
        EXPECT_EQ(a->drawing.pageText(), rebuilt.pageText());
        EXPECT_EQ(other.drawing.pageText(), rebuilt.pageText());
        if (HasFailure()) return;
    }
}

}  // namespace
