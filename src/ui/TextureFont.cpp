#include "ui/TextureFont.h"

#include <GL/gl.h>
#include <ft2build.h>

#include "platform/GlTexture.h"
#include FT_FREETYPE_H

#include <QOpenGLContext>
#include <algorithm>
#include <cstdint>
#include <vector>

namespace {
// The one FreeType library of the process, made on first use and released at exit.
FT_Library freeType() {
    struct Library {
        FT_Library handle = nullptr;
        Library() {
            if (FT_Init_FreeType(&handle) != 0) handle = nullptr;
        }
        ~Library() {
            if (handle) FT_Done_FreeType(handle);
        }
    };
    static Library library;
    return library.handle;
}

// Closes the face on every path out of the build.
struct FaceGuard {
    FT_Face face = nullptr;
    ~FaceGuard() {
        if (face) FT_Done_Face(face);
    }
};

bool inRange(unsigned char c) {
    return c >= TextureFont::kFirstChar && c < TextureFont::kFirstChar + TextureFont::kCharCount;
}

// Row k of a bitmap counted from the top, whichever way its rows flow in memory.
const unsigned char* bitmapRow(const FT_Bitmap& bm, unsigned k) {
    if (bm.pitch >= 0) return bm.buffer + static_cast<std::ptrdiff_t>(k) * bm.pitch;
    return bm.buffer + static_cast<std::ptrdiff_t>(bm.rows - 1 - k) * -bm.pitch;
}

// Where a glyph's pixels may land in the atlas: its own cell, so that a bitmap wider or
// taller than the cell (or with a negative left bearing at the atlas edge) can neither
// write outside the buffer nor into a neighbouring glyph.
struct Cell {
    int x0, y0, x1, y1;  // atlas pixels, half-open, rows counted from the top
};

void copyGlyph(const FT_GlyphSlot slot, const Cell& cell, int baseline, int penX,
               std::vector<unsigned char>& atlas) {
    const FT_Bitmap& bm = slot->bitmap;
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY || !bm.buffer) return;
    for (unsigned k = 0; k < bm.rows; ++k) {
        const int ay = baseline + static_cast<int>(k) - slot->bitmap_top;
        if (ay < cell.y0 || ay >= cell.y1) continue;
        const unsigned char* src = bitmapRow(bm, k);
        for (unsigned l = 0; l < bm.width; ++l) {
            const int ax = penX + slot->bitmap_left + static_cast<int>(l);
            if (ax < cell.x0 || ax >= cell.x1) continue;
            atlas[static_cast<std::size_t>(ay) * TextureFont::kAtlasWidth +
                  static_cast<std::size_t>(ax)] = src[l];
        }
    }
}
}  // namespace

TextureFont::TextureFont(const std::string& path, int pixelSize) : pixelSize_(pixelSize) {
    context_ = QOpenGLContext::currentContext();
    if (context_ && pixelSize > 0) build(path);
}

TextureFont::~TextureFont() {
    if (!valid()) return;
    // Names belong to the context they were made in; never delete another context's objects.
    QOpenGLContext* current = QOpenGLContext::currentContext();
    if (!current || !QOpenGLContext::areSharing(current, context_)) return;
    glDeleteLists(listBase_, kCharCount);
    const GLuint tex = texture_;
    glDeleteTextures(1, &tex);
}

void TextureFont::build(const std::string& path) {
    constexpr int W = kAtlasWidth;
    FT_Library library = freeType();
    if (!library) return;
    FaceGuard guard;
    if (FT_New_Face(library, path.c_str(), 0, &guard.face) != 0) {
        guard.face = nullptr;
        return;
    }
    FT_Face face = guard.face;
    if (!FT_IS_SCALABLE(face) || !FT_HAS_HORIZONTAL(face)) return;
    if (FT_Set_Pixel_Sizes(face, static_cast<FT_UInt>(pixelSize_), 0) != 0) return;

    // Measuring pass: advances, the tallest ascent and descent, and the rows of cells.
    int maxAscent = 0, maxDescent = 0, rows = 1, remaining = W - 1;
    for (int i = 0; i < kCharCount; ++i) {
        const FT_UInt glyph = FT_Get_Char_Index(face, static_cast<FT_ULong>(kFirstChar + i));
        int adv = 1;
        if (FT_Load_Glyph(face, glyph, FT_LOAD_RENDER) == 0) {
            const FT_GlyphSlot slot = face->glyph;
            adv = static_cast<int>(slot->metrics.horiAdvance >> 6) + 1;
            maxAscent = std::max(maxAscent, slot->bitmap_top);
            maxDescent =
                std::max(maxDescent, static_cast<int>(slot->bitmap.rows) - slot->bitmap_top);
        }
        advances_[i] = adv;
        if (remaining < adv) {
            remaining = W - 1;
            ++rows;
        }
        remaining -= adv;
    }
    const int lineHeight = maxAscent + maxDescent;
    const long long required = static_cast<long long>(lineHeight + 1) * rows + 1;
    GLint maxTexture = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    long long height = 256;
    while (height < required) height *= 2;
    if (height > maxTexture) {
        advances_.fill(0);
        return;
    }
    const int H = static_cast<int>(height);
    std::vector<unsigned char> atlas(static_cast<std::size_t>(W) * H, 0);

    const GLuint base = glGenLists(kCharCount);
    if (base == 0) {
        advances_.fill(0);
        return;
    }

    // Placing pass: one cell per character, left to right, row by row.
    int x = 1, baseline = maxAscent + 1;
    for (int i = 0; i < kCharCount; ++i) {
        const int adv = advances_[i];
        const FT_UInt glyph = FT_Get_Char_Index(face, static_cast<FT_ULong>(kFirstChar + i));
        const bool rendered = FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT) == 0 &&
                              FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) == 0;
        if (W - x < adv) {
            x = 1;
            baseline += lineHeight + 1;
        }
        const float s0 = static_cast<float>(x) / W;
        const float s1 = static_cast<float>(x + adv) / W;
        const float t0 = static_cast<float>(baseline - maxAscent) / H;
        const float t1 = t0 + static_cast<float>(lineHeight) / H;
        glNewList(base + static_cast<GLuint>(i), GL_COMPILE);
        glBegin(GL_QUADS);
        glTexCoord2f(s0, t0);
        glVertex2i(0, lineHeight);
        glTexCoord2f(s1, t0);
        glVertex2i(adv, lineHeight);
        glTexCoord2f(s1, t1);
        glVertex2i(adv, 0);
        glTexCoord2f(s0, t1);
        glVertex2i(0, 0);
        glEnd();
        glTranslatef(static_cast<float>(adv), 0.0f, 0.0f);
        glEndList();
        if (rendered) {
            const Cell cell{std::max(x, 0), std::max(baseline - maxAscent, 0), std::min(x + adv, W),
                            std::min(baseline + maxDescent, H)};
            copyGlyph(face->glyph, cell, baseline, x, atlas);
        }
        x += adv;
    }

    const GLuint tex = createLinearTexture(GL_ALPHA8, W, H, GL_ALPHA, atlas.data());

    lineHeight_ = lineHeight;
    maxDescent_ = maxDescent;
    atlasHeight_ = H;
    listBase_ = base;
    texture_ = tex;
}

int TextureFont::advance(unsigned char c) const {
    return inRange(c) ? advances_[c - kFirstChar] : 0;
}

int TextureFont::width(std::string_view text) const {
    int w = 0;
    for (char ch : text) w += advance(static_cast<unsigned char>(ch));
    return w;
}

void TextureFont::draw(std::string_view text, float x, float y) const {
    if (!valid()) return;
    // Only bytes that have a list of this font: others would call into lists of whatever
    // else happens to own the neighbouring names.
    std::string drawable;
    drawable.reserve(text.size());
    for (char ch : text)
        if (inRange(static_cast<unsigned char>(ch))) drawable.push_back(ch);
    if (drawable.empty()) return;

    const GLboolean textureWasOn = glIsEnabled(GL_TEXTURE_2D);
    GLint previousTexture = 0, previousBase = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previousTexture);
    glGetIntegerv(GL_LIST_BASE, &previousBase);

    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glColor4f(r, g, b, 1.0f);
    glTranslatef(x, y, 0.0f);
    glListBase(listBase_ - kFirstChar);
    glCallLists(static_cast<GLsizei>(drawable.size()), GL_UNSIGNED_BYTE, drawable.data());
    glPopMatrix();

    glListBase(static_cast<GLuint>(previousBase));
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previousTexture));
    if (!textureWasOn) glDisable(GL_TEXTURE_2D);
}
