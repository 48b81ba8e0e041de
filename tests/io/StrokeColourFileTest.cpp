// Stroke colours in page files: black pages keep their bytes, colours survive a round trip,
// and whatever else stands in the attribute reads as black.
#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <span>

#include "IoTestSupport.h"
#include "io/HexColour.h"
#include "io/PageFile.h"

namespace {

std::string golden(const char* name) {
    return iotest::readFile(std::string(INKBOARD_TESTDATA) + "/pages/golden/" + name);
}

std::string format(const io::PageContent& page) {
    std::vector<std::span<const ControlPoint>> views(page.strokes.begin(), page.strokes.end());
    return io::formatPage(views, page.colours);
}

TEST(StrokeColourFile, GoldenPagesLoadAndSaveToTheSameBytes) {
    for (const char* name : {"black.xml", "colours.xml"}) {
        const std::string text = golden(name);
        const auto page = io::parsePage(text);
        ASSERT_TRUE(page) << name;
        EXPECT_EQ(format(*page), text) << name;
    }
    const auto black = io::parsePage(golden("black.xml"));
    EXPECT_EQ(black->colours, std::vector<Rgb>(2, Rgb{})) << "pages of old load black";
    std::vector<std::span<const ControlPoint>> views(black->strokes.begin(), black->strokes.end());
    EXPECT_EQ(io::formatPage(views), golden("black.xml")) << "no colours given: black";

    const auto coloured = io::parsePage(golden("colours.xml"));
    EXPECT_EQ(coloured->colours,
              (std::vector<Rgb>{{0, 0, 0}, {0x1f, 0x77, 0xb4}, {0xd5, 0x5e, 0x00}}));
}

// Random pages with a third of the strokes black: every colour comes back, and a black
// stroke's element is exactly what it was before strokes had colours.
TEST(StrokeColourFile, RandomColoursRoundTripAndBlackStrokesCarryNoAttribute) {
    std::mt19937 random(14);
    for (int round = 0; round < 50; ++round) {
        io::PageContent page;
        const int strokes = 1 + static_cast<int>(random() % 12);
        for (int s = 0; s < strokes; ++s) {
            page.strokes.push_back({{static_cast<float>(random() % 900), 1.0f, 2.0f, 0.5f}});
            const std::uint32_t bits = random() % 3 == 0 ? 0 : random() & 0xffffff;
            page.colours.push_back(Rgb{static_cast<std::uint8_t>(bits >> 16),
                                       static_cast<std::uint8_t>(bits >> 8),
                                       static_cast<std::uint8_t>(bits)});
        }
        const std::string text = format(page);
        const auto loaded = io::parsePage(text);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(*loaded, page);

        std::size_t attributes = 0;
        for (std::size_t at = text.find("color="); at != std::string::npos;
             at = text.find("color=", at + 1))
            ++attributes;
        std::size_t coloured = 0;
        for (const Rgb& c : page.colours) coloured += !c.isBlack();
        EXPECT_EQ(attributes, coloured);
        // A reader that ignores the attribute (this program before colours) finds the
        // same points in the same strokes.
        const auto ignoring =
            io::parsePage(std::regex_replace(text, std::regex(" color=\"#[0-9a-f]{6}\""), ""));
        ASSERT_TRUE(ignoring);
        EXPECT_EQ(ignoring->strokes, page.strokes);
    }
}

TEST(StrokeColourFile, OnlyAHashAndSixHexDigitsOfEitherCaseAreAColour) {
    EXPECT_EQ(io::formatHexColour({0x1f, 0x77, 0xb4}), "#1f77b4");
    EXPECT_EQ(io::formatHexColour({}), "#000000");
    EXPECT_EQ(io::parseHexColour("#1F77b4"), (Rgb{0x1f, 0x77, 0xb4}));
    EXPECT_EQ(io::parseHexColour("#ffffff"), (Rgb{255, 255, 255}));
    for (const char* bad : {"", "#", "1f77b4", "#1f77b", "#1f77b44", "#1g77b4", " #1f77b4",
                            "#1f77b4 ", "#fff", "red", "#-f77b4", "#+1f77b4", "##1f77b"})
        EXPECT_FALSE(io::parseHexColour(bad)) << bad;

    const auto seed = io::parsePage(
        iotest::readFile(std::string(INKBOARD_TESTDATA) + "/pages/seeds/colours.xml"));
    ASSERT_TRUE(seed);
    EXPECT_EQ(seed->colours, (std::vector<Rgb>{{0x1f, 0x77, 0xb4},
                                               {0xd5, 0x5e, 0x00},
                                               {0x00, 0xff, 0x7f},  // through a reference
                                               {},
                                               {},
                                               {},
                                               {}}));
}

}  // namespace
