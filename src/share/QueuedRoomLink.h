#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "share/RoomLink.h"

namespace share {

// A room link whose transport runs outside C++: in a browser, the page's JavaScript over the
// NATS server's WebSocket listener. The link decides what goes to the server, when and in
// which order, with which subjects, message ids and conditions, and makes the room's events
// out of what the transport reports, by the rules the desktop's NatsRoom follows
// (Sharing.md); the transport only carries messages and says what the server answered.
//
// Single-threaded: the transport calls in between the board's pumps.
class QueuedRoomLink final : public RoomLink {
public:
    // What the transport is asked to do, in the order given.
    struct Task {
        enum class Kind : std::uint8_t {
            // The latest message on `subject` (the page's snapshot subject): answer with
            // snapshotFetched().
            FetchSnapshot,
            // The latest message on each of `subjects` (a large snapshot's parts): answer
            // with partsFetched().
            FetchParts,
            // Whether the record stream still holds message `seq`: answer recordChecked().
            CheckRecord,
            // Deliver the record stream's messages on `subject` from `seq` on, in order, to
            // record() with this `generation`, replacing the page's earlier subscription;
            // then subscribed() with the records it has to deliver.
            Subscribe,
            // Publish `bytes` on `subject` to the record stream with message id `msgId` and,
            // when `expectNoMessage`, only while the subject holds no message; answer
            // published() or publishFailed() for change `number`.
            Publish,
            // Publish each of `messages` (subject, bytes) to the snapshot stream, in order;
            // nothing to answer (a snapshot that failed is not sent again: the board's next
            // one is, and joiners replay more records meanwhile).
            PublishSnapshot,
            // A plain message (live ink), at once or never.
            PublishInk,
        };
        Kind kind = Kind::Publish;
        int page = 0;
        Seq seq = 0;
        std::uint64_t generation = 0;
        std::uint64_t number = 0;
        bool expectNoMessage = false;
        std::string subject;
        std::string bytes;
        std::string msgId;
        std::vector<std::string> subjects;
        std::vector<std::pair<std::string, std::string>> messages;
    };
    enum class Failure : std::uint8_t {
        Again,        // not stored now (no answer, server busy): sent again
        NotEmpty,     // a seed found the page holding records
        TooLarge,     // larger than the server takes
    };

    explicit QueuedRoomLink(std::string room);

    // RoomLink
    void follow(int page, Seq after) override;
    void send(int page, const ShareChange& change, bool seed) override;
    void sendSnapshot(int page, const PageState& state) override;
    void sendInk(int page, const LiveInk& ink) override;
    std::vector<RoomEvent> poll() override;
    void setWake(std::function<void()>) override {}
    std::size_t unsent() const override { return outgoing_.size(); }

    // What the transport has to do now. Nothing while it is not connected but what needs no
    // connection.
    std::vector<Task> takeTasks();

    // --- the transport's reports ---
    // Connected, the room's streams ready; `maxPayload` the server's message limit. Every
    // followed page is followed anew (the server may have lost its consumers).
    void connected(std::size_t maxPayload);
    // The connection was lost; `offline` once no server has answered for a while.
    void disconnected(bool offline);
    void snapshotFetched(int page, std::optional<std::string> bytes);
    void partsFetched(int page, std::vector<std::optional<std::string>> parts);
    void recordChecked(int page, bool present);
    // The page's last fetch, check or subscription failed: it is asked for again.
    void retry(int page);
    void subscribed(int page, std::uint64_t generation, std::uint64_t pending);
    // A record of the page's subscription `generation`, stored at `seq`; `pending` records
    // were left to deliver after it.
    void record(int page, std::uint64_t generation, Seq seq, std::string_view bytes, std::uint64_t pending);
    void ink(std::string_view subject, std::string_view bytes);
    void published(std::uint64_t number, Seq seq);
    void publishFailed(std::uint64_t number, Failure why);
    // One line for the user (the server refused the board, say).
    void problem(std::string line);

    // Page `page`'s subject of a kind ("rec", "snap", "ink"), and every page's.
    std::string subject(const char* kind, int page) const;
    std::string subjects(const char* kind) const;
    const std::string& recordStream() const { return recStream_; }
    const std::string& snapshotStream() const { return snapStream_; }

private:
    enum class Step : std::uint8_t {
        Waiting,     // to be (re)followed once connected
        Snapshot,    // its latest snapshot asked for
        Parts,       // the snapshot's parts asked for
        Check,       // asked whether the last record delivered is still there
        Subscribing, // its records asked for
        Following,
    };
    struct Followed {
        Seq delivered = 0;  // the last record delivered (or the snapshot's seq)
        bool started = false;  // a snapshot was looked for; records follow
        bool caughtUp = false;
        Step step = Step::Waiting;
        std::uint64_t generation = 0;
        std::string index;  // a large snapshot's index, while its parts are fetched
        bool resuming = false;  // the snapshot asked for replaces a page whose records are gone
        bool asked = false;     // the step's task was handed to the transport
    };
    struct Out {
        int page = 0;
        ShareChange change;
        std::string bytes;
        bool seed = false;
    };

    void push(RoomEvent event);
    void tell(std::string line);
    void subscribe(int page, Followed& f);
    void takeSnapshot(int page, Followed& f, std::optional<PageState> snapshot, const std::string& problem);
    void caughtUp(int page, Followed& f);

    const std::string room_;
    const std::string recStream_;
    const std::string snapStream_;
    bool connected_ = false;
    std::size_t maxPayload_ = 0;
    std::map<int, Followed> followed_;
    std::deque<Out> outgoing_;
    bool publishing_ = false;  // the front of outgoing_ was handed out and not answered
    std::map<int, std::pair<Seq, std::string>> snapshots_;  // encoded, waiting to go
    std::vector<Task> inkTasks_;
    std::vector<RoomEvent> events_;
    std::uint64_t nextGeneration_ = 1;
};

}  // namespace share
