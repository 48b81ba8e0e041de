// A stroke's colour travels with it: into its outline's colour array, through the eraser's
// cuts, the selection's transforms, copies, the page file and the SVG export.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "DrawingFixture.h"
#include "io/PageFile.h"

namespace {

constexpr Rgb kBlue{0x00, 0x72, 0xb2};
constexpr Rgb kOrange{0xe6, 0x9f, 0x00};

// Every vertex of the outline carries the stroke's colour and an opacity in 0..1.
void expectOutlineIn(const Stroke& s, Rgb c) {
    ASSERT_GT(s.vertexCount, 0);
    ASSERT_EQ(s.colours.size(), static_cast<std::size_t>(s.vertexCount) * 4);
    for (std::size_t i = 0; i < s.colours.size(); i += 4) {
        ASSERT_EQ(s.colours[i], c.redF());
        ASSERT_EQ(s.colours[i + 1], c.greenF());
        ASSERT_EQ(s.colours[i + 2], c.blueF());
        ASSERT_GE(s.colours[i + 3], 0.0f);
        ASSERT_LE(s.colours[i + 3], 1.0f);
    }
}

std::vector<Vec2> line(float x0, float x1, float y) {
    std::vector<Vec2> pts;
    for (float x = x0; x <= x1; x += 10.0f) pts.push_back({x, y});
    return pts;
}

class StrokeColourTest : public DrawingTest {};

TEST_F(StrokeColourTest, TravelsThroughCutsTransformsCopiesFilesAndExports) {
    drawing->brush.colour = kBlue;
    draw(line(100, 500, 300));
    drawing->brush.colour = kOrange;
    draw(line(100, 500, 600));
    drawing->brush.colour = Rgb{};
    draw(line(100, 500, 450));
    ASSERT_EQ(drawing->strokes.count(), 3u);
    const std::vector<Rgb> drawn{kBlue, kOrange, Rgb{}};
    for (std::size_t i = 0; i < 3; ++i) expectOutlineIn(*strokeList()[i], drawn[i]);

    // Erasing the middle of the blue stroke leaves two blue pieces.
    drawing->eraseAt(300, 300, 1.0f);
    ASSERT_EQ(drawing->strokes.count(), 4u);
    EXPECT_EQ(strokeList()[3]->colour, kBlue) << "the piece after the cut";
    expectOutlineIn(*strokeList()[3], kBlue);

    // Moving and rotating the orange stroke keeps its colour, and so does a copy.
    ASSERT_TRUE(drawing->selectAt(300, 600));
    drawing->moveSelection(10.0f, -20.0f);
    drawing->rotateSelection(0.4f);
    Stroke* orange = drawing->selection.at(0);
    expectOutlineIn(*orange, kOrange);
    Stroke copy(*orange);
    copy.buildOutline(1.0f);
    expectOutlineIn(copy, kOrange);

    // Saved and loaded: the same colours in the same order; the black stroke has no
    // attribute, the others theirs.
    ASSERT_TRUE(drawing->saveXml("0.xml"));
    std::vector<Rgb> saved;
    for (Stroke* s : strokeList()) saved.push_back(s->colour);
    std::stringstream text;
    text << std::ifstream("0.xml").rdbuf();
    EXPECT_NE(text.str().find("<Stroke color=\"#0072b2\">"), std::string::npos);
    EXPECT_NE(text.str().find("<Stroke color=\"#e69f00\">"), std::string::npos);
    EXPECT_NE(text.str().find("<Stroke>"), std::string::npos);
    ASSERT_TRUE(drawing->loadXml("0.xml"));
    std::vector<Rgb> loaded;
    for (Stroke* s : strokeList()) {
        loaded.push_back(s->colour);
        expectOutlineIn(*s, s->colour);
    }
    EXPECT_EQ(loaded, saved);

    // The SVG export fills each stroke in its colour, and the page's own outlines agree.
    ASSERT_TRUE(drawing->exportSvg("0.svg"));
    std::stringstream svg;
    svg << std::ifstream("0.svg").rdbuf();
    EXPECT_NE(svg.str().find("fill:rgb(0,114,178);"), std::string::npos);
    EXPECT_NE(svg.str().find("fill:rgb(230,159,0);"), std::string::npos);
    EXPECT_NE(svg.str().find("fill:rgb(0,0,0);"), std::string::npos);
    const auto page = io::readPageFile("0.xml");
    ASSERT_TRUE(page);
    const auto fromFile = exportOutlines(*page);
    const auto fromDrawing = drawing->exportOutlines();
    ASSERT_EQ(fromFile.size(), fromDrawing.size());
    for (std::size_t i = 0; i < fromFile.size(); ++i) {
        EXPECT_EQ(fromFile[i].colour, fromDrawing[i].colour);
        EXPECT_EQ(fromFile[i].positions, fromDrawing[i].positions);
    }
}

}  // namespace
