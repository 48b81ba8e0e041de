#pragma once

#include <optional>
#include <string>
#include <vector>

// An input script for the replay driver, one command per line ('#' starts a comment).
// Positions are window pixels with the origin at the top left, as the toolkit delivers them.
//
//   size W H                                 resize the window's client area
//   wait MS                                  run the event loop (and draw frames) for MS ms
//   mouse press|move|release X Y [left|right|middle|none]
//   tablet press|move|release X Y PRESSURE [pen|eraser]
//   touch press|move|release X Y [ID]
//   key TEXT | key Escape | key F1           a key with that text (case-sensitive)
//   grab FILE                                save the framebuffer as PNG (relative to the
//                                            working directory)
//   echo TEXT                                print TEXT on standard output
struct ReplayCommand {
    enum class Kind { Size, Wait, Mouse, Tablet, Touch, Key, Grab, Echo };
    enum class Phase { Press, Move, Release };
    Kind kind = Kind::Wait;
    Phase phase = Phase::Move;
    int x = 0, y = 0;       // size: w, h; wait: ms in x
    float pressure = 1.0f;  // tablet
    std::string device;     // mouse button, tablet pointer, touch id
    std::string text;       // key text, file name, echo text
    int line = 0;
};

struct ReplayScript {
    std::vector<ReplayCommand> commands;
    // Parses the whole text; on a bad line returns nullopt and sets error ("line N: ...").
    static std::optional<ReplayScript> parse(const std::string& text, std::string& error);
};
