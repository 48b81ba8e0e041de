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

// Where a run-time asset named by its relative path ("images/...") is read from: the
// working directory when the file is there, else beside the executable (so the program
// can be started from any folder of drawings, even one with an unrelated images folder).
std::string assetPath(const std::string& relative);
