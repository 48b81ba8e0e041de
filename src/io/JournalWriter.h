#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace io {

// Appends journal records with group commits. append() only queues the bytes; a thread of
// the writer's own writes them to the file at once (so a killed program loses nothing
// already handed over) and calls fsync at most once per `syncInterval`: a record is synced
// when no sync began within the last interval, else when the interval since that sync's
// start ends. A burst of records therefore costs one fsync per interval, and a record is on
// disk no later than one interval (plus the sync itself) after it was appended. The timing
// does not depend on anything else the program does (painting, input).
//
// A write or sync that fails stops the journal: one line naming the file goes to standard
// output, later records are dropped and failed() turns true.
class JournalWriter {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kSyncInterval{1000};

    // A journal that is not on disk yet: the file is created at `path`, starting with
    // `start` (signature and header), when the first record is written. A file found there
    // then is not this writer's: it is left alone and the journal fails.
    JournalWriter(std::string path, std::string start,
                  std::chrono::milliseconds syncInterval = kSyncInterval);
    // Continues the journal at `path`, first cut back to its first `goodLength` bytes (a
    // torn or damaged tail). nullptr, after a diagnostic, when the file cannot be opened.
    static std::unique_ptr<JournalWriter> resume(
        const std::string& path, std::uint64_t goodLength,
        std::chrono::milliseconds syncInterval = kSyncInterval);
    // Writes and syncs what is queued, then stops the thread.
    ~JournalWriter();
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    void append(std::string record);
    // Waits until every record appended so far is written and synced, now rather than at
    // the next interval. False when the journal has failed.
    bool flush();
    // Flushes, then removes the file; the next record starts a new journal with `start`.
    // False when the flush or the removal failed (the journal then stays failed).
    bool restart(std::string start);
    // From now on the file is `contents` followed by what is appended after this call; the
    // swap happens on the writer's thread, as a safe replace (SafeFile.h), after the records
    // appended before it reach the old file: a crash leaves one file or the other, each
    // whole. A later replace() before the swap supersedes this one. When the replacement
    // cannot be written the old file goes on, holding everything appended. flush() waits
    // for the swap too.
    void replace(std::string contents);

    bool failed() const;
    std::uint64_t syncCount() const;
    const std::string& path() const { return path_; }

private:
    JournalWriter(std::string path, std::chrono::milliseconds syncInterval, int fd);
    void run();
    bool writeBatch(const std::string& batch);
    void fail(const char* what, int error);

    const std::string path_;
    const std::chrono::milliseconds interval_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;     // to the thread: something to do
    std::condition_variable synced_;   // to flush(): a sync finished
    std::string start_;                // bytes a new file begins with
    std::string pending_;              // appended, not yet written
    std::optional<std::string> replacement_;  // the file's next contents, not yet swapped in
    std::string beforeReplacement_;    // appended before replacement_, for the old file
    std::uint64_t replaceAsked_ = 0, replaceDone_ = 0;
    std::uint64_t appendedBytes_ = 0;  // totals since construction
    std::uint64_t writtenBytes_ = 0;
    std::uint64_t syncedBytes_ = 0;
    std::uint64_t syncs_ = 0;
    int flushWaiters_ = 0;
    bool busy_ = false;  // the thread is writing or syncing with the lock released
    bool stop_ = false;
    bool failed_ = false;
    bool folderDirty_ = false;  // the file was created since the last sync
    Clock::time_point lastSync_{};
    bool everSynced_ = false;
    int fd_ = -1;  // used by the thread; by others only while it is idle

    std::thread thread_;
};

}  // namespace io
