#include "nats/RoomMaterial.h"

#include <algorithm>
#include <cctype>

#include "io/ByteCodec.h"
#include "io/Material.h"

namespace share {

namespace {
constexpr std::string_view kPrefix = "material-";
constexpr std::size_t kHashDigits = 16;
constexpr std::size_t kChunkHeader = 16;
}  // namespace

bool roomMaterialName(std::string_view name) {
    if (!name.starts_with(kPrefix) || name.size() < kPrefix.size() + kHashDigits + 2) return false;
    const std::string_view hash = name.substr(kPrefix.size(), kHashDigits);
    const bool hex = std::all_of(hash.begin(), hash.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) || (c >= 'a' && c <= 'f');
    });
    const std::string_view rest = name.substr(kPrefix.size() + kHashDigits);
    const auto kind = io::kindFromName(name);
    return hex && kind && rest == std::string(".") + io::materialExtension(*kind);
}

std::string materialToken(std::string_view name) {
    std::string token(name);
    std::replace(token.begin(), token.end(), '.', '_');
    return token;
}

std::string encodeChunk(std::uint64_t offset, std::uint64_t size, std::string_view bytes) {
    io::ByteWriter w;
    w.out.reserve(kChunkHeader + bytes.size());
    w.u64(offset);
    w.u64(size);
    w.bytes(bytes);
    return std::move(w.out);
}

std::optional<std::pair<std::uint64_t, std::uint64_t>> chunkReach(std::string_view chunk) {
    io::ByteReader r(chunk);
    const std::uint64_t offset = r.u64();
    const std::uint64_t size = r.u64();
    if (r.failed || size == 0 || size > io::kMaxMaterialBytes || offset > size ||
        r.left() > size - offset || r.left() == 0) {
        return std::nullopt;
    }
    return std::make_pair(offset + r.left(), size);
}

bool MaterialAssembly::add(std::string_view chunk, std::string& error) {
    const auto reach = chunkReach(chunk);
    if (!reach) {
        error = "a piece of it is malformed or larger than material may be";
        return false;
    }
    const auto [end, size] = *reach;
    if (size_ != 0 && size != size_) {
        error = "its pieces disagree on its size";
        return false;
    }
    size_ = size;
    const std::string_view bytes = chunk.substr(kChunkHeader);
    if (end - bytes.size() == bytes_.size()) bytes_.append(bytes);
    return true;
}

std::optional<std::string> MaterialAssembly::take(std::string& error) {
    if (!complete()) {
        error = "it is incomplete";
        return std::nullopt;
    }
    const auto kind = io::kindFromName(name_);
    if (!kind || io::materialFileName(bytes_, *kind) != name_) {
        error = "its bytes do not match its name";
        return std::nullopt;
    }
    if (std::string problem = io::materialProblem(name_, bytes_); !problem.empty()) {
        error = "it " + problem;
        return std::nullopt;
    }
    return std::move(bytes_);
}

}  // namespace share
