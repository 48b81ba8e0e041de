#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace share {

// Where a room is: "nats://HOST:PORT[,HOST:PORT...]/ROOM", or "tls://..." for servers that
// speak TLS only (their certificates are checked). ROOM is letters, digits, '-' and '_' (it
// names the room's streams and subjects, where other characters have meanings).
struct RoomAddress {
    std::vector<std::string> servers;  // "nats://HOST:PORT" or "tls://HOST:PORT", one per server
    std::string room;
    bool tls = false;
};
std::optional<RoomAddress> parseRoomAddress(std::string_view text, std::string& error);

// A user and password, or a token; empty: none.
struct Credentials {
    std::string user;
    std::string password;
    std::string token;
};
// Reads "user:password" or a token from the file's first line. Refused (nullopt, `error`
// says why) when the file cannot be read, is empty, or its group or others may read it.
std::optional<Credentials> readCredentials(const std::string& path, std::string& error);

}  // namespace share
