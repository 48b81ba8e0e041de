#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "geometry/PointerKey.h"
#include "io/JournalFormat.h"
#include "share/PageFolder.h"
#include "share/PageReplica.h"
#include "share/RoomLink.h"

class Drawing;
class PageHistories;
class Stroke;
struct Command;

namespace share {

class BoardStore;
struct StoreWaiting;

// Bits of a shared board's stroke ids that name the board: ids are counted in steps of
// 2^kTagBits with the board's tag below, so no two boards of a room give the same id.
inline constexpr int kTagBits = 20;

// A board in a room, on the drawing thread: the room's pages as this board holds them, its
// changes on their way, the other boards' strokes in progress. Installs itself in the
// page histories (every finished change, undo and redo is sent; an undo that would overwrite
// another board's later change is refused) and gives the drawing room-wide stroke ids.
//
// The drawing changes only in pump() (and pageOpened), between input events: never under a
// gesture, and a stroke a gesture in progress holds is brought up to date when it ends.
class ShareSession {
public:
    struct Identity {
        BoardId board = 0;
        std::uint32_t tag = 0;          // 1 .. 2^kTagBits - 1, unique in the room
        std::uint64_t firstNumber = 1;  // above every change number the board used before
    };
    struct Status {
        LinkState state = LinkState::Connecting;
        std::size_t waiting = 0;  // changes the room has not stored yet
    };
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // `store` (may be null) keeps the room's pages and the changes on their way in the
    // folder. Diagnostics go to `log`. `folder` (may be null: a board without files) holds
    // the board's own pages.
    ShareSession(Drawing& drawing, PageHistories& histories, RoomLink& link, Identity identity,
                 std::ostream& log, std::unique_ptr<PageFolder> folder,
                 BoardStore* store = nullptr, Clock clock = nullptr);
    // A board whose own pages are the lesson folder's files, page n's named pageFile(n).
    ShareSession(Drawing& drawing, PageHistories& histories, RoomLink& link, Identity identity,
                 std::ostream& log, std::function<std::string(int)> pageFile,
                 BoardStore* store = nullptr, Clock clock = nullptr);
    ~ShareSession();
    ShareSession(const ShareSession&) = delete;
    ShareSession& operator=(const ShareSession&) = delete;

    // The drawing has just loaded page `page` from its file (and the history is on it): it
    // shows the room's page instead. A page this board never held in the room offers its
    // file as the room's page (a seed: taken only while the room's page is empty).
    void pageOpened(int page);
    // Pages [first, end) were just written to the folder (material brought in): each this
    // board does not hold yet goes to the room as a seed at once, so that the other boards
    // find it when they turn to it; one the room has already is kept as a rescue.
    void offerPages(int first, int end);
    // Takes in what the room sent, brings the drawing up to date, sends what is ready.
    // True when the drawing changed.
    bool pump();
    // Puts what the board holds of the room in its folder store (at a page flip, a save,
    // the end of a run).
    void persist();

    Status status() const;
    int page() const { return page_; }
    // The page as the room and this board's pending changes make it ("S"'s text).
    std::string shownText(int page);
    PageReplica* replica(int page);
    // The room has delivered every record the page had when the board followed it.
    bool caughtUp(int page) const;
    // A board sends a snapshot of a page after about this many of the page's records, so
    // that a board joining later replays at most about this many.
    std::uint64_t snapshotEvery = 1000;
    // The room's page text limit (PageState::textLimit): the same on every board of a room,
    // lowered by tests only. Set before the first page is opened.
    std::uint64_t pageTextLimit = kMaxPageTextBytes;
    // A line the user should see (an undo refused, a rescue kept), until the next one.
    const std::string& notice() const { return notice_; }

private:
    struct Expected {
        io::StrokeId id = 0;
        std::optional<std::uint64_t> hash;  // none: the stroke is not on the page
        std::string attribute;  // not empty: the page's attribute is to have `value`
        std::string value;
    };
    struct Visiting {
        Stroke* stroke = nullptr;  // in the drawing's visitingInk
        std::chrono::steady_clock::time_point seen{};
        bool ended = false;
    };
    struct InkOut {
        std::uint64_t key = 0;
        std::uint32_t stable = 0;  // points the last message left final
        std::uint32_t pieces = 0;  // sent so far
        std::uint64_t pass = 0;  // the last sendInk() that found the stroke in progress
    };

    PageReplica& replicaFor(int page);
    void recorded(const io::JournalEntry& entry);
    bool mayToggle(const Command& command);
    void handle(RoomEvent& event, bool& drawingChanged);
    void seed(PageReplica& replica, int page);
    void offer(PageReplica& replica, int page, const io::Change& change);
    void show(PageReplica& replica);
    bool reconcile(PageReplica& replica);
    void raiseNextId(io::StrokeId seen);
    void sendReady();
    void sendInk();
    void takeInk(const LiveInk& ink);
    void expireInk();
    void keepRescue(int page);
    void askMaterial();
    void askMaterial(const std::string& name);
    // Keeps `text` beside page `page`'s file as a numbered rescue page, saying so: "`what`
    // `verb` kept as NAME".
    void keepAside(int page, const std::string& text, const std::string& what, const char* verb);
    void passedOver(int page, const ShareChange& change);
    void say(const std::string& line);
    std::vector<StoreWaiting> waiting() const;
    void compactStore();

    Drawing& drawing_;
    PageHistories& histories_;
    RoomLink& link_;
    const BoardId board_;
    const std::uint32_t tag_;
    std::uint64_t nextNumber_;
    std::ostream& log_;
    std::unique_ptr<PageFolder> folder_;
    BoardStore* store_;
    Clock clock_;

    int page_ = -1;
    std::map<int, std::unique_ptr<PageReplica>> pages_;
    std::map<int, Seq> followed_;
    std::map<int, std::uint64_t> recordsSinceSnapshot_;
    // Seeds the room refused, by page: their text, kept aside once the page is caught up.
    std::map<int, std::string> refusedSeeds_;
    std::map<int, bool> caughtUp_;
    std::set<int> held_;  // pages whose changes wait for the page to be caught up
    std::unordered_map<io::StrokeId, io::StrokeId> cuts_;  // piece -> the stroke it was cut from
    std::unordered_map<std::uint64_t, std::vector<Expected>> expected_;  // by command serial
    LinkState state_ = LinkState::Connecting;
    std::string notice_;
    std::set<std::string> materialsAsked_;  // each once a run: the link keeps trying

    std::vector<std::pair<std::uint64_t, InkOut>> inkOut_;  // by pointer, one per hand drawing
    LiveInk inkPiece_;  // the piece sendInk() is building
    std::map<std::pair<BoardId, std::uint64_t>, Visiting> visiting_;
    std::uint64_t nextInkKey_ = 1;
    std::uint64_t inkPass_ = 0;
    bool due_ = true;  // the board changed something since the last pump
};

// A 64-bit hash of what a page file keeps of a stroke: its points' bits and its colour.
// Kept in memory only (an undo's check that its strokes are as it left them).
std::uint64_t strokeHash(const std::vector<ControlPoint>& points, Rgb colour);

}  // namespace share
