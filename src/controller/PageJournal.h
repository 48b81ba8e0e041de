#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "io/JournalFormat.h"
#include "io/JournalWriter.h"

class Drawing;
class PageHistories;

// The crash journal "N.xml.journal" of the page on show (format: io/JournalFormat.md):
// replayed when the page is opened, appended to with every finished change, undo and redo,
// emptied by a save. Diagnostics are one line each on standard output.
class PageJournal {
public:
    explicit PageJournal(std::chrono::milliseconds syncInterval = io::JournalWriter::kSyncInterval);
    ~PageJournal();
    PageJournal(const PageJournal&) = delete;
    PageJournal& operator=(const PageJournal&) = delete;

    // The drawing has just loaded `pageFile` (or found none); `histories` is on its page.
    // The file becomes the journal's base. A journal left beside it is replayed when its
    // header names the file as it is (saying so in one line); one for other contents is
    // kept aside as "<journal>.stale" and not applied; one whose announced save completed
    // is emptied. Replay stops at a damaged record, keeping the whole file as
    // "<journal>.damaged".
    void open(const std::string& pageFile, Drawing& drawing, PageHistories& histories);
    // The page file was loaded again over the drawing ("L"): the journal starts afresh from
    // it, as after a save.
    void reopen(Drawing& drawing);
    // Every finished change, undo and redo (PageHistories::journal).
    void record(const io::JournalEntry& entry);
    // The page is about to be saved as `text`: a save record goes to disk first, so that a
    // journal found beside a page already holding `text` is known to be contained in it.
    void saving(std::string_view text);
    // The page was saved as `text`, holding the drawing's strokes: the journal is emptied and
    // the new file is its base.
    void saved(std::string_view text, const Drawing& drawing);
    // Everything recorded is written and synced (at the end of a run). False when the
    // journal failed.
    bool flush();
    // False when journaling failed on this page: changes since the last save are safe only
    // until the program ends.
    bool healthy() const;
    const std::string& path() const { return path_; }
    const io::JournalHeader& base() const { return base_; }

private:
    void startFresh();
    bool recover(const std::string& pageFile, Drawing& drawing, PageHistories& histories);

    std::chrono::milliseconds interval_;
    std::string pageFile_;
    std::string path_;
    io::JournalHeader base_;
    std::unique_ptr<io::JournalWriter> writer_;
    bool recorded_ = false;  // something was recorded since the base
    bool unusable_ = false;  // the page file could not be read to name it
};
