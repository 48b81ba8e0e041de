#include "document/History.h"

void History::push(Command command) {
    redo_.clear();
    undo_.push_back(std::move(command));
    while (undo_.size() > maxCommands_) undo_.pop_front();
}

void History::undone() {
    if (undo_.empty()) return;
    redo_.push_back(std::move(undo_.back()));
    undo_.pop_back();
}

void History::redone() {
    if (redo_.empty()) return;
    undo_.push_back(std::move(redo_.back()));
    redo_.pop_back();
    while (undo_.size() > maxCommands_) undo_.pop_front();
}

void History::discardNextUndo() {
    if (!undo_.empty()) undo_.pop_back();
}

void History::discardNextRedo() {
    if (!redo_.empty()) redo_.pop_back();
}

bool History::dropOldest() {
    if (undo_.empty()) return false;
    undo_.pop_front();
    return true;
}

bool History::dropLastRedo() {
    if (redo_.empty()) return false;
    redo_.erase(redo_.begin());
    return true;
}

std::size_t History::bytes() const {
    std::size_t sum = 0;
    for (const Command& c : undo_) sum += c.bytes;
    for (const Command& c : redo_) sum += c.bytes;
    return sum;
}

void History::clear() {
    undo_.clear();
    redo_.clear();
}
