#pragma once

// The checks both fuzz targets make on one input. Besides "no crash, no sanitizer report,
// no hang", the pre-scan is compared with TinyXML itself: whatever the scan accepts must
// stay within the depth, node and attribute counts it reported, and whatever it calls
// malformed TinyXML must reject. A loaded page must also survive a save/load cycle.
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#ifndef TIXML_USE_STL
#define TIXML_USE_STL
#endif
#include <tinyxml.h>

#include "io/PageFile.h"
#include "io/TinyXmlScan.h"

namespace pageoracle {

// Inputs up to this size nest at most a third as deep, which TinyXML's recursion
// survives; larger ones are only loaded, not compared.
constexpr std::size_t kCompareBytes = 16384;

struct DomShape {
    std::size_t depth = 0;
    std::size_t nodes = 0;
    std::size_t attributes = 0;
};

inline DomShape measure(const TiXmlNode& root) {
    DomShape shape;
    std::vector<std::pair<const TiXmlNode*, std::size_t>> stack{{&root, 0}};
    while (!stack.empty()) {
        const auto [node, depth] = stack.back();
        stack.pop_back();
        if (const TiXmlElement* element = node->ToElement()) {
            if (depth > shape.depth) shape.depth = depth;
            for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
                ++shape.attributes;
            }
        }
        for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling()) {
            ++shape.nodes;
            stack.push_back({child, child->ToElement() ? depth + 1 : depth});
        }
    }
    return shape;
}

[[noreturn]] inline void violated(const char* what) {
    std::fprintf(stderr, "oracle violated: %s\n", what);
    std::abort();
}

inline std::string format(const io::PageContent& page) {
    std::vector<std::span<const ControlPoint>> views(page.strokes.begin(), page.strokes.end());
    return io::formatPage(views);
}

inline void check(std::string_view text) {
    const auto page = io::parsePage(text);

    if (page) {
        const std::string saved = format(*page);
        const auto again = io::parsePage(saved);
        if (!again) violated("a saved page does not load");
        if (format(*again) != saved) violated("save/load/save changes the text");
    }

    if (text.size() > kCompareBytes) return;
    const io::TinyXmlText input(text);
    const io::XmlShape scan = io::scanForTinyXml(input);
    if (scan.verdict == io::XmlVerdict::OverLimit) return;
    TiXmlDocument document;
    document.Parse(input.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    if (scan.verdict == io::XmlVerdict::Malformed) {
        if (!document.Error()) violated("scan calls malformed what TinyXML accepts");
        return;
    }
    const DomShape dom = measure(document);
    if (dom.depth > scan.maxDepth) violated("TinyXML nests deeper than the scan says");
    if (dom.nodes > scan.nodes) violated("TinyXML builds more nodes than the scan says");
    if (dom.attributes > scan.attributes) violated("TinyXML reads more attributes");
    if (!document.Error() && !page) violated("a document TinyXML accepts does not load");
}

}  // namespace pageoracle
