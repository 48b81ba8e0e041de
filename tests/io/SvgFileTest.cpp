#include <gtest/gtest.h>

#include "IoTestSupport.h"
#include "io/SvgFile.h"

namespace {

const std::string kHead =
    "<?xml version=\"1.0\" ?>\n"
    "<svg width=\"100%\" height=\"100%\" version=\"1.1\" xmlns=\"http://www.w3.org/2000/svg\"";

std::string svg(const std::vector<io::SvgStrokeOutline>& strokes) { return io::formatSvg(strokes); }

TEST(SvgFile, EmptyDrawingIsAShortRootElement) { EXPECT_EQ(svg({}), kHead + " />\n"); }

TEST(SvgFile, OneQuadrilateralPerRibPairWalkedAroundTheOutline) {
    // Start rib (100,250.5)-(100,260), then ribs (110,250)-(110,260) and (120,250)-(120,1e-5).
    const io::SvgStrokeOutline stroke{
        {100, 250.5f, 100, 260, 110, 250, 110, 260, 120, 250, 120, 1e-5f}, {1.0f, 0.25f}, {}};
    EXPECT_EQ(svg({stroke}), kHead +
                                 ">\n"
                                 "    <polygon points=\"100,250.5 100,260 110,260 110,250\" "
                                 "style=\"fill:rgb(0,0,0);\" opacity=\"1.000000\" />\n"
                                 "    <polygon points=\"110,250 110,260 120,1e-05 120,250\" "
                                 "style=\"fill:rgb(0,0,0);\" opacity=\"0.250000\" />\n"
                                 "</svg>\n");
}

TEST(SvgFile, StrokesWithoutRibPairsAddNothingAndOrderIsKept) {
    const io::SvgStrokeOutline dot{{1, 2, 3, 4}, {}, {}};
    const io::SvgStrokeOutline first{{0, 0, 0, 1, 1, 0, 1, 1}, {0.5f}, {}};
    const io::SvgStrokeOutline second{{1234567, 0, 0, 0, 0, 0, 0, 0}, {0.75f}, {}};
    const std::string text = svg({dot, first, dot, second});
    EXPECT_EQ(svg({dot}), kHead + " />\n");
    const auto a = text.find("points=\"0,0 0,1 1,1 1,0\"");
    const auto b = text.find("points=\"1.23457e+06,0 0,0 0,0 0,0\"");
    ASSERT_NE(a, std::string::npos);
    ASSERT_NE(b, std::string::npos);
    EXPECT_LT(a, b);
}

TEST(SvgFile, WritesTheFileAndKeepsDotsUnderACommaLocale) {
    iotest::TempDir dir;
    const io::SvgStrokeOutline stroke{{100, 250.5f, 100, 260, 110, 250, 110, 260}, {0.5f}, {}};
    iotest::CommaLocale german;
    ASSERT_TRUE(io::writeSvgFile(dir.file("0.svg"), std::span(&stroke, 1)));
    const std::string text = iotest::readFile(dir.file("0.svg"));
    EXPECT_EQ(text, svg({stroke}));
    EXPECT_NE(text.find("100,250.5 "), std::string::npos);
    EXPECT_NE(text.find("opacity=\"0.500000\""), std::string::npos);
}

}  // namespace
