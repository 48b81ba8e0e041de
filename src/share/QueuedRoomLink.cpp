#include "share/QueuedRoomLink.h"

#include <random>
#include <utility>

#include "share/RecordCodec.h"
#include "share/RoomEvents.h"
#include "share/SnapshotParts.h"

namespace share {

namespace {

// Room the server's headers take of a message, as the desktop counts it.
constexpr std::size_t kHeaderRoom = 1024;

}  // namespace

QueuedRoomLink::QueuedRoomLink(std::string room)
    : room_(std::move(room)), recStream_("ibrec-" + room_), snapStream_("ibsnap-" + room_) {}

std::string QueuedRoomLink::subject(const char* kind, int page) const {
    return "ib." + room_ + "." + kind + "." + std::to_string(page);
}

std::string QueuedRoomLink::subjects(const char* kind) const { return "ib." + room_ + "." + kind + ".*"; }

void QueuedRoomLink::push(RoomEvent event) { events_.push_back(std::move(event)); }

void QueuedRoomLink::tell(std::string line) {
    RoomEvent e;
    e.type = RoomEvent::Type::Problem;
    e.text = std::move(line);
    push(std::move(e));
}

std::vector<RoomEvent> QueuedRoomLink::poll() { return std::exchange(events_, {}); }

// ----- the board's side -----

void QueuedRoomLink::follow(int page, Seq after) {
    if (followed_.contains(page)) return;
    Followed& f = followed_[page];
    f.delivered = after;
    f.started = after != 0;
}

void QueuedRoomLink::send(int page, const ShareChange& change, bool seed) {
    outgoing_.push_back(Out{page, change, encodeChange(change), seed});
}

void QueuedRoomLink::sendSnapshot(int page, const PageState& state) {
    snapshots_[page] = {state.seq(), encodeSnapshot(state)};
}

void QueuedRoomLink::sendInk(int page, const LiveInk& ink) {
    if (!connected_) return;  // a stroke in progress goes at once or not at all
    Task t;
    t.kind = Task::Kind::PublishInk;
    t.page = page;
    t.subject = subject("ink", page);
    t.bytes = encodeInk(ink);
    inkTasks_.push_back(std::move(t));
}

// ----- what the transport is asked -----

std::vector<QueuedRoomLink::Task> QueuedRoomLink::takeTasks() {
    std::vector<Task> tasks = std::exchange(inkTasks_, {});
    if (!connected_) return tasks;
    for (auto& [page, f] : followed_) {
        if (f.asked) continue;
        Task t;
        t.page = page;
        switch (f.step) {
            case Step::Waiting:
                // A page followed from its start begins at the room's latest snapshot; one
                // followed again first checks the room still has its last record.
                if (!f.started) {
                    f.step = Step::Snapshot;
                    t.kind = Task::Kind::FetchSnapshot;
                    t.subject = subject("snap", page);
                } else if (f.delivered != 0) {
                    f.step = Step::Check;
                    t.kind = Task::Kind::CheckRecord;
                    t.seq = f.delivered;
                } else {
                    f.step = Step::Subscribing;
                    continue;
                }
                break;
            case Step::Snapshot:
                t.kind = Task::Kind::FetchSnapshot;
                t.subject = subject("snap", page);
                break;
            case Step::Parts: {
                t.kind = Task::Kind::FetchParts;
                std::string error;
                const std::optional<SnapshotIndex> index = decodeSnapshotIndex(f.index, error);
                for (std::uint32_t k = 0; index && k < index->parts; ++k)
                    t.subjects.push_back(subject("snap", page) + "-" + std::to_string(k));
                break;
            }
            case Step::Check:
                t.kind = Task::Kind::CheckRecord;
                t.seq = f.delivered;
                break;
            case Step::Subscribing:
            case Step::Following:
                continue;
        }
        f.asked = true;
        tasks.push_back(std::move(t));
    }
    for (auto& [page, f] : followed_) {
        if (f.step != Step::Subscribing || f.asked) continue;
        subscribe(page, f);
        Task t;
        t.kind = Task::Kind::Subscribe;
        t.page = page;
        t.subject = subject("rec", page);
        t.seq = f.delivered + 1;
        t.generation = f.generation;
        tasks.push_back(std::move(t));
    }
    for (auto& [page, snapshot] : std::exchange(snapshots_, {})) {
        Task t;
        t.kind = Task::Kind::PublishSnapshot;
        t.page = page;
        const std::string subj = subject("snap", page);
        const std::size_t fits = maxPayload_ > kHeaderRoom ? maxPayload_ - kHeaderRoom : 0;
        if (snapshot.second.size() <= fits) {
            t.messages.emplace_back(subj, std::move(snapshot.second));
        } else if (fits > kSnapshotPartHeader) {
            // Parts first, the index last: a joiner never finds an index whose parts are
            // not all stored.
            static std::mt19937_64 ids{std::random_device{}()};
            const SnapshotIndex index = indexSnapshot(snapshot.second, snapshot.first, ids(), fits);
            for (std::uint32_t k = 0; k < index.parts; ++k)
                t.messages.emplace_back(subj + "-" + std::to_string(k), encodeSnapshotPart(index, snapshot.second, k));
            t.messages.emplace_back(subj, encodeSnapshotIndex(index));
        } else {
            continue;  // a server that takes next to nothing: joining boards replay more
        }
        tasks.push_back(std::move(t));
    }
    if (!publishing_ && !outgoing_.empty()) {
        const Out& out = outgoing_.front();
        Task t;
        t.kind = Task::Kind::Publish;
        t.page = out.page;
        t.subject = subject("rec", out.page);
        t.bytes = out.bytes;
        t.msgId = changeMessageId(out.change.board, out.change.number);
        t.expectNoMessage = out.seed;
        t.number = out.change.number;
        publishing_ = true;
        tasks.push_back(std::move(t));
    }
    return tasks;
}

void QueuedRoomLink::subscribe(int page, Followed& f) {
    f.generation = nextGeneration_++;
    f.asked = true;
}

// ----- the transport's reports -----

void QueuedRoomLink::connected(std::size_t maxPayload) {
    maxPayload_ = maxPayload;
    const bool was = connected_;
    connected_ = true;
    publishing_ = false;  // what was in flight is sent again; the server stores it once
    for (auto& [page, f] : followed_) {
        f.step = Step::Waiting;
        f.asked = false;
        f.resuming = false;
    }
    if (!was) {
        RoomEvent e;
        e.type = RoomEvent::Type::State;
        e.state = LinkState::Connected;
        push(std::move(e));
    }
}

void QueuedRoomLink::disconnected(bool offline) {
    const bool was = connected_;
    connected_ = false;
    publishing_ = false;
    inkTasks_.clear();
    for (auto& [page, f] : followed_) {
        f.step = Step::Waiting;
        f.asked = false;
        f.generation = 0;  // what the old subscription still delivers is passed over
    }
    if (was || offline) {
        RoomEvent e;
        e.type = RoomEvent::Type::State;
        e.state = offline ? LinkState::Offline : LinkState::Reconnecting;
        push(std::move(e));
    }
}

void QueuedRoomLink::snapshotFetched(int page, std::optional<std::string> bytes) {
    const auto it = followed_.find(page);
    if (it == followed_.end() || it->second.step != Step::Snapshot) return;
    Followed& f = it->second;
    if (bytes && isSnapshotIndex(*bytes)) {
        f.index = std::move(*bytes);
        f.step = Step::Parts;
        f.asked = false;
        return;
    }
    std::string error;
    std::optional<PageState> snapshot;
    if (bytes) snapshot = decodeSnapshot(*bytes, error);
    if (snapshot) error.clear();
    takeSnapshot(page, f, std::move(snapshot), error);
}

void QueuedRoomLink::partsFetched(int page, std::vector<std::optional<std::string>> parts) {
    const auto it = followed_.find(page);
    if (it == followed_.end() || it->second.step != Step::Parts) return;
    Followed& f = it->second;
    std::string error;
    std::optional<PageState> snapshot = assembleSnapshot(f.index, [&](std::uint32_t k) -> std::optional<std::string> {
        return k < parts.size() ? parts[k] : std::nullopt;
    }, error);
    f.index.clear();
    if (snapshot) error.clear();
    takeSnapshot(page, f, std::move(snapshot), error);
}

void QueuedRoomLink::takeSnapshot(int page, Followed& f, std::optional<PageState> snapshot,
                                  const std::string& problem) {
    if (f.resuming) {
        // The records after the last one applied are gone: only a snapshot at least as new
        // makes the page whole again.
        f.resuming = false;
        if (snapshot && snapshot->seq() >= f.delivered) f.delivered = snapshot->seq();
        push(resumeEvent(page, f.delivered, std::move(snapshot)));
    } else if (snapshot) {
        f.delivered = snapshot->seq();
        RoomEvent e;
        e.type = RoomEvent::Type::Snapshot;
        e.page = page;
        e.snapshot = std::move(snapshot);
        push(std::move(e));
    } else if (!problem.empty()) {
        tell("The room's snapshot of page " + std::to_string(page) + " was dropped: " + problem +
             "; the page is replayed from its records");
    }
    f.started = true;
    f.step = Step::Subscribing;
    f.asked = false;
}

void QueuedRoomLink::recordChecked(int page, bool present) {
    const auto it = followed_.find(page);
    if (it == followed_.end() || it->second.step != Step::Check) return;
    Followed& f = it->second;
    f.asked = false;
    if (present) {
        // While the last record applied is there, so is every record after it.
        f.step = Step::Subscribing;
    } else {
        f.step = Step::Snapshot;
        f.resuming = true;
    }
}

void QueuedRoomLink::retry(int page) {
    const auto it = followed_.find(page);
    if (it != followed_.end() && it->second.step != Step::Following) it->second.asked = false;
}

void QueuedRoomLink::subscribed(int page, std::uint64_t generation, std::uint64_t pending) {
    const auto it = followed_.find(page);
    if (it == followed_.end() || it->second.generation != generation || generation == 0) return;
    Followed& f = it->second;
    f.step = Step::Following;
    if (pending == 0 && !f.caughtUp) caughtUp(page, f);
}

void QueuedRoomLink::caughtUp(int page, Followed& f) {
    f.caughtUp = true;
    RoomEvent e;
    e.type = RoomEvent::Type::CaughtUp;
    e.page = page;
    push(std::move(e));
}

void QueuedRoomLink::record(int page, std::uint64_t generation, Seq seq, std::string_view bytes,
                            std::uint64_t pending) {
    const auto it = followed_.find(page);
    if (it == followed_.end() || it->second.generation != generation || generation == 0) return;
    Followed& f = it->second;
    if (seq > f.delivered) {
        f.delivered = seq;
        std::string error;
        std::optional<ShareChange> change = decodeChange(bytes, error);
        push(recordEvent(page, seq, std::move(change), error));
    }
    if (pending == 0 && !f.caughtUp) caughtUp(page, f);
}

void QueuedRoomLink::ink(std::string_view subj, std::string_view bytes) {
    if (std::optional<RoomEvent> e = inkEvent(subj, bytes)) push(std::move(*e));
}

void QueuedRoomLink::published(std::uint64_t number, Seq seq) {
    if (outgoing_.empty() || outgoing_.front().change.number != number) return;
    RoomEvent e;
    e.type = RoomEvent::Type::Stored;
    e.page = outgoing_.front().page;
    e.number = number;
    e.seq = seq;
    outgoing_.pop_front();
    publishing_ = false;
    push(std::move(e));
}

void QueuedRoomLink::publishFailed(std::uint64_t number, Failure why) {
    if (outgoing_.empty() || outgoing_.front().change.number != number) return;
    publishing_ = false;
    const Out& out = outgoing_.front();
    const bool takenBack = (why == Failure::NotEmpty && out.seed) || why == Failure::TooLarge;
    if (!takenBack) return;  // handed out again by the next takeTasks()
    if (why == Failure::TooLarge) {
        tell(tooLargeLine(out.page));
    }
    RoomEvent e;
    e.type = RoomEvent::Type::Refused;
    e.page = out.page;
    e.number = number;
    outgoing_.pop_front();
    push(std::move(e));
}

void QueuedRoomLink::problem(std::string line) { tell(std::move(line)); }

}  // namespace share
