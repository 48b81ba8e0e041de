#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <thread>

// Test servers listen on 127.0.0.1 only: a free port there, and whether something accepts on one.
inline int freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

inline bool loopbackAccepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

// Whether the server just started as `child` came up on `port`: something accepts there and
// the child still runs a moment later. A server that finds its port taken (by another test's
// server, while this one was down) exits, and its test must not go on in that other
// server's rooms. Bounded: about five seconds.
inline bool childListens(pid_t child, int port) {
    for (int i = 0; i < 200; ++i) {
        if (loopbackAccepts(port)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            return ::waitpid(child, nullptr, WNOHANG) == 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
}
