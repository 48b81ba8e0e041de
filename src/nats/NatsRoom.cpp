#include "nats/NatsRoom.h"

#include <nats/nats.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>
#include <utility>

#include "io/Material.h"
#include "nats/RoomMaterial.h"
#include "share/RecordCodec.h"
#include "share/RoomEvents.h"
#include "share/SnapshotParts.h"

namespace share {

namespace {

// How long the room waits for the server to store a change (or answer a request) before it
// tries again. Short, because a cluster that lost a stream's leader answers nothing until a
// new one is elected (a second or two): a change sent again is stored once all the same.
constexpr std::int64_t kPublishWaitMs = 2000;
// The server forgets message ids after this long: a change sent again within it is stored
// once. (Later, the board's own change numbers still apply it once.)
constexpr std::int64_t kDuplicateWindowNs = std::int64_t{10} * 60 * 1000000000;
// Pause after a failed step before the next attempt, while the connection seems fine.
constexpr std::chrono::milliseconds kRetryPause{200};
// Material the room does not hold (yet) is looked for again after this long.
constexpr std::chrono::milliseconds kMaterialRetry{1000};
constexpr std::int64_t kMaterialChunk = std::int64_t{1} << 20;
// Ink goes out at most this often: more often than a screen shows it, and rare enough that
// a pen's events between two frames go as one message.
constexpr std::chrono::milliseconds kInkPace{2};
// The ink thread stays awake this long after the last ink, longer than a frame at 30 Hz:
// while a hand draws, the drawing thread never has to wake it (a wake-up is a system call,
// and on a virtual machine an interrupt to the other core, dearer than a frame's events).
constexpr std::chrono::milliseconds kInkLinger{40};
// Pieces of ink waiting to go; more are dropped (a receiver waits for the next whole stroke).
constexpr std::size_t kMaxQueuedInk = 256;

void onMessage(natsConnection*, natsSubscription*, natsMsg* msg, void* closure);
void onInkMessage(natsConnection*, natsSubscription*, natsMsg* msg, void* closure) {
    static_cast<NatsRoom*>(closure)->onInk(natsMsg_GetSubject(msg), natsMsg_GetData(msg),
                                          natsMsg_GetDataLength(msg));
    natsMsg_Destroy(msg);
}
void connected(natsConnection*, void* closure) { static_cast<NatsRoom*>(closure)->onConnected(); }
void disconnected(natsConnection* nc, void* closure) {
    static_cast<NatsRoom*>(closure)->onDisconnected(nc);
}
// Doubles from 50 ms up to the room's longest pause, so a server back after a short outage is
// found at once and one gone for long is not hammered.
std::int64_t retryDelay(natsConnection*, int attempts, void* closure) {
    const auto longest = *static_cast<const std::chrono::milliseconds*>(closure);
    const std::int64_t delay = std::int64_t{50} << std::min(attempts, 16);
    return std::min<std::int64_t>(delay, longest.count());
}

void closedCb(natsConnection*, void* closure) { static_cast<NatsRoom*>(closure)->onClosed(); }

void asyncError(natsConnection* nc, natsSubscription* sub, natsStatus err, void* closure) {
    static_cast<NatsRoom*>(closure)->onAsyncError(nc, sub, static_cast<int>(err));
}

bool mentions(const std::string& text, const char* word) {
    return std::search(text.begin(), text.end(), word, word + std::strlen(word), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           }) != text.end();
}

// One line for the user on why the server would not take the board; empty when the failure
// is only that no server answers (that is what the mark shows).
std::string refusal(natsStatus s, std::string detail, const std::string& room) {
    const std::string alone = "; the board draws alone and keeps trying";
    if (!detail.empty()) detail = " (" + detail + ")";
    if (s == NATS_SECURE_CONNECTION_REQUIRED)
        return "The room's server takes TLS connections only: join with tls://" + alone;
    if (s == NATS_SECURE_CONNECTION_WANTED)
        return "The room's server does not speak TLS: join with nats://" + alone;
    if (s == NATS_SSL_ERROR || mentions(detail, "certificate") || mentions(detail, "ssl"))
        return "The room's server's certificate was not accepted" + detail + alone;
    if (mentions(detail, "authorization") || mentions(detail, "authentication") ||
        mentions(detail, "user") || mentions(detail, "expired")) {
        return "The room's server refused this board's credentials" + detail + alone;
    }
    if (s == NATS_NOT_PERMITTED || mentions(detail, "permission"))
        return "This board has no rights to room " + room + " on its server" + detail + alone;
    return "";
}

// The system's certificate authorities, for tls:// rooms given no --share-ca.
const char* systemCaFile() {
    if (const char* env = std::getenv("SSL_CERT_FILE"); env != nullptr && *env != '\0') return env;
    for (const char* f : {"/etc/ssl/certs/ca-certificates.crt", "/etc/pki/tls/certs/ca-bundle.crt",
                          "/etc/ssl/cert.pem"}) {
        if (::access(f, R_OK) == 0) return f;
    }
    return nullptr;
}

// nats.c's error text without the place in its source it comes from.
std::string lastError(const char* text) {
    if (text == nullptr) return "";
    std::string t = text;
    const std::size_t end = t.find("): ");
    return t.starts_with("(") && end != std::string::npos ? t.substr(end + 3) : t;
}

// "tls://HOST:PORT" -> HOST (brackets of an IPv6 address kept off).
std::string hostOf(const std::string& url) {
    std::string h = url.substr(url.find("://") + 3);
    h = h.substr(0, h.rfind(':'));
    if (h.size() >= 2 && h.front() == '[' && h.back() == ']') h = h.substr(1, h.size() - 2);
    return h;
}

}  // namespace

struct NatsRoom::Subscription {
    NatsRoom* room = nullptr;
    int page = 0;
    std::uint64_t nextConsumerSeq = 1;
    // The consumer sequence of the last record the page had when followed, once known.
    std::uint64_t backlogEnd = ~std::uint64_t{0};
    natsSubscription* sub = nullptr;
    bool ended = false;  // unsubscribed (the room's thread only)
    // nats.c calls no callback of the subscription once this is set.
    std::mutex mutex;
    std::condition_variable cv;
    bool complete = false;
};

namespace {

void onMessage(natsConnection*, natsSubscription*, natsMsg* msg, void* closure) {
    auto* sub = static_cast<NatsRoom::Subscription*>(closure);
    jsMsgMetaData* meta = nullptr;
    if (natsMsg_GetMetaData(&meta, msg) == NATS_OK) {
        sub->room->onRecord(*sub, natsMsg_GetData(msg), natsMsg_GetDataLength(msg),
                            meta->Sequence.Stream, meta->Sequence.Consumer, meta->NumPending);
        jsMsgMetaData_Destroy(meta);
    }
    natsMsg_Destroy(msg);
}

void subscriptionComplete(void* closure) {
    auto* sub = static_cast<NatsRoom::Subscription*>(closure);
    std::lock_guard lock(sub->mutex);
    sub->complete = true;
    sub->cv.notify_all();
}

}  // namespace

NatsRoom::NatsRoom(Options options)
    : options_(std::move(options)),
      recStream_("ibrec-" + options_.address.room),
      snapStream_("ibsnap-" + options_.address.room),
      matStream_("ibmat-" + options_.address.room),
      lostAt_(std::chrono::steady_clock::now()) {
    thread_ = std::thread([this] { run(); });
    inkThread_ = std::thread([this] { runInk(); });
}

NatsRoom::~NatsRoom() {
    {
        std::lock_guard lock(inkQueueMutex_);
        stopInk_ = true;
    }
    inkCv_.notify_all();
    inkThread_.join();
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wakeLink_.notify_all();
    thread_.join();
    dropConnection();
}

void NatsRoom::dropConnection() {
    natsConnection* nc = nullptr;
    {
        std::lock_guard ink(inkMutex_);
        nc = nc_.exchange(nullptr);
    }
    if (nc != nullptr) {
        // Closing ends every subscription; the callbacks of each, and the connection's, are
        // over once their completion has been called.
        natsConnection_Close(nc);
        {
            std::unique_lock lock(mutex_);
            closedCv_.wait_for(lock, std::chrono::seconds(2), [&] { return closed_; });
        }
        for (auto& sub : subscriptions_) {
            std::unique_lock lock(sub->mutex);
            sub->cv.wait_for(lock, std::chrono::seconds(2), [&] { return sub->complete; });
            if (sub->sub != nullptr) natsSubscription_Destroy(sub->sub);
            sub->sub = nullptr;
            sub->ended = true;
        }
        if (inkSub_ != nullptr) natsSubscription_Destroy(inkSub_);
        inkSub_ = nullptr;
    }
    if (js_ != nullptr) jsCtx_Destroy(js_);
    js_ = nullptr;
    if (nc != nullptr) natsConnection_Destroy(nc);
    std::lock_guard lock(mutex_);
    closed_ = false;
    connected_ = false;
    setUp_ = false;
    lostSubs_.clear();
    for (auto& [page, f] : followed_) {
        f.stale = true;
        f.sub = nullptr;
    }
}

std::string NatsRoom::trouble() const {
    std::lock_guard lock(mutex_);
    return trouble_;
}

void NatsRoom::setTrouble(std::string line) {
    {
        std::lock_guard lock(mutex_);
        if (trouble_ == line) return;  // said once, not at every attempt
        trouble_ = line;
    }
    if (!line.empty()) tell(std::move(line));
}

void NatsRoom::tell(std::string line) {
    RoomEvent e;
    e.type = RoomEvent::Type::Problem;
    e.text = std::move(line);
    push(std::move(e));
}

std::string NatsRoom::subject(const char* kind, int page) const {
    return "ib." + options_.address.room + "." + kind + "." + std::to_string(page);
}

void NatsRoom::push(RoomEvent event) {
    std::function<void()> wake;
    {
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
        wake = wake_;
    }
    if (wake) wake();
}

void NatsRoom::pushState(LinkState state) {
    RoomEvent e;
    e.type = RoomEvent::Type::State;
    e.state = state;
    push(std::move(e));
}

// ----- the caller's side -----

void NatsRoom::follow(int page, Seq after) {
    {
        std::lock_guard lock(mutex_);
        if (followed_.contains(page)) return;
        Followed& f = followed_[page];
        f.delivered = after;
        f.started = after != 0;
        woken_ = true;
    }
    wakeLink_.notify_all();
}

void NatsRoom::send(int page, const ShareChange& change, bool seed) {
    // Encoded on the room's thread: the drawing thread only copies the change.
    Out out{page, change, {}, seed};
    {
        std::lock_guard lock(mutex_);
        outgoing_.push_back(std::move(out));
        woken_ = true;
    }
    // A stroke ends while its ink thread is still awake: the drawing thread makes no system
    // call for the room's thread.
    wakeSoon([this] { wakeLink_.notify_all(); });
}

void NatsRoom::wakeSoon(std::function<void()> wake) {
    {
        std::lock_guard lock(inkQueueMutex_);
        if (inkAwake_) {
            handedOn_.push_back(std::move(wake));
            return;
        }
    }
    wake();
}

void NatsRoom::sendSnapshot(int page, const PageState& state) {
    SnapshotOut out{state.seq(), encodeSnapshot(state)};
    {
        std::lock_guard lock(mutex_);
        snapshots_[page] = std::move(out);
        woken_ = true;
    }
    wakeLink_.notify_all();
}

void NatsRoom::sendInk(int page, const LiveInk& ink) {
    bool wake = false;
    {
        std::lock_guard lock(inkQueueMutex_);
        const auto end = inkQueue_.begin() + static_cast<std::ptrdiff_t>(inkQueued_);
        const auto same = std::find_if(std::make_reverse_iterator(end), inkQueue_.rend(), [&](const auto& q) {
            return q.first == page && q.second.board == ink.board && q.second.stroke == ink.stroke;
        });
        const bool joined = same != inkQueue_.rend() && joinInk(same->second, ink);
        if (!joined && inkQueued_ < kMaxQueuedInk) {
            if (inkQueued_ == inkQueue_.size()) {
                inkQueue_.emplace_back(page, ink);
            } else {
                // Into a piece sent before: copied in place, its points keep their room.
                inkQueue_[inkQueued_].first = page;
                inkQueue_[inkQueued_].second = ink;
            }
            ++inkQueued_;
        }
        wake = !inkAwake_;
    }
    if (wake) inkCv_.notify_one();
}

void NatsRoom::runInk() {
    std::unique_lock lock(inkQueueMutex_);
    auto lastInk = std::chrono::steady_clock::now();
    const auto handOn = [&] {
        if (handedOn_.empty()) return;
        std::vector<std::function<void()>> wakes = std::exchange(handedOn_, {});
        lock.unlock();
        for (const auto& wake : wakes) wake();
        lock.lock();
    };
    while (!stopInk_) {
        handOn();
        const auto now = std::chrono::steady_clock::now();
        if (inkQueued_ != 0) lastInk = now;
        if (inkQueued_ == 0 && now - lastInk >= kInkLinger) {
            // Asleep from here on: whoever queues or hands on wakes it themselves.
            inkAwake_ = false;
            handOn();
            inkCv_.wait(lock, [&] { return stopInk_ || inkQueued_ != 0; });
            inkAwake_ = true;
            continue;
        }
        std::swap(inkQueue_, inkBatch_);
        const std::size_t batch = std::exchange(inkQueued_, 0);
        lock.unlock();
        for (std::size_t i = 0; i < batch; ++i) publishInk(inkBatch_[i].first, inkBatch_[i].second);
        lock.lock();
        inkCv_.wait_for(lock, kInkPace, [&] { return stopInk_; });
    }
    inkAwake_ = false;
    handOn();
}

void NatsRoom::publishInk(int page, const LiveInk& ink) {
    // Rather drop a piece than wait while the connection is being replaced.
    std::unique_lock guard(inkMutex_, std::try_to_lock);
    if (!guard.owns_lock()) return;
    natsConnection* nc = nc_.load();
    if (nc == nullptr || natsConnection_Status(nc) != NATS_CONN_STATUS_CONNECTED) return;
    // A plain publish only fills nats.c's buffer; its own thread writes it out.
    const std::string bytes = encodeInk(ink);
    natsConnection_Publish(nc, subject("ink", page).c_str(), bytes.data(),
                           static_cast<int>(bytes.size()));
}

void NatsRoom::material(const std::string& name) {
    if (!roomMaterialName(name)) return;  // a name that cannot be checked against the bytes
    {
        std::lock_guard lock(mutex_);
        materials_.try_emplace(name);
        woken_ = true;
    }
    wakeLink_.notify_all();
}

std::vector<RoomEvent> NatsRoom::poll() {
    // An event pushed meanwhile sets `any` after this load and wakes the drawing thread.
    if (!events_.any.load(std::memory_order_acquire)) return {};
    std::lock_guard lock(mutex_);
    events_.any.store(false, std::memory_order_relaxed);
    return std::exchange(events_.list, {});
}

void NatsRoom::setWake(std::function<void()> wake) {
    std::lock_guard lock(mutex_);
    wake_ = std::move(wake);
}

std::size_t NatsRoom::unsent() const {
    std::lock_guard lock(mutex_);
    return outgoing_.size();
}

// ----- nats.c's threads -----

void NatsRoom::onRecord(Subscription& sub, const char* data, int size, std::uint64_t streamSeq,
                        std::uint64_t consumerSeq, std::uint64_t pending) {
    // Decoded before the lock: a large record must not hold up the drawing thread's poll.
    std::string error;
    std::optional<ShareChange> change =
        decodeChange(std::string_view(data, static_cast<std::size_t>(std::max(size, 0))), error);
    std::vector<RoomEvent> out;
    std::function<void()> wake;
    bool resubscribe = false;
    {
        std::lock_guard lock(mutex_);
        const auto it = followed_.find(sub.page);
        if (it == followed_.end() || it->second.sub != &sub) return;  // an old subscription
        Followed& f = it->second;
        if (consumerSeq != sub.nextConsumerSeq) {
            // A message was lost on the way: start again after the last one taken.
            f.stale = true;
            f.sub = nullptr;
            resubscribe = true;
        } else {
            ++sub.nextConsumerSeq;
            if (streamSeq > f.delivered) {
                f.delivered = streamSeq;
                out.push_back(recordEvent(sub.page, streamSeq, std::move(change), error));
            }
            // The consumer had nothing more to send when it sent this one: the page is caught
            // up as far as it was when followed.
            if (!f.caughtUp && (pending == 0 || consumerSeq >= sub.backlogEnd)) {
                out.push_back(caughtUp(sub.page, f));
            }
        }
        for (RoomEvent& e : out) events_.push_back(std::move(e));
        wake = wake_;
        woken_ = woken_ || resubscribe;
    }
    if (resubscribe) wakeLink_.notify_all();
    if (wake && !out.empty()) wake();
}

void NatsRoom::onInk(const std::string& subj, const char* data, int size) {
    std::optional<RoomEvent> e = inkEvent(subj, std::string_view(data, static_cast<std::size_t>(std::max(size, 0))));
    if (e) push(std::move(*e));
}

void NatsRoom::onConnected() {
    {
        std::lock_guard lock(mutex_);
        connected_ = true;
        setUp_ = false;
        woken_ = true;
    }
    wakeLink_.notify_all();
}

void NatsRoom::onClosed() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    closedCv_.notify_all();
}

void NatsRoom::onAsyncError(natsConnection* nc, natsSubscription* sub, int status) {
    const auto s = static_cast<natsStatus>(status);
    if (s == NATS_MISSED_HEARTBEAT || s == NATS_MISMATCH) {
        // The consumer behind a page's subscription is gone (its server was lost) or out of
        // step: the room's thread follows that page anew.
        {
            std::lock_guard lock(mutex_);
            lostSubs_.push_back(sub);
            woken_ = true;
        }
        wakeLink_.notify_all();
        return;
    }
    if (s != NATS_NOT_PERMITTED) return;
    // nats.c holds the connection for as long as its callback runs.
    const char* text = nullptr;
    natsConnection_GetLastError(nc, &text);
    setTrouble(refusal(s, lastError(text), options_.address.room));
}

void NatsRoom::onDisconnected(natsConnection* nc) {
    const char* text = nullptr;
    const natsStatus why = natsConnection_GetLastError(nc, &text);
    if (why != NATS_OK) {
        const std::string line = refusal(why, lastError(text), options_.address.room);
        if (!line.empty()) setTrouble(line);
    }
    bool tell = false;
    {
        std::lock_guard lock(mutex_);
        if (stop_) return;
        tell = connected_;
        connected_ = false;
        setUp_ = false;
        // What the old subscriptions deliver after a reconnect is passed over: each page is
        // followed anew from its last record, after checking the room still has what follows.
        for (auto& [page, f] : followed_) {
            f.stale = true;
            f.sub = nullptr;
        }
        lostAt_ = std::chrono::steady_clock::now();
        if (tell) state_ = LinkState::Reconnecting;
        woken_ = true;
    }
    if (tell) pushState(LinkState::Reconnecting);
    wakeLink_.notify_all();
}

// ----- the room's thread -----

void NatsRoom::connect() {
    natsOptions* opts = nullptr;
    if (natsOptions_Create(&opts) != NATS_OK) return;
    std::vector<const char*> servers;
    for (const std::string& s : options_.address.servers) servers.push_back(s.c_str());
    natsOptions_SetServers(opts, servers.data(), static_cast<int>(servers.size()));
    natsOptions_SetName(opts, "inkboard");
    // The board's own ink is not sent back to it (the room's records come from the server,
    // not as an echo, and still arrive).
    natsOptions_SetNoEcho(opts, true);
    natsOptions_SetTimeout(opts, 2000);
    natsOptions_SetPingInterval(opts, 2000);
    natsOptions_SetMaxPingsOut(opts, 2);
    natsOptions_SetMaxReconnect(opts, -1);
    natsOptions_SetCustomReconnectDelay(opts, retryDelay,
                                        const_cast<std::chrono::milliseconds*>(&options_.maxRetryDelay));
    natsOptions_SetReconnectedCB(opts, connected, this);
    natsOptions_SetDisconnectedCB(opts, disconnected, this);
    natsOptions_SetClosedCB(opts, closedCb, this);
    natsOptions_SetErrorHandler(opts, asyncError, this);
    if (!options_.credentials.token.empty()) {
        natsOptions_SetToken(opts, options_.credentials.token.c_str());
    } else if (!options_.credentials.user.empty()) {
        natsOptions_SetUserInfo(opts, options_.credentials.user.c_str(),
                                options_.credentials.password.c_str());
    }
    if (options_.address.tls) {
        natsOptions_SetSecure(opts, true);
        const char* ca = options_.caFile.empty() ? systemCaFile() : options_.caFile.c_str();
        if (ca == nullptr || natsOptions_LoadCATrustedCertificates(opts, ca) != NATS_OK) {
            natsOptions_Destroy(opts);
            setTrouble(std::string("The certificate authorities ") + (ca ? ca : "of the system") +
                       " cannot be read; the board draws alone and keeps trying");
            return;
        }
        // The name is checked when every server goes by one (a cluster behind one name, or a
        // single server); the chain always.
        std::set<std::string> hosts;
        for (const std::string& url : options_.address.servers) hosts.insert(hostOf(url));
        if (hosts.size() == 1) natsOptions_SetExpectedHostname(opts, hosts.begin()->c_str());
    }
    // The first connection is made here, not by nats.c in the background: only so does the
    // reason a server refused it (credentials, certificate) come back to be told.
    natsConnection* nc = nullptr;
    const natsStatus s = natsConnection_Connect(&nc, opts);
    natsOptions_Destroy(opts);
    if (s != NATS_OK) {
        const std::string line = refusal(s, lastError(nats_GetLastError(nullptr)), options_.address.room);
        if (!line.empty() || s != NATS_NO_SERVER) {
            setTrouble(!line.empty() ? line
                                     : std::string("The room's server cannot be used: ") + natsStatus_GetText(s) +
                                           "; the board draws alone and keeps trying");
        }
        return;
    }
    jsOptions jo;
    jsOptions_Init(&jo);
    jo.Wait = kPublishWaitMs;
    natsConnection_JetStream(&js_, nc, &jo);
    nc_.store(nc);
    onConnected();
}

bool NatsRoom::ensureStream(const std::string& name, const std::string& subj,
                            std::int64_t perSubject) {
    jsStreamInfo* info = nullptr;
    jsErrCode code = static_cast<jsErrCode>(0);
    natsStatus s = js_GetStreamInfo(&info, js_, name.c_str(), nullptr, &code);
    if (s == NATS_OK) {
        // A room made on a single server that has since joined a cluster: three copies now
        // (a server that cannot refuses, and the room stays as it is).
        if (info->Config != nullptr && info->Config->Replicas < 3 && info->Cluster != nullptr &&
            info->Cluster->Name != nullptr) {
            jsStreamConfig cfg = *info->Config;
            cfg.Replicas = 3;
            jsStreamInfo* updated = nullptr;
            if (js_UpdateStream(&updated, js_, &cfg, nullptr, nullptr) == NATS_OK) jsStreamInfo_Destroy(updated);
        }
        jsStreamInfo_Destroy(info);
        return true;
    }
    if (code != JSStreamNotFoundErr) return false;
    jsStreamConfig cfg;
    jsStreamConfig_Init(&cfg);
    cfg.Name = name.c_str();
    const char* subjects[] = {subj.c_str()};
    cfg.Subjects = subjects;
    cfg.SubjectsLen = 1;
    cfg.Storage = js_FileStorage;
    cfg.Duplicates = kDuplicateWindowNs;
    cfg.MaxMsgsPerSubject = perSubject;
    // Three copies on a cluster: the room survives the loss of any one server. A single
    // server says it has no cluster, and gets the room's only copy. A cluster with fewer
    // than three servers up refuses; the room waits for them rather than go unreplicated.
    cfg.Replicas = 3;
    s = js_AddStream(&info, js_, &cfg, nullptr, &code);
    if (s != NATS_OK && code == JSStreamReplicasNotSupportedErr) {
        cfg.Replicas = 1;
        s = js_AddStream(&info, js_, &cfg, nullptr, &code);
    }
    if (s == NATS_OK) jsStreamInfo_Destroy(info);
    if (s != NATS_OK && (code == JSClusterNoPeersErr || code == JSInsufficientResourcesErr)) {
        setTrouble("The room's cluster has fewer than three servers up; room " +
                   options_.address.room + " is made once three answer");
    }
    return s == NATS_OK || code == JSStreamNameExistErr;
}

bool NatsRoom::setUp() {
    const std::string room = "ib." + options_.address.room;
    if (!ensureStream(recStream_, room + ".rec.*", -1) ||
        !ensureStream(snapStream_, room + ".snap.*", 1)) {
        return false;
    }
    // Material is made when first needed: a server whose rights predate it still shares
    // the pages.
    materialStream_ = false;
    natsConnection* nc = nc_.load();
    if (inkSub_ == nullptr &&
        natsConnection_Subscribe(&inkSub_, nc, (room + ".ink.*").c_str(), onInkMessage, this) !=
            NATS_OK) {
        inkSub_ = nullptr;
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        // The server may have lost the consumers (it was restarted): follow every page anew.
        for (auto& [page, f] : followed_) {
            f.stale = true;
            f.sub = nullptr;
        }
        setUp_ = true;
        state_ = LinkState::Connected;
        trouble_.clear();
    }
    pushState(LinkState::Connected);
    return true;
}

bool NatsRoom::subscribe(int page) {
    Seq after = 0;
    bool started = false;
    Subscription* old = nullptr;
    {
        std::lock_guard lock(mutex_);
        Followed& f = followed_[page];
        old = f.sub;
        f.sub = nullptr;  // what the old one still delivers is passed over
        started = f.started;
    }
    for (auto& s : subscriptions_) {
        if (s->sub != nullptr && !s->ended && (s.get() == old || s->page == page)) {
            s->ended = true;
            natsSubscription_Unsubscribe(s->sub);
        }
    }
    if (!started) {
        // A page followed from its beginning starts from the room's latest snapshot.
        std::optional<PageState> snapshot;
        std::string problem;
        if (!fetchSnapshot(page, snapshot, problem)) return false;
        RoomEvent e;
        e.page = page;
        if (snapshot) {
            e.type = RoomEvent::Type::Snapshot;
            e.snapshot = std::move(snapshot);
        } else {
            e.type = RoomEvent::Type::Problem;
            e.text = std::move(problem);
        }
        std::lock_guard lock(mutex_);
        Followed& f = followed_[page];
        if (e.snapshot) f.delivered = e.snapshot->seq();
        f.started = true;
        if (e.snapshot || !e.text.empty()) events_.push_back(std::move(e));
    }
    if (started && !catchUp(page)) return false;
    auto sub = std::make_unique<Subscription>();
    sub->room = this;
    sub->page = page;
    {
        std::lock_guard lock(mutex_);
        Followed& f = followed_[page];
        after = f.delivered;
        f.sub = sub.get();
        f.stale = false;
    }
    jsSubOptions so;
    jsSubOptions_Init(&so);
    so.Stream = recStream_.c_str();
    so.Config.DeliverPolicy = js_DeliverByStartSequence;
    so.Config.OptStartSeq = after + 1;
    so.Config.AckPolicy = js_AckNone;
    // The consumer lives on one server of a cluster: its heartbeats stopping says that server
    // is lost (while the board's own connection may be fine), and the page is followed anew.
    so.Config.Heartbeat = std::int64_t{1000} * 1000 * 1000;
    jsErrCode code = static_cast<jsErrCode>(0);
    natsStatus s = js_Subscribe(&sub->sub, js_, subject("rec", page).c_str(), onMessage, sub.get(),
                                nullptr, &so, &code);
    if (s == NATS_OK) {
        natsSubscription_SetOnCompleteCB(sub->sub, subscriptionComplete, sub.get());
        natsSubscription_SetPendingLimits(sub->sub, -1, -1);
        // Where the page's records end is learnt from the consumer (here, and from each
        // record's count of those still to come), not by asking for the page's last record:
        // nats-server 2.9 can crash on that request while a stream is made or recovered.
        // With nothing left to send when asked, the consumer has sent its whole backlog
        // (which may still be on its way to onRecord).
        jsConsumerInfo* info = nullptr;
        s = natsSubscription_GetConsumerInfo(&info, sub->sub, nullptr, &code);
        std::lock_guard lock(mutex_);
        Followed& f = followed_[page];
        if (s != NATS_OK) {
            f.sub = nullptr;  // ended by the next attempt
            f.stale = true;
        } else if (f.sub == sub.get() && info->NumPending == 0 && !f.caughtUp) {
            if (info->Delivered.Consumer < sub->nextConsumerSeq) {
                events_.push_back(caughtUp(page, f));
            } else {
                sub->backlogEnd = info->Delivered.Consumer;
            }
        }
        if (info != nullptr) jsConsumerInfo_Destroy(info);
    } else {
        sub->sub = nullptr;
        sub->complete = true;
        std::lock_guard lock(mutex_);
        Followed& f = followed_[page];
        f.sub = nullptr;
        f.stale = true;
    }
    subscriptions_.push_back(std::move(sub));
    std::function<void()> wake;
    {
        std::lock_guard lock(mutex_);
        wake = wake_;
    }
    if (wake) wake();
    return s == NATS_OK;
}

RoomEvent NatsRoom::caughtUp(int page, Followed& f) {
    f.caughtUp = true;
    RoomEvent e;
    e.type = RoomEvent::Type::CaughtUp;
    e.page = page;
    return e;
}

bool NatsRoom::catchUp(int page) {
    Seq after = 0;
    {
        std::lock_guard lock(mutex_);
        after = followed_[page].delivered;
    }
    if (after == 0) return true;
    // The stream drops a subject's records oldest first (a per-subject limit, a purge): while
    // the last record the board applied is there, so is every record after it.
    natsMsg* msg = nullptr;
    jsErrCode code = static_cast<jsErrCode>(0);
    if (js_GetMsg(&msg, js_, recStream_.c_str(), after, nullptr, &code) == NATS_OK) {
        natsMsg_Destroy(msg);
        return true;
    }
    if (code != JSNoMessageFoundErr) return false;
    std::optional<PageState> snapshot;
    std::string problem;
    if (!fetchSnapshot(page, snapshot, problem)) return false;
    RoomEvent e = resumeEvent(page, after, std::move(snapshot));
    std::lock_guard lock(mutex_);
    if (e.snapshot) followed_[page].delivered = e.snapshot->seq();
    events_.push_back(std::move(e));
    return true;
}

bool NatsRoom::fetchSnapshot(int page, std::optional<PageState>& snapshot, std::string& problem) {
    const std::string subj = subject("snap", page);
    bool asked = true;
    // nullopt when the subject holds nothing; `asked` false when the server did not answer.
    const auto last = [&](const std::string& s) -> std::optional<std::string> {
        std::optional<std::string> bytes;
        asked = asked && latest(snapStream_, s, bytes);
        return bytes;
    };
    const std::optional<std::string> bytes = last(subj);
    if (!bytes) return asked;
    std::string error;
    if (isSnapshotIndex(*bytes)) {
        snapshot = assembleSnapshot(*bytes, [&](std::uint32_t k) {
            return asked ? last(subj + "-" + std::to_string(k)) : std::nullopt;
        }, error);
        if (!asked) return false;
    } else {
        snapshot = decodeSnapshot(*bytes, error);
    }
    if (!snapshot) {
        problem = "The room's snapshot of page " + std::to_string(page) + " was dropped: " + error +
                  "; the page is replayed from its records";
    }
    return true;
}

bool NatsRoom::latest(const std::string& stream, const std::string& subj,
                      std::optional<std::string>& bytes) {
    // A consumer of the subject's last message rather than a request for the subject's last
    // message: nats-server 2.9 can crash on that request while a stream is made or
    // recovered. The consumer also sends the message as stored (the request's answer
    // carries it in base64), so a large snapshot comes several times faster.
    bytes.reset();
    std::optional<bool> any;
    natsSubscription* sub = reader(stream, subj, true, any);
    if (sub == nullptr) return false;
    bool asked = any.has_value();
    if (any == true) {
        natsMsg* msg = nullptr;
        asked = natsSubscription_NextMsg(&msg, sub, kPublishWaitMs) == NATS_OK;
        if (asked) {
            bytes.emplace(natsMsg_GetData(msg), static_cast<std::size_t>(natsMsg_GetDataLength(msg)));
            natsMsg_Destroy(msg);
        }
    }
    natsSubscription_Unsubscribe(sub);
    natsSubscription_Destroy(sub);
    return asked;
}

natsSubscription* NatsRoom::reader(const std::string& stream, const std::string& subj, bool lastOnly,
                                   std::optional<bool>& any) {
    jsSubOptions so;
    jsSubOptions_Init(&so);
    so.Stream = stream.c_str();
    so.Config.DeliverPolicy = lastOnly ? js_DeliverLast : js_DeliverAll;
    so.Config.AckPolicy = js_AckNone;
    so.Config.MemoryStorage = true;
    natsSubscription* sub = nullptr;
    jsErrCode code = static_cast<jsErrCode>(0);
    if (js_SubscribeSync(&sub, js_, subj.c_str(), nullptr, &so, &code) != NATS_OK) return nullptr;
    jsConsumerInfo* info = nullptr;
    any.reset();
    if (natsSubscription_GetConsumerInfo(&info, sub, nullptr, &code) == NATS_OK)
        any = info->NumPending + info->Delivered.Consumer > 0;
    if (info != nullptr) jsConsumerInfo_Destroy(info);
    return sub;
}

bool NatsRoom::publishNext() {
    Out* front = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (outgoing_.empty() || !setUp_) return false;
        front = &outgoing_.front();
    }
    Out& out = *front;
    if (out.bytes.empty()) out.bytes = encodeChange(out.change);
    const std::string msgId = changeMessageId(out.change.board, out.change.number);
    natsMsg* msg = nullptr;
    if (natsMsg_Create(&msg, subject("rec", out.page).c_str(), nullptr, out.bytes.data(),
                       static_cast<int>(out.bytes.size())) != NATS_OK) {
        return false;
    }
    jsPubOptions po;
    jsPubOptions_Init(&po);
    po.MsgId = msgId.c_str();
    po.ExpectStream = recStream_.c_str();
    po.ExpectNoMessage = out.seed;  // a seed only starts an empty page
    jsPubAck* ack = nullptr;
    jsErrCode code = static_cast<jsErrCode>(0);
    const natsStatus s = js_PublishMsg(&ack, js_, msg, &po, &code);
    natsMsg_Destroy(msg);
    RoomEvent e;
    e.page = out.page;
    e.number = out.change.number;
    if (s == NATS_OK) {
        e.type = RoomEvent::Type::Stored;
        e.seq = ack->Sequence;
        jsPubAck_Destroy(ack);
    } else if (code == JSStreamWrongLastSequenceErr && out.seed) {
        e.type = RoomEvent::Type::Refused;
    } else if (s == NATS_MAX_PAYLOAD) {
        // It can never go: the board takes it back rather than wait for ever.
        tell(tooLargeLine(out.page));
        e.type = RoomEvent::Type::Refused;
    } else {
        if (code == JSStreamNotFoundErr || s == NATS_NO_RESPONDERS) {
            std::lock_guard lock(mutex_);
            setUp_ = false;
        }
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        outgoing_.pop_front();
    }
    push(std::move(e));
    return true;
}

void NatsRoom::publishSnapshots() {
    std::map<int, SnapshotOut> snapshots;
    {
        std::lock_guard lock(mutex_);
        if (!setUp_) return;
        snapshots.swap(snapshots_);
    }
    natsConnection* nc = nc_.load();
    // Room for the headers the server counts against its limit too.
    const std::int64_t fits = natsConnection_GetMaxPayload(nc) - 1024;
    for (auto& [page, out] : snapshots) {
        bool stored = false;
        if (static_cast<std::int64_t>(out.bytes.size()) <= fits) {
            jsPubAck* ack = nullptr;
            stored = js_Publish(&ack, js_, subject("snap", page).c_str(), out.bytes.data(),
                                static_cast<int>(out.bytes.size()), nullptr, nullptr) == NATS_OK;
            if (stored) jsPubAck_Destroy(ack);
        } else if (fits > static_cast<std::int64_t>(kSnapshotPartHeader)) {
            stored = publishParts(page, out, static_cast<std::size_t>(fits));
        } else {
            stored = true;  // a server that takes next to nothing: joining boards replay more
        }
        if (!stored) {
            std::lock_guard lock(mutex_);
            snapshots_.try_emplace(page, std::move(out));  // a newer one may have come
        }
    }
}

void NatsRoom::shareMaterials() {
    const auto now = std::chrono::steady_clock::now();
    std::vector<std::string> due;
    {
        std::lock_guard lock(mutex_);
        for (auto& [name, at] : materials_) {
            if (at > now) continue;
            due.push_back(name);
            at = now + kMaterialRetry;  // unless done before
        }
    }
    if (!due.empty() && !materialStream_) {
        materialStream_ = ensureStream(matStream_, "ib." + options_.address.room + ".mat.*", -1);
        if (!materialStream_) due.clear();
    }
    for (const std::string& name : due) {
        std::error_code ec;
        const bool here = std::filesystem::exists(std::filesystem::path(options_.folder) / name, ec);
        const bool done = here ? offerMaterial(name) : fetchMaterial(name);
        std::lock_guard lock(mutex_);
        if (stop_) return;
        if (done) {
            materials_.erase(name);
        } else {
            // Not in the room yet (its board may not have sent it), or the server is busy.
            materials_[name] = std::chrono::steady_clock::now() + kMaterialRetry;
        }
    }
}

bool NatsRoom::offerMaterial(const std::string& name) {
    const std::string subj = "ib." + options_.address.room + ".mat." + materialToken(name);
    // The room has it when its last chunk reaches the end of the file.
    std::optional<std::string> last;
    if (!latest(matStream_, subj, last)) return false;
    if (last) {
        const auto reach = chunkReach(*last);
        if (reach && reach->first == reach->second) return true;
    }
    std::string error;
    const std::optional<std::string> bytes =
        io::readMaterialFile((std::filesystem::path(options_.folder) / name).string(), error);
    const auto kind = io::kindFromName(name);
    if (!bytes || !kind || io::materialFileName(*bytes, *kind) != name) {
        tell("The material " + name + " is not sent to the room: it " +
             (bytes ? std::string("does not match its name") : error));
        return true;
    }
    // Each chunk with its header well within one message, and small enough not to hold up
    // the records behind it for long; sent again, a chunk is stored once (its message id),
    // and a receiver passes over one it has.
    const std::size_t chunk = static_cast<std::size_t>(std::clamp<std::int64_t>(
        natsConnection_GetMaxPayload(nc_.load()) - 1024, 4096, kMaterialChunk));
    for (std::size_t offset = 0; offset < bytes->size(); offset += chunk) {
        const std::string payload =
            encodeChunk(offset, bytes->size(), std::string_view(*bytes).substr(offset, chunk));
        const std::string id = name + "-" + std::to_string(offset);
        jsPubOptions po;
        jsPubOptions_Init(&po);
        po.MsgId = id.c_str();
        po.ExpectStream = matStream_.c_str();
        jsPubAck* ack = nullptr;
        if (js_Publish(&ack, js_, subj.c_str(), payload.data(), static_cast<int>(payload.size()), &po,
                       nullptr) != NATS_OK) {
            return false;
        }
        jsPubAck_Destroy(ack);
        std::lock_guard lock(mutex_);
        if (stop_) return false;
    }
    return true;
}

bool NatsRoom::fetchMaterial(const std::string& name) {
    const std::string subj = "ib." + options_.address.room + ".mat." + materialToken(name);
    std::optional<bool> any;
    natsSubscription* sub = reader(matStream_, subj, false, any);
    if (sub == nullptr) return false;
    // Nothing to send: the room does not hold it (yet).
    if (any != true) {
        natsSubscription_Unsubscribe(sub);
        natsSubscription_Destroy(sub);
        return false;
    }
    MaterialAssembly assembly(name);
    std::string error;
    bool broken = false;
    // Chunks come as fast as the server sends them; a pause this long means none are left.
    while (!assembly.complete() && !broken) {
        natsMsg* msg = nullptr;
        if (natsSubscription_NextMsg(&msg, sub, kPublishWaitMs) != NATS_OK) break;
        broken = !assembly.add(std::string_view(natsMsg_GetData(msg),
                                                static_cast<std::size_t>(natsMsg_GetDataLength(msg))),
                               error);
        natsMsg_Destroy(msg);
        std::lock_guard lock(mutex_);
        if (stop_) break;
    }
    natsSubscription_Unsubscribe(sub);
    natsSubscription_Destroy(sub);
    if (!broken && !assembly.complete()) return false;  // the rest may come later
    std::optional<std::string> bytes = broken ? std::nullopt : assembly.take(error);
    const auto kind = io::kindFromName(name);
    if (bytes && kind && io::storeMaterial(options_.folder, *bytes, *kind)) return true;
    tell("The material " + name + " from the room was dropped: " +
         (bytes ? std::string("it could not be stored in the lesson folder") : error));
    return true;
}

bool NatsRoom::publishParts(int page, const SnapshotOut& snapshot, std::size_t partBytes) {
    // Part k of every snapshot of the page goes on the page's subject "-k": the stream keeps
    // the latest of each, so a newer snapshot replaces the older one's parts, and a joiner
    // that finds a part of another snapshot passes that one over.
    static thread_local std::mt19937_64 ids{std::random_device{}()};
    const SnapshotIndex index = indexSnapshot(snapshot.bytes, snapshot.seq, ids(), partBytes);
    const std::string subj = subject("snap", page);
    for (std::uint32_t k = 0; k < index.parts; ++k) {
        const std::string part = encodeSnapshotPart(index, snapshot.bytes, k);
        jsPubAck* ack = nullptr;
        if (js_Publish(&ack, js_, (subj + "-" + std::to_string(k)).c_str(), part.data(),
                       static_cast<int>(part.size()), nullptr, nullptr) != NATS_OK) {
            return false;
        }
        jsPubAck_Destroy(ack);
    }
    // The index last: a joiner never finds one whose parts are not all stored.
    const std::string bytes = encodeSnapshotIndex(index);
    jsPubAck* ack = nullptr;
    if (js_Publish(&ack, js_, subj.c_str(), bytes.data(), static_cast<int>(bytes.size()), nullptr,
                   nullptr) != NATS_OK) {
        return false;
    }
    jsPubAck_Destroy(ack);
    return true;
}

void NatsRoom::run() {
    connect();
    while (true) {
        bool ready = false;
        bool offline = false;
        bool closed = false;
        std::vector<natsSubscription*> lost;
        {
            std::unique_lock lock(mutex_);
            // Work handed over while the thread was busy is not waited for.
            wakeLink_.wait_for(lock, std::chrono::milliseconds(50), [&] { return stop_ || woken_; });
            woken_ = false;
            if (stop_) return;
            if (!connected_ && state_ != LinkState::Offline &&
                std::chrono::steady_clock::now() - lostAt_ >= options_.offlineAfter) {
                state_ = LinkState::Offline;
                offline = true;
            }
            ready = connected_;
            closed = closed_;
            lost.swap(lostSubs_);
        }
        if (offline) pushState(LinkState::Offline);
        if (closed) {
            // nats.c gave up on the connection (a server refusing the board twice in a row
            // does that): start a new one, as at the start.
            dropConnection();
        }
        if (nc_.load() == nullptr) {
            connect();
            if (nc_.load() == nullptr) {
                // Doubling from 50 ms: a server back after a blink is found at once.
                const auto pause = std::min<std::chrono::milliseconds>(
                    options_.maxRetryDelay, std::chrono::milliseconds(std::int64_t{50} << std::min(failedConnects_++, 16)));
                std::unique_lock lock(mutex_);
                wakeLink_.wait_for(lock, pause, [&] { return stop_; });
            } else {
                failedConnects_ = 0;
            }
            continue;
        }
        if (!ready) continue;
        if (!lost.empty()) {
            std::lock_guard lock(mutex_);
            for (auto& s : subscriptions_) {
                if (s->ended || s->sub == nullptr ||
                    std::find(lost.begin(), lost.end(), s->sub) == lost.end()) {
                    continue;
                }
                const auto it = followed_.find(s->page);
                if (it != followed_.end() && it->second.sub == s.get()) {
                    it->second.stale = true;
                    it->second.sub = nullptr;
                }
            }
        }
        bool ok = true;
        bool ready2 = false;
        {
            std::lock_guard lock(mutex_);
            ready2 = setUp_;
        }
        if (!ready2) ok = setUp();
        if (ok) {
            std::vector<int> stale;
            {
                std::lock_guard lock(mutex_);
                for (const auto& [page, f] : followed_) {
                    if (f.stale) stale.push_back(page);
                }
            }
            for (int page : stale) ok = subscribe(page) && ok;
            publishSnapshots();
            while (publishNext()) {
            }
            shareMaterials();
            std::lock_guard lock(mutex_);
            ok = ok && (outgoing_.empty() || !connected_);
        }
        if (!ok) {
            std::unique_lock lock(mutex_);
            wakeLink_.wait_for(lock, kRetryPause, [&] { return stop_; });
        }
    }
}

}  // namespace share
