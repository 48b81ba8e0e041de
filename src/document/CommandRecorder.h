#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "document/ChangeSink.h"
#include "document/Command.h"
#include "document/QuadTree.h"

// Collects the drawing's changes into one command per gesture, from its press to its
// release, so a gesture is never split across commands.
//
// Several gestures can be open at once (one per touch contact); the drawing's reports go
// to the active one. Gestures that touch each other's strokes are merged into one command
// that closes when the last of them ends: when contact A's eraser cuts a stroke in two and
// contact B's eraser then cuts one of the pieces, neither change can be undone without the
// other, so they become one command. Gestures on different strokes stay separate commands,
// in the order they end.
//
// Changes reported while no gesture is active go to an open command of their own, which
// closeLoose() ends.
class CommandRecorder : public ChangeSink {
public:
    using GestureKey = std::uint64_t;

    // Opens the gesture (an open key is kept) and makes it the active one.
    void begin(GestureKey key, io::ChangeKind kind);
    // The kind a gesture turned out to be (a handle drag decides after a few pixels).
    void setKind(GestureKey key, io::ChangeKind kind);
    // Changes reported from now on belong to this open gesture. An unknown key activates
    // nothing: later changes are loose.
    void activate(GestureKey key);
    // Ends the gesture. Returns its command when this was the last open gesture of it and it
    // changed anything; the command is done, its versions sorted.
    std::optional<Command> end(GestureKey key);
    // Ends the changes made with no gesture active.
    std::optional<Command> closeLoose();
    // Keys of the open gestures, the earliest opened command's first.
    std::vector<GestureKey> openKeys() const;

    bool isOpen(GestureKey key) const { return byKey_.contains(key); }
    // Whether an open gesture has added, changed or removed the stroke.
    bool touching(io::StrokeId id) const { return owner_.contains(id); }
    bool anyOpen() const { return !open_.empty(); }
    // Whether an open gesture has changed a stroke yet (a stroke still being drawn has not).
    bool anyOpenChange() const { return !owner_.empty(); }
    // Whether an open gesture has touched a stroke the command names.
    bool touchesOpen(const Command& command) const;
    // Strokes open gestures have added or removed, except those of `key`'s command.
    PendingIds pending(std::optional<GestureKey> except = std::nullopt) const;

    // ChangeSink
    void strokeAdded(const Stroke& stroke) override;
    void strokeChanging(const Stroke& stroke) override;
    void strokeRemoved(std::unique_ptr<Stroke> stroke) override;
    void indexSetAside(std::unique_ptr<QuadTree> index) override;
    void strokeCut(std::uint64_t piece, std::uint64_t from) override {
        if (cut) cut(piece, from);
    }
    // Told of every piece the eraser cuts (see ChangeSink::strokeCut).
    std::function<void(io::StrokeId piece, io::StrokeId from)> cut;

private:
    enum class Touch : std::uint8_t { New, Changed, Removed };
    struct Open {
        io::ChangeKind kind = io::ChangeKind::Draw;
        std::vector<GestureKey> keys;
        std::unordered_map<io::StrokeId, Touch> touched;
        std::vector<std::unique_ptr<Stroke>> held;  // before versions, in no order
        // An index set aside with removed strokes; the command keeps it when it indexes
        // exactly the strokes the command holds.
        std::unique_ptr<QuadTree> index;
    };
    static constexpr GestureKey kLoose = ~GestureKey{0};

    // The command the active gesture records into, merged with the one that already
    // touched `id` when that is another.
    Open& recordingFor(io::StrokeId id);
    Open& active();
    void merge(Open& into, Open& from);
    std::optional<Command> finish(Open& open);

    std::vector<std::unique_ptr<Open>> open_;
    std::unordered_map<GestureKey, Open*> byKey_;
    std::unordered_map<io::StrokeId, Open*> owner_;  // strokes open commands touched
    std::optional<GestureKey> active_;
};
