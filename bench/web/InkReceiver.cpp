// A desktop board that receives ink, for the browser board's latency figure
// (bench/web/board.mjs): the desktop's drawing, history, share session and NATS link, without
// a window. It wakes as the link does, and prints each piece of another board's stroke in
// progress once the session has taken it in (the next frame draws it):
//   ink <microseconds since the epoch> <x> <y> ...    (the piece's points, canvas units)
// Usage: bench_ink_receiver nats://HOST:PORT/ROOM SECONDS
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <sstream>

#include "document/Drawing.h"
#include "document/PageHistories.h"
#include "nats/NatsRoom.h"
#include "share/ShareSession.h"

namespace {

// The room as the session sees it, noting the pieces of ink each poll hands over.
struct NotingLink : share::RoomLink {
    share::NatsRoom& room;
    std::vector<share::LiveInk> pieces;
    explicit NotingLink(share::NatsRoom& r) : room(r) {}
    void follow(int page, share::Seq after) override { room.follow(page, after); }
    void send(int page, const share::ShareChange& c, bool seed) override { room.send(page, c, seed); }
    void sendSnapshot(int page, const share::PageState& s) override { room.sendSnapshot(page, s); }
    void sendInk(int page, const share::LiveInk& ink) override { room.sendInk(page, ink); }
    void setWake(std::function<void()> wake) override { room.setWake(std::move(wake)); }
    std::size_t unsent() const override { return room.unsent(); }
    std::vector<share::RoomEvent> poll() override {
        std::vector<share::RoomEvent> events = room.poll();
        for (const share::RoomEvent& e : events)
            if (e.type == share::RoomEvent::Type::Ink && e.ink) pieces.push_back(*e.ink);
        return events;
    }
};

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const std::optional<share::RoomAddress> address = argc == 3 ? share::parseRoomAddress(argv[1], error) : std::nullopt;
    if (!address) {
        std::fprintf(stderr, "usage: bench_ink_receiver nats://HOST:PORT/ROOM SECONDS %s\n", error.c_str());
        return 2;
    }
    share::NatsRoom::Options options;
    options.address = *address;
    share::NatsRoom room(options);
    NotingLink link(room);
    std::mutex mutex;
    std::condition_variable woken;
    bool due = false;
    link.setWake([&] {
        std::lock_guard lock(mutex);
        due = true;
        woken.notify_one();
    });
    std::ostringstream log;
    Drawing drawing(log, Drawing::Blank{});
    PageHistories histories(drawing);
    share::ShareSession session(drawing, histories, link, {0x1c0ffee, 77, 1}, log, std::unique_ptr<share::PageFolder>{});
    session.pageOpened(0);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[2]));
    std::printf("ready\n");
    std::fflush(stdout);
    while (std::chrono::steady_clock::now() < end) {
        {
            std::unique_lock lock(mutex);
            woken.wait_for(lock, std::chrono::milliseconds(50), [&] { return due; });
            due = false;
        }
        session.pump();
        const auto now = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::system_clock::now().time_since_epoch()).count();
        for (const share::LiveInk& piece : link.pieces) {
            std::printf("ink %lld", static_cast<long long>(now));
            for (const ControlPoint& p : piece.points) std::printf(" %.3f %.3f", p.x, p.y);
            std::printf("\n");
        }
        if (!link.pieces.empty()) std::fflush(stdout);
        link.pieces.clear();
    }
}
