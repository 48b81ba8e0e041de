#include "render/PaperDrawing.h"

#include <GL/gl.h>

#include <cmath>

#include "io/PaperPattern.h"

namespace {
void colour(Rgb c) { glColor4f(c.redF(), c.greenF(), c.blueF(), 1.0f); }
}  // namespace

void drawPaper(io::Paper paper) {
    const io::PaperPattern pattern = io::paperPattern(paper);
    if (pattern.empty()) return;
    const float h = io::kPaperLineWidth * 0.5f;
    glBegin(GL_TRIANGLES);
    for (const io::PaperLine& l : pattern.lines) {
        colour(l.margin ? io::kPaperMarginColour : io::kPaperRuleColour);
        // Axis-aligned: widen across the line.
        const bool across = l.x0 == l.x1;
        const float dx = across ? h : 0.0f, dy = across ? 0.0f : h;
        const float q[4][2] = {{l.x0 - dx, l.y0 - dy},
                               {l.x1 - dx, l.y1 - dy},
                               {l.x1 + dx, l.y1 + dy},
                               {l.x0 + dx, l.y0 + dy}};
        for (const int k : {0, 1, 2, 0, 2, 3}) glVertex2f(q[k][0], q[k][1]);
    }
    colour(io::kPaperRuleColour);
    constexpr int kSides = 8;
    for (std::size_t i = 0; i + 1 < pattern.dots.size(); i += 2) {
        const float cx = pattern.dots[i], cy = pattern.dots[i + 1];
        for (int k = 0; k < kSides; ++k) {
            const float a0 = 6.2831855f * static_cast<float>(k) / kSides;
            const float a1 = 6.2831855f * static_cast<float>(k + 1) / kSides;
            const float r = io::kPaperDotRadius;
            glVertex2f(cx, cy);
            glVertex2f(cx + r * std::cos(a0), cy + r * std::sin(a0));
            glVertex2f(cx + r * std::cos(a1), cy + r * std::sin(a1));
        }
    }
    glEnd();
}
