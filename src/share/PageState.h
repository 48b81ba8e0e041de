#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "io/PageFile.h"
#include "share/PageRules.h"

namespace share {

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
    // is not after the last one applied from that board.
    bool apply(const ShareChange& change, Seq seq, std::vector<io::StrokeId>* touched = nullptr,
               std::vector<io::StrokeId>* skipped = nullptr);

    Seq seq() const { return seq_; }
    std::uint64_t lastNumber(BoardId board) const;
    const std::map<BoardId, std::uint64_t>& lastNumbers() const { return lastNumbers_; }
    const StrokeTable& table() const { return table_; }
    std::size_t strokeCount() const;
    // The page text "S" writes for these strokes, in id order.
    std::string pageText() const;
    io::PageContent content() const;

    // For the snapshot decoder: entries must come in ascending id.
    void restore(Seq seq, std::map<BoardId, std::uint64_t> lastNumbers);
    void restoreEntry(io::StrokeId id, StrokeEntry entry) { table_.put(id, std::move(entry)); }
    void restoreAttribute(const std::string& name, AttributeEntry entry) {
        table_.putAttribute(name, std::move(entry));
    }

private:
    StrokeTable table_;
    Seq seq_ = 0;
    std::map<BoardId, std::uint64_t> lastNumbers_;
};

// The strokes present in `table` (and what it lies over), in id order, and its attributes.
io::PageContent contentOf(const StrokeTable& table, const StrokeTable* under);
// The page's attributes as `table` (and what it lies under) holds them.
io::PageStyle styleOf(const StrokeTable& table);
// The page text "S" writes for these strokes and attributes.
std::string textOf(const io::PageContent& page);

}  // namespace share
