// Three boards share a room (in memory, records crossing as bytes), each a real controller
// with its drawing and history, driven by random input: strokes, eraser swipes, erase
// lassos, selections moved, turned and resized by their handles, clears, colours, papers,
// undo and redo; a third of it on the same few strokes. The network takes and delivers records in
// random order and between the events of a gesture. At the end every board, a board that
// joins late (from a snapshot and the records after it) and a rebuild from the room's log
// show byte-identical page text, and each drawing's index is whole.
//
// ./test runs a few short seeded runs. The long run (2,000 changes per board, seeds 1 to 100):
//   INKBOARD_SHARE_SEEDS=100 INKBOARD_SHARE_CHANGES=2000 build/test_share --gtest_filter='Convergence.*'
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <sstream>

#include "MemoryBoard.h"
#include "RandomInput.h"
#include "controller/CanvasController.h"
#include "controller/PageFiles.h"
#include "document/DocumentInvariants.h"
#include "document/Drawing.h"
#include "share/ShareSession.h"
#include "support/TempWorkDir.h"

namespace {

using namespace share;

std::uint64_t envNumber(const char* name, std::uint64_t fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtoull(v, nullptr, 10) : fallback;
}

// Boards of these lessons snapshot every 40 records.
struct SharedBoard : MemoryBoard {
    SharedBoard(MemoryRoom& room, BoardId id, std::uint32_t tag) : MemoryBoard(room, {id, tag, 1}, 40) {}
};

// Page texts compared without printing them whole: they run to hundreds of lines.
void expectSamePage(const std::string& actual, const std::string& expected) {
    if (actual == expected) return;
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
    ADD_FAILURE() << "pages differ from byte " << at << " (" << actual.size() << " and "
                  << expected.size() << " bytes): \"" << actual.substr(at, 60) << "\" where \""
                  << expected.substr(at, 60) << "\" was expected";
}

class Lesson {
public:
    explicit Lesson(std::uint64_t seed) : rng_(seed) {
        for (BoardId b = 1; b <= 3; ++b)
            boards_.push_back(std::make_unique<SharedBoard>(room_, b, static_cast<std::uint32_t>(b)));
    }

    void step() { input_.act(*boards_[rng_() % boards_.size()]); }

    // Everything sent is stored and delivered, every board (and `late`) up to date.
    void settle(SharedBoard* late = nullptr) {
        std::vector<SharedBoard*> all;
        for (auto& b : boards_) all.push_back(b.get());
        if (late) all.push_back(late);
        for (int round = 0; round < 1000; ++round) {
            room_.settle();
            bool moved = false;
            for (SharedBoard* b : all) moved = b->session.pump() || moved;
            bool quiet = !moved;
            for (SharedBoard* b : all) {
                quiet = quiet && b->link.unsent() == 0 && b->session.status().waiting == 0 &&
                        b->session.replica(b->session.page())->settled();
            }
            if (quiet) return;
        }
        std::ostringstream why;
        for (SharedBoard* b : all) {
            why << " [changes not sent " << b->link.unsent() << ", not stored "
                << b->session.status().waiting << ", page " << b->session.page() << " settled "
                << b->session.replica(b->session.page())->settled() << "]";
        }
        FAIL() << "the boards never settled:" << why.str();
    }

    // Every page as the room's log makes it; each board holds it so, and shows the page
    // it is on so.
    void expectConverged() {
        std::map<int, PageState> rebuilt;
        std::string error;
        for (const MemoryRoom::Record& r : room_.log()) {
            const auto c = decodeChange(r.bytes, error);
            ASSERT_TRUE(c) << error;
            rebuilt[r.page].apply(*c, r.seq);
        }
        for (const auto& [page, state] : rebuilt) {
            SCOPED_TRACE("page " + std::to_string(page));
            const std::string text = state.pageText();
            for (auto& b : boards_) {
                if (PageReplica* replica = b->session.replica(page)) {
                    expectSamePage(b->session.shownText(page), text);
                    EXPECT_TRUE(replica->pending().empty());
                }
                if (b->session.page() == page) expectSamePage(b->drawing.pageText(), text);
            }
        }
        for (auto& b : boards_) expectDocumentSound(b->drawing);
        SharedBoard late(room_, 4, 4);
        settle(&late);
        expectSamePage(late.drawing.pageText(), rebuilt[0].pageText());
        expectDocumentSound(late.drawing);
    }

    std::size_t snapshots() const { return room_.snapshots(); }

private:
    // The network moves a little, and now and then the board takes in what came.
    void between(SharedBoard& b) {
        room_.shuffle(rng_, static_cast<int>(rng_() % 4));
        if (rng_() % 2) b.session.pump();
        if (rng_() % 3 == 0) boards_[rng_() % boards_.size()]->session.pump();
    }

    std::mt19937_64 rng_;
    MemoryRoom room_;
    std::vector<std::unique_ptr<SharedBoard>> boards_;
    RandomInput<SharedBoard> input_{rng_, [this](SharedBoard& b) { between(b); }};
};

TEST(Convergence, ThreeBoardsAndALateJoinerShowTheSamePage) {
    // One folder for every run: later runs' boards start from the pages earlier runs saved,
    // and offer them to their new room.
    TempWorkDir dir;
    const std::uint64_t seeds = envNumber("INKBOARD_SHARE_SEEDS", 4);
    const std::uint64_t changes = envNumber("INKBOARD_SHARE_CHANGES", 300);
    for (std::uint64_t seed = 1; seed <= seeds; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed) + "; replay with INKBOARD_SHARE_SEEDS=" +
                     std::to_string(seed) + " INKBOARD_SHARE_CHANGES=" + std::to_string(changes));
        Lesson run(seed);
        for (std::uint64_t i = 0; i < 3 * changes; ++i) run.step();
        run.settle();
        run.expectConverged();
        if (HasFailure()) return;
        EXPECT_GT(run.snapshots(), 0u);
    }
}

// The page's paper is the room's: the later of two boards' papers in the server's order wins
// on every board, whichever board set it first; an undo applies only over the paper its
// board saw, and then on every board.
TEST(Convergence, PaperFollowsTheRoomsOrderAndUndoesPerBoard) {
    TempWorkDir dir;
    for (const bool aFirst : {true, false}) {
        SCOPED_TRACE(aFirst ? "A's paper stored first" : "B's paper stored first");
        MemoryRoom room;
        SharedBoard a(room, 1, 1), b(room, 2, 2);
        a.controller.onPress(400.0f, 400.0f, 0, 1.0f);
        a.controller.onDrag(500.0f, 450.0f, 1.0f);
        a.controller.onRelease(500.0f, 450.0f, 0);
        a.controller.setPaper(io::Paper::Squared);
        b.controller.setPaper(io::Paper::Ruled);
        SharedBoard& first = aFirst ? a : b;
        SharedBoard& last = aFirst ? b : a;
        while (room.accept(first.link)) {
        }
        while (room.accept(last.link)) {
        }
        const auto settle = [&] {
            for (int round = 0; round < 100; ++round) {
                room.settle();
                a.session.pump();
                b.session.pump();
            }
            ASSERT_EQ(a.session.status().waiting + b.session.status().waiting, 0u);
            ASSERT_EQ(a.drawing.pageText(), b.drawing.pageText());
            ASSERT_EQ(a.drawing.pageText(), a.session.replica(0)->room().pageText());
        };
        settle();
        const io::Paper winner = last.drawing.style.paper;
        EXPECT_EQ(a.drawing.style.paper, winner);
        EXPECT_EQ(b.drawing.strokes.count(), 1u);

        first.controller.undo();  // its paper was overwritten: passed over everywhere
        settle();
        EXPECT_EQ(first.session.notice(), "Undo skipped: another board changed those strokes since");
        EXPECT_EQ(b.drawing.style.paper, winner);
        last.controller.undo();
        settle();
        EXPECT_EQ(b.drawing.style.paper, io::Paper::Plain);
    }
}

}  // namespace
