#pragma once

#include <optional>
#include <string>

namespace io {

// Renames the file at `path` to "<path>.<suffix>", or, when that name is taken,
// "<path>.<suffix>.2", ".3", ... (as the rescue copies are numbered): never over an
// existing file. Returns the new name, or nullopt (the file stays where it was) when it
// could not be renamed.
std::optional<std::string> setAside(const std::string& path, const std::string& suffix);

// Like setAside, but the file also stays at `path`: the new name is a hard link to its
// contents (through a symbolic link, to the target's), or a copy synced to disk where the
// file system has no hard links. Safe before replacing `path` with replaceFileContents,
// which never writes into the old file.
std::optional<std::string> keepCopy(const std::string& path, const std::string& suffix);

}  // namespace io
