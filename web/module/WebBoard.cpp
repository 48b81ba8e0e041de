#include "WebBoard.h"

#include <algorithm>

#include "brush/Palette.h"

namespace {

// The page fills this share of the canvas's shorter side.
constexpr float kPageFill = 0.96f;
// Touches are a palm this long after the pen was last seen, and while it hovers, until it
// has sent nothing for kPenGoneMs (a pen that left without saying so).
constexpr double kPalmMs = 500.0;
constexpr double kPenGoneMs = 1000.0;

std::uint64_t gestureKey(PointerKey key) {
    return (static_cast<std::uint64_t>(key.device) << 56) ^ static_cast<std::uint64_t>(key.contact);
}

}  // namespace

WebBoard::WebBoard(const std::string& room, std::uint64_t board, std::uint32_t tag)
    : drawing_(log_, Drawing::Blank{}),
      histories_(drawing_),
      link_(room),
      session_(drawing_, histories_, link_, {board, tag, 1}, log_, std::unique_ptr<share::PageFolder>{}) {
    session_.pageOpened(0);
}

WebBoard::~WebBoard() = default;

void WebBoard::setViewport(float width, float height) {
    View& v = drawing_.view;
    v.viewWidth = std::max(width, 1.0f);
    v.viewHeight = std::max(height, 1.0f);
    v.rotation = 0.0f;
    v.zoom = std::clamp(kPageFill * std::min(v.viewWidth, v.viewHeight) / Drawing::kCanvasSize,
                        View::kMinZoom, View::kMaxZoom);
    v.anchor({Drawing::kCanvasSize / 2.0f, Drawing::kCanvasSize / 2.0f},
             {v.viewWidth / 2.0f, v.viewHeight / 2.0f});
    drawing_.refreshVisibleStrokes();
    ++scene_;
}

PointerKey WebBoard::keyFor(int pointer, Kind kind) const {
    switch (kind) {
        case Kind::Mouse:
            return PointerKey::mouse();
        case Kind::Pen:
            return PointerKey{PointerKey::Device::Pen, pointer};
        case Kind::Touch:
            break;
    }
    return PointerKey::touch(pointer);
}

void WebBoard::penSeen(bool near, double timeMs) {
    penNear_ = near;
    penSeenMs_ = timeMs;
}

void WebBoard::press(int pointer, Kind kind, bool erase, float x, float y, float pressure, double timeMs) {
    if (kind == Kind::Pen) penSeen(true, timeMs);
    const double sincePen = timeMs - penSeenMs_;
    if (kind == Kind::Touch && (sincePen < kPalmMs || (penNear_ && sincePen < kPenGoneMs))) return;
    if (hands_.contains(pointer)) release(pointer, hands_[pointer].x, hands_[pointer].y);
    const PointerKey key = keyFor(pointer, kind);
    // The drawing's coordinates are y-up.
    const float up = drawing_.view.viewHeight - y;
    hands_[pointer] = Hand{key, erase, x, up};
    histories_.beginGesture(gestureKey(key), erase ? io::ChangeKind::Erase : io::ChangeKind::Draw);
    drawing_.pointerMoved(x, up, key);
    if (erase) {
        drawing_.eraseAt(x, up, pressure, key);
        ++scene_;
    } else {
        drawing_.beginStroke(x, up, pressure, key);
    }
}

void WebBoard::move(int pointer, float x, float y, float pressure) {
    const auto it = hands_.find(pointer);
    if (it == hands_.end()) return;
    Hand& h = it->second;
    const float up = drawing_.view.viewHeight - y;
    histories_.activate(gestureKey(h.key));
    drawing_.pointerMoved(x, up, h.key);
    if (h.erase) {
        drawing_.eraseAlong(h.x, h.y, x, up, pressure, h.key);
        ++scene_;
    } else {
        drawing_.extendStroke(x, up, x - h.x, up - h.y, pressure, h.key);
    }
    h.x = x;
    h.y = up;
}

void WebBoard::release(int pointer, float x, float y) {
    const auto it = hands_.find(pointer);
    if (it == hands_.end()) return;
    const Hand h = it->second;
    hands_.erase(it);
    const float up = drawing_.view.viewHeight - y;
    histories_.activate(gestureKey(h.key));
    if (h.erase) {
        if (x != h.x || up != h.y) drawing_.eraseAlong(h.x, h.y, x, up, 1.0f, h.key);
    } else {
        // A press that never moved leaves a dot, as on the desktop board.
        drawing_.endStroke(x, up, h.key);
    }
    histories_.endGesture(gestureKey(h.key));
    ++scene_;
}

bool WebBoard::undo() {
    ++scene_;
    return histories_.undo();
}

bool WebBoard::redo() {
    ++scene_;
    return histories_.redo();
}

void WebBoard::setColour(int paletteIndex) {
    if (paletteIndex < 0 || paletteIndex >= static_cast<int>(kPalette.size())) return;
    drawing_.brush.colour = kPalette[static_cast<std::size_t>(paletteIndex)];
}

void WebBoard::showPage(int page) {
    if (page < 0 || page == session_.page()) return;
    // Strokes being drawn end on the page they began on.
    while (!hands_.empty()) {
        const auto& [pointer, hand] = *hands_.begin();
        release(pointer, hand.x, drawing_.view.viewHeight - hand.y);
    }
    histories_.setPage(page);
    // The board keeps no page files: a page opens empty and shows the room's.
    histories_.unrecorded([&] {
        drawing_.clear();
        drawing_.setStyle({});
    });
    session_.pageOpened(page);
    drawing_.refreshVisibleStrokes();
    ++scene_;
}

bool WebBoard::pump() {
    const bool changed = session_.pump();
    if (changed) ++scene_;
    return changed;
}

std::string WebBoard::pageText(int page) { return session_.shownText(page); }

WebBoard::Status WebBoard::status() const {
    const share::ShareSession::Status s = session_.status();
    return Status{s.state == share::LinkState::Connected, session_.caughtUp(session_.page()), s.waiting};
}

std::string WebBoard::takeNotice() {
    // Lines the session printed since the last call (its notice keeps only the latest).
    if (static_cast<std::size_t>(log_.tellp()) == logShown_) return {};
    const std::string all = log_.str();
    std::string fresh = all.substr(std::min(logShown_, all.size()));
    logShown_ = all.size();
    return fresh;
}
