#pragma once

#include <cstdint>
#include <string_view>

namespace io {

// CRC-32C (Castagnoli polynomial, reflected, initial and final value 0xFFFFFFFF), the
// checksum of journal records. crc32c("123456789") == 0xE3069283.
std::uint32_t crc32c(std::string_view bytes);
// The checksum of a + b from crc32c(a) and b, so that a reader can extend one byte at a time.
std::uint32_t crc32cExtend(std::uint32_t crc, std::string_view bytes);

// 64-bit FNV-1a of the bytes: names a page file's contents in a journal header. Not a
// defence against a deliberate collision, only against a file changed by another program.
std::uint64_t contentHash(std::string_view bytes);

}  // namespace io
