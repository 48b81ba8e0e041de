#include "io/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace io {

namespace {

void report(const std::string& path, int error) {
    std::printf("Could not save %s: %s\n", path.c_str(), std::strerror(error));
    std::fflush(stdout);
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Creates a new, exclusive temporary file next to `path`; -1 with errno set on failure.
int createTemporary(const std::string& path, std::string& tempPath) {
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".tmp-%08x", static_cast<unsigned>(random()));
        tempPath = path + suffix;
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}


// A symbolic link is written through, as opening the path for writing would: its
// target is what gets replaced, and the link stays. A dangling link is replaced itself.
std::string resolveLink(const std::string& path) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return path;
    std::string target(resolved);
    std::free(resolved);
    return target;
}

// Renames `from` to `to` unless `to` exists (EEXIST then). File systems without an
// exclusive rename get a check before a plain one.
bool renameNew(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
    struct stat there {};
    if (::lstat(to.c_str(), &there) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace

bool replaceFileContents(const std::string& requested, std::string_view bytes) {
    const std::string path = resolveLink(requested);
    std::string tempPath;
    const int fd = createTemporary(path, tempPath);
    if (fd < 0) {
        report(requested, errno);
        return false;
    }

    struct stat existing {};
    bool ok = writeAll(fd, bytes);
    if (ok && ::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    }
    ok = ok && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(tempPath.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(tempPath.c_str());
        report(requested, error);
        return false;
    }

    // The new contents are in place; flushing the folder only makes the rename survive
    // a power cut, so a folder that cannot be flushed does not turn this into a failure.
    syncFolderOf(path);
    return true;
}

bool createFiles(std::span<const std::pair<std::string, std::string>> files) {
    std::vector<std::string> temps;
    std::size_t placed = 0;
    const auto fail = [&](const std::string& path, int error) {
        for (std::size_t i = 0; i < placed; ++i) ::unlink(files[i].first.c_str());
        for (std::size_t i = placed; i < temps.size(); ++i) ::unlink(temps[i].c_str());
        report(path, error);
        return false;
    };
    int last = -1;  // the newest temporary, open for the one flush
    for (const auto& [path, bytes] : files) {
        std::string temp;
        const int fd = createTemporary(path, temp);
        if (fd < 0) return fail(path, errno);
        temps.push_back(temp);
        bool ok = writeAll(fd, bytes);
        int error = errno;
        if (last >= 0 && ::close(last) != 0 && ok) {
            ok = false;
            error = errno;
        }
        last = fd;
        if (!ok) {
            ::close(last);
            return fail(path, error);
        }
    }
    if (last >= 0) {
        // One flush of the file system writes every temporary's data: a flush per file
        // costs each its own journal commit.
        bool ok = ::syncfs(last) == 0;
        int error = errno;
        if (::close(last) != 0 && ok) {
            ok = false;
            error = errno;
        }
        if (!ok) return fail(files.back().first, error);
    }
    for (; placed < files.size(); ++placed)
        if (!renameNew(temps[placed], files[placed].first)) return fail(files[placed].first, errno);
    if (!files.empty()) syncFolderOf(files.front().first);
    return true;
}

bool writeAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, p, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

void syncFolderOf(const std::string& path) {
    const int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    ::fsync(dir);
    ::close(dir);
}

std::string claimFreeName(const std::string& base) {
    constexpr int kGenerations = 100000;
    int error = 0;
    for (int n = 1; n <= kGenerations; ++n) {
        const std::string name = n == 1 ? base : base + "." + std::to_string(n);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        error = errno;
        if (error != EEXIST) break;
    }
    report(base, error);
    return {};
}

}  // namespace io
