#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "io/PageFile.h"
#include "share/PageState.h"
#include "share/ShareChange.h"

namespace io {
class ByteWriter;
}

// The bytes of a change record and of a page snapshot (layout in Sharing.md). Records come
// from the network: decoding checks everything a page file's reader would (sizes, counts,
// numbers, ids) and more, and refuses the whole record with a reason rather than use part.
namespace share {

// A change record is at most this long; a larger change is sent as several.
inline constexpr std::size_t kMaxRecordBytes = std::size_t{8} << 20;
// A snapshot holds at most what a page file may.
inline constexpr std::size_t kMaxSnapshotBytes = io::kMaxPageFileBytes;

// Whether a record may carry the page attribute: one the page file knows, a value it can
// take, a background naming a plain file name, each at most 255 bytes.
bool sendableAttribute(const std::string& name, const std::string& value);

std::string encodeChange(const ShareChange& change);
// Appends what encodeChange writes to `w`; with `localAsForeign`, each local base (isLocal)
// written as kForeign, the form the room's records take.
void appendChange(io::ByteWriter& w, const ShareChange& change, bool localAsForeign = false);
// Bytes encodeChange writes for the change, without writing them.
std::size_t encodedSize(const ShareChange& change);
std::optional<ShareChange> decodeChange(std::string_view bytes, std::string& error);

std::string encodeSnapshot(const PageState& page);
std::optional<PageState> decodeSnapshot(std::string_view bytes, std::string& error);

}  // namespace share
