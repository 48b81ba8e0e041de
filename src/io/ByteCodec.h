#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "geometry/StdFallbacks.h"

// Little-endian fields of the journal's and the room's records, whatever the machine.
namespace io {

class ByteWriter {
public:
    void u8(std::uint8_t v) { out.push_back(static_cast<char>(v)); }
    void u16(std::uint16_t v) { uint(v, 2); }
    void u32(std::uint32_t v) { uint(v, 4); }
    void u64(std::uint64_t v) { uint(v, 8); }
    void f32(float v) { u32(compat::bitCast<std::uint32_t>(v)); }
    void bytes(std::string_view b) { out.append(b); }

    std::string out;

private:
    void uint(std::uint64_t v, int n) {
        for (int i = 0; i < n; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFFu));
    }
};

// Reads untrusted bytes: a read past the end sets `failed` and yields 0, so a decoder checks
// once, and sizes are checked against left() before anything is allocated for them.
class ByteReader {
public:
    explicit ByteReader(std::string_view in) : in_(in) {}
    std::uint8_t u8() { return static_cast<std::uint8_t>(uint(1)); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(uint(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(uint(4)); }
    std::uint64_t u64() { return uint(8); }
    float f32() { return compat::bitCast<float>(u32()); }
    std::string_view take(std::size_t n) {
        if (n > left()) {
            failed = true;
            at_ = in_.size();
            return {};
        }
        const std::string_view part = in_.substr(at_, n);
        at_ += n;
        return part;
    }
    std::size_t left() const { return in_.size() - at_; }

    bool failed = false;

private:
    std::uint64_t uint(int n) {
        const std::string_view b = take(static_cast<std::size_t>(n));
        if (failed) return 0;
        std::uint64_t v = 0;
        for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[i]);
        return v;
    }

    std::string_view in_;
    std::size_t at_ = 0;
};

}  // namespace io
