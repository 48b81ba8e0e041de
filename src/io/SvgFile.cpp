#include "io/SvgFile.h"

#include <cstddef>

#include "io/NumberFormat.h"
#include "io/SafeFile.h"
#include "io/XmlWriter.h"

namespace io {

namespace {

void appendPoint(std::string& out, float x, float y) {
    appendGeneral6(out, x);
    out += ',';
    appendGeneral6(out, y);
}

// One quadrilateral per pair of consecutive ribs: rib k left, rib k right, rib k+1
// right, rib k+1 left, so the outline is walked around without crossing itself.
void writeStroke(XmlWriter& xml, const SvgStrokeOutline& stroke, std::string& points) {
    const std::vector<float>& v = stroke.positions;
    for (std::size_t k = 0; k < stroke.opacities.size(); ++k) {
        const std::size_t i = 4 * k;
        if (i + 8 > v.size()) break;  // malformed outline: fewer ribs than opacities
        points.clear();
        appendPoint(points, v[i], v[i + 1]);
        points += ' ';
        appendPoint(points, v[i + 2], v[i + 3]);
        points += ' ';
        appendPoint(points, v[i + 6], v[i + 7]);
        points += ' ';
        appendPoint(points, v[i + 4], v[i + 5]);
        xml.openElement("polygon");
        xml.attribute("points", points);
        xml.attribute("style", "fill:rgb(0,0,0);");
        xml.attributeFixed6("opacity", stroke.opacities[k]);
        xml.closeElement();
    }
}

}  // namespace

std::string formatSvg(std::span<const SvgStrokeOutline> strokes) {
    XmlWriter xml;
    xml.declaration();
    xml.openElement("svg");
    xml.attribute("width", "100%");
    xml.attribute("height", "100%");
    xml.attribute("version", "1.1");
    xml.attribute("xmlns", "http://www.w3.org/2000/svg");
    std::string points;
    for (const SvgStrokeOutline& stroke : strokes) writeStroke(xml, stroke, points);
    xml.closeElement();
    return xml.take();
}

bool writeSvgFile(const std::string& path, std::span<const SvgStrokeOutline> strokes) {
    return replaceFileContents(path, formatSvg(strokes));
}

}  // namespace io
