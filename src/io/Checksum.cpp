#include "io/Checksum.h"

#include <array>

namespace io {

namespace {

constexpr std::array<std::uint32_t, 256> makeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1u) ? (c >> 1) ^ 0x82F63B78u : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = makeCrcTable();

}  // namespace

std::uint32_t crc32c(std::string_view bytes) { return crc32cExtend(0, bytes); }

std::uint32_t crc32cExtend(std::uint32_t crc, std::string_view bytes) {
    std::uint32_t c = crc ^ 0xFFFFFFFFu;
    for (const char ch : bytes) c = kCrcTable[(c ^ static_cast<unsigned char>(ch)) & 0xFFu] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::uint64_t contentHash(std::string_view bytes) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (const char ch : bytes) {
        h ^= static_cast<unsigned char>(ch);
        h *= 0x100000001B3ull;
    }
    return h;
}

}  // namespace io
