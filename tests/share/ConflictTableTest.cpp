// Two boards change the same stroke without seeing each other's change, in every pair of
// kinds and both orders of arrival, then (in some runs) one of them undoes its change. Every
// board, a board that joins afterwards from the room's log and the drawing each board keeps
// in step must show the same page; the page is the one the conflict table in
// src/share/Sharing.md gives; an erased stroke never comes back.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "share/PageReplica.h"
#include "share/RecordCodec.h"

namespace {

using namespace share;

enum class Kind { Move, Erase, Clear, Split, Trim };
const char* name(Kind k) {
    static const char* names[] = {"move", "erase", "clear", "split", "trim"};
    return names[static_cast<int>(k)];
}

constexpr io::StrokeId kStroke = (io::StrokeId{1} << 20) | 9;

std::vector<ControlPoint> line(float x0, int n) {
    std::vector<ControlPoint> p;
    for (int i = 0; i < n; ++i) p.push_back({x0 + 10.0f * static_cast<float>(i), 100.0f, 2.0f, 1.0f});
    return p;
}
const std::vector<ControlPoint> kOriginal = line(100.0f, 8);

// The change board `who` (1 or 2) makes of the stroke, as its history would record it, and
// its inverse (the undo).
struct Made {
    io::Change change, inverse;
    io::StrokeId piece = 0;
};
Made make(Kind kind, int who) {
    Made m;
    const auto shape = [](io::StrokeId id, std::vector<ControlPoint> p) {
        return io::PlacedStroke{0, io::StrokeData{id, std::move(p), Rgb{}}};
    };
    m.change.removed.push_back({kStroke, 0});
    m.inverse.added.push_back(shape(kStroke, kOriginal));
    switch (kind) {
        case Kind::Move: {
            auto p = kOriginal;
            for (ControlPoint& c : p) c.y += 20.0f * static_cast<float>(who);
            m.change.kind = io::ChangeKind::Transform;
            m.change.added.push_back(shape(kStroke, p));
            break;
        }
        case Kind::Erase:
        case Kind::Clear:
            m.change.kind = kind == Kind::Erase ? io::ChangeKind::Erase : io::ChangeKind::Clear;
            break;
        case Kind::Split:
            m.piece = (io::StrokeId{2} << 20) | static_cast<io::StrokeId>(who);
            m.change.kind = io::ChangeKind::Erase;
            m.change.added.push_back(shape(kStroke, {kOriginal.begin(), kOriginal.begin() + 3}));
            m.change.added.push_back(shape(m.piece, {kOriginal.begin() + 3 + who, kOriginal.end()}));
            m.inverse.removed.push_back({m.piece, 0});
            break;
        case Kind::Trim:
            m.change.kind = io::ChangeKind::Erase;
            m.change.added.push_back(shape(kStroke, {kOriginal.begin() + who, kOriginal.end()}));
            break;
    }
    if (!m.change.added.empty() && m.change.added[0].stroke.id == kStroke) {
        m.inverse.removed = {{kStroke, 0}};
        if (m.piece) m.inverse.removed.push_back({m.piece, 0});
    } else {
        m.inverse.removed.clear();
    }
    return m;
}

// The page the table gives for `first` then `second` (no undo): erasing wins in both
// orders; a stroke cut by the eraser keeps the first cut; otherwise the later change wins.
std::string expected(Kind first, int firstWho, Kind second, int secondWho) {
    const auto erasing = [](Kind k) { return k == Kind::Erase || k == Kind::Clear; };
    const auto cutting = [](Kind k) { return k == Kind::Split || k == Kind::Trim; };
    PageState page;
    const auto apply = [&](const Made& m, int who, Seq seq) {
        ShareChange c;
        c.board = static_cast<BoardId>(who);
        c.number = 1;
        c.kind = m.change.kind;
        for (const io::PlacedStroke& p : m.change.added) c.ops.push_back({p.stroke, true, 0, 0});
        if (m.change.added.empty()) c.ops.push_back({io::StrokeData{kStroke, {}, {}}, false, 1, 0});
        for (StrokeOp& op : c.ops) {
            if (op.stroke.id == kStroke) op.base = 1;
        }
        page.apply(c, seq);
    };
    ShareChange drawn;
    drawn.board = 9;
    drawn.number = 1;
    drawn.ops.push_back({io::StrokeData{kStroke, kOriginal, {}}, true, 0, 0});
    page.apply(drawn, 1);
    if (erasing(first) || erasing(second)) return textOf({});
    const bool firstWins = cutting(first);
    apply(make(firstWins ? first : second, firstWins ? firstWho : secondWho),
          firstWins ? firstWho : secondWho, 2);
    return page.pageText();
}

struct Board {
    PageReplica replica;
    // The strokes the board's drawing shows, kept up by reconcile().
    std::map<io::StrokeId, io::StrokeData> strokes;
    explicit Board(BoardId id) : replica(id) {}
    void keepUp() {
        const io::Change c = replica.reconcile(nullptr);
        for (const io::StrokeAt& r : c.removed) strokes.erase(r.id);
        for (const io::PlacedStroke& p : c.added) strokes[p.stroke.id] = p.stroke;
    }
    std::string drawingText() const {
        io::PageContent page;
        for (const auto& [id, s] : strokes) {
            page.strokes.push_back(s.points);
            page.colours.push_back(s.colour);
        }
        return textOf(page);
    }
    void takeOwn(const Made& m, std::uint64_t number, bool undo) {
        const io::Change& c = undo ? m.inverse : m.change;
        for (const io::StrokeAt& r : c.removed) strokes.erase(r.id);
        for (const io::PlacedStroke& p : c.added) strokes[p.stroke.id] = p.stroke;
        replica.local(c, number, [&](io::StrokeId id) { return id == m.piece ? kStroke : 0; }, undo);
    }
    // What the board's history checks before an undo: its strokes are as its change left
    // them.
    bool showsAsLeft(const Made& m) const {
        for (const io::StrokeAt& r : m.change.removed) {
            const bool stays = std::any_of(m.change.added.begin(), m.change.added.end(),
                                           [&](const auto& p) { return p.stroke.id == r.id; });
            if (!stays && strokes.contains(r.id)) return false;
        }
        for (const io::PlacedStroke& p : m.change.added) {
            const auto it = strokes.find(p.stroke.id);
            if (it == strokes.end() || it->second.points != p.stroke.points) return false;
        }
        return true;
    }
};

// What goes on the wire, and comes back decoded.
std::vector<ShareChange> wire(Board& board) {
    std::vector<ShareChange> out;
    for (const PageReplica::Pending* p : board.replica.takeSendable()) {
        std::string error;
        const auto back = decodeChange(encodeChange(p->change), error);
        EXPECT_TRUE(back) << error;
        if (back) out.push_back(*back);
    }
    return out;
}

enum class Undo { None, Early, Late };

TEST(ConflictTable, EveryPairOfSameStrokeChangesConvergesAsTheTableSays) {
    const Kind kinds[] = {Kind::Move, Kind::Erase, Kind::Clear, Kind::Split, Kind::Trim};
    ShareChange drawn;
    drawn.board = 9;
    drawn.number = 1;
    drawn.ops.push_back({io::StrokeData{kStroke, kOriginal, {}}, true, 0, 0});
    const auto erasing = [](Kind k) { return k == Kind::Erase || k == Kind::Clear; };
    for (const Kind a : kinds) {
        for (const Kind b : kinds) {
            for (const bool aFirst : {true, false}) {
                for (const int undoer : {1, 2}) {
                    for (const Undo undo : {Undo::None, Undo::Early, Undo::Late}) {
                        if (undo == Undo::None && undoer == 2) continue;
                        SCOPED_TRACE(std::string("board 1 ") + name(a) + ", board 2 " + name(b) +
                                     (aFirst ? ", 1's first" : ", 2's first") +
                                     (undo == Undo::None ? ""
                                      : undo == Undo::Early ? ", board " + std::to_string(undoer) + " undoes at once"
                                                            : ", board " + std::to_string(undoer) + " undoes later"));
                        Board one(1), two(2);
                        Board& u = undoer == 1 ? one : two;
                        const Made ma = make(a, 1), mb = make(b, 2);
                        const Made& mu = undoer == 1 ? ma : mb;
                        std::vector<std::pair<ShareChange, Seq>> log{{drawn, 1}};
                        for (Board* board : {&one, &two}) {
                            board->replica.receive(drawn, 1);
                            for (const io::StrokeData& s : board->replica.showAll()) board->strokes[s.id] = s;
                        }
                        one.takeOwn(ma, 1, false);
                        two.takeOwn(mb, 1, false);
                        if (undo == Undo::Early) u.takeOwn(mu, 2, true);
                        const std::vector<ShareChange> ra = wire(one), rb = wire(two);
                        ASSERT_EQ(ra.size(), 1u);
                        ASSERT_EQ(rb.size(), 1u);
                        log.emplace_back(aFirst ? ra[0] : rb[0], 2);
                        log.emplace_back(aFirst ? rb[0] : ra[0], 3);
                        const auto deliver = [&](std::size_t from) {
                            for (Board* board : {&one, &two}) {
                                for (std::size_t i = from; i < log.size(); ++i) {
                                    board->replica.receive(log[i].first, log[i].second);
                                    board->keepUp();
                                }
                            }
                        };
                        deliver(1);
                        PageState room;
                        for (const auto& [c, seq] : log) room.apply(c, seq);
                        EXPECT_EQ(room.pageText(),
                                  expected(aFirst ? a : b, aFirst ? 1 : 2, aFirst ? b : a, aFirst ? 2 : 1));
                        const std::string before = room.pageText();
                        if (undo == Undo::Late && u.showsAsLeft(mu)) u.takeOwn(mu, 2, true);
                        for (const ShareChange& c : wire(u)) log.emplace_back(c, log.size() + 1);
                        deliver(3);
                        PageState joiner;
                        for (const auto& [c, seq] : log) joiner.apply(c, seq);
                        const std::string page = joiner.pageText();
                        for (Board* board : {&one, &two}) {
                            EXPECT_EQ(board->replica.shownText(), page);
                            EXPECT_EQ(board->drawingText(), page);
                            EXPECT_TRUE(board->replica.pending().empty());
                        }
                        // An erased stroke never comes back but by its own eraser's undo.
                        if ((erasing(a) && (undo == Undo::None || undoer != 1)) ||
                            (erasing(b) && (undo == Undo::None || undoer != 2))) {
                            EXPECT_EQ(page, textOf({}));
                        }
                        // An undo applies whole or not at all: the page stays, or the undoing
                        // board's stroke is back as it was and its piece gone.
                        if (page != before) {
                            const StrokeEntry* s = joiner.table().find(kStroke);
                            ASSERT_TRUE(s && s->present);
                            EXPECT_EQ(s->points, kOriginal);
                            const StrokeEntry* p = mu.piece ? joiner.table().find(mu.piece) : nullptr;
                            EXPECT_TRUE(p == nullptr || !p->present);
                        }
                    }
                }
            }
        }
    }
}

}  // namespace
