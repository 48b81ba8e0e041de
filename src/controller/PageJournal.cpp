#include "controller/PageJournal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>

#include "document/Drawing.h"
#include "document/JournalReplay.h"
#include "document/PageHistories.h"
#include "io/SafeFile.h"
#include "io/SetAside.h"

namespace {

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return std::nullopt;
    return bytes;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool isRegularFile(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

PageJournal::PageJournal(std::chrono::milliseconds syncInterval) : interval_(syncInterval) {}

PageJournal::~PageJournal() = default;  // the writer syncs what is pending

void PageJournal::startFresh() {
    writer_ = std::make_unique<io::JournalWriter>(path_, io::encodeJournalStart(base_), interval_);
    recorded_ = false;
}

void PageJournal::open(const std::string& pageFile, Drawing& drawing, PageHistories& histories) {
    writer_.reset();
    pageFile_ = pageFile;
    path_ = pageFile + ".journal";
    const std::optional<io::PageStamp> stamp = io::stampFile(pageFile);
    unusable_ = !stamp;
    if (unusable_) {
        std::cout << "Could not read " << pageFile
                  << "; changes to it are not kept in a journal\n";
        return;
    }
    base_ = {*stamp, strokeIds(drawing)};
    if (exists(path_) && !isRegularFile(path_)) {
        // Not ours to move or replace.
        unusable_ = true;
        std::cout << path_ << " is in the way; changes to " << pageFile
                  << " are not kept in a journal\n";
        return;
    }
    if (exists(path_) && recover(pageFile, drawing, histories)) return;
    startFresh();
}

// Replays the journal at path_ when it belongs to the page; true when it is continued.
bool PageJournal::recover(const std::string& pageFile, Drawing& drawing,
                          PageHistories& histories) {
    const std::optional<std::string> bytes = readFile(path_);
    if (!bytes) {
        const auto kept = io::setAside(path_, "unread");
        std::cout << "Could not read " << path_ << "; it is kept as "
                  << kept.value_or(path_) << " and not applied\n";
        return false;
    }
    const io::ParsedJournal parsed = io::parseJournal(*bytes);
    if (!parsed.contents) {
        // A header cut short was never followed by a record: there is nothing to keep.
        if (parsed.problem == io::JournalProblem::TornHeader) {
            ::unlink(path_.c_str());
            return false;
        }
        const auto kept = io::setAside(path_, "damaged");
        std::cout << path_ << " is not a journal; it is kept as " << kept.value_or(path_)
                  << " and not applied\n";
        return false;
    }
    const io::JournalContents& journal = *parsed.contents;
    // Begun on a page that loaded empty, and the page file is now missing or unreadable (a
    // save of a damaged page cut short by an older version): the records still apply.
    const bool ontoEmptyPage = journal.header.strokeIds.empty() && drawing.strokes.empty() &&
                               (!base_.page.exists || drawing.unreadableFiles.contains(pageFile));
    if (journal.header.page != base_.page && !ontoEmptyPage) {
        // A save that was announced and then completed: the page holds every change.
        const bool saved = std::any_of(journal.entries.begin(), journal.entries.end(), [&](const auto& e) {
            return e.type == io::EntryType::Save && e.saved == base_.page;
        });
        if (saved) {
            ::unlink(path_.c_str());
            return false;
        }
        const auto kept = io::setAside(path_, "stale");
        std::cout << path_ << " does not belong to " << pageFile
                  << " as it is now (it was changed since); it is kept as "
                  << kept.value_or(path_) << " and not applied\n";
        return false;
    }

    const ReplayOutcome outcome = replayJournal(histories, drawing, journal);
    if (!outcome.idsFit) {
        const auto kept = io::setAside(path_, "stale");
        std::cout << path_ << " does not fit " << pageFile << "; it is kept as "
                  << kept.value_or(path_) << " and not applied\n";
        return false;
    }
    const std::size_t changes = std::count_if(journal.entries.begin(), journal.entries.begin() + outcome.applied,
                                              [](const auto& e) { return e.type != io::EntryType::Save; });
    std::cout << "Restored " << changes << (changes == 1 ? " change" : " changes") << " to "
              << pageFile << " from " << path_;
    if (journal.header.page != base_.page) {
        std::cout << " (begun on an empty page; " << pageFile
                  << (base_.page.exists ? " could not be read)" : " is missing)");
    }
    if (outcome.stopped || journal.end == io::JournalEnd::Damaged) {
        // Keep every byte, then continue a journal of the records that were applied.
        const auto kept = io::keepCopy(path_, "damaged");
        std::string good = io::encodeJournalStart(journal.header);
        for (std::size_t i = 0; i < outcome.applied; ++i) good += io::encodeEntry(journal.entries[i]);
        if (outcome.stopped) {
            std::cout << "; it stopped at a damaged record";
        } else if (journal.skippedBytes > 0) {
            std::cout << "; " << journal.skippedBytes << " damaged bytes were passed over";
        } else {
            std::cout << "; a record with a damaged length was read whole";
        }
        std::cout << " and it is kept whole as " << kept.value_or(path_) << "\n";
        if (!kept || !io::replaceFileContents(path_, good)) return false;
        base_ = journal.header;
        writer_ = io::JournalWriter::resume(path_, good.size(), interval_);
    } else {
        if (journal.end == io::JournalEnd::Torn) std::cout << "; an incomplete last record was dropped";
        std::cout << "\n";
        base_ = journal.header;
        writer_ = io::JournalWriter::resume(path_, journal.goodLength, interval_);
    }
    recorded_ = writer_ != nullptr;
    return writer_ != nullptr;
}

void PageJournal::reopen(Drawing& drawing) {
    if (pageFile_.empty()) return;
    const std::optional<io::PageStamp> stamp = io::stampFile(pageFile_);
    if (!stamp) return;
    base_ = {*stamp, strokeIds(drawing)};
    if (writer_ && writer_->restart(io::encodeJournalStart(base_))) {
        recorded_ = false;
    } else {
        startFresh();
    }
}

void PageJournal::record(const io::JournalEntry& entry) {
    if (!writer_) return;
    writer_->append(io::encodeEntry(entry));
    recorded_ = true;
}

void PageJournal::saving(std::string_view text) {
    if (!writer_ || !recorded_) return;
    io::JournalEntry entry;
    entry.type = io::EntryType::Save;
    entry.saved = io::stampOf(text);
    writer_->append(io::encodeEntry(entry));
    writer_->flush();
}

void PageJournal::saved(std::string_view text, const Drawing& drawing) {
    base_ = {io::stampOf(text), strokeIds(drawing)};
    if (unusable_) return;
    if (writer_ && writer_->restart(io::encodeJournalStart(base_))) {
        recorded_ = false;
    } else {
        startFresh();
    }
}

bool PageJournal::flush() { return writer_ ? writer_->flush() : !unusable_; }

bool PageJournal::healthy() const { return writer_ ? !writer_->failed() : !unusable_; }
