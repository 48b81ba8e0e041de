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

#include "MemoryRoom.h"
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

struct SharedBoard {
    std::ostringstream out;
    double seconds = 100.0;
    double frameMs = 100000.0;
    Drawing drawing{out};
    CanvasController controller{drawing, Stopwatch([this] { return seconds; }),
                                [this] { return frameMs; }};
    MemoryRoom::Link& link;
    ShareSession session;

    SharedBoard(MemoryRoom& room, BoardId id, std::uint32_t tag)
        : link(room.join()),
          session(drawing, controller.history().histories(), link, {id, tag, 1}, out, pageFileName) {
        controller.setViewSize(1200.0f, 900.0f);
        drawing.view.viewWidth = 1200.0f;
        drawing.view.viewHeight = 900.0f;
        session.snapshotEvery = 40;
        controller.history().pageOpened = [this](int page) { session.pageOpened(page); };
        session.pageOpened(controller.pages().current());
    }
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

    void act(SharedBoard& b) {
        const auto pick = [&](int n) { return static_cast<int>(rng_() % static_cast<std::uint64_t>(n)); };
        switch (pick(13)) {
            case 0: case 1: case 2: gesture(b, 0, 12); break;           // a stroke
            case 3: gesture(b, 1, 8); break;                            // an eraser swipe
            case 4: lasso(b); break;
            case 5: case 6: transform(b); break;
            case 7: if (pick(4) == 0) b.controller.onKey("C"); break;   // a clear, now and then
            case 8: b.controller.selectColour(pick(8)); gesture(b, 0, 6); break;
            case 9: case 10: b.controller.undo(); break;
            case 11: b.controller.setPaper(static_cast<io::Paper>(pick(io::kPaperKinds))); break;
            default: b.controller.redo(); break;
        }
        // Leave no selection, indicator or palette behind.
        if (b.drawing.selectionBox.shown) {
            b.controller.onPress(1000.0f, 800.0f, 0, 1.0f);
            b.controller.onRelease(1000.0f, 800.0f, 0);
        }
        b.seconds += 10.0;
        b.controller.tick();
        between(b);
    }

    void step() { act(*boards_[rng_() % boards_.size()]); }

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
    // Screen points: a third of the time on the same small spot, where a few strokes meet.
    Vec2 somewhere() {
        std::uniform_real_distribution<float> x(350.0f, 900.0f), y(150.0f, 800.0f), hot(0.0f, 100.0f);
        if (rng_() % 3 == 0) return {500.0f + hot(rng_), 400.0f + hot(rng_)};
        return {x(rng_), y(rng_)};
    }

    // The network moves a little, and now and then the board takes in what came.
    void between(SharedBoard& b) {
        room_.shuffle(rng_, static_cast<int>(rng_() % 4));
        if (rng_() % 2) b.session.pump();
        if (rng_() % 3 == 0) boards_[rng_() % boards_.size()]->session.pump();
    }

    void drag(SharedBoard& b, Vec2 from, Vec2 to, int button, int steps) {
        b.controller.onPress(from.x, from.y, button, 1.0f);
        for (int i = 1; i <= steps; ++i) {
            const Vec2 p = from + (to - from) * (static_cast<float>(i) / static_cast<float>(steps));
            b.controller.onDrag(p.x, p.y, 1.0f);
            b.controller.onPointer(p.x, p.y);
            if (rng_() % 4 == 0) between(b);
        }
        b.controller.onRelease(to.x, to.y, button);
    }

    void gesture(SharedBoard& b, int button, int steps) {
        const Vec2 from = somewhere();
        std::uniform_real_distribution<float> d(-150.0f, 150.0f);
        drag(b, from, from + Vec2(d(rng_), d(rng_)), button, steps);
    }

    void hold(SharedBoard& b, Vec2 at, int button) {
        b.seconds += 10.0;
        b.controller.onPress(at.x, at.y, button, 1.0f);
        b.seconds += 1.5;
        b.controller.onRelease(at.x, at.y, button);
    }

    void lasso(SharedBoard& b) {
        const Vec2 at = somewhere();
        hold(b, at, 1);
        if (!b.controller.indicator().visible) return;
        std::uniform_real_distribution<float> d(-120.0f, 120.0f);
        drag(b, at, at + Vec2(d(rng_), d(rng_)), 1, 10);
    }

    // Holds on a stroke to select it, then drags one of the box's handles.
    void transform(SharedBoard& b) {
        if (b.drawing.strokes.empty()) return;
        const int n = static_cast<int>(b.drawing.strokes.count());
        auto it = b.drawing.strokes.begin();
        std::advance(it, static_cast<long>(rng_() % static_cast<std::uint64_t>(n)));
        const ControlPoint& p = it->points[rng_() % it->points.size()];
        hold(b, Vec2(p.x, p.y) + Vec2(50.0f, 50.0f), 0);
        if (!b.drawing.selectionBox.shown) return;
        const SelectionBox& box = b.drawing.selectionBox;
        Vec2 h[4];
        for (int i = 0; i < 4; ++i)
            h[i] = (box.corners[i] * 2.0f + box.diagonals[i] * box.handleSize) * 0.5f;
        const int k = static_cast<int>(rng_() % 8);
        const Vec2 grip = (k < 4 ? h[k] : (h[k - 4] + h[(k - 3) % 4]) * 0.5f) + Vec2(50.0f, 50.0f);
        std::uniform_real_distribution<float> d(-60.0f, 60.0f);
        drag(b, grip, grip + Vec2(d(rng_), d(rng_)), 0, 10);
    }

    std::mt19937_64 rng_;
    MemoryRoom room_;
    std::vector<std::unique_ptr<SharedBoard>> boards_;
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
