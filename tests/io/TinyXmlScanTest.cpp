#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "io/TinyXmlScan.h"

#ifndef TIXML_USE_STL
#define TIXML_USE_STL
#endif
#include <tinyxml.h>

#include "IoTestSupport.h"
#include "io/PageFile.h"

namespace {

std::size_t domDepth(const TiXmlNode& node, std::size_t depth = 0) {
    std::size_t deepest = depth;
    for (const TiXmlNode* child = node.FirstChild(); child; child = child->NextSibling()) {
        if (child->ToElement()) deepest = std::max(deepest, domDepth(*child, depth + 1));
    }
    return deepest;
}

struct Compared {
    io::XmlShape scan;
    bool tinyXmlError;
    std::size_t tinyXmlDepth;
};

// Scans the text and parses it with TinyXML. Only for small, shallow inputs.
Compared compare(std::string_view text) {
    const io::TinyXmlText input(text);
    TiXmlDocument document;
    document.Parse(input.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    return {io::scanForTinyXml(input), document.Error(), domDepth(document)};
}

// Each case is built so that a scanner reading plain XML would see "</a>" close the
// outer element early and miss one level of TinyXML's nesting.
TEST(TinyXmlScan, FollowsTinyXmlWhereItReadsOverMarkup) {
    struct Case {
        const char* what;
        std::string text;
        std::size_t depth;
    };
    const std::string bom = "\xEF\xBB\xBF";
    const std::vector<Case> cases{
        {"plain nesting", "<a><b><c/></b></a>", 3},
        {"character reference runs to the next ';'", "<a>&#x</a>x1;<b><c/></b></a>", 3},
        {"decimal reference likewise", "<a>&#</a>#1;<b><c/></b></a>", 3},
        {"...and inside an attribute value", "<a><b v=\"&#x\"></b>x1;\"><c/></b></a>", 3},
        {"UTF-8 lead byte after a byte-order mark", bom + "<a>\xE0</a>x<b><c/></b></a>", 3},
        {"UTF-8 lead byte after a UTF-8 declaration",
         "<?xml version='1.0' encoding='utf-8'?><a>\xE0</a>x<b><c/></b></a>", 3},
        {"lead bytes are single bytes without a declaration", "<a>\xE0</a>", 1},
        {"lead bytes are single bytes in a legacy encoding",
         "<?xml version='1.0' encoding='ISO-8859-1'?><a>\xE0</a>", 1},
        {"declared encoding read through entities",
         "<?xml encoding='&#x55;TF-8'?><a>\xE0</a>x<b><c/></b></a>", 3},
        {"byte-order marks are white space in UTF-8", bom + "<a \xEF\xBF\xBE v='1'><b/></a>", 2},
        {"comments, CDATA and unknown nodes hide markup",
         "<a><!-- </a> --><![CDATA[</a>]]><!x </a><b/></a>", 2},
        {"'>' inside a quoted value", "<a v='>'><b/></a>", 2},
        {"text after the root ends the parse quietly", "<a/>text<b><c><d>", 1},
        {"end tag with white space", "<a><b></b  ></a >", 2},
    };
    for (const Case& c : cases) {
        const Compared result = compare(c.text);
        EXPECT_FALSE(result.tinyXmlError) << c.what;
        EXPECT_EQ(result.tinyXmlDepth, c.depth) << c.what;
        EXPECT_EQ(result.scan.verdict, io::XmlVerdict::Accept) << c.what;
        EXPECT_EQ(result.scan.maxDepth, c.depth) << c.what;
    }
}

TEST(TinyXmlScan, WhatItCallsMalformedTinyXmlRejects) {
    for (const std::string text :
         {"", " \n", "plain text", "<a>", "<a></b>", "<a></ab>", "<a/ >", "<a v=1'/>", "<a v='1/>",
          "<a><b>&#xq;</b></a>", "<a>\xEF\xBB\xBF", "<a>text", "<a><?xml v</a>", "<a><![CDATA[x]]>",
          "<a \xEF\xBF\xBE v='1'><b/></a>"}) {
        const Compared result = compare(text);
        EXPECT_EQ(result.scan.verdict, io::XmlVerdict::Malformed) << text;
        EXPECT_TRUE(result.tinyXmlError) << text;
    }
}

TEST(TinyXmlScan, StopsAtEachLimit) {
    const io::TinyXmlText text("<a x='1' y='2'><b><c/></b><b/><!-- 6 nodes --></a>");
    EXPECT_EQ(io::scanForTinyXml(text).verdict, io::XmlVerdict::Accept);
    EXPECT_EQ(io::scanForTinyXml(text).nodes, 5u);
    EXPECT_EQ(io::scanForTinyXml(text).attributes, 2u);
    EXPECT_EQ(io::scanForTinyXml(text).attributeChecks, 1u);
    auto over = [&](auto change) {
        io::XmlLimits limits;
        change(limits);
        return io::scanForTinyXml(text, limits).verdict == io::XmlVerdict::OverLimit;
    };
    EXPECT_TRUE(over([](io::XmlLimits& l) { l.maxBytes = 10; }));
    EXPECT_TRUE(over([](io::XmlLimits& l) { l.maxDepth = 2; }));
    EXPECT_FALSE(over([](io::XmlLimits& l) { l.maxDepth = 3; }));
    EXPECT_TRUE(over([](io::XmlLimits& l) { l.maxNodes = 4; }));
    EXPECT_TRUE(over([](io::XmlLimits& l) { l.maxAttributes = 1; }));
    EXPECT_TRUE(over([](io::XmlLimits& l) { l.maxAttributeChecks = 0; }));
}

// Inputs that once crashed, hung or slipped past the scan, and the seeds of the fuzz
// target: each must load or fail cleanly, and shallow ones must agree with TinyXML.
TEST(TinyXmlScan, StoredRegressionAndSeedInputsLoadSafely) {
    std::size_t files = 0;
    for (const char* folder : {"/pages/regressions", "/pages/seeds"}) {
        for (const auto& entry :
             std::filesystem::directory_iterator(std::string(INKBOARD_TESTDATA) + folder)) {
            if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
            ++files;
            const std::string text = iotest::readFile(entry.path());
            const auto page = io::parsePage(text);
            if (text.size() > 16384) continue;
            const Compared result = compare(text);
            SCOPED_TRACE(entry.path().string());
            if (result.scan.verdict == io::XmlVerdict::Malformed) {
                EXPECT_TRUE(result.tinyXmlError);
            } else if (result.scan.verdict == io::XmlVerdict::Accept) {
                EXPECT_LE(result.tinyXmlDepth, result.scan.maxDepth);
                EXPECT_EQ(page.has_value(), !result.tinyXmlError);
            }
        }
    }
    EXPECT_GT(files, 4u);
}

}  // namespace
