#include "document/PageHistories.h"

#include <algorithm>

#include "document/Drawing.h"

PageHistories::PageHistories(Drawing& drawing, std::size_t maxBytes,
                             std::size_t maxCommandsPerPage)
    : drawing_(drawing), maxBytes_(maxBytes), maxCommands_(maxCommandsPerPage) {
    drawing_.changes = &recorder_;
}

PageHistories::~PageHistories() {
    if (drawing_.changes == &recorder_) drawing_.changes = nullptr;
}

History& PageHistories::current() {
    return pages_.try_emplace(page_, maxCommands_).first->second;
}

const History& PageHistories::history() const {
    static const History kEmpty;
    const auto it = pages_.find(page_);
    return it == pages_.end() ? kEmpty : it->second;
}

void PageHistories::beginGesture(GestureKey key, io::ChangeKind kind) {
    finished(recorder_.closeLoose());
    recorder_.begin(key, kind);
}

void PageHistories::endGesture(GestureKey key) {
    finished(recorder_.closeLoose());
    finished(recorder_.end(key));
}

void PageHistories::endLooseChanges() { finished(recorder_.closeLoose()); }

void PageHistories::endAllGestures() {
    finished(recorder_.closeLoose());
    // One by one, so that each command's positions leave out the changes still open.
    for (const GestureKey key : recorder_.openKeys()) finished(recorder_.end(key));
}

void PageHistories::recordAs(io::ChangeKind kind, const std::function<void()>& change) {
    // A key no gesture uses: the top of the range.
    constexpr GestureKey kOwnKey = ~GestureKey{0} - 1;
    beginGesture(kOwnKey, kind);
    change();
    endGesture(kOwnKey);
}

void PageHistories::unrecorded(const std::function<void()>& change) {
    drawing_.changes = nullptr;
    change();
    drawing_.changes = &recorder_;
}

void PageHistories::finished(std::optional<Command> command) {
    if (!command) return;
    dropUnchanged(*command, drawing_);
    if (command->empty()) return;
    command->serial = nextSerial_++;
    if (journal) journalEntry(io::EntryType::Do, command->serial, describe(*command, drawing_, recorder_.pending()));
    current().push(std::move(*command));
    trim();
}

void PageHistories::journalEntry(io::EntryType type, std::uint64_t serial, const io::Change& change) {
    io::JournalEntry entry;
    entry.type = type;
    entry.serial = serial;
    entry.change = change;
    journal(entry);
}

bool PageHistories::canUndo() const { return history().undoCount() > 0; }
bool PageHistories::canRedo() const { return history().redoCount() > 0; }

bool PageHistories::undo() { return step(true); }

bool PageHistories::redo() { return step(false); }

bool PageHistories::step(bool undoing) {
    finished(recorder_.closeLoose());
    Command* command = undoing ? current().nextUndo() : current().nextRedo();
    if (command == nullptr || recorder_.touchesOpen(*command)) return false;
    if (mayToggle && !mayToggle(*command)) {
        if (undoing) {
            current().discardNextUndo();
        } else {
            current().discardNextRedo();
        }
        return false;
    }
    io::Change change;
    if (!toggle(*command, drawing_, recorder_.pending(), journal ? &change : nullptr)) return false;
    const std::uint64_t serial = command->serial;
    if (undoing) {
        current().undone();
    } else {
        current().redone();
    }
    if (journal) journalEntry(undoing ? io::EntryType::Undo : io::EntryType::Redo, serial, change);
    trim();
    return true;
}

void PageHistories::setPage(int page) {
    endAllGestures();
    page_ = page;
}

void PageHistories::forgetPage(int page) { pages_.erase(page); }

std::size_t PageHistories::bytes() const {
    std::size_t sum = 0;
    for (const auto& [page, history] : pages_) sum += history.bytes();
    return sum;
}

void PageHistories::trim() {
    std::size_t total = bytes();
    while (total > maxBytes_) {
        // The oldest command of any page goes first; the newest command of the current
        // page always stays, or the change just made could not be undone.
        History* oldest = nullptr;
        for (auto& [page, history] : pages_) {
            if (history.undoCount() == 0) continue;
            if (page == page_ && history.undoCount() == 1) continue;
            if (!oldest || history.oldestSerial() < oldest->oldestSerial()) oldest = &history;
        }
        bool dropped = oldest != nullptr && oldest->dropOldest();
        for (auto it = pages_.begin(); !dropped && it != pages_.end(); ++it) {
            dropped = it->second.dropLastRedo();
        }
        if (!dropped) return;
        total = bytes();
    }
}

namespace {
// The same strokes leave and arrive at the same places. Contents are not compared: a page
// loaded from its file holds points rounded to the file's six decimals, while the journal
// has them exact; both give the same page text.
bool sameShape(const io::Change& a, const io::Change& b) {
    if (a.kind != b.kind || a.removed != b.removed || a.added.size() != b.added.size())
        return false;
    for (std::size_t i = 0; i < a.added.size(); ++i) {
        if (a.added[i].position != b.added[i].position ||
            a.added[i].stroke.id != b.added[i].stroke.id)
            return false;
    }
    return true;
}
}  // namespace

bool PageHistories::toggleChecked(Command& command, const io::Change& expected) {
    io::Change change;
    if (!toggle(command, drawing_, {}, &change)) return false;
    if (sameShape(change, expected)) return true;
    toggle(command, drawing_, {});  // the entry disagrees with the page: put it back
    return false;
}

bool PageHistories::applyAsNew(const io::JournalEntry& entry) {
    Command command = commandFor(entry.change, drawing_.view.zoom);
    if (!toggleChecked(command, entry.change)) return false;
    command.serial = entry.serial;
    for (const io::PlacedStroke& p : entry.change.added) {
        drawing_.nextStrokeId = std::max(drawing_.nextStrokeId, p.stroke.id + 1);
    }
    current().push(std::move(command));
    trim();
    return true;
}

bool PageHistories::replay(const io::JournalEntry& entry) {
    finished(recorder_.closeLoose());
    if (recorder_.anyOpen()) return false;
    nextSerial_ = std::max(nextSerial_, entry.serial + 1);
    switch (entry.type) {
        case io::EntryType::Do:
            return applyAsNew(entry);
        case io::EntryType::Undo:
        case io::EntryType::Redo: {
            const bool undoing = entry.type == io::EntryType::Undo;
            Command* command = undoing ? current().nextUndo() : current().nextRedo();
            // The command was dropped, or made before the journal began: the entry's data
            // still says what changed.
            if (command == nullptr || command->serial != entry.serial) return applyAsNew(entry);
            if (!toggleChecked(*command, entry.change)) return false;
            if (undoing) {
                current().undone();
            } else {
                current().redone();
            }
            trim();
            return true;
        }
        case io::EntryType::Header:
        case io::EntryType::Save:
            return true;
    }
    return false;
}
