#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/LiveLesson.h"

// Sets the default GL format (compatibility profile, 16 samples) and the application
// attributes; must run before the QApplication exists.
void prepareApplication();

// The program: reads the command line (see LaunchOptions.h), moves into the pages' folder,
// opens the canvas window filling the screen (or windowed) and runs the event loop; returns
// its exit code: 0 after --help or --version or a normal end, 1 when the folder cannot be
// used or another copy of the program works on it, 2 on a usage error (a bad room, a
// credentials file that cannot be read or that others may read).
int runApplication(int argc, char** argv);

// Plays the input script at scriptPath in a canvas window of 800 x 600 at (0, 0): scripts give
// window coordinates, so they get this layout whatever the program's own start-up layout.
// Needs the QApplication. Returns 0 when every command ran, 1 when one failed or the window
// was not shown, 2 when the script cannot be read or parsed.
// With `room`, the window is a board of that room; `importFiles` come in as pages first.
int runReplay(const std::string& scriptPath,
              const std::optional<LiveLesson::Settings>& room = std::nullopt,
              const std::vector<std::string>& importFiles = {});
