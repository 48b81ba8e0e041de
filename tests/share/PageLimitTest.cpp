// A room's page never grows past what a page file may hold (a small limit stands in for it
// here): a record that would pass it is passed over alike by every board, those that join
// from a snapshot too, the page stays loadable, and the board that made it keeps its strokes
// as a rescue page.
#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <random>
#include <sstream>

#include "MemoryBoard.h"
#include "RandomInput.h"
#include "controller/CanvasController.h"
#include "controller/PageFiles.h"
#include "document/Drawing.h"
#include "io/PageFile.h"
#include "share/ShareSession.h"
#include "support/TempWorkDir.h"

namespace {

using namespace share;

TEST(PageLimit, StrokeTextBytesAreWhatThePageWrites) {
    std::mt19937_64 rng(3);
    const std::size_t empty = io::formatPage({}).size();
    for (int i = 0; i < 300; ++i) {
        std::vector<ControlPoint> points(rng() % 4);
        for (ControlPoint& p : points) {
            for (float* v : {&p.x, &p.y, &p.r, &p.a}) {
                do *v = std::bit_cast<float>(static_cast<std::uint32_t>(rng()));
                while (!std::isfinite(*v));
                if (rng() % 2) *v = static_cast<float>(static_cast<int>(rng() % 2000) - 1000) / 8.0f;
            }
        }
        const Rgb colour = rng() % 2 ? Rgb{} : Rgb{static_cast<std::uint8_t>(rng()), 0, 9};
        const std::span<const ControlPoint> one[] = {points};
        EXPECT_EQ(io::formatPage(one, {&colour, 1}).size(),
                  empty + io::kPageTextFrame + io::strokeTextBytes(points, colour));
    }
}

struct Board : MemoryBoard {
    Board(MemoryRoom& room, BoardId id, std::uint64_t limit)
        : MemoryBoard(room, {id, static_cast<std::uint32_t>(id), 1}, 7, "", limit) {}
};

TEST(PageLimit, AFullPageStaysLoadableAndTheSameOnEveryBoard) {
    for (std::uint64_t seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TempWorkDir dir;
        std::mt19937_64 rng(seed);
        const std::uint64_t limit = 3000 + 500 * seed;
        MemoryRoom room;
        std::vector<std::unique_ptr<Board>> boards;
        for (BoardId id = 1; id <= 2; ++id) boards.push_back(std::make_unique<Board>(room, id, limit));
        const auto settle = [&] {
            for (int round = 0; round < 100; ++round) {
                room.settle();
                for (auto& b : boards) b->session.pump();
            }
        };
        RandomInput<Board> input(rng, [&](Board& b) {
            room.shuffle(rng, static_cast<int>(rng() % 4));
            if (rng() % 2) b.session.pump();
        });
        for (int i = 0; i < 120; ++i) input.act(*boards[rng() % 2]);
        settle();
        boards.push_back(std::make_unique<Board>(room, 3, limit));  // joins from a snapshot
        settle();

        PageState rebuilt;
        rebuilt.setTextLimit(limit);
        std::size_t passedOver = 0;
        std::string error;
        for (const MemoryRoom::Record& r : room.log()) {
            bool tooLarge = false;
            rebuilt.apply(*decodeChange(r.bytes, error), r.seq, nullptr, nullptr, &tooLarge);
            passedOver += tooLarge;
            ASSERT_EQ(rebuilt.textBytes(), rebuilt.pageText().size());
            ASSERT_LE(rebuilt.textBytes(), limit);
        }
        EXPECT_GT(passedOver, 0u);
        const std::string text = rebuilt.pageText();
        const auto loaded = io::parsePage(text);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded->strokes.size(), rebuilt.strokeCount());
        for (auto& b : boards) EXPECT_EQ(b->drawing.pageText(), text) << b->out.str();
        // Each passed-over stroke of a board's own is in a rescue page beside the page file.
        std::size_t rescued = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            if (entry.path().string().find(".rescue") == std::string::npos) continue;
            const auto page = io::readPageFile(entry.path().string());
            ASSERT_TRUE(page);
            rescued += page->strokes.empty() ? 0 : 1;
        }
        EXPECT_GT(rescued, 0u);
        EXPECT_LE(rescued, passedOver);
        if (HasFailure()) return;
    }
}

}  // namespace
