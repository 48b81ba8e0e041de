#include "controller/EditHistory.h"

#include "document/Drawing.h"
#include "document/JournalReplay.h"

EditHistory::EditHistory(Drawing& drawing) : drawing_(drawing), histories_(drawing) {
    histories_.journal = [this](const io::JournalEntry& entry) { journal_.record(entry); };
}

void EditHistory::openPage(int page, const std::string& file, bool alreadyLoaded) {
    histories_.endAllGestures();
    if (!alreadyLoaded) histories_.unrecorded([&] { drawing_.loadXml(file); });
    // The page's history names its strokes by the ids they had when it was saved; a file
    // changed since (or never saved in this run) starts a history of its own.
    const auto saved = savedPages_.find(page);
    const std::optional<io::PageStamp> stamp = io::stampFile(file);
    const bool same = saved != savedPages_.end() && stamp && *stamp == saved->second.page &&
                      assignStrokeIds(drawing_, saved->second.strokeIds);
    if (!same) histories_.forgetPage(page);
    histories_.setPage(page);
    journal_.open(file, drawing_, histories_);
    if (pageOpened) pageOpened(page);
}

void EditHistory::reload(const std::string& file) {
    histories_.recordAs(io::ChangeKind::Load, [&] { drawing_.loadXml(file); });
    journal_.reopen(drawing_);
}

void EditHistory::saving(std::string_view text) {
    if (histories_.anyOpenChange())
        histories_.endAllGestures();
    else
        histories_.endLooseChanges();
    journal_.saving(text);
}

void EditHistory::saved(std::string_view text) {
    journal_.saved(text, drawing_);
    savedPages_[histories_.page()] = journal_.base();
}

bool EditHistory::finish() {
    histories_.endAllGestures();
    return journal_.flush() && journal_.healthy();
}
