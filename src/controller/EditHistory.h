#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "controller/PageJournal.h"
#include "document/PageHistories.h"

class Drawing;

// Undo, redo and the crash journal as the controller uses them. Owns the run's page
// histories and the journal of the page on show, and remembers the stroke ids of every page
// as it was last saved, so that a page's history survives flipping away and back.
//
// Gestures are keyed (see CommandRecorder); today one pointer drives one gesture at a time.
class EditHistory {
public:
    using GestureKey = PageHistories::GestureKey;

    explicit EditHistory(Drawing& drawing);

    // Shows page `page` from `file`: ends open gestures, loads the file into the drawing
    // (unless `alreadyLoaded`, as at start-up) without recording that as a change, keeps
    // the page's history when the file is as this run last saved it, and replays the
    // page's journal.
    void openPage(int page, const std::string& file, bool alreadyLoaded = false);

    void beginGesture(GestureKey key, io::ChangeKind kind) { histories_.beginGesture(key, kind); }
    void setKind(GestureKey key, io::ChangeKind kind) { histories_.setKind(key, kind); }
    void endGesture(GestureKey key) { histories_.endGesture(key); }
    void recordAs(io::ChangeKind kind, const std::function<void()>& change) {
        histories_.recordAs(kind, change);
    }
    // "L": the page file replaces the drawing, as a change that can be undone; the journal
    // starts afresh from the file.
    void reload(const std::string& file);

    bool undo() { return histories_.undo(); }
    bool redo() { return histories_.redo(); }
    bool canUndo() const { return histories_.canUndo(); }
    bool canRedo() const { return histories_.canRedo(); }
    bool gestureOpen() const { return histories_.anyGestureOpen(); }
    // Whether a gesture in progress has changed the page (erased, pushed or moved strokes).
    bool pageChanging() const { return histories_.anyOpenChange(); }

    // Around a save of the page as `text` (the caller writes the file in between). Open
    // gestures that have changed nothing yet (strokes being drawn) stay open: what they add
    // comes after the save. Any other ends here, so that the journal after the save starts
    // from the page as written.
    void saving(std::string_view text);
    void saved(std::string_view text);

    // The end of a run: ends open gestures and puts the journal on disk. False when the
    // journal failed, so the drawing is safe only if it is kept some other way.
    bool finish();

    // Told after every page opened (a shared board shows the room's page instead).
    std::function<void(int page)> pageOpened;

    const PageHistories& histories() const { return histories_; }
    PageHistories& histories() { return histories_; }

private:
    Drawing& drawing_;
    PageHistories histories_;
    PageJournal journal_;
    std::map<int, io::JournalHeader> savedPages_;
};
