#pragma once

#include <string>

// The folder the program reads and writes its pages, exports and logs in. Page, export, log
// and rescue file names are relative, so the folder is made the working directory before
// anything is loaded.

// Makes folder the working directory, creating it and its parents when missing. False, with
// a one-line reason in error and the working directory unchanged, when it cannot be created,
// is not a folder or cannot be written (a drawing made there could never be saved).
bool enterWorkFolder(const std::string& folder, std::string& error);

// "inkboard" in the user's documents folder: the XDG documents directory, else ~/Documents.
std::string documentsWorkFolder();
