#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The teacher's material as a room carries it: the file's bytes in chunks, each small enough
// for one message, on a subject named after the file's content name. Chunks come from the
// network: the whole is stored only when it hashes to the name it came under.
namespace share {

// Whether `name` is a content name ("material-<16 hex digits>.<pdf|png|jpg|svg>"): only such
// a file can be checked against its name, so only such a file travels.
bool roomMaterialName(std::string_view name);
// The name as one token of a subject (a subject's tokens cannot hold a dot).
std::string materialToken(std::string_view name);

// chunk = offset:u64 size:u64 bytes: `bytes` lie at `offset` of a file of `size` bytes.
std::string encodeChunk(std::uint64_t offset, std::uint64_t size, std::string_view bytes);
// The chunk's end (offset + its bytes) and the file's size, when the chunk is well formed.
std::optional<std::pair<std::uint64_t, std::uint64_t>> chunkReach(std::string_view chunk);

// Puts a material's chunks together in the order the room stored them. A chunk already
// taken (sent again) or beyond a gap (a chunk lost: a later sending fills it) is passed over.
class MaterialAssembly {
public:
    explicit MaterialAssembly(std::string name) : name_(std::move(name)) {}
    // False, with `error` set, for a chunk that can never be part of the file: malformed,
    // of a file larger than material may be, or naming another size than the first did.
    bool add(std::string_view chunk, std::string& error);
    bool complete() const { return size_ != 0 && bytes_.size() == size_; }
    // The file's bytes once complete, when they hash to the name and are material of the
    // kind it names; nullopt with `error` saying why otherwise.
    std::optional<std::string> take(std::string& error);

private:
    std::string name_;
    std::uint64_t size_ = 0;
    std::string bytes_;
};

}  // namespace share
