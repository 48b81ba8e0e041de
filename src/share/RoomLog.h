#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "share/ShareChange.h"

// A room's messages as one file, for tools and for holding two builds of the rules to each
// other: every page's records in the server's order, with snapshots among them where a
// joining board would find them.
//   log   = frame*
//   frame = page:u32 seq:u64 length:u32 bytes   (a record at seq, or a snapshot)
namespace share {

void appendLogFrame(std::string& log, int page, Seq seq, std::string_view bytes);

// Each page the log names, in ascending order, as a board that reads the log's messages in
// order holds it: a snapshot replaces the page, a record applies to it by the room's rules.
// For each page a line "page N seq S snapshot C" (C the CRC-32C of the page's snapshot as
// this build encodes it), then the page's text as "S" writes it. nullopt, with `error`
// saying why, when a frame or message cannot be read.
std::optional<std::string> roomLogPages(std::string_view log, std::string& error);

}  // namespace share
