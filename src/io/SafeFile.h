#pragma once

#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace io {

// Replaces the file at `path` with `bytes` so that a crash or a failed write never
// leaves a truncated file: the bytes go to a new temporary file in the same folder,
// which is flushed to disk and renamed over the target only when every write
// succeeded; then the folder is flushed so the rename itself is durable. A new file
// gets the usual permissions (0666 less the umask), a replaced one keeps its mode; a
// symbolic link is written through (its target is replaced, the link stays).
//
// On failure the target is untouched, the temporary file is removed, one line naming
// the file and the reason goes to standard output, and the result is false.
bool replaceFileContents(const std::string& path, std::string_view bytes);

// Creates new files in one folder as a group, each (path, bytes) as a file that must not
// exist yet: every file is written to a temporary beside it, the folder's file system is
// flushed once for all of them, then each is renamed to its name (never over a file that
// is there) and the folder is flushed once. A crash leaves each file whole or absent, at
// the cost of two flushes for the group rather than two per file. On failure none of the
// files is left, one line names the file and the reason, and the result is false.
bool createFiles(std::span<const std::pair<std::string, std::string>> files);

// Writes every byte to the open file, again after an interruption; false (errno set) on an
// error.
bool writeAll(int fd, std::string_view bytes);

// Flushes the folder holding `path`, so that a file created or renamed in it survives a
// power cut. A folder that cannot be flushed is passed over.
void syncFolderOf(const std::string& path);

// Creates an empty file under the first free name of `base`, `base`.2, `base`.3, ... and
// returns that name, so that a rescue copy never replaces an earlier one. The name is
// claimed atomically (exclusive create), so two writers never get the same one. Empty
// (after a one-line diagnostic) when none could be created.
std::string claimFreeName(const std::string& base);

}  // namespace io
