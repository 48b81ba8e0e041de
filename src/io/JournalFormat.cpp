#include "io/JournalFormat.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "io/ByteCodec.h"
#include "io/Checksum.h"

namespace io {

namespace {

constexpr std::string_view kSignature{"INKJRNL\n", 8};
constexpr std::size_t kFrameBytes = 8;  // length and checksum before every payload
// Field tags of a stroke in a change. A reader skips tags it does not know.
constexpr std::uint16_t kPointsTag = 1;
constexpr std::uint16_t kColourTag = 2;  // absent: black
constexpr std::size_t kPointBytes = 16;
// Bounds of a change's page attributes: far above what the page has, far below what a
// crafted record could make a reader allocate.
constexpr std::uint32_t kMaxPageAttributes = 64;
constexpr std::uint32_t kMaxAttributeBytes = 4096;

using Writer = ByteWriter;
using Reader = ByteReader;

void frame(std::string& out, std::string_view payload) {
    Writer w;
    w.u32(static_cast<std::uint32_t>(payload.size()));
    w.u32(crc32c(payload));
    out += w.out;
    out += payload;
}

void writeStamp(Writer& w, const PageStamp& s) {
    w.u8(s.exists ? 1 : 0);
    w.u64(s.size);
    w.u64(s.hash);
}

bool readStamp(Reader& r, PageStamp& s) {
    const std::uint8_t exists = r.u8();
    s.exists = exists == 1;
    s.size = r.u64();
    s.hash = r.u64();
    return exists <= 1;
}

// Ids as runs of consecutive values: a loaded page's ids are one run.
void writeIds(Writer& w, const std::vector<StrokeId>& ids) {
    std::vector<std::pair<StrokeId, std::uint32_t>> runs;
    for (const StrokeId id : ids) {
        if (!runs.empty() && runs.back().first + runs.back().second == id &&
            runs.back().second < UINT32_MAX) {
            ++runs.back().second;
        } else {
            runs.emplace_back(id, 1);
        }
    }
    w.u32(static_cast<std::uint32_t>(runs.size()));
    for (const auto& [first, count] : runs) {
        w.u64(first);
        w.u32(count);
    }
}

// Ids must ascend strictly and be non-zero.
bool readIds(Reader& r, std::vector<StrokeId>& ids) {
    const std::uint32_t runs = r.u32();
    if (runs > r.left() / 12) return false;
    for (std::uint32_t i = 0; i < runs; ++i) {
        const StrokeId first = r.u64();
        const std::uint32_t count = r.u32();
        if (r.failed || count == 0 || first == 0 || first > kMaxStrokeId - count) return false;
        if (!ids.empty() && first <= ids.back()) return false;
        // Each id costs memory here but no bytes in the file: bound the total by what a
        // page can hold, so a crafted run cannot exhaust memory.
        if (ids.size() + count > (std::size_t{1} << 26)) return false;
        for (std::uint32_t k = 0; k < count; ++k) ids.push_back(first + k);
    }
    return !r.failed;
}

void writeString(Writer& w, const std::string& s) {
    w.u32(static_cast<std::uint32_t>(s.size()));
    w.out += s;
}

bool readString(Reader& r, std::string& s) {
    const std::uint32_t length = r.u32();
    if (r.failed || length > kMaxAttributeBytes) return false;
    s = r.take(length);
    return !r.failed;
}

void writeChange(Writer& w, const Change& c) {
    w.u8(static_cast<std::uint8_t>(c.kind));
    w.u32(static_cast<std::uint32_t>(c.removed.size()));
    for (const StrokeAt& s : c.removed) {
        w.u64(s.id);
        w.u32(s.position);
    }
    w.u32(static_cast<std::uint32_t>(c.added.size()));
    for (const PlacedStroke& p : c.added) {
        w.u64(p.stroke.id);
        w.u32(p.position);
        const bool coloured = !p.stroke.colour.isBlack();
        w.u16(coloured ? 2 : 1);  // fields
        if (coloured) {
            w.u16(kColourTag);
            w.u32(3);
            w.u8(p.stroke.colour.r);
            w.u8(p.stroke.colour.g);
            w.u8(p.stroke.colour.b);
        }
        w.u16(kPointsTag);
        w.u32(static_cast<std::uint32_t>(p.stroke.points.size() * kPointBytes));
        for (const ControlPoint& q : p.stroke.points) {
            w.f32(q.x);
            w.f32(q.y);
            w.f32(q.r);
            w.f32(q.a);
        }
    }
    // Only a change of the page's attributes has the part: stroke changes keep the layout
    // older readers know.
    if (!c.page.empty()) {
        w.u32(static_cast<std::uint32_t>(c.page.size()));
        for (const PageAttributeChange& a : c.page) {
            writeString(w, a.name);
            writeString(w, a.before);
            writeString(w, a.after);
        }
    }
}

// Names ascend strictly and are not empty.
bool readPageAttributes(Reader& r, std::vector<PageAttributeChange>& page) {
    const std::uint32_t count = r.u32();
    if (r.failed || count == 0 || count > kMaxPageAttributes) return false;
    page.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        PageAttributeChange& a = page[i];
        if (!readString(r, a.name) || !readString(r, a.before) || !readString(r, a.after))
            return false;
        if (a.name.empty() || (i > 0 && a.name <= page[i - 1].name)) return false;
    }
    return true;
}

bool finite(const ControlPoint& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.r) && std::isfinite(p.a);
}

bool readChange(Reader& r, Change& c) {
    const std::uint8_t kind = r.u8();
    if (kind < static_cast<std::uint8_t>(ChangeKind::Draw) ||
        kind > static_cast<std::uint8_t>(ChangeKind::Paper))
        return false;
    c.kind = static_cast<ChangeKind>(kind);
    const std::uint32_t removed = r.u32();
    if (removed > r.left() / 12) return false;
    c.removed.resize(removed);
    for (StrokeAt& s : c.removed) {
        s.id = r.u64();
        s.position = r.u32();
    }
    const std::uint32_t added = r.u32();
    if (r.failed || added > r.left() / 14) return false;
    c.added.resize(added);
    for (PlacedStroke& p : c.added) {
        p.stroke.id = r.u64();
        p.position = r.u32();
        const std::uint16_t fields = r.u16();
        bool sawPoints = false;
        for (std::uint16_t f = 0; f < fields && !r.failed; ++f) {
            const std::uint16_t tag = r.u16();
            const std::uint32_t length = r.u32();
            Reader field(r.take(length));
            // A length past the record's end must not size anything below.
            if (r.failed) return false;
            if (tag == kColourTag) {
                if (length != 3) return false;
                p.stroke.colour = {field.u8(), field.u8(), field.u8()};
                continue;
            }
            if (tag != kPointsTag) continue;
            if (sawPoints || length % kPointBytes != 0) return false;
            sawPoints = true;
            p.stroke.points.resize(length / kPointBytes);
            for (ControlPoint& q : p.stroke.points) {
                q = {field.f32(), field.f32(), field.f32(), field.f32()};
                if (!finite(q)) return false;
            }
        }
        if (r.failed || p.stroke.points.empty()) return false;
    }
    for (std::size_t i = 0; i < c.removed.size(); ++i) {
        const StrokeId id = c.removed[i].id;
        if (id == 0 || id > kMaxStrokeId || (i > 0 && id <= c.removed[i - 1].id)) return false;
    }
    for (std::size_t i = 0; i < c.added.size(); ++i) {
        const StrokeId id = c.added[i].stroke.id;
        if (id == 0 || id > kMaxStrokeId || (i > 0 && id <= c.added[i - 1].stroke.id)) return false;
    }
    if (!r.failed && r.left() > 0 && !readPageAttributes(r, c.page)) return false;
    return !r.failed;
}

bool decodeEntry(std::string_view payload, JournalEntry& e) {
    Reader r(payload);
    const std::uint8_t type = r.u8();
    switch (type) {
        case static_cast<std::uint8_t>(EntryType::Do):
        case static_cast<std::uint8_t>(EntryType::Undo):
        case static_cast<std::uint8_t>(EntryType::Redo):
            e.type = static_cast<EntryType>(type);
            e.serial = r.u64();
            if (!readChange(r, e.change)) return false;
            break;
        case static_cast<std::uint8_t>(EntryType::Save):
            e.type = EntryType::Save;
            if (!readStamp(r, e.saved)) return false;
            break;
        default:
            return false;
    }
    return !r.failed && r.left() == 0;
}

bool decodeHeader(std::string_view payload, JournalHeader& h) {
    Reader r(payload);
    if (r.u8() != static_cast<std::uint8_t>(EntryType::Header)) return false;
    if (!readStamp(r, h.page) || !readIds(r, h.strokeIds)) return false;
    return !r.failed && r.left() == 0;
}

enum class FrameResult { Good, Torn, Damaged };

// The record at `at`: its payload when the frame is complete and its checksum matches.
FrameResult nextFrame(std::string_view bytes, std::size_t at, std::string_view& payload) {
    if (bytes.size() - at < kFrameBytes) return FrameResult::Torn;
    Reader r(bytes.substr(at, kFrameBytes));
    const std::uint32_t length = r.u32();
    const std::uint32_t crc = r.u32();
    if (length > bytes.size() - at - kFrameBytes) return FrameResult::Torn;
    payload = bytes.substr(at + kFrameBytes, length);
    return crc32c(payload) == crc ? FrameResult::Good : FrameResult::Damaged;
}

// Bytes that reading past damage may checksum: a few passes over the file, so that a
// crafted file full of plausible lengths cannot make the start-up hang.
class SearchBudget {
public:
    explicit SearchBudget(std::size_t fileSize) : left_(4 * fileSize + (std::size_t{1} << 20)) {}
    std::size_t left() const { return left_; }
    bool spend(std::size_t n) {
        if (n > left_) {
            left_ = 0;
            return false;
        }
        left_ -= n;
        return true;
    }

private:
    std::size_t left_;
};

// A record whose length field is wrong (a flipped bit) but whose checksum and payload are
// intact ends where the payload read so far first has the stored checksum and decodes.
// That end, found in one pass over the rest of the file.
template <class Decode>
std::optional<std::size_t> mendLength(std::string_view bytes, std::size_t at, Decode decode,
                                      SearchBudget& budget) {
    if (bytes.size() - at < kFrameBytes) return std::nullopt;
    Reader r(bytes.substr(at + 4, 4));
    const std::uint32_t stored = r.u32();
    const std::size_t begin = at + kFrameBytes;
    const std::size_t limit = begin + std::min(bytes.size() - begin, budget.left());
    std::uint32_t crc = crc32c({});
    for (std::size_t end = begin; end < limit;) {
        crc = crc32cExtend(crc, bytes.substr(end++, 1));
        if (crc == stored && decode(bytes.substr(begin, end - begin))) {
            budget.spend(end - begin);
            return end;
        }
    }
    budget.spend(limit - begin);
    return std::nullopt;
}

bool decodesAsEntry(std::string_view payload) {
    JournalEntry e;
    return decodeEntry(payload, e);
}

// The first place from `from` on where a complete record with a good checksum and a
// payload that decodes begins.
std::optional<std::size_t> findRecord(std::string_view bytes, std::size_t from,
                                      SearchBudget& budget) {
    for (std::size_t at = from; at < bytes.size() && bytes.size() - at > kFrameBytes; ++at) {
        Reader r(bytes.substr(at, 4));
        const std::uint32_t length = r.u32();
        if (length == 0 || length > bytes.size() - at - kFrameBytes) continue;
        // Checked first: cheaper than the checksum.
        const auto type = static_cast<std::uint8_t>(bytes[at + kFrameBytes]);
        if (type < static_cast<std::uint8_t>(EntryType::Do) ||
            type > static_cast<std::uint8_t>(EntryType::Save))
            continue;
        if (!budget.spend(length)) return std::nullopt;
        std::string_view payload;
        if (nextFrame(bytes, at, payload) == FrameResult::Good && decodesAsEntry(payload)) return at;
    }
    return std::nullopt;
}

}  // namespace

PageStamp stampOf(std::string_view bytes) { return {true, bytes.size(), contentHash(bytes)}; }

std::optional<PageStamp> stampFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        if (errno == ENOENT) return PageStamp{};
        return std::nullopt;
    }
    std::string bytes;
    char buffer[1 << 16];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return std::nullopt;
    return stampOf(bytes);
}

std::string encodeJournalStart(const JournalHeader& header) {
    Writer w;
    w.u8(static_cast<std::uint8_t>(EntryType::Header));
    writeStamp(w, header.page);
    writeIds(w, header.strokeIds);
    std::string out(kSignature);
    frame(out, w.out);
    return out;
}

std::string encodeEntry(const JournalEntry& entry) {
    Writer w;
    w.u8(static_cast<std::uint8_t>(entry.type));
    if (entry.type == EntryType::Save) {
        writeStamp(w, entry.saved);
    } else {
        w.u64(entry.serial);
        writeChange(w, entry.change);
    }
    std::string out;
    out.reserve(w.out.size() + kFrameBytes);
    frame(out, w.out);
    return out;
}

ParsedJournal parseJournal(std::string_view bytes) {
    ParsedJournal parsed;
    if (bytes.size() < kSignature.size()) {
        parsed.problem = kSignature.starts_with(bytes) ? JournalProblem::TornHeader
                                                       : JournalProblem::NotAJournal;
        return parsed;
    }
    if (!bytes.starts_with(kSignature)) return parsed;
    SearchBudget budget(bytes.size());
    std::string_view payload;
    std::size_t at = kSignature.size();
    JournalContents contents;
    const FrameResult header = nextFrame(bytes, at, payload);
    const auto headerFrom = [&](std::string_view p) {
        contents.header = {};
        return decodeHeader(p, contents.header);
    };
    if (header == FrameResult::Good && headerFrom(payload)) {
        at += kFrameBytes + payload.size();
    } else if (const auto end = mendLength(bytes, at, headerFrom, budget)) {
        at = *end;
        ++contents.mendedLengths;
    } else {
        // Cut short before any record was written; anything good after it is not a torn tail.
        if (header == FrameResult::Torn && !findRecord(bytes, at + 1, budget))
            parsed.problem = JournalProblem::TornHeader;
        return parsed;
    }
    contents.goodLength = at;
    while (at < bytes.size()) {
        JournalEntry entry;
        const FrameResult frameResult = nextFrame(bytes, at, payload);
        if (frameResult == FrameResult::Good && decodeEntry(payload, entry)) {
            at += kFrameBytes + payload.size();
        } else if (const auto end = mendLength(
                       bytes, at,
                       [&](std::string_view p) {
                           entry = {};
                           return decodeEntry(p, entry);
                       },
                       budget)) {
            at = *end;
            ++contents.mendedLengths;
        } else {
            // Only the end of the file can be a write cut short: the file ends inside the
            // record, or (after a crash) holds zeros where it should be. Anything before a
            // good record is damage.
            const std::optional<std::size_t> next = findRecord(bytes, at + 1, budget);
            const std::string_view rest = bytes.substr(at, next.value_or(bytes.size()) - at);
            const bool zeros = std::all_of(rest.begin(), rest.end(), [](char c) { return c == 0; });
            if (next || (frameResult != FrameResult::Torn && !zeros))
                contents.skippedBytes += rest.size();
            if (!next) break;
            at = *next;
            continue;
        }
        contents.entries.push_back(std::move(entry));
        contents.goodLength = at;
    }
    contents.end = contents.skippedBytes > 0 || contents.mendedLengths > 0 ? JournalEnd::Damaged
                   : contents.goodLength < bytes.size()                    ? JournalEnd::Torn
                                                                           : JournalEnd::Clean;
    parsed.contents = std::move(contents);
    return parsed;
}

}  // namespace io
