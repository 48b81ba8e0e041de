#pragma once

#include <string>
#include <vector>

// What the command line asks for. Parsing touches no file and no display, so --help and a
// usage error work on a machine without either.
struct LaunchOptions {
    enum class Action { Run, Help, Version, BadUsage };
    Action action = Action::Run;
    // Where pages, exports and logs are read and written; empty: the working directory.
    std::string folder;
    // The folder is "inkboard" in the user's documents folder (what the desktop entry uses).
    bool inDocuments = false;
    // Start in the 800 x 600 windowed layout instead of filling the screen.
    bool windowed = false;
    // Non-empty: play this input script in the replay driver's window, then exit.
    std::string replayScript;
    // Non-empty: the room this board joins, "nats://HOST:PORT[,HOST:PORT...]/ROOM" (checked).
    std::string share;
    // Non-empty: the file holding the room server's "user:password" or token.
    std::string shareCredentials;
    // Non-empty: the certificate authorities (PEM) a tls:// room's servers are checked
    // against, instead of the system's.
    std::string shareCa;
    // Material to bring in as pages after the last page, as given (relative to where the
    // program was started).
    std::vector<std::string> importFiles;
    // For BadUsage: one line saying what was wrong.
    std::string error;
};

// args are the command-line arguments after the program name. Options come in any order
// before or after FOLDER; "--" ends the options, so a folder may start with '-'. Toolkit
// options are not taken: they would otherwise be mistaken for a folder.
LaunchOptions parseLaunchOptions(const std::vector<std::string>& args);

// The --help text (also printed after a usage error).
std::string launchUsage();
