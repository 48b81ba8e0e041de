#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "share/PageState.h"

// A snapshot larger than the room's server takes in one message goes as parts: the parts
// first, each naming the snapshot's id, then an index naming the id, the number of parts,
// the snapshot's length and its checksum. A joiner that finds an index uses the snapshot only
// when every part is there, belongs to it and the whole matches the checksum; the parts are
// untrusted bytes like every record (layout in Sharing.md).
namespace share {

struct SnapshotIndex {
    Seq seq = 0;                // the snapshot's page is as of this record
    std::uint64_t id = 0;       // names this snapshot's parts (random per snapshot sent)
    std::uint32_t parts = 0;
    std::uint64_t bytes = 0;    // the whole snapshot's length
    std::uint32_t crc = 0;      // crc32c of the whole snapshot
};

// Bytes a part adds to its piece of the snapshot.
inline constexpr std::size_t kSnapshotPartHeader = 17;

// The index of `snapshot` (of the page at `seq`) cut into parts of at most `partBytes`
// bytes, header included (partBytes > kSnapshotPartHeader).
SnapshotIndex indexSnapshot(std::string_view snapshot, Seq seq, std::uint64_t id, std::size_t partBytes);
std::string encodeSnapshotIndex(const SnapshotIndex& index);
// Part k (0 .. parts - 1) of the snapshot the index was made for.
std::string encodeSnapshotPart(const SnapshotIndex& index, std::string_view snapshot, std::uint32_t k);
// Whether these bytes are an index rather than a whole snapshot.
bool isSnapshotIndex(std::string_view bytes);

// The index these bytes hold; nullopt, with `error` saying why, when they are malformed.
std::optional<SnapshotIndex> decodeSnapshotIndex(std::string_view bytes, std::string& error);
// The snapshot an index names, its parts fetched by `part(k)` (nullopt: not there). nullopt,
// with `error` saying why, when the index is malformed, a part is missing or not of this
// snapshot, or the whole does not match the index or does not decode; nothing is fetched
// after the first part that fails.
std::optional<PageState> assembleSnapshot(
    std::string_view index, const std::function<std::optional<std::string>(std::uint32_t)>& part,
    std::string& error);

}  // namespace share
