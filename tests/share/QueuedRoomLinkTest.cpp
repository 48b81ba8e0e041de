// The browser board's room link, over a model of the server that its transport talks to:
// records with message ids and the empty-page condition, the latest message per snapshot
// subject, consumers from a sequence that deliver in order. At random the connection drops
// and comes back, the transport's tasks run late, other boards write, and the server drops a
// page's oldest records after a snapshot. Every change the board sends must be stored once,
// in the order sent, and the records and snapshots the link hands the board must make the
// page the server's log makes.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <random>

#include "share/QueuedRoomLink.h"
#include "share/RecordCodec.h"

namespace {

using namespace share;
using Task = QueuedRoomLink::Task;

struct Server {
    struct Record {
        Seq seq;
        int page;
        std::string bytes;
    };
    std::vector<Record> log;  // oldest first; dropped records leave it
    Seq last = 0;
    std::map<std::string, Seq> ids;
    std::map<std::string, std::string> snapshots;  // subject -> latest message

    Seq publish(int page, std::string bytes, const std::string& id) {
        if (const auto it = ids.find(id); it != ids.end() && !id.empty()) return it->second;
        log.push_back({++last, page, std::move(bytes)});
        if (!id.empty()) ids[id] = last;
        return last;
    }
    PageState rebuilt(int page) const {
        PageState state;
        std::string error;
        for (const Record& r : all) if (r.page == page) state.apply(*decodeChange(r.bytes, error), r.seq);
        return state;
    }
    std::vector<Record> all;  // every record ever stored, for the expected page
};

ShareChange drawn(BoardId board, std::uint64_t number, io::StrokeId id) {
    ShareChange c;
    c.board = board;
    c.number = number;
    StrokeOp op;
    op.present = true;
    op.stroke = io::StrokeData{id, {{float(id % 900), 10.0f, 2.0f, 1.0f}, {20.0f, float(number), 2.0f, 1.0f}}, Rgb{}};
    c.ops.push_back(op);
    return c;
}

TEST(QueuedRoomLink, StoresEachChangeOnceInOrderAndDeliversThePageTheLogMakes) {
    for (std::uint64_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937_64 rng(seed);
        Server server;
        QueuedRoomLink link("lesson");
        link.follow(0, 0);
        struct Subscription { std::uint64_t generation; Seq next; };
        std::optional<Subscription> sub;
        std::vector<Task> late;  // tasks the transport has not run yet
        PageState shown;
        std::uint64_t sent = 0, otherNumber = 0;
        bool connected = false;
        const auto storeOther = [&] {
            ++otherNumber;
            const std::string bytes = encodeChange(drawn(2, otherNumber, (otherNumber << 20) | 2));
            server.publish(0, bytes, "other-" + std::to_string(otherNumber));
            server.all.push_back(server.log.back());
        };
        const auto run = [&](const Task& t) {
            if (!connected) return;
            switch (t.kind) {
                case Task::Kind::FetchSnapshot: {
                    const auto it = server.snapshots.find(t.subject);
                    link.snapshotFetched(t.page, it == server.snapshots.end() ? std::nullopt : std::optional(it->second));
                    break;
                }
                case Task::Kind::CheckRecord:
                    link.recordChecked(t.page, std::any_of(server.log.begin(), server.log.end(),
                                                           [&](const auto& r) { return r.seq == t.seq; }));
                    break;
                case Task::Kind::Subscribe: {
                    sub = Subscription{t.generation, t.seq};
                    const auto pending = std::count_if(server.log.begin(), server.log.end(),
                                                       [&](const auto& r) { return r.seq >= t.seq; });
                    link.subscribed(t.page, t.generation, static_cast<std::uint64_t>(pending));
                    break;
                }
                case Task::Kind::Publish: {
                    const std::size_t before = server.log.size();
                    const Seq seq = server.publish(t.page, t.bytes, t.msgId);
                    if (server.log.size() > before) server.all.push_back(server.log.back());
                    if (rng() % 4 == 0) link.publishFailed(t.number, QueuedRoomLink::Failure::Again);  // the ack was lost
                    else link.published(t.number, seq);
                    break;
                }
                case Task::Kind::PublishSnapshot:
                    for (const auto& [subject, bytes] : t.messages) server.snapshots[subject] = bytes;
                    break;
                default:
                    break;
            }
        };
        for (int step = 0; step < 400; ++step) {
            switch (rng() % 9) {
                case 0:  // (again): what the transport had not done belongs to the old connection
                    connected = true;
                    sub.reset();
                    late.clear();
                    link.connected(1 << 20);
                    break;
                case 1:
                    connected = false;
                    sub.reset();
                    late.clear();
                    link.disconnected(rng() % 2 == 0);
                    break;
                case 2:
                    ++sent;
                    link.send(0, drawn(1, sent, (sent << 20) | 1), false);
                    break;
                case 3:
                    storeOther();
                    break;
                case 4: {  // a snapshot of the page as the log makes it, then the oldest records
                           // go (those a consumer still has to deliver stay, as on the server)
                    const PageState state = server.rebuilt(0);
                    server.snapshots["ib.lesson.snap.0"] = encodeSnapshot(state);
                    std::erase_if(server.log, [&](const auto& r) { return r.seq + 3 < state.seq() && (!sub || r.seq < sub->next); });
                    break;
                }
                case 5:
                    if (sub && connected) {
                        const auto next = std::find_if(server.log.begin(), server.log.end(),
                                                       [&](const auto& r) { return r.seq >= sub->next; });
                        if (next != server.log.end()) {
                            sub->next = next->seq + 1;
                            const auto pending = server.log.end() - next - 1;
                            link.record(0, sub->generation, next->seq, next->bytes, static_cast<std::uint64_t>(pending));
                        }
                    }
                    break;
                default:
                    for (Task& t : link.takeTasks()) late.push_back(std::move(t));
                    if (!late.empty()) {
                        const Task t = late.front();
                        late.erase(late.begin());
                        run(t);
                    }
                    break;
            }
            for (RoomEvent& e : link.poll()) {
                if (e.type == RoomEvent::Type::Snapshot) shown = std::move(*e.snapshot);
                if (e.type == RoomEvent::Type::Record) shown.apply(*e.change, e.seq);
            }
        }
        // Connected for good: everything waiting goes, everything stored arrives.
        connected = true;
        sub.reset();
        late.clear();
        link.connected(1 << 20);
        for (int round = 0; round < 2000 && (link.unsent() > 0 || !late.empty() || shown.seq() < server.last ||
                                             !sub); ++round) {
            for (Task& t : link.takeTasks()) late.push_back(std::move(t));
            if (!late.empty()) {
                const Task t = late.front();
                late.erase(late.begin());
                run(t);
            }
            if (sub) {
                for (const auto& r : server.log) {
                    if (r.seq < sub->next) continue;
                    sub->next = r.seq + 1;
                    link.record(0, sub->generation, r.seq, r.bytes, 0);
                }
            }
            for (RoomEvent& e : link.poll()) {
                if (e.type == RoomEvent::Type::Snapshot) shown = std::move(*e.snapshot);
                if (e.type == RoomEvent::Type::Record) shown.apply(*e.change, e.seq);
            }
        }
        ASSERT_EQ(link.unsent(), 0u);
        std::vector<std::uint64_t> stored;
        std::string error;
        for (const auto& r : server.all) {
            const ShareChange c = *decodeChange(r.bytes, error);
            if (c.board == 1) stored.push_back(c.number);
        }
        std::vector<std::uint64_t> expected(sent);
        std::iota(expected.begin(), expected.end(), 1);
        EXPECT_EQ(stored, expected) << "each change stored once, in the order sent";
        const std::string expectedPage = server.rebuilt(0).pageText();
        EXPECT_TRUE(shown.pageText() == expectedPage) << "the page the board was given has " << shown.strokeCount()
                                                      << " strokes, the log's " << server.rebuilt(0).strokeCount();
    }
}

}  // namespace
