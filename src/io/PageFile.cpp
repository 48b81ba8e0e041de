#include "io/PageFile.h"

#ifndef TIXML_USE_STL
#define TIXML_USE_STL  // the library is built with it; the class layouts depend on it
#endif
#include <tinyxml.h>

#include <cstdio>

#include "io/NumberFormat.h"
#include "io/SafeFile.h"
#include "io/TinyXmlScan.h"
#include "io/XmlWriter.h"

namespace io {

namespace {

// Bytes one control point takes in a page, for reserving the output.
constexpr std::size_t kBytesPerPoint = 80;

float readAttribute(const TiXmlElement& element, const char* name) {
    const char* text = element.Attribute(name);
    return text ? parseLeadingFloat(text) : 0.0f;
}

// The first element of the document is the drawing, whatever its name. Its element
// children are strokes, and theirs are points, again whatever their names; but a
// drawing whose first child is not an element (a comment, say) holds nothing.
PageContent readDocument(const TiXmlDocument& document) {
    PageContent page;
    const TiXmlElement* drawing = document.FirstChildElement();
    if (!drawing) return page;
    const TiXmlNode* first = drawing->FirstChild();
    if (!first || !first->ToElement()) return page;
    for (const TiXmlElement* stroke = first->ToElement(); stroke;
         stroke = stroke->NextSiblingElement()) {
        std::vector<ControlPoint> points;
        for (const TiXmlElement* point = stroke->FirstChildElement(); point;
             point = point->NextSiblingElement()) {
            points.push_back({readAttribute(*point, "x"), readAttribute(*point, "y"),
                              readAttribute(*point, "r"), readAttribute(*point, "a")});
        }
        if (!points.empty()) page.strokes.push_back(std::move(points));
    }
    return page;
}

}  // namespace

std::optional<PageContent> parsePage(std::string_view text) {
    const XmlLimits limits;
    if (text.size() > limits.maxBytes) return std::nullopt;
    const TinyXmlText input(text);
    if (scanForTinyXml(input, limits).verdict != XmlVerdict::Accept) return std::nullopt;
    TiXmlDocument document;
    document.Parse(input.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    if (document.Error()) return std::nullopt;
    return readDocument(document);
}

std::optional<PageContent> readPageFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return std::nullopt;
    // Read one byte past the limit so that an oversized file is recognised as such.
    const std::size_t cap = XmlLimits{}.maxBytes + 1;
    std::string text;
    char buffer[1 << 16];
    bool ok = true;
    while (text.size() < cap) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, file);
        text.append(buffer, std::min(n, cap - text.size()));
        if (n < sizeof buffer) {
            ok = !std::ferror(file);
            break;
        }
    }
    std::fclose(file);
    if (!ok) return std::nullopt;
    return parsePage(text);
}

std::string formatPage(std::span<const std::span<const ControlPoint>> strokes) {
    std::size_t points = 0;
    for (const auto& stroke : strokes) points += stroke.size();
    XmlWriter xml;
    xml.reserve(64 + 32 * strokes.size() + kBytesPerPoint * points);
    xml.declaration();
    xml.openElement("Drawing");
    for (const auto& stroke : strokes) {
        xml.openElement("Stroke");
        for (const ControlPoint& point : stroke) {
            xml.openElement("CP");
            xml.attributeFixed6("x", point.x);
            xml.attributeFixed6("y", point.y);
            xml.attributeFixed6("r", point.r);
            xml.attributeFixed6("a", point.a);
            xml.closeElement();
        }
        xml.closeElement();
    }
    xml.closeElement();
    return xml.take();
}

bool writePageFile(const std::string& path,
                   std::span<const std::span<const ControlPoint>> strokes) {
    return replaceFileContents(path, formatPage(strokes));
}

}  // namespace io
