#pragma once

#include <nats/nats.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "LoopbackPort.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

// Real nats-servers with JetStream for a test or benchmark: one, or a cluster of several
// ("s0", "s1", ...), on 127.0.0.1 at free ports, each with its store in the given folder
// (kept across a restart), all stopped when the object goes. `extra` is added to every
// server's configuration (accounts, TLS). Clients are not told the other servers' addresses,
// so a board reaches only the servers (or proxies) it was given.
class NatsCluster {
public:
    NatsCluster(std::filesystem::path folder, int servers, std::string extra = "")
        : folder_(std::move(folder)) {
        for (int i = 0; i < servers; ++i) nodes_.push_back({freePort(), freePort(), -1});
        for (int i = 0; i < servers; ++i) {
            const std::filesystem::path dir = folder_ / name(i);
            std::filesystem::create_directories(dir / "store");
            std::ofstream conf(dir / "server.conf");
            conf << "server_name: " << name(i) << "\nlisten: 127.0.0.1:" << nodes_[i].port
                 << "\nmax_payload: 8MB\njetstream { store_dir: \"" << (dir / "store").string()
                 << "\" }\n";
            if (servers > 1) {
                conf << "cluster { name: c, no_advertise: true, listen: 127.0.0.1:" << nodes_[i].route
                     << ", routes: [";
                for (int j = 0; j < servers; ++j)
                    if (j != i) conf << " \"nats-route://127.0.0.1:" << nodes_[j].route << "\",";
                conf << " ] }\n";
            }
            conf << extra << "\n";
        }
        try {
            for (int i = 0; i < servers; ++i) start(i);
        } catch (...) {
            stopAll();
            throw;
        }
    }
    ~NatsCluster() { stopAll(); }
    void stopAll() {
        for (int i = 0; i < size(); ++i) stop(i, SIGTERM);
    }
    NatsCluster(const NatsCluster&) = delete;
    NatsCluster& operator=(const NatsCluster&) = delete;

    int size() const { return static_cast<int>(nodes_.size()); }
    static std::string name(int i) { return "s" + std::to_string(i); }
    int port(int i) const { return nodes_[i].port; }
    std::string url(int i, const char* scheme = "nats") const {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(nodes_[i].port);
    }
    std::vector<std::string> urls() const {
        std::vector<std::string> all;
        for (int i = 0; i < size(); ++i) all.push_back(url(i));
        return all;
    }
    std::filesystem::path folder(int i) const { return folder_ / name(i); }

    void start(int i) {
        const std::string conf = (folder(i) / "server.conf").string();
        const std::string log = (folder(i) / "server.log").string();
        const pid_t pid = ::fork();
        if (pid == 0) {
            const char* args[] = {"nats-server", "-c", conf.c_str(), "-l", log.c_str(), nullptr};
            ::execv("/usr/sbin/nats-server", const_cast<char* const*>(args));
            ::execvp("nats-server", const_cast<char* const*>(args));
            ::_exit(127);
        }
        nodes_[i].pid = pid;
        if (!childListens(pid, nodes_[i].port)) throw std::runtime_error("nats-server " + name(i) + " did not start");
    }
    // SIGTERM: a clean stop; SIGKILL: the server dies mid-work.
    void stop(int i, int signal) {
        pid_t& pid = nodes_[i].pid;
        if (pid <= 0) return;
        ::kill(pid, signal);
        for (int k = 0; k < 200 && ::waitpid(pid, nullptr, WNOHANG) != pid; ++k) {
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
            if (k == 199) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, nullptr, 0);
            }
        }
        pid = -1;
    }
    void reload(int i) { if (nodes_[i].pid > 0) ::kill(nodes_[i].pid, SIGHUP); }

    // The server leading `stream` (-1: none, or it cannot be asked), asked through server `via`.
    int leader(const std::string& stream, int via = 0) const {
        int found = -1;
        withJetStream(via, [&](jsCtx* js) {
            jsStreamInfo* info = nullptr;
            if (js_GetStreamInfo(&info, js, stream.c_str(), nullptr, nullptr) != NATS_OK) return;
            if (info->Cluster != nullptr && info->Cluster->Leader != nullptr) {
                for (int i = 0; i < size(); ++i)
                    if (name(i) == info->Cluster->Leader) found = i;
            }
            jsStreamInfo_Destroy(info);
        });
        return found;
    }
    // Runs f with a JetStream context on server i's own connection (without credentials).
    template <typename F>
    void withJetStream(int i, F f, const char* user = nullptr, const char* password = nullptr) const {
        natsOptions* opts = nullptr;
        natsConnection* nc = nullptr;
        jsCtx* js = nullptr;
        natsOptions_Create(&opts);
        natsOptions_SetURL(opts, url(i).c_str());
        natsOptions_SetTimeout(opts, 2000);
        if (user != nullptr) natsOptions_SetUserInfo(opts, user, password);
        if (natsConnection_Connect(&nc, opts) == NATS_OK && natsConnection_JetStream(&js, nc, nullptr) == NATS_OK)
            f(js);
        jsCtx_Destroy(js);
        natsConnection_Destroy(nc);
        natsOptions_Destroy(opts);
    }

    static int freePort() {
        return freeLoopbackPort();
    }
private:
    struct Node {
        int port, route;
        pid_t pid;
    };

    std::filesystem::path folder_;
    std::vector<Node> nodes_;
};
