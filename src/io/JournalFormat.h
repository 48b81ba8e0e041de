#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "io/ChangeRecord.h"

// The crash journal "N.xml.journal": a header naming the page file it applies to, then one
// record per finished change, undo, redo and save, each with its length and checksum.
// The layout is described in JournalFormat.md beside this file.
namespace io {

// The contents of a page file as a journal names them.
struct PageStamp {
    bool exists = false;     // false: there was no page file
    std::uint64_t size = 0;  // bytes
    std::uint64_t hash = 0;  // contentHash of the bytes

    bool operator==(const PageStamp&) const = default;
};

PageStamp stampOf(std::string_view bytes);
// The stamp of the file at `path`: exists = false when there is none; nullopt when it
// exists but cannot be read.
std::optional<PageStamp> stampFile(const std::string& path);

struct JournalHeader {
    PageStamp page;
    // Ids the page's strokes get when it is loaded, in file order (ascending).
    std::vector<StrokeId> strokeIds;

    bool operator==(const JournalHeader&) const = default;
};

enum class EntryType : std::uint8_t {
    Header = 1,
    Do = 2,    // a new change
    Undo = 3,  // `change` is the inverse of command `serial`
    Redo = 4,  // `change` re-applies command `serial`
    Save = 5,  // the page is about to be saved as the text `saved` names
};

struct JournalEntry {
    EntryType type = EntryType::Do;
    std::uint64_t serial = 0;  // Do, Undo, Redo: the command, numbered per page
    Change change;             // Do, Undo, Redo
    PageStamp saved;           // Save

    bool operator==(const JournalEntry&) const = default;
};

// Bytes that start a new journal: the file signature and the header record.
std::string encodeJournalStart(const JournalHeader& header);
// One framed record.
std::string encodeEntry(const JournalEntry& entry);

enum class JournalEnd {
    Clean,    // every byte belongs to a good record
    Torn,     // a write cut short: the file ends inside the record after the last good one
              // (or in zeros), and nothing good follows
    Damaged,  // bytes that are not a torn tail were passed over, or a record was read
              // whole although its length field was wrong: the file needs a copy kept
};

struct JournalContents {
    JournalHeader header;
    // The good records after the header, in order, with those found after damage.
    std::vector<JournalEntry> entries;
    std::size_t goodLength = 0;  // bytes up to the end of the last good record
    JournalEnd end = JournalEnd::Clean;
    std::size_t skippedBytes = 0;   // passed over as damaged (not counting a torn tail)
    std::size_t mendedLengths = 0;  // records whose length field was wrong, read whole
};

enum class JournalProblem {
    NotAJournal,   // no signature, or a header record that is complete but bad
    TornHeader,    // the file ends inside its signature or header: it holds no change
};

// Reads journal bytes. A record whose checksum fails is read whole when only its length
// field is wrong (its payload still has the stored checksum at another length); otherwise
// its bytes are passed over up to the next good record, so damage costs only the records
// it touches. A torn tail is dropped.
struct ParsedJournal {
    std::optional<JournalContents> contents;
    JournalProblem problem = JournalProblem::NotAJournal;  // when contents is empty
};
ParsedJournal parseJournal(std::string_view bytes);

}  // namespace io
