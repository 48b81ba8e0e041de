#pragma once

#include <optional>
#include <string>
#include <vector>

// An input script for the replay driver, one command per line ('#' starts a comment).
// Positions are window pixels with the origin at the top left, as the toolkit delivers them.
//
//   size W H                                 resize the window's client area
//   wait MS                                  run the event loop (and draw frames) for MS ms
//   wait export                              the same until the export in the background
//                                            has ended (fails after a minute)
//   wait room                                the same until the room stored every change
//                                            of this board and it shows the room's page
//   wait strokes N                           the same until the page holds N strokes or more
//   mouse press|move|release X Y [left|right|middle|none]
//   tablet press|move|release X Y PRESSURE [pen|eraser]
//   tablet enter|leave                       the pen comes into or leaves the tablet's
//                                            proximity (sent to the application)
//   touch press|move|release X Y [ID]        one contact (id 0 unless given) changes
//   touches ID press|move|release X Y [, ID press|move|release X Y ...]
//                                            several contacts change in one touch event
//   touch cancel                             the system cancels the touch: every contact
//                                            ends (later contacts take fresh ids)
//   key TEXT | key Escape | key F1           a key with that text (case-sensitive)
//   key Ctrl+L | key Ctrl+Shift+L            letter L with Ctrl (and Shift) held
//   grab FILE                                save the framebuffer as PNG (relative to the
//                                            working directory)
//   echo TEXT                                print TEXT on standard output
// Every touch event lists the other contacts still down as stationary, as the system does.
struct ReplayCommand {
    enum class Kind { Size, Wait, Mouse, Tablet, Proximity, Touch, TouchCancel, Key, Grab, Echo };
    enum class Phase { Press, Move, Release };
    struct TouchPoint {
        int id = 0;
        Phase phase = Phase::Move;
        int x = 0, y = 0;
    };
    Kind kind = Kind::Wait;
    Phase phase = Phase::Move;
    int x = 0, y = 0;                 // size: w, h; wait: ms in x; proximity: 1 enter, 0 leave
    float pressure = 1.0f;            // tablet
    std::string device;               // mouse button, tablet pointer
    std::vector<TouchPoint> touches;  // touch: the contacts of one touch event
    std::string text;                 // key text, file name, echo text
    int line = 0;
};

inline constexpr int kExportWaitMs = 60000;

struct ReplayScript {
    std::vector<ReplayCommand> commands;
    // Parses the whole text; on a bad line returns nullopt and sets error ("line N: ...").
    static std::optional<ReplayScript> parse(const std::string& text, std::string& error);
};
