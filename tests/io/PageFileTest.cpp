#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
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

// Neither nesting nor the number of nodes or attributes is limited: the reader does not
// recurse, and compares attribute names pairwise only on elements with few of them.
TEST(PageFile, DeepAndWideDocumentsLoadQuickly) {
    const auto start = std::chrono::steady_clock::now();
    std::string deep;
    for (int i = 0; i < 200'000; ++i) deep += "<a>";
    EXPECT_FALSE(io::parsePage(deep));
    for (int i = 0; i < 200'000; ++i) deep += "</a>";
    EXPECT_EQ(load(deep), (Strokes{{{0, 0, 0, 0}}}));
    std::string wide = "<D><S><P";
    for (int i = 0; i < 100'000; ++i) wide += " a" + std::to_string(i) + "=\"1\"";
    EXPECT_EQ(load(wide + " x=\"3\"/></S></D>"), (Strokes{{{3, 0, 0, 0}}}));
    EXPECT_FALSE(io::parsePage(wide + " a5=\"2\"/></S></D>"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// What XML requires and pugixml does not check, the reader does, anywhere in the
// document: distinct attribute names, well-formed character references.
TEST(PageFile, DuplicateAttributesAndBadCharacterReferencesAnywhereRefuseThePage) {
    const std::string stroke = "<S><P x=\"1\"/></S>";
    for (const std::string& bad :
         std::vector<std::string>{"<D v='1' v='2'>" + stroke + "</D>", "<D><S w='' w=''><P/></S></D>",
          "<D>" + stroke + "<S><P><Q a='1' a='1'/></P></S></D>", "<D>" + stroke + "</D><E k='' k=''/>",
          "<D><S><P x='&#x31' /></S></D>", "<D><S><P y='&#1a;'/></S></D>",
          "<D><S><P q='&#X31;'/></S></D>", "<D>" + stroke + "&#xG;</D>",
          "<D>" + stroke + "<S><P>&#12</P></S></D>"}) {
        EXPECT_FALSE(io::parsePage(bad)) << bad;
    }
    for (const std::string& good :
         std::vector<std::string>{"<D x='1' X='2' xx='3'>" + stroke + "</D>", "<D>" + stroke + "<!-- &#xG; --></D>",
          "<D>" + stroke + "<![CDATA[&#xG;]]></D>", "<D>" + stroke + "&#; &#x; &unknown; &amp</D>"}) {
        EXPECT_EQ(load(good).size(), 1u) << good;
    }
    EXPECT_EQ(load("<D><S><P x='&#x2D;&#50;&#x2e;5' y='&#0;7' r='&#x1F600;' a='&#9;1'/></S></D>"),
              (Strokes{{{-2.5f, 0, 0, 1}}}))
        << "references resolve before the number is read; a NUL ends it";
}

// The first child of the drawing decides whether it holds strokes: any node but an
// element says no, white space (also written as references) is no node.
TEST(PageFile, WhatCountsAsTheDrawingsFirstChild) {
    const std::string rest = "<S><P x=\"1\"/></S></D>";
    for (const std::string& none : std::vector<std::string>{"<D><?pi?>", "<D><![CDATA[]]>", "<D><!---->", "<D>&#65;"}) {
        EXPECT_TRUE(load(none + rest).empty()) << none;
    }
    for (const std::string& some : std::vector<std::string>{"<D>\r\n\t ", "<D>&#32;&#x9;", "<D>\v\f", "<D>&#10;"}) {
        EXPECT_EQ(load(some + rest).size(), 1u) << some;
    }
}

// Pages that Windows line ends or an editor's byte-order mark reached still load.
TEST(PageFile, ByteOrderMarkAndWindowsLineEndsLoadTheSameStrokes) {
    std::string crlf;
    for (char c : kExample) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(load(crlf), load(kExample));
    EXPECT_EQ(load("\xEF\xBB\xBF" + kExample), load(kExample));
}

// Decisions where no reader of old could be followed exactly. Each page here is one the
// program never writes.
TEST(PageFile, NonXmlAndStrayMarkupAroundTheDrawing) {
    const std::string drawing = "<D><S><P x=\"1\"/></S></D>";
    for (const std::string& refused :
         std::vector<std::string>{"<D><S><P x=1 /></S></D>", "<D><?xml version='1.0'?>" + drawing.substr(3),
          "<D><!DOCTYPE d>" + drawing.substr(3), "<D><!x>" + drawing.substr(3),
          drawing + "junk<", drawing + "</D>", drawing + "<E>"}) {
        EXPECT_FALSE(io::parsePage(refused)) << refused;
    }
    for (const std::string& loaded :
         std::vector<std::string>{"text" + drawing, drawing + "text", "<!DOCTYPE d [<!ENTITY e 'x'>]>" + drawing,
          "<?xml version='1.0'?><?xml version='1.0'?>" + drawing}) {
        EXPECT_EQ(load(loaded).size(), 1u) << loaded;
    }
}

// Inputs that once crashed, hung or misled the reader of old, and the fuzzers' seeds:
// each loads or is refused, and what loads saves and loads again to the same text.
TEST(PageFile, StoredRegressionAndSeedInputsLoadOrAreRefused) {
    std::size_t files = 0;
    std::size_t loaded = 0;
    for (const char* folder : {"/pages/regressions", "/pages/seeds"}) {
        for (const auto& entry :
             std::filesystem::directory_iterator(std::string(INKBOARD_TESTDATA) + folder)) {
            if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
            ++files;
            const auto page = io::parsePage(iotest::readFile(entry.path()));
            if (!page) continue;
            ++loaded;
            const std::string saved = format(page->strokes);
            EXPECT_EQ(format(load(saved)), saved) << entry.path();
        }
    }
    EXPECT_GT(files, 10u);
    EXPECT_GT(loaded, 5u);
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
    ASSERT_EQ(::mkfifo(dir.file("pipe.xml").c_str(), 0600), 0);
    EXPECT_FALSE(io::readPageFile(dir.file("pipe.xml"))) << "refused, without waiting for a writer";
}

// Every page the program can save, it can load: here 20,000 strokes of 50 points, a
// 71 MB file, far past the node and attribute limits the reader once had.
TEST(PageFile, AMillionPointPageLoadsAndSavesToTheSameBytes) {
    iotest::TempDir dir;
    Strokes strokes(20'000);
    std::uint32_t seed = 1;
    auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    for (auto& stroke : strokes) {
        for (int i = 0; i < 50; ++i) {
            stroke.push_back({static_cast<float>(next() % 900'000'000) * 1e-6f,
                              static_cast<float>(next() % 900'000'000) * 1e-6f,
                              static_cast<float>(next() % 20'000) * 1e-3f,
                              static_cast<float>(next() % 1'000'001) * 1e-6f});
        }
    }
    std::vector<std::span<const ControlPoint>> views(strokes.begin(), strokes.end());
    ASSERT_TRUE(io::writePageFile(dir.file("0.xml"), views));
    const auto page = io::readPageFile(dir.file("0.xml"));
    ASSERT_TRUE(page);
    ASSERT_EQ(page->strokes.size(), strokes.size());
    EXPECT_EQ(format(page->strokes), iotest::readFile(dir.file("0.xml")));
}

TEST(PageFile, AFileOverTheSizeLimitIsRefusedBeforeItIsRead) {
    iotest::TempDir dir;
    const std::string path = dir.file("7.xml");
    iotest::writeFile(path, kExample);
    std::filesystem::resize_file(path, io::kMaxPageFileBytes + 1);  // sparse: no disk used
    testing::internal::CaptureStdout();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(io::readPageFile(path));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Could not load " + path + ": the file is 1025 MB, over the 1024 MB that a page "
              "file may take\n");
}

TEST(PageFile, DecimalCommaLocaleReadsAndWritesPoints) {
    iotest::CommaLocale german;
    IOTEST_REQUIRE_COMMA_LOCALE(german);
    const Strokes strokes{{{100, 200, 5, 1}, {104.5f, 201, 4.8f, 0.9f}}};
    EXPECT_EQ(format(strokes), kExample);
    EXPECT_EQ(load(kExample), strokes);
}

}  // namespace

// The page's paper and background ride on the drawing element: written only when set, read
// back exactly, and values a page cannot take leave the attribute unset.
TEST(PageFile, PaperAndBackgroundRoundTripOnTheDrawingElement) {
    const Strokes strokes{{{100, 200, 5, 1}, {104.5f, 201, 4.8f, 0.9f}}};
    std::vector<std::span<const ControlPoint>> views(strokes.begin(), strokes.end());
    const std::vector<std::pair<io::PageStyle, std::string>> table{
        {{}, "<Drawing>"},
        {{io::Paper::Squared, "", 0}, "<Drawing paper=\"squared\">"},
        {{io::Paper::Plain, "material-3f2a9c01d4e5b6a7.pdf", 3},
         "<Drawing background=\"material-3f2a9c01d4e5b6a7.pdf\" backgroundPage=\"3\">"},
        {{io::Paper::Dotted, "a&b \"<c>\".png", 0},
         "<Drawing background='a&amp;b &quot;&lt;c&gt;&quot;.png' paper=\"dotted\">"},
    };
    for (const auto& [style, element] : table) {
        const std::string text = io::formatPage(views, {}, style);
        EXPECT_EQ(text, kExample.substr(0, kDeclaration.size()) + element +
                            kExample.substr(kDeclaration.size() + 9))
            << element;
        const auto page = io::parsePage(text);
        ASSERT_TRUE(page);
        EXPECT_EQ(page->style, style) << element;
        EXPECT_EQ(page->strokes, strokes);
    }
    const auto odd = io::parsePage(
        "<Drawing paper=\"hexagonal\" backgroundPage=\"0\" background=\"x.png\"><S/></Drawing>");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->style, (io::PageStyle{io::Paper::Plain, "x.png", 0}));
    for (const char* page : {"-2", "3x", "", "99999999999"})
        EXPECT_EQ(io::parsePage("<D backgroundPage=\"" + std::string(page) + "\"/>")->style,
                  io::PageStyle{})
            << page;
    for (const char* name : {"../x.pdf", "/etc/passwd", "a\\b.png", "..", "", "a\nb"})
        EXPECT_FALSE(io::plainFileName(name)) << name;
    EXPECT_TRUE(io::plainFileName("material-3f2a9c01d4e5b6a7.pdf"));
}
