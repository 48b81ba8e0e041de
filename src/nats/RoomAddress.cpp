#include "nats/RoomAddress.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

namespace share {

namespace {

bool roomChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
}

bool validHostPort(std::string_view s) {
    const std::size_t colon = s.rfind(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 == s.size()) return false;
    const std::string_view port = s.substr(colon + 1);
    if (port.size() > 5 || !std::all_of(port.begin(), port.end(),
                                        [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    const int n = std::stoi(std::string(port));
    if (n < 1 || n > 65535) return false;
    const std::string_view host = s.substr(0, colon);
    return std::all_of(host.begin(), host.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '[' ||
               c == ']' || c == ':';
    });
}

}  // namespace

std::optional<RoomAddress> parseRoomAddress(std::string_view text, std::string& error) {
    RoomAddress address;
    std::string scheme = "nats://";
    if (text.starts_with("tls://")) {
        scheme = "tls://";
        address.tls = true;
    } else if (!text.starts_with(scheme)) {
        error = "a room is nats://HOST:PORT[,HOST:PORT...]/ROOM (or tls://...)";
        return std::nullopt;
    }
    text.remove_prefix(scheme.size());
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) {
        error = "the room's name is missing: nats://HOST:PORT/ROOM";
        return std::nullopt;
    }
    address.room = std::string(text.substr(slash + 1));
    if (address.room.empty() || address.room.size() > 64 ||
        !std::all_of(address.room.begin(), address.room.end(), roomChar)) {
        error = "a room's name is 1 to 64 letters, digits, - and _";
        return std::nullopt;
    }
    std::string_view hosts = text.substr(0, slash);
    while (true) {
        const std::size_t comma = hosts.find(',');
        const std::string_view one = hosts.substr(0, comma);
        if (!validHostPort(one)) {
            error = "not a server HOST:PORT: \"" + std::string(one) + "\"";
            return std::nullopt;
        }
        address.servers.push_back(scheme + std::string(one));
        if (comma == std::string_view::npos) break;
        hosts.remove_prefix(comma + 1);
    }
    return address;
}

std::optional<Credentials> readCredentials(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot read the credentials file " + path;
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = "the credentials file " + path + " is not a plain file";
        return std::nullopt;
    }
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        ::close(fd);
        error = "the credentials file " + path +
                " may be read by others; make it yours alone (chmod 600 " + path + ")";
        return std::nullopt;
    }
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0 && text.size() < 65536;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    text = text.substr(0, text.find('\n'));
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (text.empty()) {
        error = "the credentials file " + path + " is empty";
        return std::nullopt;
    }
    Credentials c;
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) {
        c.token = text;
    } else {
        c.user = text.substr(0, colon);
        c.password = text.substr(colon + 1);
    }
    return c;
}

}  // namespace share
