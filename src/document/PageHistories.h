#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>

#include "document/CommandRecorder.h"
#include "document/History.h"
#include "io/JournalFormat.h"

class Drawing;

// The run's undo history: one History per page, the gestures in progress, and the bound on
// memory across all pages. Installs itself as the drawing's change sink for its lifetime.
//
// Every finished change, undo and redo of the current page is also handed to `journal` as
// plain data, in the order it happened.
class PageHistories {
public:
    using GestureKey = CommandRecorder::GestureKey;
    using JournalSink = std::function<void(const io::JournalEntry&)>;
    static constexpr std::size_t kMaxBytes = std::size_t{256} << 20;

    explicit PageHistories(Drawing& drawing, std::size_t maxBytes = kMaxBytes,
                           std::size_t maxCommandsPerPage = History::kMaxCommands);
    ~PageHistories();
    PageHistories(const PageHistories&) = delete;
    PageHistories& operator=(const PageHistories&) = delete;

    // --- gestures (see CommandRecorder) ---
    void beginGesture(GestureKey key, io::ChangeKind kind);
    void activate(GestureKey key) { recorder_.activate(key); }
    void setKind(GestureKey key, io::ChangeKind kind) { recorder_.setKind(key, kind); }
    // The gesture's command joins the current page's history once its last gesture ends.
    void endGesture(GestureKey key);
    // Ends every open gesture (before a page is left or saved).
    void endAllGestures();
    bool anyGestureOpen() const { return recorder_.anyOpen(); }
    bool anyOpenChange() const { return recorder_.anyOpenChange(); }
    // Ends the changes made while no gesture was active.
    void endLooseChanges();
    // Whether a gesture in progress has added, changed or removed the stroke.
    bool gestureTouches(io::StrokeId id) const { return recorder_.touching(id); }
    // Told of every piece the eraser cuts out of a stroke.
    void onStrokeCut(std::function<void(io::StrokeId piece, io::StrokeId from)> f) {
        recorder_.cut = std::move(f);
    }
    // Runs `change` on the drawing as one command of its own, e.g. a key's or a button's.
    void recordAs(io::ChangeKind kind, const std::function<void()>& change);
    // Runs `change` on the drawing without recording it (a page being shown, not changed).
    void unrecorded(const std::function<void()>& change);

    // --- undo and redo on the current page ---
    // Asked before a command is undone or redone; when it says no, the command leaves the
    // history (it could never apply as it was made) and nothing changes. Sharing uses it:
    // an undo must not overwrite what another board did since.
    std::function<bool(const Command&)> mayToggle;
    // False when there is nothing to undo (redo), or when the command would touch a stroke
    // that a gesture in progress has changed (it waits for that gesture's end).
    bool undo();
    bool redo();
    bool canUndo() const;
    bool canRedo() const;

    // --- pages ---
    int page() const { return page_; }
    // Changes from now on belong to `page`. Ends open gestures first.
    void setPage(int page);
    // Forgets a page's history (its strokes were replaced behind its back).
    void forgetPage(int page);
    const History& history() const;

    // --- journal ---
    JournalSink journal;
    // Applies one journal entry to the drawing as the history of the current page would
    // have: a change joins the history, an undo or redo of the newest command moves it.
    // False, changing nothing, when the entry does not fit the page. No gesture may be open.
    bool replay(const io::JournalEntry& entry);

    std::size_t bytes() const;

private:
    History& current();
    // Undo (undoing) or redo of the current page's next command.
    bool step(bool undoing);
    void finished(std::optional<Command> command);
    bool applyAsNew(const io::JournalEntry& entry);
    bool toggleChecked(Command& command, const io::Change& expected);
    void trim();
    void journalEntry(io::EntryType type, std::uint64_t serial, const io::Change& change);

    Drawing& drawing_;
    const std::size_t maxBytes_;
    const std::size_t maxCommands_;
    CommandRecorder recorder_;
    std::map<int, History> pages_;
    int page_ = 0;
    std::uint64_t nextSerial_ = 1;  // run-wide, so serials also order commands across pages
};
