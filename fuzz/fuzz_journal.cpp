// libFuzzer target for the crash journal, which is read and replayed at start-up: whatever
// "N.xml.journal" holds must neither crash, hang nor trip a sanitizer, and the page it is
// replayed onto stays whole. A journal with good checksums and nonsense inside is as
// possible as a torn one (a file from another program, a fault in an older version), so
// the first input byte chooses between
//   odd:  the rest is the journal file's bytes, as read;
//   even: the rest is record payloads, each after a two-byte little-endian length, framed
//         with good lengths and checksums after a header that fits the page: what the
//         replay makes of records that decode is tested, not the checksum. Unless the
//         journal reads as damaged, every record must be read. When the first byte's
//         second bit is set, one bit of one record's length field (the header's too) is
//         then flipped, chosen by the first byte's upper bits and the last byte: unless
//         that journal reads as damaged (so that the program keeps a copy), it must read
//         the records the journal held before the flip.
// After the replay every command is undone and redone, as a user pressing Ctrl+Z would.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "document/Drawing.h"
#include "document/JournalReplay.h"
#include "document/PageHistories.h"
#include "io/Checksum.h"
#include "io/JournalFormat.h"
#include "PageWhole.h"

namespace {

using pageoracle::violated;

// Six short strokes over the page, as a saved page loads.
io::PageContent smallPage() {
    io::PageContent page;
    for (int i = 0; i < 6; ++i) {
        const float y = 100.0f + 120.0f * static_cast<float>(i);
        page.strokes.push_back({{100.0f, y, 3.0f, 1.0f}, {450.0f, y + 40.0f, 4.0f, 0.8f},
                                {800.0f, y, 2.0f, 0.5f}});
    }
    return page;
}

void appendFramed(std::string& out, std::string_view payload) {
    const auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFFu));
    };
    u32(static_cast<std::uint32_t>(payload.size()));
    u32(io::crc32c(payload));
    out += payload;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::string_view in(reinterpret_cast<const char*>(data) + 1, size - 1);
    static std::ostringstream log;
    log.str("");
    static const io::PageContent page = smallPage();
    static Drawing* drawing = [] {
        auto* d = new Drawing(log);  // one document for the run; cleared for every input
        d->brush.setTraceStream(nullptr);
        return d;
    }();
    Drawing& d = *drawing;
    d.clear();
    d.view = View{};
    d.loadContent(page);

    std::string bytes;
    if (data[0] & 1) {
        bytes.assign(in);
    } else {
        io::JournalHeader header;
        for (io::StrokeId id = 1; id <= page.strokes.size(); ++id) header.strokeIds.push_back(id);
        bytes = io::encodeJournalStart(header);
        std::vector<std::size_t> frames{8};  // where each record's length field is
        std::size_t records = 0;              // frames with a payload (an empty one is no record)
        while (in.size() >= 2) {
            const std::size_t length = std::min<std::size_t>(
                static_cast<unsigned char>(in[0]) | (static_cast<unsigned char>(in[1]) << 8),
                in.size() - 2);
            frames.push_back(bytes.size());
            records += length > 0;
            appendFramed(bytes, in.substr(2, length));
            in.remove_prefix(2 + length);
        }
        const io::ParsedJournal framed = io::parseJournal(bytes);
        if (!framed.contents) violated("a journal with a good header does not read");
        if (framed.contents->end != io::JournalEnd::Damaged &&
            framed.contents->entries.size() != records)
            violated("records lost without the journal reading as damaged");
        if (data[0] & 2) {
            const std::size_t at = frames[(data[0] >> 2) % frames.size()];
            const unsigned bit = data[size - 1] % 32;
            bytes[at + bit / 8] = static_cast<char>(bytes[at + bit / 8] ^ (1 << (bit % 8)));
            const io::ParsedJournal flipped = io::parseJournal(bytes);
            if (!flipped.contents ||
                (flipped.contents->end != io::JournalEnd::Damaged &&
                 flipped.contents->entries != framed.contents->entries))
                violated("a flipped length bit lost records without the journal reading as damaged");
        }
    }

    const io::ParsedJournal parsed = io::parseJournal(bytes);
    if (!parsed.contents) return 0;
    PageHistories histories(d);
    (void)replayJournal(histories, d, *parsed.contents);
    pageoracle::checkWhole(d);
    const std::string replayed = d.pageText();
    std::size_t undone = 0;
    while (undone < 2000 && histories.undo()) ++undone;
    pageoracle::checkWhole(d);
    for (std::size_t i = 0; i < undone; ++i) {
        if (!histories.redo()) violated("a command undone cannot be redone");
    }
    pageoracle::checkWhole(d);
    if (d.pageText() != replayed) violated("undo and redo of every command change the page");
    return 0;
}
