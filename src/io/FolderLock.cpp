#include "io/FolderLock.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace io {

FolderLock::FolderLock(const std::string& folder) {
    const std::string path = folder + "/" + kFileName;
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    // Another login's file: a shared lock still excludes every copy that writes the file.
    const bool shared = fd_ < 0 && errno == EACCES;
    if (shared) fd_ = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = std::strerror(errno);
        return;
    }
    // An open-file-description lock: it belongs to this descriptor, not to the process, so
    // nothing else the process opens or closes can drop it, and a second lock on the same
    // file conflicts even within one process. Whole file.
    struct flock lock {};
    lock.l_type = shared ? F_RDLCK : F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd_, F_OFD_SETLK, &lock) == 0) {
        state_ = State::Held;
        if (shared) return;
        // The number only serves a refused copy's message: a failed write changes nothing.
        const std::string pid = std::to_string(::getpid()) + "\n";
        const bool noted = ::ftruncate(fd_, 0) == 0 &&
                           ::pwrite(fd_, pid.data(), pid.size(), 0) == static_cast<ssize_t>(pid.size());
        static_cast<void>(noted);
        return;
    }
    const int error = errno;
    if (error == EAGAIN || error == EACCES) {
        state_ = State::InUse;
        char text[32] = {};
        if (::pread(fd_, text, sizeof text - 1, 0) > 0) holder_ = std::max(0L, std::strtol(text, nullptr, 10));
        // A number left by an earlier holder (another login's copy cannot write its own).
        if (holder_ > 0 && ::kill(static_cast<pid_t>(holder_), 0) != 0 && errno == ESRCH) holder_ = 0;
    } else {
        error_ = std::strerror(error);
    }
    ::close(fd_);
    fd_ = -1;
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace io
