// libFuzzer target for what a shared board receives from its room: change records, page
// snapshots and live ink are bytes from the network, as untrusted as a file. Each input is
// played into a board that has a page of six strokes open in a room (its own page offered as
// the room's first change), and after every message the page must stay whole and the drawing
// must show exactly the page the board holds. The first input byte chooses between
//   odd:  the rest is messages, each a kind byte (0 change, 1 snapshot, whole or as an index
//         and its parts, 2 ink, 3 the room storing or refusing the board's change) and a
//         two-byte little-endian length;
//   even: the rest drives a generator of well-formed records (few stroke ids, bases that
//         name earlier records or none, undos, cuts, duplicates, snapshots of the board's
//         own room state, whole or in parts), one byte of each sometimes flipped before it is decoded, so
//         that the rules see records that decode, and the decoders nearly-good ones.
// A record that decodes must encode to the same bytes: nothing of it was passed over.
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>

#include "PageWhole.h"
#include "document/PageHistories.h"
#include "share/RecordCodec.h"
#include "share/ShareSession.h"
#include "share/SnapshotParts.h"

namespace {

using namespace share;
using pageoracle::violated;

constexpr BoardId kBoard = 7;

io::PageContent smallPage() {
    io::PageContent page;
    for (int i = 0; i < 6; ++i) {
        const float y = 100.0f + 120.0f * static_cast<float>(i);
        page.strokes.push_back({{100.0f, y, 3.0f, 1.0f}, {450.0f, y + 40.0f, 4.0f, 0.8f}, {800.0f, y, 2.0f, 0.5f}});
    }
    return page;
}

// The room as the board sees it through its link: what the test queues, in order.
struct FuzzLink final : RoomLink {
    std::vector<RoomEvent> queued;
    std::vector<std::uint64_t> sent;  // numbers of the board's changes handed over
    void follow(int, Seq) override {}
    void send(int, const ShareChange& c, bool) override { sent.push_back(c.number); }
    void sendSnapshot(int, const PageState&) override {}
    void sendInk(int, const LiveInk&) override {}
    std::vector<RoomEvent> poll() override { return std::exchange(queued, {}); }
    void setWake(std::function<void()>) override {}
    std::size_t unsent() const override { return 0; }
};

constexpr std::size_t kIndexBytes = 33;  // a snapshot index's length

struct Reader {
    std::string_view in;
    std::uint8_t byte() {
        if (in.empty()) return 0;
        const auto b = static_cast<std::uint8_t>(in[0]);
        in.remove_prefix(1);
        return b;
    }
};

// What a board's link makes of a message's bytes: the decoded event, or a line saying it was
// dropped. A decoded record or ink must be what its bytes say, byte for byte.
RoomEvent received(int kind, std::string_view bytes, Seq& seq) {
    RoomEvent e;
    std::string error;
    if (kind == 0) {
        e.change = decodeChange(bytes, error);
        if (e.change && encodeChange(*e.change) != bytes) violated("a change record decodes to another");
        e.type = e.change ? RoomEvent::Type::Record : RoomEvent::Type::Problem;
        e.seq = ++seq;
    } else if (kind == 1 && isSnapshotIndex(bytes)) {
        // A snapshot in parts: its index, then each part after a two-byte length.
        std::vector<std::string> parts;
        Reader r{bytes.substr(std::min<std::size_t>(kIndexBytes, bytes.size()))};
        while (!r.in.empty()) {
            const std::size_t length = std::min<std::size_t>(r.byte() | (r.byte() << 8), r.in.size());
            parts.emplace_back(r.in.substr(0, length));
            r.in.remove_prefix(length);
        }
        e.snapshot = assembleSnapshot(bytes.substr(0, kIndexBytes), [&](std::uint32_t k) {
            return k < parts.size() ? std::optional<std::string>(parts[k]) : std::nullopt;
        }, error);
        e.type = e.snapshot ? RoomEvent::Type::Snapshot : RoomEvent::Type::Problem;
        if (e.snapshot) seq = std::max(seq, e.snapshot->seq());
    } else if (kind == 1) {
        e.snapshot = decodeSnapshot(bytes, error);
        e.type = e.snapshot ? RoomEvent::Type::Snapshot : RoomEvent::Type::Problem;
        if (e.snapshot) seq = std::max(seq, e.snapshot->seq());
    } else {
        e.ink = decodeInk(bytes, error);
        if (e.ink && encodeInk(*e.ink) != bytes) violated("a live ink message decodes to another");
        e.type = e.ink ? RoomEvent::Type::Ink : RoomEvent::Type::Problem;
    }
    e.text = error;
    return e;
}

// The snapshot as received() takes one in parts.
std::string inParts(const std::string& snapshot, std::size_t partBytes) {
    const SnapshotIndex index = indexSnapshot(snapshot, 0, 42, partBytes);
    std::string out = encodeSnapshotIndex(index);
    for (std::uint32_t k = 0; k < index.parts; ++k) {
        const std::string part = encodeSnapshotPart(index, snapshot, k);
        out.push_back(static_cast<char>(part.size() & 0xFF));
        out.push_back(static_cast<char>(part.size() >> 8));
        out += part;
    }
    return out;
}

float coordinate(Reader& r) { return 50.0f + 4.0f * static_cast<float>(r.byte()); }

// A well-formed change of a few strokes, driven by the input.
ShareChange generated(Reader& r, Seq seq, std::uint64_t& number) {
    ShareChange c;
    const std::uint8_t head = r.byte();
    c.board = 1 + head % 3;
    number += (head & 8) ? 0 : 1;  // now and then the same number again
    c.number = std::max<std::uint64_t>(number, 1);
    c.kind = static_cast<io::ChangeKind>(1 + r.byte() % 9);
    c.undo = (head & 16) != 0;
    const int ops = 1 + r.byte() % 4;
    io::StrokeId id = 0;
    for (int i = 0; i < ops; ++i) {
        const std::uint8_t b = r.byte();
        // Ids of the six strokes the page started with (1..6, seeded under the board's ids),
        // and new ones of the three other boards.
        id = std::max(id + 1, (static_cast<io::StrokeId>(1 + b % 12) << kTagBits) | (b % 12 < 6 ? 1 : c.board + 8));
        StrokeOp op;
        op.stroke.id = id;
        const std::uint8_t base = r.byte();
        op.base = base % 4 == 0 ? 0 : base % 4 == 1 ? kForeign : 1 + base % std::max<Seq>(seq, 1);
        op.present = op.base == 0 || (base & 4) != 0;
        if (op.base == 0 && (base & 8) != 0) op.origin = (static_cast<io::StrokeId>(1 + base % 6) << kTagBits) | 1;
        if (op.origin == op.stroke.id) op.origin = 0;
        if (op.present) {
            const int points = 1 + r.byte() % 4;
            for (int p = 0; p < points; ++p)
                op.stroke.points.push_back({coordinate(r), coordinate(r), 1.0f + r.byte() % 8, 0.5f});
            op.stroke.colour = Rgb{r.byte(), 0, 0};
        }
        c.ops.push_back(std::move(op));
    }
    return c;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static std::ostringstream log;
    log.str("");
    static const io::PageContent page = smallPage();
    Drawing d(log);
    d.brush.setTraceStream(nullptr);
    d.loadContent(page);
    PageHistories histories(d);
    FuzzLink link;
    // Rescues go nowhere: a folder that does not exist.
    ShareSession session(d, histories, link, {kBoard, 1, 1}, log,
                         [](int n) { return "/nonexistent-inkboard-fuzz/" + std::to_string(n) + ".xml"; });
    session.pageOpened(0);

    Reader r{std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1)};
    const bool raw = (data[0] & 1) != 0;
    Seq seq = 0;
    std::uint64_t number = 0;
    for (int message = 0; message < 64 && !r.in.empty(); ++message) {
        const std::uint8_t kind = r.byte();
        if (raw) {
            const std::size_t length = std::min<std::size_t>(r.byte() | (r.byte() << 8), r.in.size());
            // A snapshot comes only first, as a board's link delivers it.
            if (kind % 4 < 3 && (kind % 4 != 1 || seq == 0)) {
                link.queued.push_back(received(kind % 4, r.in.substr(0, length), seq));
            } else if (!link.sent.empty()) {
                RoomEvent e;
                e.type = (kind & 4) ? RoomEvent::Type::Refused : RoomEvent::Type::Stored;
                e.number = link.sent[kind / 8 % link.sent.size()];
                e.seq = ++seq;
                link.queued.push_back(std::move(e));
            }
            r.in.remove_prefix(length);
        } else {
            std::string bytes;
            int as = kind % 4;
            if (as == 0 || as == 3) {
                bytes = encodeChange(generated(r, seq, number));
                as = 0;
            } else if (as == 1) {
                if (seq != 0) continue;  // only first, as a board's link delivers it
                bytes = encodeSnapshot(session.replica(0)->room());
                if ((kind & 0x20) != 0) bytes = inParts(bytes, kSnapshotPartHeader + 1 + r.byte() % 64);
            } else {
                LiveInk ink;
                ink.board = 1 + r.byte() % 3;
                ink.stroke = r.byte() % 4;
                ink.from = r.byte() % 8;
                ink.ended = (kind & 4) != 0;
                for (int p = r.byte() % 5; p > 0; --p) ink.points.push_back({coordinate(r), coordinate(r), 2.0f, 1.0f});
                bytes = encodeInk(ink);
            }
            if ((kind & 0x80) != 0 && !bytes.empty()) bytes[r.byte() * 131u % bytes.size()] ^= static_cast<char>(1 + (kind & 0x3f));
            link.queued.push_back(received(as, bytes, seq));
            if ((kind & 0x40) != 0) histories.undo();
        }
        session.pump();
        pageoracle::checkWhole(d);
        if (d.visitingInk.size() > 64) violated("strokes in progress pile up");
    }
    session.pump();
    pageoracle::checkWhole(d);
    if (session.replica(0)->settled() && d.pageText() != session.shownText(0))
        violated("the drawing does not show the page the board holds");
    return 0;
}
