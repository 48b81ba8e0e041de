#include "MemoryRoom.h"

#include <algorithm>
#include <utility>

using namespace share;

MemoryRoom::Link& MemoryRoom::join() {
    links_.push_back(std::make_unique<Link>());
    links_.back()->room_ = this;
    return *links_.back();
}

void MemoryRoom::Link::follow(int page, Seq after) {
    if (delivered_.contains(page)) return;
    const auto snap = room_->snapshots_.find(page);
    if (after == 0 && snap != room_->snapshots_.end()) {
        std::string error;
        RoomEvent e;
        e.type = RoomEvent::Type::Snapshot;
        e.page = page;
        e.snapshot = decodeSnapshot(snap->second.second, error);
        after = snap->second.first;
        events_.push_back(std::move(e));
    }
    delivered_[page] = after;
    // Look again from the first record after `after`.
    for (std::size_t i = 0; i < next_; ++i) {
        if (room_->log_[i].seq > after) {
            next_ = i;
            break;
        }
    }
}

void MemoryRoom::Link::send(int page, const ShareChange& change, bool seed) {
    outgoing_.push_back(Out{page, encodeChange(change), seed, change.board, change.number});
}

void MemoryRoom::Link::sendSnapshot(int page, const PageState& state) {
    auto& slot = room_->snapshots_[page];
    if (state.seq() > slot.first) slot = {state.seq(), encodeSnapshot(state)};
    ++room_->snapshotsTaken_;
}

void MemoryRoom::Link::sendInk(int, const LiveInk&) {}

std::vector<RoomEvent> MemoryRoom::Link::poll() {
    for (const auto& wake : std::exchange(wakes_, {})) wake();
    return std::move(events_);
}

void MemoryRoom::Link::wakeSoon(std::function<void()> wake) {
    if (deferWakes) {
        wakes_.push_back(std::move(wake));
    } else {
        wake();
    }
}

bool MemoryRoom::accept(Link& link) {
    if (!link.online || link.outgoing_.empty()) return false;
    Link::Out out = std::move(link.outgoing_.front());
    link.outgoing_.pop_front();
    RoomEvent e;
    e.page = out.page;
    e.number = out.number;
    // The same message twice is stored once (the server's deduplication by message id).
    const auto same = std::find_if(log_.begin(), log_.end(), [&](const Record& r) {
        return r.board == out.board && r.number == out.number;
    });
    const bool pageHasRecords = std::any_of(log_.begin(), log_.end(),
                                            [&](const Record& r) { return r.page == out.page; });
    if (same != log_.end()) {
        e.type = RoomEvent::Type::Stored;
        e.seq = same->seq;
    } else if (out.seed && pageHasRecords) {
        e.type = RoomEvent::Type::Refused;
    } else {
        const Seq seq = log_.size() + 1;
        log_.push_back(Record{out.page, seq, out.board, out.number, std::move(out.bytes)});
        e.type = RoomEvent::Type::Stored;
        e.seq = seq;
    }
    link.events_.push_back(std::move(e));
    return true;
}

bool MemoryRoom::deliver(Link& link) {
    if (!link.online) return false;
    while (link.next_ < log_.size()) {
        const Record& r = log_[link.next_++];
        const auto followed = link.delivered_.find(r.page);
        if (followed == link.delivered_.end() || r.seq <= followed->second) continue;
        followed->second = r.seq;
        std::string error;
        RoomEvent e;
        e.type = RoomEvent::Type::Record;
        e.page = r.page;
        e.seq = r.seq;
        e.change = decodeChange(r.bytes, error);
        link.events_.push_back(std::move(e));
        return true;
    }
    for (auto& [page, seq] : link.delivered_) {
        if (link.caughtUp_[page]) continue;
        link.caughtUp_[page] = true;
        RoomEvent e;
        e.type = RoomEvent::Type::CaughtUp;
        e.page = page;
        link.events_.push_back(std::move(e));
    }
    return false;
}

void MemoryRoom::shuffle(std::mt19937_64& rng, int steps) {
    for (int tries = 0; steps > 0 && tries < 4 * steps + 8; ++tries) {
        Link& link = *links_[rng() % links_.size()];
        if (rng() % 2 ? accept(link) : deliver(link)) --steps;
    }
}

void MemoryRoom::settle() {
    for (bool moved = true; moved;) {
        moved = false;
        for (auto& link : links_) {
            while (accept(*link)) moved = true;
        }
        for (auto& link : links_) {
            while (deliver(*link)) moved = true;
        }
    }
}
