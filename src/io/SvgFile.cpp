#include "io/SvgFile.h"

#include <cstddef>
#include <string>

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

// One polygon per quadrilateral of the outline.
void writeStroke(XmlWriter& xml, const SvgStrokeOutline& stroke, std::string& points) {
    std::string style = "fill:rgb(";
    style += std::to_string(stroke.colour.r) + ',' + std::to_string(stroke.colour.g) + ',' +
             std::to_string(stroke.colour.b) + ");";
    forEachOutlineQuad(stroke, [&](const float* c, float opacity) {
        points.clear();
        for (int k = 0; k < 4; ++k) {
            if (k > 0) points += ' ';
            appendPoint(points, c[2 * k], c[2 * k + 1]);
        }
        xml.openElement("polygon");
        xml.attribute("points", points);
        xml.attribute("style", style);
        xml.attributeFixed6("opacity", opacity);
        xml.closeElement();
    });
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
