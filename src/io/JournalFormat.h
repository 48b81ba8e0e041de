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
    Torn,     // the last record runs past the end of the file (a write cut short)
    Damaged,  // a complete record failed its checksum or does not decode
};

struct JournalContents {
    JournalHeader header;
    std::vector<JournalEntry> entries;  // the good records after the header, in order
    std::size_t goodLength = 0;         // bytes up to the end of the last good record
    JournalEnd end = JournalEnd::Clean;
};

enum class JournalProblem {
    NotAJournal,   // no signature, or a header record that is complete but bad
    TornHeader,    // the file ends inside its signature or header: it holds no change
};

// Reads journal bytes. Entries after a torn or damaged record are not read.
struct ParsedJournal {
    std::optional<JournalContents> contents;
    JournalProblem problem = JournalProblem::NotAJournal;  // when contents is empty
};
ParsedJournal parseJournal(std::string_view bytes);

}  // namespace io
