#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "document/Drawing.h"
#include "document/PageHistories.h"
#include "share/QueuedRoomLink.h"
#include "share/ShareSession.h"

// The browser board: the desktop's drawing, history and share session, driven by the page's
// pointer events and carried to the room by the page's NATS transport (QueuedRoomLink).
// Coordinates come as the browser gives them: device pixels from the canvas's top left.
class WebBoard {
public:
    enum class Kind : int { Mouse = 0, Pen = 1, Touch = 2 };
    struct Status {
        bool connected = false;
        bool caughtUp = false;
        std::size_t waiting = 0;
    };

    // A board of room `room`, new to it: `board` and `tag` as ShareSession::Identity.
    WebBoard(const std::string& room, std::uint64_t board, std::uint32_t tag);
    ~WebBoard();

    // The canvas is `width` x `height` device pixels: the page fits it, centred.
    void setViewport(float width, float height);
    const View& view() const { return drawing_.view; }

    // One pointer's press, moves and release; with `erase` its press erases instead of
    // drawing. Each pointer draws its own stroke; a pointer cancelled keeps what it drew.
    // `timeMs` is the event's own time. A touch pressed while a pen is near or within half a
    // second after it was last seen is the writing hand's palm: it does nothing.
    void press(int pointer, Kind kind, bool erase, float x, float y, float pressure, double timeMs);
    void move(int pointer, float x, float y, float pressure);
    void release(int pointer, float x, float y);
    // A pen event of any kind (hovering too) at `timeMs`; `near` false when it left.
    void penSeen(bool near, double timeMs);
    bool undo();
    bool redo();
    bool canUndo() const { return histories_.canUndo(); }
    bool canRedo() const { return histories_.canRedo(); }
    void setColour(int paletteIndex);
    // Shows page `page` (0 and up), ending the gestures in progress first.
    void showPage(int page);
    int page() const { return session_.page(); }

    // Takes in what the room sent and sends what is ready. True when the page shown changed.
    bool pump();
    std::string pageText(int page);
    Status status() const;
    std::string takeNotice();
    // Changes whenever the finished strokes may have changed (for the renderer's cache).
    std::uint64_t sceneVersion() const { return scene_; }

    Drawing& drawing() { return drawing_; }
    share::QueuedRoomLink& link() { return link_; }

private:
    struct Hand {
        PointerKey key;
        bool erase = false;
        float x = 0.0f;
        float y = 0.0f;
    };
    PointerKey keyFor(int pointer, Kind kind) const;

    std::ostringstream log_;
    Drawing drawing_;
    PageHistories histories_;
    share::QueuedRoomLink link_;
    share::ShareSession session_;
    std::map<int, Hand> hands_;
    std::uint64_t scene_ = 0;
    bool penNear_ = false;
    double penSeenMs_ = -1e18;
    std::size_t logShown_ = 0;
};
