#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "nats/RoomAddress.h"
#include "share/RoomLink.h"

struct __natsConnection;
struct __natsSubscription;
struct __jsCtx;

namespace share {

// A room on a NATS JetStream server. The room ROOM is two streams:
//   "ibrec-ROOM"   subjects "ib.ROOM.rec.PAGE": every page's change records, in the server's
//                  order (a record's sequence is its stream sequence);
//   "ibsnap-ROOM"  subjects "ib.ROOM.snap.PAGE": the latest snapshot of each page;
//   "ibmat-ROOM"   subjects "ib.ROOM.mat.NAME": the teacher's material, each file in chunks
//                  (RoomMaterial.h) under its content name, its dot a '_';
// and live ink goes on plain NATS subjects "ib.ROOM.ink.PAGE" (kept nowhere, may be lost).
//
// Everything that talks to the server runs on the room's own thread and nats.c's threads;
// the caller's calls return at once. Changes are sent one at a time in their order, with the
// message id "BOARD-NUMBER" (the server stores a change sent twice once) and, for a seed,
// the condition that the page's subject has no message yet. While the server cannot be
// reached they wait in order; the connection is retried with back-off forever.
//
// On a cluster the streams are made with three replicas (one on a single server), so the
// room outlives a lost server; of several servers given, any that answers serves. A server
// that refuses the board (credentials, rights to the room, a certificate) leaves the board
// working alone: trouble() says why in one line, and the room keeps trying.
class NatsRoom final : public RoomLink {
public:
    struct Options {
        RoomAddress address;
        Credentials credentials;
        // Without a connection this long the room counts as offline (it keeps trying).
        std::chrono::milliseconds offlineAfter{3000};
        // Longest pause between two attempts to reach the server.
        std::chrono::milliseconds maxRetryDelay{2000};
        // For tls:// rooms: the certificate authorities (PEM) the servers' certificates are
        // checked against; empty: the system's.
        std::string caFile = {};
        // The lesson folder: material pages name is sent from and fetched into it.
        std::string folder = ".";
    };

    explicit NatsRoom(Options options);
    ~NatsRoom() override;
    NatsRoom(const NatsRoom&) = delete;
    NatsRoom& operator=(const NatsRoom&) = delete;

    void follow(int page, Seq after) override;
    void send(int page, const ShareChange& change, bool seed) override;
    void sendSnapshot(int page, const PageState& state) override;
    void sendInk(int page, const LiveInk& ink) override;
    // Through the ink thread while it is awake (a stroke's ink went out in the last
    // kInkLinger): at most kInkPace later.
    void wakeSoon(std::function<void()> wake) override;
    void material(const std::string& name) override;
    std::vector<RoomEvent> poll() override;
    void setWake(std::function<void()> wake) override;
    std::size_t unsent() const override;
    // Why the room cannot be used now (refused credentials, no rights to the room, a
    // certificate not accepted), one line; empty while nothing stands in the way.
    std::string trouble() const;

    // nats.c's callbacks (plain functions reach the room through these).
    struct Subscription;
    // `pending`: records the consumer had left to send after this one.
    void onRecord(Subscription& sub, const char* data, int size, std::uint64_t streamSeq,
                  std::uint64_t consumerSeq, std::uint64_t pending);
    void onInk(const std::string& subject, const char* data, int size);
    void onConnected();
    void onDisconnected(__natsConnection* nc);
    void onClosed();
    void onAsyncError(__natsConnection* nc, __natsSubscription* sub, int status);

private:
    struct Out {
        int page = 0;
        ShareChange change;
        std::string bytes;  // the change encoded, by the room's thread before its first attempt
        bool seed = false;
    };
    // What the link's threads have for the drawing thread. `any` lets poll() pass over the
    // lock (shared with nats.c's callbacks) when nothing came: appended to under mutex_ only.
    struct Arrived {
        std::vector<RoomEvent> list;
        std::atomic<bool> any{false};
        void push_back(RoomEvent&& e) {
            list.push_back(std::move(e));
            any.store(true, std::memory_order_release);
        }
    };
    struct SnapshotOut {
        Seq seq = 0;
        std::string bytes;
    };
    struct Followed {
        Seq delivered = 0;      // the last record delivered (or the snapshot's seq)
        bool caughtUp = false;
        bool started = false;   // the snapshot (if any) was taken; records follow
        bool stale = true;      // needs a (new) subscription
        Subscription* sub = nullptr;
    };

    void run();
    // The ink thread: publishes what sendInk() queued, at most once per kInkPace, so that a
    // pen's events between two publishes go as one message and the drawing thread wakes it
    // only when it is idle.
    void runInk();
    void publishInk(int page, const LiveInk& ink);
    void connect();
    // Ends the connection and every subscription on it (the room's thread, or the end).
    void dropConnection();
    void setTrouble(std::string line);
    // One line for the board to show and print.
    void tell(std::string line);
    bool setUp();
    bool ensureStream(const std::string& name, const std::string& subject, std::int64_t perSubject);
    bool subscribe(int page);
    bool publishNext();
    void publishSnapshots();
    void shareMaterials();
    // Whether the room now holds the folder's file `name` (sent now, or there before).
    bool offerMaterial(const std::string& name);
    // Whether `name` needs no more attempts: fetched into the folder, or dropped with a line.
    bool fetchMaterial(const std::string& name);
    // Publishes a snapshot too large for one message as parts, then its index; false when
    // one could not be stored (the snapshot is tried again later).
    bool publishParts(int page, const SnapshotOut& snapshot, std::size_t partBytes);
    // The page's latest snapshot from the room: nullopt with `problem` set when the room has
    // none usable; false when the server could not be asked.
    bool fetchSnapshot(int page, std::optional<PageState>& snapshot, std::string& problem);
    // The latest message on subject `subj` of `stream` (nullopt: the subject holds none);
    // false when the server could not be asked.
    bool latest(const std::string& stream, const std::string& subj, std::optional<std::string>& bytes);
    // A consumer of `subj` in `stream` read by the caller (its last message, or all of
    // them), held in the server's memory only; `any` says whether it has something to
    // deliver, none when the server did not say. Null when the server refused it.
    __natsSubscription* reader(const std::string& stream, const std::string& subj, bool lastOnly,
                               std::optional<bool>& any);
    // A page followed again after a while: when the room dropped records the board has not
    // had, the page starts again from the latest snapshot. False when the server could not
    // be asked.
    bool catchUp(int page);
    // Marks the followed page caught up; the event that says so (under mutex_).
    static RoomEvent caughtUp(int page, Followed& f);
    void push(RoomEvent event);
    void pushState(LinkState state);
    std::string subject(const char* kind, int page) const;

    const Options options_;
    const std::string recStream_;
    const std::string snapStream_;
    const std::string matStream_;

    mutable std::mutex mutex_;
    std::condition_variable wakeLink_;
    std::condition_variable closedCv_;
    bool closed_ = false;
    std::string trouble_;
    std::vector<__natsSubscription*> lostSubs_;  // missed heartbeats: follow their page anew
    std::mutex inkMutex_;                         // the drawing thread's use of nc_ for ink
    Arrived events_;
    std::function<void()> wake_;
    // Appended by the drawing thread, taken from the front by the room's thread only: the
    // front stays where it is while the room's thread publishes it without the lock.
    std::deque<Out> outgoing_;
    std::map<int, SnapshotOut> snapshots_;  // page -> encoded snapshot waiting to go
    std::map<int, Followed> followed_;
    // Material to send or fetch, with the time of its next attempt.
    std::map<std::string, std::chrono::steady_clock::time_point> materials_;
    bool stop_ = false;
    bool woken_ = false;  // work was handed to the room's thread since it last looked
    bool connected_ = false;  // as nats.c last told
    bool setUp_ = false;      // streams and subscriptions made on this connection
    bool materialStream_ = false;  // the room's thread only
    LinkState state_ = LinkState::Connecting;
    std::chrono::steady_clock::time_point lostAt_;

    std::atomic<__natsConnection*> nc_{nullptr};
    __jsCtx* js_ = nullptr;
    __natsSubscription* inkSub_ = nullptr;
    std::vector<std::unique_ptr<Subscription>> subscriptions_;  // alive until the end
    std::uint64_t generation_ = 0;
    int failedConnects_ = 0;  // in a row, the room's thread only
    std::thread thread_;

    std::mutex inkQueueMutex_;
    std::condition_variable inkCv_;
    // Pieces waiting to go, by page, oldest first: the first inkQueued_ of inkQueue_. The
    // ink thread swaps it with inkBatch_, the batch it published last, so that the pieces
    // and their points keep their room: once warm, queuing a piece allocates nothing.
    std::vector<std::pair<int, LiveInk>> inkQueue_;
    std::size_t inkQueued_ = 0;
    std::vector<std::pair<int, LiveInk>> inkBatch_;  // the ink thread's alone
    bool inkAwake_ = true;  // the ink thread looks at the queue again before it waits
    std::vector<std::function<void()>> handedOn_;  // wakes the ink thread makes at its next look
    bool stopInk_ = false;
    std::thread inkThread_;
};

}  // namespace share
