#include "io/SvgFile.h"

#include <cmath>
#include <cstddef>
#include <string>

#include "io/NumberFormat.h"
#include "io/PaperPattern.h"
#include "io/SafeFile.h"
#include "io/XmlWriter.h"

namespace io {

namespace {

void appendPoint(std::string& out, float x, float y) {
    appendGeneral6(out, x);
    out += ',';
    appendGeneral6(out, y);
}

// One polygon per quadrilateral of the outline; a dot is a circle.
void writeStroke(XmlWriter& xml, const SvgStrokeOutline& stroke, std::string& points) {
    std::string style = "fill:rgb(";
    style += std::to_string(stroke.colour.r) + ',' + std::to_string(stroke.colour.g) + ',' +
             std::to_string(stroke.colour.b) + ");";
    if (const std::optional<OutlineDot> dot = outlineDot(stroke)) {
        xml.openElement("circle");
        xml.attributeFixed6("cx", dot->x);
        xml.attributeFixed6("cy", dot->y);
        xml.attributeFixed6("r", dot->radius);
        xml.attribute("style", style);
        xml.attributeFixed6("opacity", dot->opacity);
        xml.closeElement();
        return;
    }
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

std::string rgb(Rgb c) {
    return "rgb(" + std::to_string(c.r) + ',' + std::to_string(c.g) + ',' + std::to_string(c.b) +
           ')';
}

void writePaper(XmlWriter& xml, Paper paper) {
    const PaperPattern pattern = paperPattern(paper);
    for (const PaperLine& l : pattern.lines) {
        xml.openElement("line");
        xml.attributeFixed6("x1", l.x0);
        xml.attributeFixed6("y1", l.y0);
        xml.attributeFixed6("x2", l.x1);
        xml.attributeFixed6("y2", l.y1);
        xml.attribute("stroke", rgb(l.margin ? kPaperMarginColour : kPaperRuleColour));
        xml.attributeFixed6("stroke-width", kPaperLineWidth);
        xml.closeElement();
    }
    const std::string fill = rgb(kPaperRuleColour);
    for (std::size_t i = 0; i + 1 < pattern.dots.size(); i += 2) {
        xml.openElement("circle");
        xml.attributeFixed6("cx", pattern.dots[i]);
        xml.attributeFixed6("cy", pattern.dots[i + 1]);
        xml.attributeFixed6("r", kPaperDotRadius);
        xml.attribute("fill", fill);
        xml.closeElement();
    }
}

// The picture upright on the page: SVG runs y down, the canvas up, so it is flipped about
// the page's middle as the strokes are.
void writeBackground(XmlWriter& xml, const SvgBackground& b) {
    xml.openElement("image");
    xml.attributeFixed6("x", b.x);
    xml.attributeFixed6("y", b.y);
    xml.attributeFixed6("width", b.width);
    xml.attributeFixed6("height", b.height);
    xml.attribute("preserveAspectRatio", "none");
    xml.attribute("transform", "matrix(1 0 0 -1 0 " + std::to_string(2 * b.y + b.height) + ")");
    xml.attribute("xlink:href", "data:" + b.dataUri);
    xml.closeElement();
}

}  // namespace

std::optional<OutlineDot> outlineDot(const SvgStrokeOutline& stroke) {
    const std::vector<float>& v = stroke.positions;
    if (v.size() != 4 || stroke.opacities.size() != 1) return std::nullopt;
    const float radius = std::hypot(v[0] - v[2], v[1] - v[3]) * 0.5f;
    OutlineDot dot{(v[0] + v[2]) * 0.5f, (v[1] + v[3]) * 0.5f, radius, stroke.opacities[0]};
    // A damaged page's point can be anywhere; what is not a number is left out.
    if (!std::isfinite(dot.x) || !std::isfinite(dot.y) || !std::isfinite(dot.radius) ||
        !std::isfinite(dot.opacity))
        return std::nullopt;
    return dot;
}

std::string formatSvg(std::span<const SvgStrokeOutline> strokes, Paper paper,
                      const SvgBackground* background) {
    XmlWriter xml;
    xml.declaration();
    xml.openElement("svg");
    xml.attribute("width", "100%");
    xml.attribute("height", "100%");
    xml.attribute("version", "1.1");
    xml.attribute("xmlns", "http://www.w3.org/2000/svg");
    // SVG 1.1 names an image's data through XLink.
    if (background) xml.attribute("xmlns:xlink", "http://www.w3.org/1999/xlink");
    if (background) writeBackground(xml, *background);
    writePaper(xml, paper);
    std::string points;
    for (const SvgStrokeOutline& stroke : strokes) writeStroke(xml, stroke, points);
    xml.closeElement();
    return xml.take();
}

bool writeSvgFile(const std::string& path, std::span<const SvgStrokeOutline> strokes,
                  Paper paper, const SvgBackground* background) {
    return replaceFileContents(path, formatSvg(strokes, paper, background));
}

}  // namespace io
