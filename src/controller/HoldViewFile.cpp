#include "controller/HoldViewFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <string>

#include "io/SafeFile.h"

namespace holdview {

bool load() {
    // Non-blocking and regular files only, so that a pipe under its name cannot stall the
    // start; a few bytes are enough to tell "on" from anything else.
    const int fd = ::open(kFileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    char text[16];
    ssize_t n = -1;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        do n = ::read(fd, text, sizeof text);
        while (n < 0 && errno == EINTR);
    }
    ::close(fd);
    if (n <= 0) return false;
    std::string word(text, static_cast<std::size_t>(n));
    while (!word.empty() && std::isspace(static_cast<unsigned char>(word.back()))) word.pop_back();
    return word == "on";
}

bool save(bool held) { return io::replaceFileContents(kFileName, held ? "on\n" : "off\n"); }

}  // namespace holdview
