#include "share/ShareSession.h"

#include <algorithm>

#include "document/Command.h"
#include "document/Drawing.h"
#include "document/PageHistories.h"
#include "geometry/StdFallbacks.h"
#include "share/BoardStore.h"

namespace share {

namespace {

// Every this many pieces (about half a second at a piece a frame) a stroke in progress is
// sent whole, so a receiver that lost a piece recovers. Counted, not timed: the drawing
// thread reads no clock a frame for it.
constexpr std::uint32_t kInkRefreshPieces = 30;
// Another board's stroke in progress is dropped when nothing of it came for this long, and
// an ended one when its finished stroke has not come by then.
constexpr std::chrono::milliseconds kInkTimeout{2000};

// Two floats at a time: the hash only tells, in memory, whether a stroke is still as this
// board left it, and it runs for every stroke the board finishes.
std::uint64_t mix(std::uint64_t h, std::uint32_t lo, std::uint32_t hi) {
    h = (h ^ (std::uint64_t{hi} << 32 | lo)) * 0x9E3779B97F4A7C15ULL;
    return h ^ (h >> 29);
}

}  // namespace

std::uint64_t strokeHash(const std::vector<ControlPoint>& points, Rgb colour) {
    std::uint64_t h = mix(0xcbf29ce484222325ULL,
                          static_cast<std::uint32_t>(colour.r) | (std::uint32_t{colour.g} << 8) |
                              (std::uint32_t{colour.b} << 16),
                          static_cast<std::uint32_t>(points.size()));
    for (const ControlPoint& p : points) {
        h = mix(h, compat::bitCast<std::uint32_t>(p.x), compat::bitCast<std::uint32_t>(p.y));
        h = mix(h, compat::bitCast<std::uint32_t>(p.r), compat::bitCast<std::uint32_t>(p.a));
    }
    return h;
}

ShareSession::ShareSession(Drawing& drawing, PageHistories& histories, RoomLink& link,
                           Identity identity, std::ostream& log,
                           std::unique_ptr<PageFolder> folder, BoardStore* store, Clock clock)
    : drawing_(drawing),
      histories_(histories),
      link_(link),
      board_(identity.board),
      tag_(identity.tag),
      nextNumber_(identity.firstNumber),
      log_(log),
      folder_(std::move(folder)),
      store_(store),
      clock_(clock ? std::move(clock) : Clock([] { return std::chrono::steady_clock::now(); })) {
    drawing_.strokeIdStep = std::uint64_t{1} << kTagBits;
    drawing_.nextStrokeId = drawing_.strokeIdStep | tag_;
    histories_.journal = [this](const io::JournalEntry& entry) { recorded(entry); };
    histories_.mayToggle = [this](const Command& command) { return mayToggle(command); };
    histories_.onStrokeCut([this](io::StrokeId piece, io::StrokeId from) { cuts_[piece] = from; });
    if (!store_) return;
    for (auto& [page, state] : store_->takePages()) replicaFor(page).resetRoom(std::move(state));
    for (BoardStore::Waiting& w : store_->takeWaiting()) {
        replicaFor(w.page).restore(std::move(w.change), w.seed);
        // The room may have stored some of them before the board ended: they wait until
        // the page is caught up, when those have come back and left the list.
        held_.insert(w.page);
    }
}

ShareSession::~ShareSession() {
    histories_.journal = nullptr;
    histories_.mayToggle = nullptr;
    histories_.onStrokeCut(nullptr);
    drawing_.visitingInk.clear();
}

PageReplica& ShareSession::replicaFor(int page) {
    auto& slot = pages_[page];
    if (!slot) slot = std::make_unique<PageReplica>(board_, pageTextLimit);
    return *slot;
}

PageReplica* ShareSession::replica(int page) {
    const auto it = pages_.find(page);
    return it == pages_.end() ? nullptr : it->second.get();
}

void ShareSession::raiseNextId(io::StrokeId seen) {
    const std::uint64_t next = (((seen >> kTagBits) + 1) << kTagBits) | tag_;
    drawing_.nextStrokeId = std::max(drawing_.nextStrokeId, next);
}

void ShareSession::pageOpened(int page) {
    due_ = true;
    page_ = page;
    drawing_.visitingInk.clear();
    const bool known = pages_.contains(page);
    PageReplica& replica = replicaFor(page);
    if (known) {
        show(replica);
    } else {
        seed(replica, page);
    }
    if (!followed_.contains(page)) {
        followed_[page] = replica.room().seq();
        link_.follow(page, replica.room().seq());
    }
    sendReady();
    askMaterial();
}

void ShareSession::askMaterial() { askMaterial(drawing_.style.background); }

void ShareSession::askMaterial(const std::string& name) {
    if (!name.empty() && materialsAsked_.insert(name).second) link_.material(name);
}

void ShareSession::offerPages(int first, int end) {
    due_ = true;
    for (int page = first; page < end; ++page) {
        if (pages_.contains(page)) continue;
        std::optional<io::PageContent> content = folder_ ? folder_->read(page) : std::nullopt;
        if (!content) continue;
        io::Change change;
        change.kind = io::ChangeKind::Load;
        for (std::size_t i = 0; i < content->strokes.size(); ++i) {
            change.added.push_back(io::PlacedStroke{
                0, io::StrokeData{drawing_.nextStrokeId, std::move(content->strokes[i]), content->colours[i]}});
            drawing_.nextStrokeId += drawing_.strokeIdStep;
        }
        change.page = io::styleChanges({}, content->style);
        if (change.added.empty() && change.page.empty()) continue;
        offer(replicaFor(page), page, change);
        askMaterial(content->style.background);  // the others fetch it from the room
    }
    sendReady();
}

void ShareSession::seed(PageReplica& replica, int page) {
    // The page's file is this board's own page: it goes to the room with ids of the room,
    // taken only if the room's page has no record yet.
    io::Change change;
    change.kind = io::ChangeKind::Load;
    for (Stroke& s : drawing_.strokes) {
        s.id = drawing_.nextStrokeId;
        drawing_.nextStrokeId += drawing_.strokeIdStep;
        change.added.push_back(io::PlacedStroke{0, io::StrokeData{s.id, s.points, s.colour}});
    }
    change.page = io::styleChanges({}, drawing_.style);
    histories_.forgetPage(page);  // its commands name the file's ids
    offer(replica, page, change);
}

void ShareSession::offer(PageReplica& replica, int page, const io::Change& change) {
    if (change.added.empty() && change.page.empty()) return;
    const ShareChange& made = replica.local(change, nextNumber_++, nullptr, false, true);
    if (store_) store_->made(page, made, true);
}

void ShareSession::show(PageReplica& replica) {
    io::Change all;
    all.kind = io::ChangeKind::Load;
    io::PageStyle style;
    for (io::StrokeData& s : replica.showAll(&style)) {
        raiseNextId(s.id);
        all.added.push_back(io::PlacedStroke{0, std::move(s)});
    }
    all.page = io::styleChanges(drawing_.style, style);
    histories_.unrecorded([&] {
        drawing_.clear();
        std::optional<Command> command = commandFor(all, drawing_.view.zoom, drawing_.style);
        if (command) toggle(*command, drawing_, {});
    });
}

bool ShareSession::reconcile(PageReplica& replica) {
    const io::Change change = replica.reconcile(
        [this](io::StrokeId id) { return histories_.gestureTouches(id); });
    if (change.removed.empty() && change.added.empty() && change.page.empty()) return false;
    bool fits = true;
    histories_.unrecorded([&] {
        std::optional<Command> command = commandFor(change, drawing_.view.zoom, drawing_.style);
        fits = command && toggle(*command, drawing_, {});
    });
    for (const io::PlacedStroke& p : change.added) raiseNextId(p.stroke.id);
    if (!fits) {
        // The drawing no longer is what the board believes it shows: show the page whole.
        say("Page " + std::to_string(page_) + " was out of step with the room; it is shown again");
        show(replica);
    }
    return true;
}

void ShareSession::recorded(const io::JournalEntry& entry) {
    if (entry.type != io::EntryType::Do && entry.type != io::EntryType::Undo &&
        entry.type != io::EntryType::Redo) {
        return;
    }
    if (page_ < 0 ||
        (entry.change.removed.empty() && entry.change.added.empty() && entry.change.page.empty())) {
        return;
    }
    due_ = true;
    PageReplica& replica = replicaFor(page_);
    const auto originOf = [this](io::StrokeId id) -> io::StrokeId {
        const auto it = cuts_.find(id);
        if (it == cuts_.end()) return 0;
        const io::StrokeId from = it->second;
        cuts_.erase(it);
        return from;
    };
    const ShareChange& made =
        replica.local(entry.change, nextNumber_++, originOf, entry.type != io::EntryType::Do);
    if (store_) {
        // Encoded and written by a thread of the link's when one is awake.
        store_->made(page_, made, false, false);
        link_.wakeSoon([store = store_] { store->write(); });
    }
    cuts_.clear();
    // What an undo or redo of this command must find on the page: the strokes as it left
    // them.
    std::vector<Expected>& expected = expected_[entry.serial];
    expected.clear();
    for (const io::PlacedStroke& p : entry.change.added) {
        expected.push_back(Expected{p.stroke.id, strokeHash(p.stroke.points, p.stroke.colour), {}, {}});
    }
    for (const io::StrokeAt& r : entry.change.removed) {
        const bool stays = std::any_of(entry.change.added.begin(), entry.change.added.end(),
                                       [&](const io::PlacedStroke& p) { return p.stroke.id == r.id; });
        if (!stays) expected.push_back(Expected{r.id, std::nullopt, {}, {}});
    }
    for (const io::PageAttributeChange& a : entry.change.page) {
        expected.push_back(Expected{0, std::nullopt, a.name, a.after});
    }
    sendReady();
}

bool ShareSession::mayToggle(const Command& command) {
    const auto it = expected_.find(command.serial);
    if (it == expected_.end() || page_ < 0) return true;
    PageReplica& replica = replicaFor(page_);
    std::unordered_map<io::StrokeId, const Stroke*> onPage;
    for (const Expected& e : it->second) onPage.emplace(e.id, nullptr);
    for (const Stroke& s : drawing_.strokes) {
        const auto found = onPage.find(s.id);
        if (found != onPage.end()) found->second = &s;
    }
    for (const Expected& e : it->second) {
        bool asLeft = false;
        if (!e.attribute.empty()) {
            asLeft = io::styleAttribute(drawing_.style, e.attribute) == e.value &&
                     !replica.conflicted(e.attribute);
        } else {
            const Stroke* s = onPage[e.id];
            asLeft = (e.hash ? (s != nullptr && strokeHash(s->points, s->colour) == *e.hash)
                             : s == nullptr) &&
                     !replica.conflicted(e.id);
        }
        if (!asLeft) {
            say("Undo skipped: another board changed those strokes since");
            expected_.erase(it);
            return false;
        }
    }
    return true;
}

void ShareSession::sendReady() {
    for (auto& [page, replica] : pages_) {
        if (held_.contains(page)) continue;
        for (const PageReplica::Pending* p : replica->takeSendable()) {
            link_.send(page, p->change, p->seed);
        }
    }
}

bool ShareSession::pump() {
    bool changed = false;
    std::vector<RoomEvent> events = link_.poll();
    for (RoomEvent& e : events) handle(e, changed);
    // Nothing came, the board did nothing since the last pump and its page is shown as the
    // room has it: only its ink is left to do (a pump a frame, most of them while a stroke
    // is drawn).
    const PageReplica* shown = replica(page_);
    const bool due = std::exchange(due_, false) || !events.empty() || (shown != nullptr && !shown->settled());
    // A page being caught up (joining, or back after a while) is shown once it is: the
    // drawing does not follow its records one pump at a time on the way.
    if (due && page_ >= 0 && caughtUp(page_)) changed = reconcile(replicaFor(page_)) || changed;
    if (due) sendReady();
    sendInk();
    expireInk();
    if (due) {
        compactStore();
        askMaterial();
    }
    return changed;
}

std::vector<BoardStore::Waiting> ShareSession::waiting() const {
    std::vector<BoardStore::Waiting> out;
    for (const auto& [page, replica] : pages_) {
        for (const PageReplica::Pending& p : replica->pending()) out.push_back({page, p.change, p.seed});
    }
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) {
        return a.change.number < b.change.number;
    });
    return out;
}

void ShareSession::compactStore() {
    // The file grows by every change; rewritten when most of it no longer waits, between
    // strokes (a rewrite waits for the disk).
    if (!store_ || !drawing_.strokesInProgress().empty()) return;
    std::size_t live = 0;
    for (const auto& [page, replica] : pages_) live += replica->pending().size();
    if (store_->written() < 64 + 2 * live) return;
    store_->rewriteWaiting(waiting(), nextNumber_);
}

void ShareSession::handle(RoomEvent& e, bool& drawingChanged) {
    switch (e.type) {
        case RoomEvent::Type::Record: {
            if (!e.change) return;
            PageReplica& replica = replicaFor(e.page);
            bool tooLarge = false;
            if (!replica.receive(*e.change, e.seq, &tooLarge)) return;
            if (tooLarge) passedOver(e.page, *e.change);
            // The finished stroke is here: the board's stroke in progress goes.
            if (e.page == page_ && e.change->board != board_ && !drawing_.visitingInk.empty()) {
                std::erase_if(visiting_, [&](auto& v) {
                    if (v.first.first != e.change->board || !v.second.ended) return false;
                    std::erase_if(drawing_.visitingInk,
                                  [&](const auto& s) { return s.get() == v.second.stroke; });
                    drawingChanged = true;
                    return true;
                });
            }
            if (++recordsSinceSnapshot_[e.page] >= snapshotEvery && e.change->board == board_) {
                recordsSinceSnapshot_[e.page] = 0;
                link_.sendSnapshot(e.page, replica.room());
            }
            return;
        }
        case RoomEvent::Type::Snapshot:
            if (e.snapshot) {
                replicaFor(e.page).resetRoom(std::move(*e.snapshot));
                recordsSinceSnapshot_[e.page] = 0;
            }
            return;
        case RoomEvent::Type::Stored:
            replicaFor(e.page).stored(e.number, e.seq);
            return;
        case RoomEvent::Type::Refused: {
            PageReplica& replica = replicaFor(e.page);
            for (const PageReplica::Pending& p : replica.pending()) {
                if (p.change.number != e.number || !p.seed) continue;
                io::PageContent content;
                for (const StrokeOp& op : p.change.ops) {
                    content.strokes.push_back(op.stroke.points);
                    content.colours.push_back(op.stroke.colour);
                }
                for (const AttributeOp& a : p.change.page) io::setStyleAttribute(content.style, a.name, a.value);
                refusedSeeds_[e.page] = textOf(content);
            }
            replica.refused(e.number);
            // A page offered but never followed: nothing more of it will come to wait for.
            if (caughtUp_[e.page] || !followed_.contains(e.page)) keepRescue(e.page);
            return;
        }
        case RoomEvent::Type::CaughtUp: {
            const bool first = !caughtUp_[e.page];
            caughtUp_[e.page] = true;
            held_.erase(e.page);
            keepRescue(e.page);
            // What the board shows when it starts next without a server.
            if (first) persist();
            return;
        }
        case RoomEvent::Type::Ink:
            if (e.ink && e.page == page_ && e.ink->board != board_) {
                takeInk(*e.ink);
                drawingChanged = true;
            }
            return;
        case RoomEvent::Type::State:
            state_ = e.state;
            return;
        case RoomEvent::Type::Problem:
            say(e.text);
            return;
    }
}

bool ShareSession::caughtUp(int page) const {
    const auto it = caughtUp_.find(page);
    return it != caughtUp_.end() && it->second;
}

void ShareSession::keepRescue(int page) {
    const auto it = refusedSeeds_.find(page);
    if (it == refusedSeeds_.end()) return;
    const std::string text = std::move(it->second);
    refusedSeeds_.erase(it);
    PageReplica& replica = replicaFor(page);
    if (text == replica.room().pageText()) return;  // the room holds the same page
    keepAside(page, text, "the room has its own page; this board's", "is");
}

void ShareSession::passedOver(int page, const ShareChange& change) {
    const std::string head = "Page " + std::to_string(page) + ": ";
    if (change.board != board_) {
        say(head + "a change from another board was left out: the page would be larger than a page file may hold");
        return;
    }
    // Every board passes it over; this board's strokes of it go to a page of their own.
    io::PageContent content;
    for (const StrokeOp& op : change.ops) {
        if (!op.present) continue;
        content.strokes.push_back(op.stroke.points);
        content.colours.push_back(op.stroke.colour);
    }
    if (content.strokes.empty()) {
        say(head + "a change of this board was left out: the page would be larger than a page file may hold");
        return;
    }
    keepAside(page, textOf(content), "the page is full (a page file holds no more); this board's new strokes", "are");
}

void ShareSession::keepAside(int page, const std::string& text, const std::string& what,
                             const char* verb) {
    const std::string head = "Page " + std::to_string(page) + ": " + what;
    const std::string name = folder_ ? folder_->keepRescue(page, text) : "";
    if (name.empty()) {
        say(head + " could not be kept");
        return;
    }
    say(head + " " + verb + " kept as " + name);
}

void ShareSession::sendInk() {
    if (page_ < 0 || (drawing_.strokesInProgress().empty() && inkOut_.empty())) return;
    const std::uint64_t pass = ++inkPass_;
    for (const StrokeInProgress& s : drawing_.strokesInProgress()) {
        if (!s.stroke) continue;
        const std::uint64_t pointer = (static_cast<std::uint64_t>(s.pointer.device) << 56) ^
                                      static_cast<std::uint64_t>(s.pointer.contact);
        auto found = std::find_if(inkOut_.begin(), inkOut_.end(),
                                  [&](const auto& entry) { return entry.first == pointer; });
        if (found == inkOut_.end()) found = inkOut_.insert(found, {pointer, InkOut{nextInkKey_++, 0, 0, pass}});
        InkOut& out = found->second;
        out.pass = pass;
        const auto& points = s.stroke->points;
        // Kept from frame to frame: its points' room is allocated once.
        LiveInk& ink = inkPiece_;
        ink.board = board_;
        ink.stroke = out.key;
        ink.colour = s.stroke->colour;
        const bool refresh = out.pieces++ % kInkRefreshPieces == 0;
        ink.from = refresh ? 0 : std::min<std::uint32_t>(out.stable, static_cast<std::uint32_t>(points.size()));
        ink.points.assign(points.begin() + ink.from, points.end());
        out.stable = static_cast<std::uint32_t>(std::max(0, s.firstUnsimplified));
        link_.sendInk(page_, ink);
    }
    std::erase_if(inkOut_, [&](const auto& entry) {
        if (entry.second.pass == pass) return false;
        LiveInk ended;
        ended.board = board_;
        ended.stroke = entry.second.key;
        ended.ended = true;
        link_.sendInk(page_, ended);
        return true;
    });
}

void ShareSession::takeInk(const LiveInk& ink) {
    Visiting& v = visiting_[{ink.board, ink.stroke}];
    v.seen = clock_();
    if (ink.ended) {
        v.ended = true;
        return;
    }
    if (v.stroke == nullptr) {
        drawing_.visitingInk.push_back(std::make_unique<Stroke>());
        v.stroke = drawing_.visitingInk.back().get();
    }
    Stroke& s = *v.stroke;
    if (ink.from > s.points.size()) return;  // a piece was lost: wait for the whole stroke
    s.points.resize(ink.from);
    s.points.insert(s.points.end(), ink.points.begin(), ink.points.end());
    s.colour = ink.colour;
    s.invalidateDerived();
    s.recomputeBounds();
    s.resetRibLists();
    s.buildAllRibs(drawing_.view.zoom);
    s.buildOutline(drawing_.view.zoom);
}

void ShareSession::expireInk() {
    if (visiting_.empty()) return;
    const auto now = clock_();
    std::erase_if(visiting_, [&](auto& v) {
        if (now - v.second.seen < kInkTimeout) return false;
        std::erase_if(drawing_.visitingInk, [&](const auto& s) { return s.get() == v.second.stroke; });
        return true;
    });
}

std::string ShareSession::shownText(int page) {
    PageReplica* r = replica(page);
    return r ? r->shownText() : io::formatPage({});
}

ShareSession::Status ShareSession::status() const {
    Status s;
    s.state = state_;
    for (const auto& [page, replica] : pages_) {
        for (const PageReplica::Pending& p : replica->pending()) s.waiting += p.stored == 0 ? 1 : 0;
    }
    return s;
}

void ShareSession::persist() {
    if (!store_) return;
    std::map<int, const PageState*> rooms;
    for (const auto& [page, replica] : pages_) rooms[page] = &replica->room();
    store_->keep(rooms, waiting(), nextNumber_);
}

void ShareSession::say(const std::string& line) {
    notice_ = line;
    log_ << line << "\n";
}

}  // namespace share
