#include "document/CommandRecorder.h"

#include <algorithm>

void CommandRecorder::begin(GestureKey key, io::ChangeKind kind) {
    if (!byKey_.contains(key)) {
        auto open = std::make_unique<Open>();
        open->kind = kind;
        open->keys.push_back(key);
        byKey_[key] = open.get();
        open_.push_back(std::move(open));
    }
    active_ = key;
}

void CommandRecorder::setKind(GestureKey key, io::ChangeKind kind) {
    const auto it = byKey_.find(key);
    if (it == byKey_.end()) return;
    Open& open = *it->second;
    open.kind = open.keys.size() > 1 ? io::ChangeKind::Several : kind;
}

void CommandRecorder::activate(GestureKey key) {
    if (byKey_.contains(key)) {
        active_ = key;
    } else {
        active_.reset();
    }
}

std::optional<Command> CommandRecorder::end(GestureKey key) {
    const auto it = byKey_.find(key);
    if (it == byKey_.end()) return std::nullopt;
    Open& open = *it->second;
    byKey_.erase(it);
    std::erase(open.keys, key);
    if (active_ == key) active_.reset();
    if (!open.keys.empty()) return std::nullopt;
    return finish(open);
}

std::optional<Command> CommandRecorder::closeLoose() { return end(kLoose); }

std::vector<CommandRecorder::GestureKey> CommandRecorder::openKeys() const {
    std::vector<GestureKey> keys;
    for (const auto& open : open_) keys.insert(keys.end(), open->keys.begin(), open->keys.end());
    return keys;
}

bool CommandRecorder::touchesOpen(const Command& command) const {
    for (const auto& s : command.held) {
        if (owner_.contains(s->id)) return true;
    }
    for (const io::StrokeId id : command.shown) {
        if (owner_.contains(id)) return true;
    }
    return false;
}

PendingIds CommandRecorder::pending(std::optional<GestureKey> except) const {
    const Open* skip = nullptr;
    if (except) {
        const auto it = byKey_.find(*except);
        if (it != byKey_.end()) skip = it->second;
    }
    PendingIds ids;
    for (const auto& open : open_) {
        if (open.get() == skip) continue;
        for (const auto& [id, touch] : open->touched) {
            if (touch == Touch::New) ids.added.push_back(id);
            if (touch == Touch::Removed) ids.removed.push_back(id);
        }
    }
    std::sort(ids.added.begin(), ids.added.end());
    std::sort(ids.removed.begin(), ids.removed.end());
    return ids;
}

CommandRecorder::Open& CommandRecorder::active() {
    if (!active_ || !byKey_.contains(*active_)) begin(kLoose, io::ChangeKind::Several);
    return *byKey_.at(*active_);
}

CommandRecorder::Open& CommandRecorder::recordingFor(io::StrokeId id) {
    Open& open = active();
    const auto it = owner_.find(id);
    if (it != owner_.end() && it->second != &open) merge(open, *it->second);
    return open;
}

void CommandRecorder::merge(Open& into, Open& from) {
    into.kind = io::ChangeKind::Several;
    for (const GestureKey key : from.keys) {
        into.keys.push_back(key);
        byKey_[key] = &into;
    }
    // Touched sets of two open commands are disjoint: the first shared stroke merges them.
    for (const auto& [id, touch] : from.touched) {
        into.touched.emplace(id, touch);
        owner_[id] = &into;
    }
    for (auto& s : from.held) into.held.push_back(std::move(s));
    if (!into.index) into.index = std::move(from.index);
    if (!into.style) into.style = std::move(from.style);
    std::erase_if(open_, [&](const auto& o) { return o.get() == &from; });
}

void CommandRecorder::strokeAdded(const Stroke& stroke) {
    Open& open = recordingFor(stroke.id);
    open.touched[stroke.id] = Touch::New;
    owner_[stroke.id] = &open;
}

void CommandRecorder::strokeChanging(const Stroke& stroke) {
    Open& open = recordingFor(stroke.id);
    if (open.touched.contains(stroke.id)) return;  // its before version is kept already
    open.touched[stroke.id] = Touch::Changed;
    owner_[stroke.id] = &open;
    open.held.push_back(std::make_unique<Stroke>(stroke));
}

void CommandRecorder::strokeRemoved(std::unique_ptr<Stroke> stroke) {
    const io::StrokeId id = stroke->id;
    Open& open = recordingFor(id);
    const auto it = open.touched.find(id);
    if (it == open.touched.end()) {
        open.touched[id] = Touch::Removed;
        owner_[id] = &open;
        open.held.push_back(std::move(stroke));
    } else if (it->second == Touch::Changed) {
        it->second = Touch::Removed;  // the before version is held; this one goes
    } else if (it->second == Touch::New) {
        // Drawn and removed within the command: it never was on the page around it.
        open.touched.erase(it);
        owner_.erase(id);
    }
}

void CommandRecorder::indexSetAside(std::unique_ptr<QuadTree> index) {
    active().index = std::move(index);
}

void CommandRecorder::styleChanging(const io::PageStyle& before) {
    Open& open = active();
    if (!open.style) open.style = before;  // the first before version is the command's
}

std::optional<Command> CommandRecorder::finish(Open& open) {
    Command command;
    command.kind = open.kind;
    command.style = std::move(open.style);
    // A stroke drawn and removed within the command, or one changed before it was removed
    // (held as a copy), is in the index but not held: such an index cannot come back.
    if (open.index && open.index->strokeCount() == open.held.size() &&
        std::all_of(open.held.begin(), open.held.end(),
                    [&](const auto& s) { return open.index->holds(*s); })) {
        command.index = std::move(open.index);
    }
    command.held = std::move(open.held);
    std::sort(command.held.begin(), command.held.end(),
              [](const auto& a, const auto& b) { return a->id < b->id; });
    for (const auto& [id, touch] : open.touched) {
        owner_.erase(id);
        if (touch != Touch::Removed) command.shown.push_back(id);
    }
    std::sort(command.shown.begin(), command.shown.end());
    std::erase_if(open_, [&](const auto& o) { return o.get() == &open; });
    if (command.empty()) return std::nullopt;
    command.measure();
    return command;
}
