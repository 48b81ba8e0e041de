#include "app/LiveLesson.h"

#include <atomic>
#include <thread>

#include "app/FrameManager.h"
#include "controller/CanvasController.h"
#include "controller/PageFiles.h"
#include "nats/NatsRoom.h"
#include "share/ShareStore.h"


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
    // The board is the same board in every run in this folder: its changes still waiting
    // from an earlier run go out under their own numbers, and the room applies each once.
    store_ = std::make_unique<share::ShareStore>("room-" + settings.address.room, log_);
    session_ = std::make_unique<share::ShareSession>(
        manager_.drawing(), controller.history().histories(), *link_, store_->identity(), log_,
        pageFileName, store_.get());
    controller.history().pageOpened = [this](int page) { session_->pageOpened(page); };
    controller.setPagesImported([this](int first, int end) { session_->offerPages(first, end); });
    session_->pageOpened(controller.pages().current());
}

LiveLesson::~LiveLesson() {
    manager_.controller().history().pageOpened = nullptr;
    manager_.controller().setPagesImported(nullptr);
    session_.reset();
    link_.reset();
    store_.reset();
}

bool LiveLesson::pump() {
    // Written only when set: a pump a frame leaves the line the link's threads share alone.
    if (wakeQueued_->load(std::memory_order_relaxed)) wakeQueued_->store(false);
    return session_->pump();
}

share::ShareSession::Status LiveLesson::status() const { return session_->status(); }

std::string LiveLesson::trouble() const { return link_->trouble(); }

bool LiveLesson::quiet() {
    pump();
    const share::PageReplica* replica = session_->replica(session_->page());
    return link_->unsent() == 0 && session_->status().waiting == 0 && replica != nullptr &&
           replica->pending().empty() && replica->settled() && session_->caughtUp(session_->page());
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
