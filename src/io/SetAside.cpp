#include "io/SetAside.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace io {

std::optional<std::string> setAside(const std::string& path, const std::string& suffix) {
    const std::string base = path + "." + suffix;
    for (int n = 1; n < 1000; ++n) {
        const std::string name = n == 1 ? base : base + "-" + std::to_string(n);
        // link() refuses an existing name, where rename() would replace it.
        if (::link(path.c_str(), name.c_str()) == 0) {
            ::unlink(path.c_str());
            return name;
        }
        if (errno == EEXIST) continue;
        // A file system without hard links: rename, after checking the name is free.
        struct stat taken {};
        if (::lstat(name.c_str(), &taken) == 0) continue;
        if (::rename(path.c_str(), name.c_str()) == 0) return name;
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace io
