#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "io/PageFile.h"
#include "share/PageRules.h"

namespace share {

// The most page text a room's page may take: what a page file may hold, less room for the
// drawing element's own attributes (its paper and background). Every board decides by this
// same number, so a record that would pass it is passed over by all of them.
inline constexpr std::uint64_t kMaxPageTextBytes = io::kMaxPageFileBytes - (std::uint64_t{1} << 20);

// One page of the room as its records make it: the strokes (and the ids that left), the
// newest record applied, and each board's newest change number, by which a record that
// arrives twice (re-sent, or sent again under another message id) is applied once.
// A snapshot of the room is this, encoded (SnapshotCodec.h).
class PageState {
public:
    PageState() = default;
    PageState(PageState&&) = default;
    PageState& operator=(PageState&&) = default;

    // Applies the record stored at `seq`. False, changing nothing but the sequence, when the
    // record was applied before: `seq` is not after the page's, or the board's change number
    // is not after the last one applied from that board. A record that would make the page's
    // text longer than the page's text limit is passed over whole (every stroke of it in
    // `skipped`, `*tooLarge` set): the decision reads only the page and the record.
    bool apply(const ShareChange& change, Seq seq, std::vector<io::StrokeId>* touched = nullptr,
               std::vector<io::StrokeId>* skipped = nullptr, bool* tooLarge = nullptr);

    // The same for a board's own record come back as it was sent, drawing new strokes only
    // (no piece, no attribute, no undo), when `over`, lying over this page, holds what
    // applying it here makes under version `local`: those entries move down, renamed
    // `seq`, rather than being made again from the record. False, changing nothing,
    // unless all of that holds and the page stays within its limit: apply() decides then.
    bool takeDrawn(const ShareChange& change, Seq seq, StrokeTable& over, Version local);

    Seq seq() const { return seq_; }
    std::uint64_t lastNumber(BoardId board) const;
    const std::map<BoardId, std::uint64_t>& lastNumbers() const { return lastNumbers_; }
    const StrokeTable& table() const { return table_; }
    std::size_t strokeCount() const;
    // The length of pageText(), kept up to date record by record.
    std::uint64_t textBytes() const;
    // kMaxPageTextBytes unless a test lowers it; every board of a room must use the same.
    std::uint64_t textLimit() const { return textLimit_; }
    void setTextLimit(std::uint64_t limit) { textLimit_ = limit; }
    // The page text "S" writes for these strokes, in id order.
    std::string pageText() const;
    io::PageContent content() const;

    // For the snapshot decoder: entries must come in ascending id.
    void restore(Seq seq, std::map<BoardId, std::uint64_t> lastNumbers);
    void restoreEntry(io::StrokeId id, StrokeEntry entry);
    void restoreAttribute(const std::string& name, AttributeEntry entry) {
        table_.putAttribute(name, std::move(entry));
        restyled();
    }

private:
    std::uint64_t textBytes(std::uint64_t strokeBytes) const;
    void restyled();

    StrokeTable table_;
    Seq seq_ = 0;
    std::map<BoardId, std::uint64_t> lastNumbers_;
    std::uint64_t strokeBytes_ = 0;  // strokeTextBytes of the present strokes
    std::uint64_t emptyBytes_ = io::formatPage({}).size();  // the page's text without strokes
    std::uint64_t textLimit_ = kMaxPageTextBytes;
};

// strokeTextBytes of the entry while present, else 0.
std::uint64_t entryTextBytes(const StrokeEntry& entry);

// The strokes present in `table` (and what it lies over), in id order, and its attributes.
io::PageContent contentOf(const StrokeTable& table, const StrokeTable* under);
// The page's attributes as `table` (and what it lies under) holds them.
io::PageStyle styleOf(const StrokeTable& table);
// The page text "S" writes for these strokes and attributes.
std::string textOf(const io::PageContent& page);

}  // namespace share
