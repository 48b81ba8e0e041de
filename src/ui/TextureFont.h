#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class QOpenGLContext;

// The printable ASCII characters 32..127 of one TrueType face at one pixel size, rendered
// once into an alpha atlas with one display list per character, so that a string costs one
// texture bind and one glCallLists. Construction and destruction need the GL context that
// the font is used with to be current.
//
// A font whose file cannot be read (or is not a scalable face with horizontal metrics)
// has no glyphs: it measures every string as 0 wide and draws nothing.
class TextureFont {
public:
    static constexpr int kFirstChar = 32;
    static constexpr int kCharCount = 96;  // 32..127
    static constexpr int kAtlasWidth = 256;

    TextureFont(const std::string& path, int pixelSize);
    ~TextureFont();
    TextureFont(const TextureFont&) = delete;
    TextureFont& operator=(const TextureFont&) = delete;

    // Draws the text with the lower-left corner of its first character cell at (x, y) in
    // the current model-view units (pixels under the screen projection). Bytes outside
    // 32..127 are skipped. Leaves GL_BLEND enabled with the usual alpha blend function;
    // restores the texture enable, the bound texture, the list base and the model-view.
    void draw(std::string_view text, float x, float y) const;

    // Sum of the advances of the characters draw() would place, pixels.
    int width(std::string_view text) const;

    bool valid() const { return listBase_ != 0; }
    int pixelSize() const { return pixelSize_; }
    int lineHeight() const { return lineHeight_; }
    int maxDescent() const { return maxDescent_; }
    // Advance of one character (glyph advance + 1 pixel), 0 outside 32..127 or without glyphs.
    int advance(unsigned char c) const;
    int atlasHeight() const { return atlasHeight_; }
    std::uint32_t textureName() const { return texture_; }

    float r = 0.0f, g = 0.0f, b = 0.0f;

private:
    void build(const std::string& path);

    int pixelSize_;
    int lineHeight_ = 0;
    int maxDescent_ = 0;
    int atlasHeight_ = 0;
    std::array<int, kCharCount> advances_{};
    std::uint32_t listBase_ = 0;
    std::uint32_t texture_ = 0;
    QOpenGLContext* context_ = nullptr;  // the context the lists and the atlas belong to
};
