#include "io/SetAside.h"

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

// link() refuses an existing name, where rename() would replace it.
int linkTo(const std::string& path, const std::string& name) {
    if (::link(path.c_str(), name.c_str()) == 0) return 0;
    return errno;
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
        const int error = linkTo(path, name);
        if (!noHardLinks(error)) return error;
        if (taken(name)) return EEXIST;
        std::error_code ec;
        std::filesystem::copy_file(path, name, ec);
        return ec ? EIO : 0;
    });
}

}  // namespace io
