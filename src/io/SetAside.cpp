#include "io/SetAside.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace io {

namespace {

// The first free name of the series, made to refer to the file by `place`, which returns
// 0, EEXIST when the name was taken meanwhile, or another error.
template <class Place>
std::optional<std::string> firstFreeName(const std::string& path, const std::string& suffix,
                                         Place place) {
    const std::string base = path + "." + suffix;
    for (int n = 1; n < 1000; ++n) {
        const std::string name = n == 1 ? base : base + "." + std::to_string(n);
        const int error = place(name);
        if (error == 0) return name;
        if (error != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

bool taken(const std::string& name) {
    struct stat st {};
    return ::lstat(name.c_str(), &st) == 0;
}

// link() refuses an existing name, where rename() would replace it. `follow`: a symbolic
// link at `path` gives a link to its target's contents, not to the link itself.
int linkTo(const std::string& path, const std::string& name, bool follow = false) {
    if (::linkat(AT_FDCWD, path.c_str(), AT_FDCWD, name.c_str(), follow ? AT_SYMLINK_FOLLOW : 0) == 0)
        return 0;
    return errno;
}

// A copy must reach the disk before the original is replaced.
bool syncFile(const std::string& name) {
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool noHardLinks(int error) { return error == EPERM || error == ENOTSUP || error == EXDEV; }

}  // namespace

std::optional<std::string> setAside(const std::string& path, const std::string& suffix) {
    return firstFreeName(path, suffix, [&](const std::string& name) {
        int error = linkTo(path, name);
        if (error == 0) {
            ::unlink(path.c_str());
            return 0;
        }
        if (!noHardLinks(error)) return error;
        if (taken(name)) return EEXIST;
        return ::rename(path.c_str(), name.c_str()) == 0 ? 0 : errno;
    });
}

std::optional<std::string> keepCopy(const std::string& path, const std::string& suffix) {
    return firstFreeName(path, suffix, [&](const std::string& name) {
        const int error = linkTo(path, name, true);
        if (!noHardLinks(error)) return error;
        if (taken(name)) return EEXIST;
        std::error_code ec;
        std::filesystem::copy_file(path, name, ec);
        if (!ec && syncFile(name)) return 0;
        std::filesystem::remove(name, ec);
        return EIO;
    });
}

}  // namespace io
