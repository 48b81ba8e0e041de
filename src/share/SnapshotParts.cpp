#include "share/SnapshotParts.h"

#include <algorithm>

#include "io/ByteCodec.h"
#include "io/Checksum.h"
#include "share/RecordCodec.h"

namespace share {

namespace {

constexpr std::uint8_t kIndexType = 4;
constexpr std::uint8_t kPartType = 5;
constexpr std::size_t kIndexBytes = 33;

// The snapshot's bytes part k carries: equal pieces, the last one shorter.
std::string_view pieceOf(const SnapshotIndex& index, std::string_view snapshot, std::uint32_t k) {
    const std::size_t each = (snapshot.size() + index.parts - 1) / index.parts;
    const std::size_t from = std::min(snapshot.size(), each * k);
    return snapshot.substr(from, each);
}

}  // namespace

SnapshotIndex indexSnapshot(std::string_view snapshot, Seq seq, std::uint64_t id, std::size_t partBytes) {
    SnapshotIndex index;
    index.seq = seq;
    index.id = id;
    const std::size_t piece = partBytes - kSnapshotPartHeader;
    index.parts = static_cast<std::uint32_t>(std::max<std::size_t>(1, (snapshot.size() + piece - 1) / piece));
    index.bytes = snapshot.size();
    index.crc = io::crc32c(snapshot);
    return index;
}

std::string encodeSnapshotIndex(const SnapshotIndex& index) {
    io::ByteWriter w;
    w.u8(kIndexType);
    w.u64(index.seq);
    w.u64(index.id);
    w.u32(index.parts);
    w.u64(index.bytes);
    w.u32(index.crc);
    return std::move(w.out);
}

std::string encodeSnapshotPart(const SnapshotIndex& index, std::string_view snapshot, std::uint32_t k) {
    io::ByteWriter w;
    const std::string_view piece = pieceOf(index, snapshot, k);
    w.out.reserve(kSnapshotPartHeader + piece.size());
    w.u8(kPartType);
    w.u64(index.id);
    w.u32(k);
    w.u32(index.parts);
    w.bytes(piece);
    return std::move(w.out);
}

bool isSnapshotIndex(std::string_view bytes) {
    return !bytes.empty() && static_cast<std::uint8_t>(bytes[0]) == kIndexType;
}

std::optional<SnapshotIndex> decodeSnapshotIndex(std::string_view bytes, std::string& error) {
    io::ByteReader r(bytes);
    SnapshotIndex index;
    const std::uint8_t type = r.u8();
    index.seq = r.u64();
    index.id = r.u64();
    index.parts = r.u32();
    index.bytes = r.u64();
    index.crc = r.u32();
    // Every part carries at least one byte: a count above the length is a lie.
    if (type != kIndexType || r.failed || r.left() != 0 || bytes.size() != kIndexBytes ||
        index.seq >= kLocalBit || index.parts == 0 || index.bytes == 0 ||
        index.parts > index.bytes || index.bytes > kMaxSnapshotBytes) {
        error = "the snapshot's index is malformed";
        return std::nullopt;
    }
    return index;
}

std::optional<PageState> assembleSnapshot(
    std::string_view bytes, const std::function<std::optional<std::string>(std::uint32_t)>& part,
    std::string& error) {
    const std::optional<SnapshotIndex> decoded = decodeSnapshotIndex(bytes, error);
    if (!decoded) return std::nullopt;
    const SnapshotIndex& index = *decoded;
    std::string whole;
    for (std::uint32_t k = 0; k < index.parts; ++k) {
        const std::optional<std::string> got = part(k);
        if (!got) {
            error = "part " + std::to_string(k + 1) + " of " + std::to_string(index.parts) + " is missing";
            return std::nullopt;
        }
        io::ByteReader p(*got);
        const std::uint8_t partType = p.u8();
        const std::uint64_t id = p.u64();
        const std::uint32_t at = p.u32();
        const std::uint32_t of = p.u32();
        if (p.failed || partType != kPartType || id != index.id || at != k || of != index.parts ||
            p.left() == 0 || p.left() > index.bytes - whole.size()) {
            error = "part " + std::to_string(k + 1) + " of " + std::to_string(index.parts) +
                    " is not of this snapshot";
            return std::nullopt;
        }
        whole.append(p.take(p.left()));
    }
    if (whole.size() != index.bytes || io::crc32c(whole) != index.crc) {
        error = "its parts do not make the snapshot the index names";
        return std::nullopt;
    }
    std::optional<PageState> page = decodeSnapshot(whole, error);
    if (page && page->seq() != index.seq) {
        error = "the snapshot is not of the record its index names";
        return std::nullopt;
    }
    return page;
}

}  // namespace share
