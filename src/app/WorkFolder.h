#pragma once

#include <memory>
#include <string>

#include "io/FolderLock.h"

// The folder the program reads and writes its pages, exports and logs in. Page, export, log
// and rescue file names are relative, so the folder is made the working directory before
// anything is loaded.

// Makes folder the working directory, creating it and its parents when missing. False, with
// a one-line reason in error and the working directory unchanged, when it cannot be created,
// is not a folder or cannot be written (a drawing made there could never be saved).
bool enterWorkFolder(const std::string& folder, std::string& error);

// "inkboard" in the user's documents folder: the XDG documents directory, else ~/Documents.
std::string documentsWorkFolder();

// Locks the working directory (the folder just entered) for as long as the returned lock
// lives, so that one copy of the program at a time works on it. nullptr, with a one-line
// reason in error naming the copy that holds it, when another copy does. A folder that
// cannot be locked (a file system without locks) is used all the same, after a line on
// standard output saying so.
std::unique_ptr<io::FolderLock> lockWorkFolder(std::string& error);
