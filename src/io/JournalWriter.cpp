#include "io/JournalWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "io/SafeFile.h"

namespace io {


JournalWriter::JournalWriter(std::string path, std::string start,
                             std::chrono::milliseconds syncInterval)
    : JournalWriter(std::move(path), syncInterval, -1) {
    start_ = std::move(start);
}

JournalWriter::JournalWriter(std::string path, std::chrono::milliseconds syncInterval, int fd)
    : path_(std::move(path)), interval_(syncInterval), fd_(fd) {
    thread_ = std::thread([this] { run(); });
}

std::unique_ptr<JournalWriter> JournalWriter::resume(const std::string& path,
                                                     std::uint64_t goodLength,
                                                     std::chrono::milliseconds syncInterval) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(goodLength)) != 0 || ::fsync(fd) != 0) {
        std::printf("Could not continue the journal %s: %s\n", path.c_str(), std::strerror(errno));
        std::fflush(stdout);
        if (fd >= 0) ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<JournalWriter>(new JournalWriter(path, syncInterval, fd));
}

JournalWriter::~JournalWriter() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
    if (fd_ >= 0) ::close(fd_);
}

void JournalWriter::append(std::string record) {
    {
        std::lock_guard lock(mutex_);
        if (failed_) return;
        appendedBytes_ += record.size();
        if (pending_.empty()) {
            pending_ = std::move(record);
        } else {
            pending_ += record;
        }
    }
    wake_.notify_all();
}

void JournalWriter::replace(std::string contents) {
    {
        std::lock_guard lock(mutex_);
        if (failed_) return;
        beforeReplacement_ += pending_;
        pending_.clear();
        replacement_ = std::move(contents);
        ++replaceAsked_;
    }
    wake_.notify_all();
}

bool JournalWriter::flush() {
    std::unique_lock lock(mutex_);
    const std::uint64_t target = appendedBytes_;
    const std::uint64_t replaced = replaceAsked_;
    ++flushWaiters_;
    wake_.notify_all();
    synced_.wait(lock, [&] { return failed_ || (syncedBytes_ >= target && replaceDone_ >= replaced); });
    --flushWaiters_;
    return !failed_;
}

bool JournalWriter::restart(std::string start) {
    if (!flush()) return false;
    std::unique_lock lock(mutex_);
    // flush() returned with nothing pending; wait out a sync still holding the file.
    synced_.wait(lock, [&] { return !busy_; });
    if (fd_ >= 0) {
        // Only while the name is still this writer's file: one put in its place is not ours.
        struct stat own {}, named {};
        const bool ours = ::fstat(fd_, &own) == 0 && ::lstat(path_.c_str(), &named) == 0 &&
                          own.st_dev == named.st_dev && own.st_ino == named.st_ino;
        ::close(fd_);
        fd_ = -1;
        if (ours && ::unlink(path_.c_str()) != 0 && errno != ENOENT) {
            fail("remove", errno);
            return false;
        }
        syncFolderOf(path_);
    }
    start_ = std::move(start);
    return true;
}

bool JournalWriter::failed() const {
    std::lock_guard lock(mutex_);
    return failed_;
}

std::uint64_t JournalWriter::syncCount() const {
    std::lock_guard lock(mutex_);
    return syncs_;
}

void JournalWriter::fail(const char* what, int error) {
    // Called with the lock held.
    if (!failed_) {
        std::printf("Could not %s the journal %s: %s; changes since the last save are not "
                    "safe from a crash\n",
                    what, path_.c_str(), std::strerror(error));
        std::fflush(stdout);
    }
    failed_ = true;
    pending_.clear();
    replacement_.reset();
    beforeReplacement_.clear();
    synced_.notify_all();
}

bool JournalWriter::writeBatch(const std::string& batch) {
    if (fd_ < 0) {
        // A file in the way that this writer did not create is left alone, neither replaced
        // nor moved: some other process may be writing it. The journal fails instead.
        const int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) return false;
        fd_ = fd;
        folderDirty_ = true;
        if (!writeAll(fd_, start_)) return false;
    }
    return writeAll(fd_, batch);
}

void JournalWriter::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (failed_) {
            if (stop_) return;
            wake_.wait(lock);
            continue;
        }
        if (replacement_) {
            std::string before, contents = std::move(*replacement_);
            before.swap(beforeReplacement_);
            replacement_.reset();
            const std::uint64_t asked = replaceAsked_;
            busy_ = true;
            lock.unlock();
            // The old file first gets what was appended before, so that it is whole should
            // the new one fail.
            const bool opened = fd_ >= 0;
            bool ok = before.empty() || writeBatch(before);
            int error = errno;
            bool swapped = false;
            if (ok && replaceFileContents(path_, contents)) {
                swapped = true;
                if (fd_ >= 0) ::close(fd_);
                fd_ = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
                ok = fd_ >= 0;
                error = errno;
            }
            lock.lock();
            busy_ = false;
            if (!ok) {
                fail(opened ? "write" : "create", error);
                continue;
            }
            writtenBytes_ += before.size();
            // The new file is on disk and stands for everything appended before it.
            if (swapped) syncedBytes_ = writtenBytes_;
            replaceDone_ = asked;
            synced_.notify_all();
            continue;
        }
        if (!pending_.empty()) {
            // Written at once, synced on the schedule below.
            std::string batch;
            batch.swap(pending_);
            busy_ = true;
            lock.unlock();
            const bool opened = fd_ >= 0;
            const bool ok = writeBatch(batch);
            const int error = errno;
            lock.lock();
            busy_ = false;
            if (!ok) {
                fail(opened ? "write" : "create", error);
                continue;
            }
            writtenBytes_ += batch.size();
            continue;
        }
        if (writtenBytes_ > syncedBytes_) {
            const Clock::time_point due = lastSync_ + interval_;
            if (everSynced_ && !stop_ && flushWaiters_ == 0 && Clock::now() < due) {
                wake_.wait_until(lock, due, [&] {
                    return stop_ || flushWaiters_ > 0 || !pending_.empty() || replacement_;
                });
                continue;
            }
            const std::uint64_t covered = writtenBytes_;
            const bool folder = folderDirty_;
            lastSync_ = Clock::now();
            everSynced_ = true;
            busy_ = true;
            lock.unlock();
            bool ok = ::fsync(fd_) == 0;
            const int error = errno;
            // The new file's name must survive a power cut too.
            if (ok && folder) syncFolderOf(path_);
            lock.lock();
            busy_ = false;
            ++syncs_;
            if (!ok) {
                fail("sync", error);
                continue;
            }
            if (folder) folderDirty_ = false;
            syncedBytes_ = covered;
            synced_.notify_all();
            continue;
        }
        synced_.notify_all();  // idle: a restart() may be waiting for the sync to end
        if (stop_) return;
        wake_.wait(lock, [&] {
            return stop_ || !pending_.empty() || replacement_ ||
                   (flushWaiters_ > 0 && syncedBytes_ < appendedBytes_);
        });
    }
}

}  // namespace io
