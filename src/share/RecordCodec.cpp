#include "share/RecordCodec.h"

#include <bit>
#include <cmath>
#include <cstddef>

#include "io/ByteCodec.h"
#include "io/PageStyle.h"

namespace share {

using io::ByteReader;
using io::ByteWriter;

namespace {

constexpr std::uint8_t kChangeType = 1;
constexpr std::uint8_t kSnapshotType = 2;
constexpr std::uint8_t kPresent = 1;
constexpr std::uint8_t kHasOrigin = 2;
constexpr std::size_t kPointBytes = 16;
// Points travel as x, y, r, a, little-endian floats: on a little-endian machine, the bytes
// of a point array as it lies in memory (a snapshot writes megabytes of them).
constexpr bool kPointsAsInMemory = std::endian::native == std::endian::little &&
                                   sizeof(ControlPoint) == kPointBytes &&
                                   offsetof(ControlPoint, y) == 4 && offsetof(ControlPoint, r) == 8 &&
                                   offsetof(ControlPoint, a) == 12;
// The least an op or a snapshot entry can take: id, flags, base or versions.
constexpr std::size_t kMinOpBytes = 17;
constexpr std::size_t kMinEntryBytes = 33;

void writeStroke(ByteWriter& w, const std::vector<ControlPoint>& points, Rgb colour) {
    w.u8(colour.r);
    w.u8(colour.g);
    w.u8(colour.b);
    w.u32(static_cast<std::uint32_t>(points.size()));
    if constexpr (kPointsAsInMemory) {
        w.bytes({reinterpret_cast<const char*>(points.data()), points.size() * kPointBytes});
        return;
    }
    for (const ControlPoint& p : points) {
        w.f32(p.x);
        w.f32(p.y);
        w.f32(p.r);
        w.f32(p.a);
    }
}

// A present stroke has at least one point, every value finite.
bool readStroke(ByteReader& r, std::vector<ControlPoint>& points, Rgb& colour,
                std::string& error) {
    colour.r = r.u8();
    colour.g = r.u8();
    colour.b = r.u8();
    const std::uint32_t n = r.u32();
    if (r.failed || n == 0 || n > r.left() / kPointBytes) {
        error = "a stroke's point count does not fit the record";
        return false;
    }
    points.resize(n);
    for (ControlPoint& p : points) {
        p.x = r.f32();
        p.y = r.f32();
        p.r = r.f32();
        p.a = r.f32();
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.r) ||
            !std::isfinite(p.a)) {
            error = "a point is not a finite number";
            return false;
        }
    }
    return true;
}

bool validId(io::StrokeId id, io::StrokeId previous) {
    return id != 0 && id <= io::kMaxStrokeId && id > previous;
}

// The change's flags byte: bit 0 an undo or redo, bit 1 page attributes follow the ops.
// A record written before pages had attributes has 0 or 1 there.
constexpr std::uint8_t kUndo = 1;
constexpr std::uint8_t kHasPage = 2;

void writeText(ByteWriter& w, const std::string& text) {
    w.u8(static_cast<std::uint8_t>(text.size()));
    w.bytes(text);
}

// attributes = count:u8 (name:text value:text version:u64)*count, ascending name; the
// version is a change's base or a snapshot's version.
template <class Put>
bool readAttributes(ByteReader& r, std::string& error, Put put) {
    const std::uint8_t count = r.u8();
    std::string previous;
    for (int i = 0; i < count; ++i) {
        std::string name(r.take(r.u8()));
        std::string value(r.take(r.u8()));
        const Version version = r.u64();
        if (r.failed || (i > 0 && name <= previous) || !sendableAttribute(name, value)) {
            error = "a page attribute is unknown, out of order or has a value it cannot take";
            return false;
        }
        if (!put(name, std::move(value), version)) return false;
        previous = std::move(name);
    }
    if (r.failed) error = "the page attributes do not fit";
    return !r.failed;
}

}  // namespace

// A background must name a file inside the lesson folder: the name is used to open one.
bool sendableAttribute(const std::string& name, const std::string& value) {
    io::PageStyle style;
    if (name.size() > 255 || value.size() > 255 || !io::setStyleAttribute(style, name, value)) return false;
    return style.background.empty() || io::plainFileName(style.background);
}

std::size_t encodedSize(const ShareChange& change) {
    std::size_t n = 1 + 8 + 8 + 1 + 1 + 4;
    for (const StrokeOp& op : change.ops) {
        n += kMinOpBytes + (op.origin != 0 ? 8 : 0);
        if (op.present) n += 3 + 4 + kPointBytes * op.stroke.points.size();
    }
    if (!change.page.empty()) n += 1;
    for (const AttributeOp& a : change.page) n += 2 + a.name.size() + a.value.size() + 8;
    return n;
}

std::string encodeChange(const ShareChange& change) {
    ByteWriter w;
    w.out.reserve(encodedSize(change));
    appendChange(w, change);
    return std::move(w.out);
}

void appendChange(ByteWriter& w, const ShareChange& change, bool localAsForeign) {
    const auto base = [&](Version v) { return localAsForeign && isLocal(v) ? kForeign : v; };
    w.u8(kChangeType);
    w.u64(change.board);
    w.u64(change.number);
    w.u8(static_cast<std::uint8_t>(change.kind));
    w.u8(static_cast<std::uint8_t>((change.undo ? kUndo : 0) | (change.page.empty() ? 0 : kHasPage)));
    w.u32(static_cast<std::uint32_t>(change.ops.size()));
    for (const StrokeOp& op : change.ops) {
        w.u64(op.stroke.id);
        w.u64(base(op.base));
        w.u8(static_cast<std::uint8_t>((op.present ? kPresent : 0) |
                                       (op.origin != 0 ? kHasOrigin : 0)));
        if (op.origin != 0) w.u64(op.origin);
        if (op.present) writeStroke(w, op.stroke.points, op.stroke.colour);
    }
    if (!change.page.empty()) {
        w.u8(static_cast<std::uint8_t>(change.page.size()));
        for (const AttributeOp& a : change.page) {
            writeText(w, a.name);
            writeText(w, a.value);
            w.u64(base(a.base));
        }
    }
}

std::optional<ShareChange> decodeChange(std::string_view bytes, std::string& error) {
    if (bytes.size() > kMaxRecordBytes) {
        error = "the record is larger than 8 MiB";
        return std::nullopt;
    }
    ByteReader r(bytes);
    if (r.u8() != kChangeType) {
        error = "not a change record";
        return std::nullopt;
    }
    ShareChange c;
    c.board = r.u64();
    c.number = r.u64();
    const std::uint8_t kind = r.u8();
    const std::uint8_t flags = r.u8();
    const std::uint32_t count = r.u32();
    if (r.failed || c.board == 0 || c.number == 0) {
        error = "the record's board or number is missing";
        return std::nullopt;
    }
    if (kind < 1 || kind > static_cast<std::uint8_t>(io::ChangeKind::Paper) ||
        (flags & ~(kUndo | kHasPage)) != 0) {
        error = "unknown change kind";
        return std::nullopt;
    }
    c.kind = static_cast<io::ChangeKind>(kind);
    c.undo = (flags & kUndo) != 0;
    if (count > r.left() / kMinOpBytes) {
        error = "the op count does not fit the record";
        return std::nullopt;
    }
    c.ops.resize(count);
    io::StrokeId previous = 0;
    for (StrokeOp& op : c.ops) {
        op.stroke.id = r.u64();
        op.base = r.u64();
        const std::uint8_t flags = r.u8();
        if (r.failed || !validId(op.stroke.id, previous)) {
            error = "stroke ids are not ascending, or out of range";
            return std::nullopt;
        }
        previous = op.stroke.id;
        if ((flags & ~(kPresent | kHasOrigin)) != 0 || (op.base >= kLocalBit && op.base != kForeign)) {
            error = "an op's flags or base are out of range";
            return std::nullopt;
        }
        op.present = (flags & kPresent) != 0;
        if ((flags & kHasOrigin) != 0) {
            op.origin = r.u64();
            // Only a stroke new to the room can name what it was cut from.
            if (op.base != 0 || op.origin == 0 || op.origin == op.stroke.id ||
                op.origin > io::kMaxStrokeId) {
                error = "an op's origin is out of range";
                return std::nullopt;
            }
        }
        if (op.base == 0 && !op.present) {
            error = "an op removes a stroke new to the room";
            return std::nullopt;
        }
        if (op.present && !readStroke(r, op.stroke.points, op.stroke.colour, error)) {
            return std::nullopt;
        }
        // Counted here, on the link's thread, for the page-size check of the drawing's.
        if (op.present) op.textBytes = io::strokeTextBytes(op.stroke.points, op.stroke.colour);
    }
    const auto putAttribute = [&](std::string name, std::string value, Version base) {
        if (base >= kLocalBit && base != kForeign) {
            error = "a page attribute's base is out of range";
            return false;
        }
        c.page.push_back(AttributeOp{std::move(name), std::move(value), base});
        return true;
    };
    if ((flags & kHasPage) != 0 && !readAttributes(r, error, putAttribute)) return std::nullopt;
    if (r.failed || r.left() != 0) {
        error = "the record's length does not match its contents";
        return std::nullopt;
    }
    return c;
}

std::string encodeSnapshot(const PageState& page) {
    ByteWriter w;
    w.u8(kSnapshotType);
    w.u64(page.seq());
    w.u32(static_cast<std::uint32_t>(page.lastNumbers().size()));
    for (const auto& [board, number] : page.lastNumbers()) {
        w.u64(board);
        w.u64(number);
    }
    w.u32(static_cast<std::uint32_t>(page.table().own().size()));
    for (const auto& [id, e] : page.table().own()) {
        w.u64(id);
        w.u8(static_cast<std::uint8_t>((e.present ? kPresent : 0) | (e.origin != 0 ? kHasOrigin : 0)));
        w.u64(e.version);
        w.u64(e.created);
        w.u64(e.cutAt);
        if (e.origin != 0) w.u64(e.origin);
        if (e.present) writeStroke(w, e.points, e.colour);
    }
    // Only a page with attributes has them: other snapshots keep the bytes they had before.
    const auto& attributes = page.table().ownAttributes();
    if (!attributes.empty()) {
        w.u8(static_cast<std::uint8_t>(attributes.size()));
        for (const auto& [name, e] : attributes) {
            writeText(w, name);
            writeText(w, e.value);
            w.u64(e.version);
        }
    }
    return std::move(w.out);
}

std::optional<PageState> decodeSnapshot(std::string_view bytes, std::string& error) {
    if (bytes.size() > kMaxSnapshotBytes) {
        error = "the snapshot is larger than a page file may be";
        return std::nullopt;
    }
    ByteReader r(bytes);
    if (r.u8() != kSnapshotType) {
        error = "not a snapshot";
        return std::nullopt;
    }
    const Seq seq = r.u64();
    const std::uint32_t boards = r.u32();
    if (r.failed || seq >= kLocalBit || boards > r.left() / 16) {
        error = "the snapshot's header does not fit it";
        return std::nullopt;
    }
    std::map<BoardId, std::uint64_t> numbers;
    BoardId previousBoard = 0;
    for (std::uint32_t i = 0; i < boards; ++i) {
        const BoardId board = r.u64();
        const std::uint64_t number = r.u64();
        if (board <= previousBoard) {
            error = "the snapshot's boards are not ascending";
            return std::nullopt;
        }
        previousBoard = board;
        numbers.emplace(board, number);
    }
    PageState page;
    page.restore(seq, std::move(numbers));
    const std::uint32_t count = r.u32();
    if (r.failed || count > r.left() / kMinEntryBytes) {
        error = "the snapshot's stroke count does not fit it";
        return std::nullopt;
    }
    io::StrokeId previous = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const io::StrokeId id = r.u64();
        const std::uint8_t flags = r.u8();
        StrokeEntry e;
        e.present = (flags & kPresent) != 0;
        e.version = r.u64();
        e.created = r.u64();
        e.cutAt = r.u64();
        if (r.failed || !validId(id, previous) || (flags & ~(kPresent | kHasOrigin)) != 0 ||
            e.version == 0 || e.version > seq || e.created == 0 || e.created > e.version ||
            e.cutAt > e.version) {
            error = "a snapshot entry's id, flags or versions are out of range";
            return std::nullopt;
        }
        previous = id;
        if ((flags & kHasOrigin) != 0) {
            e.origin = r.u64();
            if (e.origin == 0 || e.origin == id || e.origin > io::kMaxStrokeId) {
                error = "a snapshot entry's origin is out of range";
                return std::nullopt;
            }
        }
        if (e.present && !readStroke(r, e.points, e.colour, error)) return std::nullopt;
        if (e.present) e.textBytes = io::strokeTextBytes(e.points, e.colour);
        page.restoreEntry(id, std::move(e));
    }
    const auto putAttribute = [&](const std::string& name, std::string value, Version version) {
        if (version == 0 || version > seq) {
            error = "a page attribute's version is out of range";
            return false;
        }
        page.restoreAttribute(name, AttributeEntry{std::move(value), version});
        return true;
    };
    if (!r.failed && r.left() != 0 && !readAttributes(r, error, putAttribute)) return std::nullopt;
    if (r.failed || r.left() != 0) {
        error = "the snapshot's length does not match its contents";
        return std::nullopt;
    }
    if (page.textBytes() > page.textLimit()) {
        error = "the snapshot's page is larger than a page file may hold";
        return std::nullopt;
    }
    return page;
}

}  // namespace share
