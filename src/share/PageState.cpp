#include "share/PageState.h"

#include <span>

namespace share {

std::uint64_t entryTextBytes(const StrokeEntry& entry) {
    if (!entry.present) return 0;
    return entry.textBytes != 0 ? entry.textBytes : io::strokeTextBytes(entry.points, entry.colour);
}

bool PageState::apply(const ShareChange& change, Seq seq, std::vector<io::StrokeId>* touched,
                      std::vector<io::StrokeId>* skipped, bool* tooLarge) {
    if (tooLarge) *tooLarge = false;
    if (seq <= seq_) return false;
    seq_ = seq;
    std::uint64_t& last = lastNumbers_[change.board];
    if (change.number <= last) return false;
    last = change.number;
    // Applied over the page first, so that the page's size afterwards is known exactly
    // before anything of the record is kept.
    StrokeTable over(&table_);
    std::vector<io::StrokeId> overTouched, overSkipped;
    applyChange(over, change, seq, &overTouched, &overSkipped);
    std::uint64_t bytes = strokeBytes_;
    for (const auto& [id, e] : over.own()) {
        const StrokeEntry* was = table_.find(id);
        bytes = bytes - (was ? entryTextBytes(*was) : 0) + entryTextBytes(e);
    }
    if (textBytes(bytes) > textLimit_) {
        if (tooLarge) *tooLarge = true;
        if (skipped) {
            for (const StrokeOp& op : change.ops) skipped->push_back(op.stroke.id);
        }
        return true;
    }
    table_.absorb(std::move(over));
    strokeBytes_ = bytes;
    if (!change.page.empty()) restyled();
    if (touched) touched->insert(touched->end(), overTouched.begin(), overTouched.end());
    if (skipped) skipped->insert(skipped->end(), overSkipped.begin(), overSkipped.end());
    return true;
}

bool PageState::takeDrawn(const ShareChange& change, Seq seq, StrokeTable& over, Version local) {
    if (seq <= seq_ || change.number <= lastNumber(change.board) || change.undo || !change.page.empty()) return false;
    std::uint64_t bytes = strokeBytes_;
    for (const StrokeOp& op : change.ops) {
        // What the rules make of a new stroke on a page without its id: the stroke, as is.
        const auto o = over.own().find(op.stroke.id);
        if (op.base != 0 || !op.present || op.origin != 0 || table_.find(op.stroke.id) != nullptr ||
            o == over.own().end() || !o->second.present || o->second.version != local ||
            o->second.created != local || o->second.origin != 0) {
            return false;
        }
        bytes += op.textBytes != 0 ? op.textBytes : entryTextBytes(o->second);
    }
    if (textBytes(bytes) > textLimit_) return false;
    seq_ = seq;
    lastNumbers_[change.board] = change.number;
    strokeBytes_ = bytes;
    for (const StrokeOp& op : change.ops) {
        StrokeEntry* e = table_.takeEntry(over, op.stroke.id, local, seq);
        if (op.textBytes != 0) e->textBytes = op.textBytes;
    }
    return true;
}

// The page's attributes (a few short values, within the room kMaxPageTextBytes leaves them)
// are not weighed against the limit, only counted in the page's length.
std::uint64_t PageState::textBytes(std::uint64_t strokeBytes) const {
    return emptyBytes_ + (strokeBytes == 0 ? 0 : io::kPageTextFrame + strokeBytes);
}

void PageState::restyled() { emptyBytes_ = io::formatPage({}, {}, styleOf(table_)).size(); }

std::uint64_t PageState::textBytes() const { return textBytes(strokeBytes_); }

void PageState::restoreEntry(io::StrokeId id, StrokeEntry entry) {
    strokeBytes_ += entryTextBytes(entry);
    table_.put(id, std::move(entry));
}

std::uint64_t PageState::lastNumber(BoardId board) const {
    const auto it = lastNumbers_.find(board);
    return it == lastNumbers_.end() ? 0 : it->second;
}

std::size_t PageState::strokeCount() const {
    std::size_t n = 0;
    for (const auto& [id, e] : table_.own()) n += e.present ? 1 : 0;
    return n;
}

io::PageStyle styleOf(const StrokeTable& table) {
    io::PageStyle style;
    // Values were checked when their records were read; one that cannot be set stays unset.
    for (const auto& [name, e] : table.attributes()) io::setStyleAttribute(style, name, e.value);
    return style;
}

io::PageContent contentOf(const StrokeTable& table, const StrokeTable* under) {
    io::PageContent page;
    page.style = styleOf(table);
    const auto add = [&](const StrokeEntry& e) {
        if (!e.present) return;
        page.strokes.push_back(e.points);
        page.colours.push_back(e.colour);
    };
    if (under == nullptr) {
        for (const auto& [id, e] : table.own()) add(e);
        return page;
    }
    // Merge by id: the upper table's entry wins.
    auto a = under->own().begin();
    const auto aEnd = under->own().end();
    auto b = table.own().begin();
    const auto bEnd = table.own().end();
    while (a != aEnd || b != bEnd) {
        if (b == bEnd || (a != aEnd && a->first < b->first)) {
            add((a++)->second);
        } else {
            if (a != aEnd && a->first == b->first) ++a;
            add((b++)->second);
        }
    }
    return page;
}

io::PageContent PageState::content() const { return contentOf(table_, nullptr); }

std::string textOf(const io::PageContent& page) {
    std::vector<std::span<const ControlPoint>> lists(page.strokes.begin(), page.strokes.end());
    return io::formatPage(lists, page.colours, page.style);
}

std::string PageState::pageText() const { return textOf(content()); }

void PageState::restore(Seq seq, std::map<BoardId, std::uint64_t> lastNumbers) {
    table_.clear();
    strokeBytes_ = 0;
    restyled();
    seq_ = seq;
    lastNumbers_ = std::move(lastNumbers);
}

}  // namespace share
