#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "io/PageFile.h"
#include "support/Tolerance.h"

namespace {

using Strokes = std::vector<std::vector<ControlPoint>>;

std::string format(const Strokes& strokes) {
    std::vector<std::span<const ControlPoint>> views(strokes.begin(), strokes.end());
    return io::formatPage(views);
}

Strokes parse(std::string_view text) {
    const auto page = io::parsePage(text);
    EXPECT_TRUE(page.has_value()) << text;
    return page ? page->strokes : Strokes{};
}

TEST(PageFile, WritesTheExamplePageByteForByte) {
    const Strokes strokes{{{100, 200, 5, 1}, {104.5f, 201, 4.8f, 0.9f}}};
    EXPECT_EQ(format(strokes),
              "<?xml version=\"1.0\" ?>\n"
              "<Drawing>\n"
              "    <Stroke>\n"
              "        <CP x=\"100.000000\" y=\"200.000000\" r=\"5.000000\" a=\"1.000000\" />\n"
              "        <CP x=\"104.500000\" y=\"201.000000\" r=\"4.800000\" a=\"0.900000\" />\n"
              "    </Stroke>\n"
              "</Drawing>\n");
}

TEST(PageFile, EmptyDrawingIsTheDeclarationAndAnEmptyRoot) {
    EXPECT_EQ(format({}), "<?xml version=\"1.0\" ?>\n<Drawing />\n");
    const auto page = io::parsePage(format({}));
    ASSERT_TRUE(page);
    EXPECT_TRUE(page->strokes.empty());
}

TEST(PageFile, RoundTripKeepsSixDecimalsAndStrokeOrder) {
    const Strokes strokes{{{1234.5678f, -0.25f, 3.0f, 0.125f}},
                          {{0.000001f, 899.999f, 0.5f, 1.0f}, {-17.3f, 1e-7f, 2.5f, 0.0f}},
                          {{450, 450, 10, 0.5f}}};
    const std::string text = format(strokes);
    const Strokes loaded = parse(text);
    ASSERT_EQ(loaded.size(), strokes.size());
    for (std::size_t s = 0; s < strokes.size(); ++s) {
        ASSERT_EQ(loaded[s].size(), strokes[s].size());
        for (std::size_t i = 0; i < strokes[s].size(); ++i) {
            EXPECT_NEAR(loaded[s][i].x, strokes[s][i].x, tol::kSixDecimals + 1e-4);
            EXPECT_NEAR(loaded[s][i].y, strokes[s][i].y, tol::kSixDecimals + 1e-4);
        }
    }
    EXPECT_EQ(format(loaded), text);
    EXPECT_NE(text.find("x=\"1234.567749\""), std::string::npos) << "float widened, %f";
}

}  // namespace
