// Records and snapshots come from the network: whatever bytes arrive, decoding either
// refuses them with a reason or gives a record that encodes back to exactly those bytes,
// and never reads outside them. Random records round-trip; damaged ones (bytes flipped,
// cut short, lengthened, counts inflated) are refused or harmless. So are snapshots sent in
// parts.
#include <gtest/gtest.h>

#include <random>

#include "share/LiveInk.h"
#include "share/RecordCodec.h"
#include "share/SnapshotParts.h"

namespace {

using namespace share;

io::StrokeData randomStroke(std::mt19937_64& rng, io::StrokeId id) {
    std::uniform_real_distribution<float> v(-10.0f, 910.0f);
    io::StrokeData s;
    s.id = id;
    s.colour = Rgb{static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
                   static_cast<std::uint8_t>(rng())};
    s.points.resize(1 + rng() % 20);
    for (ControlPoint& p : s.points) p = {v(rng), v(rng), v(rng) / 100.0f, v(rng) / 1000.0f};
    return s;
}

ShareChange randomChange(std::mt19937_64& rng) {
    ShareChange c;
    c.board = 1 + rng() % 1000;
    c.number = 1 + rng() % 100000;
    c.kind = static_cast<io::ChangeKind>(1 + rng() % 9);
    c.undo = rng() % 2;
    io::StrokeId id = 0;
    for (int i = static_cast<int>(rng() % 6); i > 0; --i) {
        StrokeOp op;
        id += 1 + rng() % 5000;
        op.base = rng() % 3 == 0 ? 0 : (rng() % 10 == 0 ? kForeign : 1 + rng() % 9999);
        op.present = op.base == 0 || rng() % 2;
        op.stroke = op.present ? randomStroke(rng, id) : io::StrokeData{id, {}, {}};
        if (op.base == 0 && rng() % 3 == 0) op.origin = 1 + rng() % 9999;
        if (op.origin == id) op.origin = 0;
        c.ops.push_back(std::move(op));
    }
    // Page attributes now and then, ascending by name, "" for one unset.
    if (rng() % 3 == 0) {
        const std::string names[] = {"background", "backgroundPage", "paper"};
        const std::string values[][2] = {{"", "material-3f2a9c01d4e5b6a7.pdf"}, {"", "12"}, {"", "dotted"}};
        for (int k = 0; k < 3; ++k) {
            if (rng() % 2) c.page.push_back(AttributeOp{names[k], values[k][rng() % 2], rng() % 3 == 0 ? 0 : 1 + rng() % 9999});
        }
    }
    return c;
}

// Bytes flipped, cut, lengthened, or a 32-bit field set huge.
std::string damage(std::string bytes, std::mt19937_64& rng) {
    switch (rng() % 4) {
        case 0:
            for (int i = 0; i < 3 && !bytes.empty(); ++i) bytes[rng() % bytes.size()] ^= static_cast<char>(1 + rng() % 255);
            break;
        case 1:
            bytes.resize(rng() % (bytes.size() + 1));
            break;
        case 2:
            bytes.append(1 + rng() % 8, static_cast<char>(rng()));
            break;
        default:
            if (bytes.size() >= 4) {
                const std::size_t at = rng() % (bytes.size() - 3);
                for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(0xFF);
            }
    }
    return bytes;
}

TEST(RecordCodec, RecordsRoundTripAndDamagedOnesAreRefusedWhole) {
    std::mt19937_64 rng(7);
    std::string error;
    for (int i = 0; i < 3000; ++i) {
        const ShareChange c = randomChange(rng);
        const std::string bytes = encodeChange(c);
        ASSERT_EQ(bytes.size(), encodedSize(c));
        const auto back = decodeChange(bytes, error);
        ASSERT_TRUE(back) << error;
        ASSERT_EQ(*back, c);
        // Equality leaves the decoder's count of each stroke's page-file length out: checked here.
        for (const StrokeOp& op : back->ops) {
            if (op.present) {
                ASSERT_EQ(op.textBytes, io::strokeTextBytes(op.stroke.points, op.stroke.colour));
            }
        }
        const std::string bad = damage(bytes, rng);
        if (const auto d = decodeChange(bad, error)) {
            EXPECT_EQ(encodeChange(*d), bad);
        }
        // A background outside the lesson folder, or a value the page cannot take.
        ShareChange hostile = c;
        hostile.page = {AttributeOp{i % 2 ? "background" : "paper", i % 2 ? "../../etc/passwd" : "wavy", 0}};
        EXPECT_FALSE(decodeChange(encodeChange(hostile), error));

        LiveInk ink{c.board, c.number, static_cast<std::uint32_t>(rng() % 50), rng() % 2 == 0,
                    Rgb{1, 2, 3}, randomStroke(rng, 1).points};
        const std::string inkBytes = encodeInk(ink);
        ASSERT_EQ(decodeInk(inkBytes, error), ink);
        const std::string badInk = damage(inkBytes, rng);
        if (const auto d = decodeInk(badInk, error)) {
            EXPECT_EQ(encodeInk(*d), badInk);
        }
    }
}

TEST(RecordCodec, SnapshotsRoundTripAndDamagedOnesAreRefusedWhole) {
    std::mt19937_64 rng(11);
    std::string error;
    for (int i = 0; i < 300; ++i) {
        PageState page;
        Seq seq = 0;
        for (int k = 0; k < 8; ++k) {
            ShareChange c = randomChange(rng);
            for (StrokeOp& op : c.ops) op.base = op.base == 0 ? 0 : 1 + rng() % (seq + 1);
            for (AttributeOp& a : c.page) a.base = rng() % (seq + 1);
            page.apply(c, seq += 1 + rng() % 3);
        }
        const std::string bytes = encodeSnapshot(page);
        const auto back = decodeSnapshot(bytes, error);
        ASSERT_TRUE(back) << error;
        ASSERT_EQ(encodeSnapshot(*back), bytes);
        ASSERT_EQ(back->pageText(), page.pageText());
        const std::string bad = damage(bytes, rng);
        if (const auto d = decodeSnapshot(bad, error)) {
            EXPECT_EQ(encodeSnapshot(*d), bad);
        }

        // In parts: whole, it assembles to the same bytes; with the index or a part damaged,
        // a part missing or two swapped, it is refused or still the same snapshot.
        const SnapshotIndex index = indexSnapshot(bytes, page.seq(), rng(), kSnapshotPartHeader + 1 + rng() % 200);
        std::vector<std::string> parts;
        for (std::uint32_t k = 0; k < index.parts; ++k) parts.push_back(encodeSnapshotPart(index, bytes, k));
        std::string head = encodeSnapshotIndex(index);
        const auto assemble = [&] {
            return assembleSnapshot(head, [&](std::uint32_t k) {
                return k < parts.size() ? std::optional<std::string>(parts[k]) : std::nullopt;
            }, error);
        };
        const auto whole = assemble();
        ASSERT_TRUE(whole) << error;
        ASSERT_EQ(encodeSnapshot(*whole), bytes);
        const std::size_t k = rng() % parts.size();
        switch (rng() % 4) {
            case 0: head = damage(head, rng); break;
            case 1: parts[k] = damage(parts[k], rng); break;
            case 2: parts.erase(parts.begin() + static_cast<std::ptrdiff_t>(k)); break;
            default: std::swap(parts[k], parts[rng() % parts.size()]); break;
        }
        if (const auto d = assemble()) {
            EXPECT_EQ(encodeSnapshot(*d), bytes);
        }
    }
}

// Pieces of ink waiting to go are joined into one message: at a receiver that has the
// first piece's start, it leaves the stroke as the pieces one by one would; a piece that
// cannot be joined (another stroke, an end, a gap) leaves the queued one as it was.
TEST(LiveInk, JoinedPiecesDrawWhatThePiecesDraw) {
    std::mt19937_64 rng(5);
    const auto take = [](std::vector<ControlPoint>& at, const LiveInk& ink) {
        if (ink.from > at.size()) return;  // a piece was lost: the receiver waits for more
        at.resize(ink.from);
        at.insert(at.end(), ink.points.begin(), ink.points.end());
    };
    const auto piece = [&](std::size_t upTo) {
        return LiveInk{7, rng() % 5 == 0 ? 2u : 1u, static_cast<std::uint32_t>(rng() % (upTo + 1)),
                       rng() % 6 == 0, Rgb{}, randomStroke(rng, 1).points};
    };
    for (int i = 0; i < 1000; ++i) {
        std::vector<ControlPoint> one = randomStroke(rng, 1).points, joined = one;
        LiveInk queued = piece(one.size());
        queued.ended = false;
        queued.stroke = 1;
        take(one, queued);
        for (int k = 0; k < 6; ++k) {
            const LiveInk next = piece(one.size() + 2);
            const LiveInk before = queued;
            if (!joinInk(queued, next)) {
                ASSERT_EQ(queued, before);
                ASSERT_TRUE(next.ended || next.stroke != 1 || next.from > one.size()) << "case " << i;
                break;
            }
            take(one, next);
        }
        take(joined, queued);
        ASSERT_EQ(joined, one) << "case " << i;
    }
}

}  // namespace
