#include "share/RoomLog.h"

#include <map>

#include "io/ByteCodec.h"
#include "io/Checksum.h"
#include "share/PageState.h"
#include "share/RecordCodec.h"

namespace share {

void appendLogFrame(std::string& log, int page, Seq seq, std::string_view bytes) {
    io::ByteWriter w;
    w.u32(static_cast<std::uint32_t>(page));
    w.u64(seq);
    w.u32(static_cast<std::uint32_t>(bytes.size()));
    w.bytes(bytes);
    log += w.out;
}

std::optional<std::string> roomLogPages(std::string_view log, std::string& error) {
    std::map<int, PageState> pages;
    io::ByteReader r(log);
    while (r.left() != 0) {
        const auto page = static_cast<int>(r.u32());
        const Seq seq = r.u64();
        const std::string_view bytes = r.take(r.u32());
        if (r.failed || page < 0) {
            error = "the log ends inside a frame";
            return std::nullopt;
        }
        if (!bytes.empty() && static_cast<std::uint8_t>(bytes[0]) == 2) {
            std::optional<PageState> snapshot = decodeSnapshot(bytes, error);
            if (!snapshot) return std::nullopt;
            pages[page] = std::move(*snapshot);
            continue;
        }
        std::optional<ShareChange> change = decodeChange(bytes, error);
        if (!change) return std::nullopt;
        pages[page].apply(*change, seq);
    }
    std::string out;
    for (const auto& [page, state] : pages) {
        out += "page " + std::to_string(page) + " seq " + std::to_string(state.seq()) + " snapshot " +
               std::to_string(io::crc32c(encodeSnapshot(state))) + "\n";
        out += state.pageText();
    }
    return out;
}

}  // namespace share
