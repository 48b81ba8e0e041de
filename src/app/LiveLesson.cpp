#include "app/LiveLesson.h"

#include <atomic>
#include <random>
#include <thread>

#include "app/FrameManager.h"
#include "controller/CanvasController.h"
#include "controller/PageFiles.h"
#include "nats/NatsRoom.h"

namespace {

// A board's identity lasts one run: its change numbers start at 1 again, so a new run must
// not reuse an old identity the room has seen. Its tag (the low bits of its stroke ids) is
// drawn at random too; two boards of one room draw the same one about once in a million
// pairs, and only strokes made by both at the same count could then collide.
share::ShareSession::Identity freshIdentity() {
    std::random_device device;
    std::mt19937_64 rng((std::uint64_t{device()} << 32) ^ device() ^
                        static_cast<std::uint64_t>(
                            std::chrono::steady_clock::now().time_since_epoch().count()));
    share::ShareSession::Identity id;
    do {
        id.board = rng();
    } while (id.board == 0);
    id.tag = 1 + static_cast<std::uint32_t>(rng() % ((1u << share::kTagBits) - 1));
    id.firstNumber = 1;
    return id;
}

}  // namespace

LiveLesson::LiveLesson(FrameManager& manager, const Settings& settings,
                       std::function<void()> wake, std::ostream& log)
    : manager_(manager),
      log_(log),
      wake_(std::move(wake)),
      wakeQueued_(std::make_shared<std::atomic<bool>>(false)) {
    link_ = std::make_unique<share::NatsRoom>(
        share::NatsRoom::Options{settings.address, settings.credentials, std::chrono::milliseconds(3000),
                                 std::chrono::milliseconds(2000), settings.caFile});
    // One wake in flight at a time: however many events come, one pump takes them all.
    link_->setWake([queued = wakeQueued_, wake = wake_] {
        if (!queued->exchange(true) && wake) wake();
    });
    CanvasController& controller = manager_.controller();
    session_ = std::make_unique<share::ShareSession>(
        manager_.drawing(), controller.history().histories(), *link_, freshIdentity(), log_,
        pageFileName);
    controller.history().pageOpened = [this](int page) { session_->pageOpened(page); };
    session_->pageOpened(controller.pages().current());
}

LiveLesson::~LiveLesson() {
    manager_.controller().history().pageOpened = nullptr;
    session_.reset();
    link_.reset();
}

bool LiveLesson::pump() {
    wakeQueued_->store(false);
    return session_->pump();
}

share::ShareSession::Status LiveLesson::status() const { return session_->status(); }

std::string LiveLesson::trouble() const { return link_->trouble(); }

bool LiveLesson::quiet() {
    pump();
    const share::PageReplica* replica = session_->replica(session_->page());
    return link_->unsent() == 0 && session_->status().waiting == 0 && replica != nullptr &&
           replica->pending().empty() && replica->settled();
}

void LiveLesson::finish(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        pump();
        if (link_->unsent() == 0 && session_->status().waiting == 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    session_->persist();
    const std::size_t left = session_->status().waiting;
    if (left > 0) {
        log_ << "inkboard: " << left
             << " changes did not reach the room before the end; they are in this folder's pages\n";
    }
}
