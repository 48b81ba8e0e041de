#pragma once

#include <chrono>
#include <map>
#include <random>
#include <sstream>
#include <thread>

#include "controller/CanvasController.h"
#include "controller/PageFiles.h"
#include "document/Drawing.h"
#include "nats/NatsRoom.h"
#include "share/ShareSession.h"
#include "../share/RandomInput.h"

// A board in a room for the cluster tests: the real controller, history and session over a
// NatsRoom, noting when the room stored each of its changes.
struct ClusterBoard : share::RoomLink {
    using Clock = std::chrono::steady_clock;
    std::ostringstream out;
    double seconds = 100.0;
    Drawing drawing{out};
    CanvasController controller{drawing, Stopwatch([this] { return seconds; }), [] { return 1e5; }};
    share::NatsRoom room;
    share::ShareSession session;
    struct Ack {
        std::uint64_t number;
        share::Seq seq;
        Clock::time_point at;
    };
    std::vector<Ack> acks;
    std::map<std::uint64_t, Clock::time_point> sentAt;  // by change number
    // Other boards' records as they arrived: (board, number) -> when.
    std::map<std::pair<share::BoardId, std::uint64_t>, Clock::time_point> arrived;

    ClusterBoard(share::NatsRoom::Options options, share::BoardId id)
        : room(std::move(options)),
          session(drawing, controller.history().histories(), *this,
                  {id, static_cast<std::uint32_t>(id), 1}, out, pageFileName) {
        controller.setViewSize(1200.0f, 900.0f);
        session.snapshotEvery = 40;
        session.pageOpened(controller.pages().current());
    }
    static share::NatsRoom::Options in(std::vector<std::string> servers, std::string roomName = "lesson") {
        share::NatsRoom::Options o;
        o.address = {std::move(servers), std::move(roomName)};
        o.offlineAfter = std::chrono::milliseconds(1000);
        o.maxRetryDelay = std::chrono::milliseconds(250);
        return o;
    }

    void follow(int page, share::Seq after) override { room.follow(page, after); }
    void send(int page, const share::ShareChange& c, bool seed) override {
        sentAt.emplace(c.number, Clock::now());
        room.send(page, c, seed);
    }
    void sendSnapshot(int page, const share::PageState& s) override { room.sendSnapshot(page, s); }
    void sendInk(int page, const share::LiveInk& ink) override { room.sendInk(page, ink); }
    void material(const std::string& name) override { room.material(name); }
    void setWake(std::function<void()> wake) override { room.setWake(std::move(wake)); }
    std::size_t unsent() const override { return room.unsent(); }
    std::vector<share::RoomEvent> poll() override {
        std::vector<share::RoomEvent> events = room.poll();
        const auto now = Clock::now();
        for (const share::RoomEvent& e : events) {
            if (e.type == share::RoomEvent::Type::Stored) acks.push_back({e.number, e.seq, now});
            if (e.type == share::RoomEvent::Type::Record && e.change) arrived.emplace(std::make_pair(e.change->board, e.change->number), now);
        }
        return events;
    }

    bool settled() {
        session.pump();
        const share::PageReplica* r = session.replica(0);
        return room.unsent() == 0 && session.status().waiting == 0 && r->pending().empty() && r->settled();
    }

    // Random strokes, eraser swipes, undo and redo, each action a step of its own.
    void scribble(std::mt19937_64& rng, int actions) {
        for (int i = 0; i < actions; ++i) {
            scribbleOnce(controller, rng, 300.0f, 900.0f, 150.0f, 800.0f, 120.0f);
            seconds += 10.0;
            controller.tick();
            session.pump();
        }
    }
};

// Pumps every board until `done`, at most `limit`.
template <typename Done>
bool pumpUntil(std::vector<ClusterBoard*> boards, Done done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        for (ClusterBoard* b : boards) b->session.pump();
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}
