#include "share/ShareStore.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "io/ByteCodec.h"
#include "io/Checksum.h"
#include "io/JournalWriter.h"
#include "io/SafeFile.h"
#include "share/RecordCodec.h"

namespace share {

namespace {

constexpr std::string_view kWaitingMagic = "IBWAIT1\n";
constexpr std::string_view kPagesMagic = "IBPAGES1";
constexpr std::uint8_t kIdentityFrame = 1;
constexpr std::uint8_t kChangeFrame = 2;

// A frame: length:u32 crc32c:u32 payload. The checksum covers the payload.
constexpr std::size_t kFrameHead = 8;

// Fills in the head of a frame whose payload `w` wrote after kFrameHead bytes kept for it.
std::string sealed(io::ByteWriter&& w) {
    const std::string_view payload = std::string_view(w.out).substr(kFrameHead);
    io::ByteWriter head;
    head.u32(static_cast<std::uint32_t>(payload.size()));
    head.u32(io::crc32c(payload));
    w.out.replace(0, kFrameHead, head.out);
    return std::move(w.out);
}

std::string frame(std::string_view payload) {
    io::ByteWriter w;
    w.out.reserve(kFrameHead + payload.size());
    w.out.resize(kFrameHead);
    w.bytes(payload);
    return sealed(std::move(w));
}

// The payloads of the frames after `magic`, up to the first damaged one; `good` is the
// length of the whole frames. Empty `error` when the file ends cleanly.
std::vector<std::string_view> frames(std::string_view bytes, std::string_view magic,
                                     std::size_t& good, std::string& error) {
    std::vector<std::string_view> out;
    good = 0;
    if (bytes.substr(0, magic.size()) != magic) {
        error = "it is not a file of this program";
        return out;
    }
    io::ByteReader r(bytes.substr(magic.size()));
    good = magic.size();
    while (r.left() > 0) {
        const std::uint32_t length = r.u32();
        const std::uint32_t crc = r.u32();
        const std::string_view payload = r.take(length);
        if (r.failed || io::crc32c(payload) != crc) {
            error = "it ends in a damaged or torn record";
            break;
        }
        out.push_back(payload);
        good = bytes.size() - r.left();
    }
    return out;
}

std::string readAll(const std::string& path, bool& exists) {
    std::ifstream in(path, std::ios::binary);
    exists = static_cast<bool>(in);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

ShareSession::Identity freshIdentity() {
    std::random_device device;
    std::mt19937_64 rng((std::uint64_t{device()} << 32) ^ device() ^
                        static_cast<std::uint64_t>(
                            std::chrono::steady_clock::now().time_since_epoch().count()));
    ShareSession::Identity id;
    do {
        id.board = rng();
    } while (id.board == 0);
    // Two boards of a room draw the same tag about once in a million pairs, and only strokes
    // made by both at the same count could then collide.
    id.tag = 1 + static_cast<std::uint32_t>(rng() % ((1u << kTagBits) - 1));
    id.firstNumber = 1;
    return id;
}

// A change frame: kind page:u32 seed:u8 locals:u32 (op:u32 base:u64)*locals change (ops
// counted over the strokes, then the attributes). The room's record format refuses local
// versions, so the bases naming earlier waiting changes travel beside it.
std::string changeFrame(int page, const ShareChange& change, bool seed) {
    // Written in place behind room for the frame's length and checksum: no copy of the
    // change, one buffer.
    io::ByteWriter w;
    w.out.reserve(kFrameHead + 10 + encodedSize(change) + 12 * (change.ops.size() + change.page.size()));
    w.out.resize(kFrameHead);
    w.u8(kChangeFrame);
    w.u32(static_cast<std::uint32_t>(page));
    w.u8(seed ? 1 : 0);
    // Attributes are numbered after the strokes.
    const auto baseAt = [&](std::size_t i) {
        return i < change.ops.size() ? change.ops[i].base : change.page[i - change.ops.size()].base;
    };
    const std::size_t n = change.ops.size() + change.page.size();
    std::uint32_t count = 0;
    for (std::size_t i = 0; i < n; ++i) count += isLocal(baseAt(i)) ? 1 : 0;
    w.u32(count);
    for (std::size_t i = 0; i < n; ++i) {
        if (!isLocal(baseAt(i))) continue;
        w.u32(static_cast<std::uint32_t>(i));
        w.u64(baseAt(i));
    }
    appendChange(w, change, true);
    return sealed(std::move(w));
}

std::optional<StoreWaiting> readChangeFrame(io::ByteReader& r, std::string_view payload,
                                            std::string& error) {
    StoreWaiting w;
    w.page = static_cast<int>(r.u32());
    w.seed = r.u8() != 0;
    const std::uint32_t count = r.u32();
    if (r.failed || w.page < 0 || count > r.left() / 12) return std::nullopt;
    std::vector<std::pair<std::uint32_t, Version>> locals(count);
    for (auto& [op, base] : locals) {
        op = r.u32();
        base = r.u64();
    }
    auto change = decodeChange(payload.substr(payload.size() - r.left()), error);
    if (r.failed || !change) return std::nullopt;
    for (const auto& [op, base] : locals) {
        if (op >= change->ops.size() + change->page.size() || !isLocal(base)) return std::nullopt;
        (op < change->ops.size() ? change->ops[op].base : change->page[op - change->ops.size()].base) = base;
    }
    w.change = std::move(*change);
    return w;
}

}  // namespace

ShareStore::ShareStore(std::string name, std::ostream& log) : name_(std::move(name)), log_(log) {
    loadWaiting();
    loadPages();
    for (const auto& [page, state] : pages_) {
        identity_.firstNumber = std::max(identity_.firstNumber, state.lastNumber(identity_.board) + 1);
    }
}

ShareStore::~ShareStore() { write(); }

std::string ShareStore::head(std::uint64_t nextNumber) const {
    io::ByteWriter w;
    w.u8(kIdentityFrame);
    w.u64(identity_.board);
    w.u32(identity_.tag);
    w.u64(nextNumber);
    return std::string(kWaitingMagic) + frame(w.out);
}

void ShareStore::setAside(const std::string& path, const std::string& why) {
    const std::string kept = io::claimFreeName(path + ".damaged");
    std::error_code ec;
    if (!kept.empty()) std::filesystem::rename(path, kept, ec);
    log_ << "inkboard: " << path << ": " << why << "; "
         << (kept.empty() || ec ? std::string("it is left as it is") : "it is kept as " + kept)
         << "\n";
}

void ShareStore::loadWaiting() {
    const std::string path = name_ + ".waiting";
    bool exists = false;
    const std::string bytes = readAll(path, exists);
    std::size_t good = 0;
    std::string error;
    bool known = false;
    if (exists) {
        for (std::string_view payload : frames(bytes, kWaitingMagic, good, error)) {
            io::ByteReader r(payload);
            const std::uint8_t type = r.u8();
            if (type == kIdentityFrame) {
                identity_.board = r.u64();
                identity_.tag = r.u32();
                identity_.firstNumber = std::max<std::uint64_t>(r.u64(), 1);
                known = !r.failed && identity_.board != 0 && identity_.tag != 0 &&
                        identity_.tag < (1u << kTagBits);
                if (!known) {
                    error = "its identity record is damaged";
                    break;
                }
            } else if (type == kChangeFrame && known) {
                std::string why;
                auto w = readChangeFrame(r, payload, why);
                if (!w || w->change.board != identity_.board) {
                    error = "a change in it is damaged" + (why.empty() ? "" : " (" + why + ")");
                    break;
                }
                identity_.firstNumber = std::max(identity_.firstNumber, w->change.number + 1);
                waiting_.push_back(std::move(*w));
            }
        }
    }
    if (!known) {
        if (exists) setAside(path, error.empty() ? "it holds no identity" : error);
        waiting_.clear();
        identity_ = freshIdentity();
        rewriteWaiting({}, identity_.firstNumber);
        return;
    }
    if (!error.empty()) {
        log_ << "inkboard: " << path << ": " << error << "; the " << waiting_.size()
             << " changes before it are kept\n";
    }
    writer_ = io::JournalWriter::resume(path, good);
}

void ShareStore::loadPages() {
    const std::string path = name_ + ".pages";
    bool exists = false;
    const std::string bytes = readAll(path, exists);
    if (!exists) return;
    std::size_t good = 0;
    std::string error;
    for (std::string_view payload : frames(bytes, kPagesMagic, good, error)) {
        io::ByteReader r(payload);
        const int page = static_cast<int>(r.u32());
        std::string why;
        auto state = decodeSnapshot(payload.substr(4), why);
        if (r.failed || page < 0 || !state) {
            error = "a page in it is damaged" + (why.empty() ? "" : " (" + why + ")");
            break;
        }
        pages_[page] = std::move(*state);
    }
    if (!error.empty()) {
        log_ << "inkboard: " << path << ": " << error
             << "; the room's pages are taken from the room again\n";
        pages_.clear();
    }
}

void ShareStore::made(int page, const ShareChange& change, bool seed, bool now) {
    {
        std::lock_guard lock(writeMutex_);
        if (!writer_) return;
        made_.push_back(Waiting{page, change, seed});
    }
    ++written_;
    if (now) write();
}

void ShareStore::write() {
    // Under the lock to the end: two writes hand their frames over in the order made.
    std::lock_guard lock(writeMutex_);
    if (made_.empty() || !writer_) return;
    std::string bytes;
    for (const Waiting& w : made_) bytes += changeFrame(w.page, w.change, w.seed);
    made_.clear();
    writer_->append(std::move(bytes));
}

void ShareStore::rewriteWaiting(const std::vector<Waiting>& waiting, std::uint64_t nextNumber, bool wait) {
    std::lock_guard lock(writeMutex_);
    made_.clear();  // what still waits of them is in `waiting`
    const std::string path = name_ + ".waiting";
    std::string bytes = head(nextNumber);
    for (const Waiting& w : waiting) bytes += changeFrame(w.page, w.change, w.seed);
    if (writer_ && !writer_->failed()) {
        // The writer's thread swaps the file in, behind what it still has to write: the
        // drawing thread does not wait for the disk.
        writer_->replace(std::move(bytes));
        written_ = waiting.size();
        if (wait) writer_->flush();
        return;
    }
    writer_.reset();
    if (io::replaceFileContents(path, bytes)) {
        written_ = waiting.size();
        writer_ = io::JournalWriter::resume(path, bytes.size());
        return;
    }
    // The old file stays whole: go on appending to it.
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec) writer_ = io::JournalWriter::resume(path, size);
    if (!writer_) log_ << "inkboard: " << path << ": changes waiting for the room are kept in memory only\n";
}

void ShareStore::keep(const std::map<int, const PageState*>& pages,
                      const std::vector<Waiting>& waiting, std::uint64_t nextNumber) {
    rewriteWaiting(waiting, nextNumber, true);
    std::string bytes(kPagesMagic);
    for (const auto& [page, state] : pages) {
        io::ByteWriter w;
        w.u32(static_cast<std::uint32_t>(page));
        w.bytes(encodeSnapshot(*state));
        bytes += frame(w.out);
    }
    io::replaceFileContents(name_ + ".pages", bytes);
}

}  // namespace share
