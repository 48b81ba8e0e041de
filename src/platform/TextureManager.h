#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Loads image files into GL textures. Needs a current GL context. The texture names it
// hands out stay valid after the manager is gone: it never deletes them.
class TextureManager {
public:
    void setTexCompression(bool on) { compression_ = on; }
    // Loads every path in order; a file that cannot be read gets name 0 and a diagnostic.
    void loadTextures(const std::vector<std::string>& paths);
    // GL name of the index-th loaded path, 0 when out of range or not loaded.
    std::uint32_t getTextureName(std::size_t index) const;

private:
    bool compression_ = false;
    std::vector<std::uint32_t> names_;
};

// Where a run-time asset named by its relative path ("images/...") is read from: the first of
// the folder the program was started from, the executable's folder and the installed data
// folder (INKBOARD_DATA_FROM_BIN from the executable's folder, so an unpacked package works
// wherever it lies) that holds the file; the relative path itself when none does. Looked up
// file by file, so an unrelated images folder among the user's drawings hides nothing.
std::string assetPath(const std::string& relative);

// The folder the program was started from, recorded before it moves into the folder of its
// pages. Until set, the working directory is used (and assetPath returns relative paths).
void setAssetStartFolder(const std::string& folder);
