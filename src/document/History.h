#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "document/Command.h"

// One page's undo and redo lists. Holds commands only; the caller toggles them on the
// drawing and then tells the history which way one went.
class History {
public:
    static constexpr std::size_t kMaxCommands = 1000;

    explicit History(std::size_t maxCommands = kMaxCommands) : maxCommands_(maxCommands) {}

    // A done command becomes the newest to undo. The redo branch is dropped, and the oldest
    // command once there are more than the limit.
    void push(Command command);
    // The command undo or redo would toggle, or nullptr.
    Command* nextUndo() { return undo_.empty() ? nullptr : &undo_.back(); }
    Command* nextRedo() { return redo_.empty() ? nullptr : &redo_.back(); }
    // nextUndo() (nextRedo()) was toggled: it moves to the other list.
    void undone();
    void redone();

    // Drops nextUndo() (nextRedo()) without toggling it.
    void discardNextUndo();
    void discardNextRedo();
    // Frees the oldest command to undo; false when there is none.
    bool dropOldest();
    // Frees the command that would be redone last; false when there is none.
    bool dropLastRedo();
    // Serial of the oldest command to undo (0: none).
    std::uint64_t oldestSerial() const { return undo_.empty() ? 0 : undo_.front().serial; }

    std::size_t undoCount() const { return undo_.size(); }
    std::size_t redoCount() const { return redo_.size(); }
    std::size_t bytes() const;
    void clear();

private:
    std::size_t maxCommands_;
    std::deque<Command> undo_;   // oldest first
    std::vector<Command> redo_;  // the next to redo last
};
