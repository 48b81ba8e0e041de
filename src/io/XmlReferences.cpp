#include "io/XmlReferences.h"

#include <array>
#include <cstdint>

namespace io {

namespace {

struct Entity {
    std::string_view name;  // between '&' and ';', inclusive of the ';'
    char value;
};

constexpr std::array<Entity, 5> kEntities{
    {{"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}}};

// Saturates instead of wrapping so that a long run of digits cannot come back in range.
constexpr std::uint32_t kBeyondUnicode = 0x110000;

int digitValue(char c, bool hex) {
    if (c >= '0' && c <= '9') return c - '0';
    if (!hex) return -1;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void appendUtf8(std::string& out, std::uint32_t code) {
    if (code >= kBeyondUnicode) code = 0xFFFD;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

std::optional<std::string> resolveReferences(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    std::size_t i = 0;
    while (i < raw.size()) {
        const std::size_t amp = raw.find('&', i);
        out.append(raw.substr(i, amp == std::string_view::npos ? raw.npos : amp - i));
        if (amp == std::string_view::npos) break;
        const std::string_view rest = raw.substr(amp + 1);
        if (rest.starts_with('#')) {
            const bool hex = rest.size() > 1 && rest[1] == 'x';
            std::size_t k = hex ? 2 : 1;
            std::uint32_t code = 0;
            for (; k < rest.size() && rest[k] != ';'; ++k) {
                const int digit = digitValue(rest[k], hex);
                if (digit < 0) return std::nullopt;
                code = code >= kBeyondUnicode ? code : code * (hex ? 16 : 10) + digit;
            }
            if (k == rest.size()) return std::nullopt;  // no ';'
            appendUtf8(out, code);
            i = amp + 1 + k + 1;
            continue;
        }
        i = amp + 1;
        for (const Entity& entity : kEntities) {
            if (rest.starts_with(entity.name)) {
                out += entity.value;
                i += entity.name.size();
                break;
            }
        }
    }
    return out;
}

}  // namespace io
