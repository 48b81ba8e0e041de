#pragma once

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "LoopbackPort.h"

#include <chrono>
#include <filesystem>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

// A real nats-server with JetStream for a test: on 127.0.0.1 at a free port, its store in
// the given folder (kept across a restart), stopped when the object goes.
//
// Debian's nats-server 2.9 now and then panics on a message request while a stream is being
// made or recovered. A server that dies on its own is started again at once on the same port
// and store, as an operator's service manager would, and said on stderr: for the boards that
// is one more server crash, which they must come through anyway.
class NatsServer {
public:
    explicit NatsServer(std::filesystem::path folder) : folder_(std::move(folder)) {
        std::filesystem::create_directories(folder_ / "store");
        // Records reach 8 MiB; the server's default limit is 1 MiB.
        std::ofstream(folder_ / "server.conf") << "max_payload: 8MB\n";
        port_ = freePort();
        start();
        watchdog_ = std::thread([this] { watch(); });
    }
    ~NatsServer() {
        watching_ = false;
        watchdog_.join();
        stop(SIGTERM);
    }
    NatsServer(const NatsServer&) = delete;
    NatsServer& operator=(const NatsServer&) = delete;

    std::string url() const { return "nats://127.0.0.1:" + std::to_string(port_); }
    int port() const { return port_; }

    void start() {
        std::lock_guard lock(mutex_);
        launch();
    }

    // SIGTERM: a clean stop; SIGKILL: the server dies mid-work.
    void stop(int signal) {
        std::lock_guard lock(mutex_);
        if (pid_ <= 0) return;
        ::kill(pid_, signal);
        for (int i = 0; i < 200; ++i) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    void launch() {
        const std::string port = std::to_string(port_);
        const std::string store = (folder_ / "store").string();
        const std::string conf = (folder_ / "server.conf").string();
        const std::string log = (folder_ / "server.log").string();
        pid_ = ::fork();
        if (pid_ == 0) {
            const char* args[] = {"nats-server", "-c", conf.c_str(), "-a", "127.0.0.1", "-p",
                                  port.c_str(), "-js", "-sd", store.c_str(), "-l", log.c_str(),
                                  nullptr};
            ::execv("/usr/sbin/nats-server", const_cast<char* const*>(args));
            ::execvp("nats-server", const_cast<char* const*>(args));
            ::_exit(127);
        }
        if (childListens(pid_, port_)) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
        throw std::runtime_error("nats-server did not start on port " + port);
    }

    void watch() {
        while (watching_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::lock_guard lock(mutex_);
            int status = 0;
            if (pid_ <= 0 || ::waitpid(pid_, &status, WNOHANG) != pid_) continue;
            pid_ = -1;
            std::fprintf(stderr, "nats-server died on its own (status %d, log in %s); starting it again\n",
                         status, (folder_ / "server.log").c_str());
            try {
                launch();
            } catch (const std::exception& e) {
                std::fprintf(stderr, "%s\n", e.what());
            }
        }
    }

    static int freePort() {
        return freeLoopbackPort();
    }

    std::filesystem::path folder_;
    int port_ = 0;
    pid_t pid_ = -1;
    std::mutex mutex_;  // pid_: the watchdog reaps and restarts, the test stops and starts
    std::atomic<bool> watching_{true};
    std::thread watchdog_;
};
