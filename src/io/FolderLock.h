#pragma once

#include <string>

namespace io {

// The lock that lets one copy of the program at a time work on a lesson folder: two copies
// would replay, save over and remove each other's live journals. It is an advisory lock on
// the file ".inkboard-lock" in the folder, held while this object lives; the system
// releases it when the process ends in any way, so a killed copy never leaves the folder
// locked. The file stays (removing it would let two copies lock two different files); it
// holds the holder's process id, for the message of the copy that is refused. A login that
// cannot write another login's lock file takes a shared lock on it, which still excludes
// every copy that can.
class FolderLock {
public:
    enum class State {
        Held,         // this process holds the lock
        InUse,        // another process holds it
        Unavailable,  // the file could not be made or the file system has no locks
    };
    static constexpr const char* kFileName = ".inkboard-lock";

    // Tries once, without waiting, to lock the folder at `folder`.
    explicit FolderLock(const std::string& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    State state() const { return state_; }
    // InUse: the process id the holder wrote, 0 when unknown.
    long holder() const { return holder_; }
    // Unavailable: why, in a few words.
    const std::string& error() const { return error_; }

private:
    State state_ = State::Unavailable;
    long holder_ = 0;
    std::string error_;
    int fd_ = -1;
};

}  // namespace io
