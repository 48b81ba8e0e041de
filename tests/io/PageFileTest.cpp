#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "IoTestSupport.h"
#include "io/PageFile.h"

namespace {

using Strokes = std::vector<std::vector<ControlPoint>>;

std::string format(const Strokes& strokes) {
    std::vector<std::span<const ControlPoint>> views(strokes.begin(), strokes.end());
    return io::formatPage(views);
}

Strokes load(std::string_view text) {
    const auto page = io::parsePage(text);
    EXPECT_TRUE(page.has_value()) << text;
    return page ? page->strokes : Strokes{};
}

const std::string kDeclaration = "<?xml version=\"1.0\" ?>\n";

const std::string kExample =
    kDeclaration +
    "<Drawing>\n"
    "    <Stroke>\n"
    "        <CP x=\"100.000000\" y=\"200.000000\" r=\"5.000000\" a=\"1.000000\" />\n"
    "        <CP x=\"104.500000\" y=\"201.000000\" r=\"4.800000\" a=\"0.900000\" />\n"
    "    </Stroke>\n"
    "</Drawing>\n";

TEST(PageFile, WritesTheExamplePageByteForByteAndReadsItBack) {
    const Strokes strokes{{{100, 200, 5, 1}, {104.5f, 201, 4.8f, 0.9f}}};
    EXPECT_EQ(format(strokes), kExample);
    EXPECT_EQ(load(kExample), strokes);
}

TEST(PageFile, EmptyDrawingIsTheDeclarationAndAnEmptyRoot) {
    EXPECT_EQ(format({}), kDeclaration + "<Drawing />\n");
    EXPECT_TRUE(load(format({})).empty());
}

TEST(PageFile, RoundTripKeepsSixDecimalsAndStrokeOrder) {
    const Strokes strokes{{{1234.5678f, -0.25f, 3.0f, 0.125f}},
                          {{0.000001f, 899.999f, 0.5f, 1.0f}, {-17.3f, 1e-7f, 2.5f, 0.0f}},
                          {{450, 450, 10, 0.5f}}};
    const std::string text = format(strokes);
    EXPECT_NE(text.find("x=\"1234.567749\""), std::string::npos) << "the float, widened";
    EXPECT_NE(text.find("y=\"0.000000\""), std::string::npos) << "1e-7 rounds away";
    const Strokes loaded = load(text);
    ASSERT_EQ(loaded.size(), 3u);
    EXPECT_EQ(loaded[0][0].x, 1234.567749f);
    EXPECT_EQ(loaded[1][0].x, 0.000001f);
    EXPECT_EQ(loaded[1][1].x, -17.3f);
    EXPECT_EQ(loaded[2][0].r, 10.0f);
    EXPECT_EQ(format(loaded), text);
}

TEST(PageFile, NamesAreNotCheckedAndMissingAttributesReadZero) {
    const Strokes strokes = load(
        "<Page><Line><CP x=\"5\" /><Dot r=\"2\" a=\"0.5\" x=\"1\" y=\"2\" extra=\"9\"/></Line>"
        "<S><P y='7'/></S></Page>");
    EXPECT_EQ(strokes, (Strokes{{{5, 0, 0, 0}, {1, 2, 2, 0.5f}}, {{0, 7, 0, 0}}}));
}

TEST(PageFile, CommentsAndTextBetweenElementsAreSkipped) {
    EXPECT_EQ(load("<Drawing><Stroke><CP x=\"1\"/></Stroke><!-- note --><Stroke><CP x=\"2\"/>"
                   "</Stroke>loose text<Stroke><!-- c --><CP x=\"3\"/>text<CP x=\"4\"/>"
                   "</Stroke></Drawing>"),
              (Strokes{{{1, 0, 0, 0}}, {{2, 0, 0, 0}}, {{3, 0, 0, 0}, {4, 0, 0, 0}}}));
}

TEST(PageFile, ANonElementFirstChildOfTheRootLoadsNothing) {
    EXPECT_TRUE(load("<Drawing><!-- first --><Stroke><CP x=\"1\"/></Stroke></Drawing>").empty());
    EXPECT_TRUE(load("<Drawing>text<Stroke><CP x=\"1\"/></Stroke></Drawing>").empty());
    // White space is not a node, so the usual layout still loads.
    EXPECT_EQ(load("<Drawing>\n  <Stroke><CP x=\"1\"/></Stroke></Drawing>").size(), 1u);
}

TEST(PageFile, RootIsTheFirstElementAfterDeclarationCommentsAndDoctype) {
    EXPECT_EQ(load("<?xml version=\"1.0\"?><!-- c --><!DOCTYPE x><D><S><P x=\"1\"/></S></D>"
                   "<Other><S><P x=\"2\"/></S></Other>"),
              (Strokes{{{1, 0, 0, 0}}}));
    EXPECT_TRUE(load("<?xml version=\"1.0\"?><!-- only a comment -->").empty());
}

TEST(PageFile, StrokeElementsWithoutPointsAreSkipped) {
    EXPECT_EQ(load("<D><S/><S>text only</S><S><P x=\"1\"/></S><S></S></D>"),
              (Strokes{{{1, 0, 0, 0}}}));
}

TEST(PageFile, GarbageAndNonFiniteNumbersReadZero) {
    EXPECT_EQ(load("<D><S><P x=\"nan\" y=\"inf\" r=\"-Infinity\" a=\"abc\"/>"
                   "<P x=\"1e999\" y=\"1e300\" r=\" 2.5xyz\" a=\"&#x31;.5\"/></S></D>"),
              (Strokes{{{0, 0, 0, 0}, {0, 0, 2.5f, 1.5f}}}));
}

TEST(PageFile, MalformedTextDoesNotLoad) {
    for (const std::string text : {"", "   ", "not xml", "<Drawing>", "<Drawing><Stroke></Drawing>",
                                   "<Drawing><Stroke><CP x=\"1\" x=\"2\"/></Stroke></Drawing>",
                                   "<D a=\"1/>", "<D><S><P x=\"&#xZZ;\"/></S></D>"}) {
        EXPECT_FALSE(io::parsePage(text)) << text;
    }
}

TEST(PageFile, TextStopsAtTheFirstNulByte) {
    EXPECT_EQ(load(std::string("<D><S><P x=\"1\"/></S></D>\0<junk", 29)).size(), 1u);
    EXPECT_FALSE(io::parsePage(std::string("<D><S>\0</S></D>", 15)));
}

TEST(PageFile, DeepOrHugeInputFailsFastInsteadOfCrashing) {
    const auto start = std::chrono::steady_clock::now();
    std::string deep;
    for (int i = 0; i < 200'000; ++i) deep += "<a>";
    EXPECT_FALSE(io::parsePage(deep));
    std::string nestedThenClosed = deep;
    for (int i = 0; i < 200'000; ++i) nestedThenClosed += "</a>";
    EXPECT_FALSE(io::parsePage(nestedThenClosed));
    std::string manyAttributes = "<D><S><P";
    for (int i = 0; i < 20'000; ++i) manyAttributes += " a" + std::to_string(i) + "=\"1\"";
    EXPECT_FALSE(io::parsePage(manyAttributes + "/></S></D>"));
    EXPECT_FALSE(io::parsePage(std::string(65 << 20, ' ') + "<D/>"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(PageFile, FilesRoundTripAndUnreadableFilesDoNotLoad) {
    iotest::TempDir dir;
    const Strokes strokes{{{1.5f, 2.5f, 3, 1}}, {{4, 5, 6, 0.5f}, {7, 8, 9, 0.25f}}};
    std::vector<std::span<const ControlPoint>> views(strokes.begin(), strokes.end());
    ASSERT_TRUE(io::writePageFile(dir.file("0.xml"), views));
    EXPECT_EQ(iotest::readFile(dir.file("0.xml")), format(strokes));
    const auto page = io::readPageFile(dir.file("0.xml"));
    ASSERT_TRUE(page);
    EXPECT_EQ(page->strokes, strokes);
    EXPECT_FALSE(io::readPageFile(dir.file("missing.xml")));
    EXPECT_FALSE(io::readPageFile(dir.path()));
}

TEST(PageFile, DecimalCommaLocaleReadsAndWritesPoints) {
    iotest::CommaLocale german;
    IOTEST_REQUIRE_COMMA_LOCALE(german);
    const Strokes strokes{{{100, 200, 5, 1}, {104.5f, 201, 4.8f, 0.9f}}};
    EXPECT_EQ(format(strokes), kExample);
    EXPECT_EQ(load(kExample), strokes);
}

}  // namespace
