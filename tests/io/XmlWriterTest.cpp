#include <gtest/gtest.h>

#include <cstdio>
#include <span>

#include "io/XmlWriter.h"

#ifndef TIXML_USE_STL
#define TIXML_USE_STL
#endif
#include <tinyxml.h>

#include "io/PageFile.h"
#include "io/SvgFile.h"

namespace {

// What TinyXML's own printer writes for a document (TiXmlDocument::SaveFile).
std::string tinyXmlText(const TiXmlDocument& document) {
    std::FILE* file = std::tmpfile();
    EXPECT_NE(file, nullptr);
    document.SaveFile(file);
    std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    EXPECT_EQ(std::fread(text.data(), 1, text.size(), file), text.size());
    std::fclose(file);
    return text;
}

TiXmlElement* addElement(TiXmlNode& parent, const char* name) {
    return parent.LinkEndChild(new TiXmlElement(name))->ToElement();
}

TEST(XmlWriter, MatchesTinyXmlsPrinterForNestingAndEscaping) {
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    TiXmlElement* root = addElement(document, "Root");
    root->SetAttribute("plain", "value");
    TiXmlElement* branch = addElement(*root, "Branch");
    branch->SetAttribute("escaped", "a&b<c>d'e\tf");
    branch->SetAttribute("quoted", "say \"hi\"");
    addElement(*branch, "Leaf")->SetAttribute("n", "1");
    addElement(*addElement(*branch, "Inner"), "Deep");
    addElement(*root, "Empty");

    io::XmlWriter xml;
    xml.declaration();
    xml.openElement("Root");
    xml.attribute("plain", "value");
    xml.openElement("Branch");
    xml.attribute("escaped", "a&b<c>d'e\tf");
    xml.attribute("quoted", "say \"hi\"");
    xml.openElement("Leaf");
    xml.attributeInteger("n", 1);
    xml.closeElement();
    xml.openElement("Inner");
    xml.emptyElement("Deep");
    xml.closeElement();
    xml.closeElement();
    xml.emptyElement("Empty");
    xml.closeElement();
    EXPECT_EQ(xml.openDepth(), 0);
    EXPECT_EQ(xml.text(), tinyXmlText(document));
}

// The page and SVG writers, against the same documents built with TinyXML and numbers
// formatted as TinyXML's "%f" would in the C locale.
TEST(XmlWriter, PageAndSvgTextEqualTinyXmlsOutput) {
    const std::vector<std::vector<ControlPoint>> strokes{
        {{100, 200, 5, 1}, {104.5f, 201, 4.8f, 0.9f}}, {{-1.25f, 1e6f, 0, 0}}};
    TiXmlDocument page;
    page.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    TiXmlElement* drawing = addElement(page, "Drawing");
    for (const auto& stroke : strokes) {
        TiXmlElement* element = addElement(*drawing, "Stroke");
        for (const ControlPoint& p : stroke) {
            TiXmlElement* cp = addElement(*element, "CP");
            char text[64];
            for (const auto& [name, value] :
                 {std::pair{"x", p.x}, {"y", p.y}, {"r", p.r}, {"a", p.a}}) {
                std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
                cp->SetAttribute(name, text);
            }
        }
    }
    std::vector<std::span<const ControlPoint>> views(strokes.begin(), strokes.end());
    EXPECT_EQ(io::formatPage(views), tinyXmlText(page));

    TiXmlDocument svg;
    svg.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    TiXmlElement* root = addElement(svg, "svg");
    root->SetAttribute("width", "100%");
    root->SetAttribute("height", "100%");
    root->SetAttribute("version", "1.1");
    root->SetAttribute("xmlns", "http://www.w3.org/2000/svg");
    TiXmlElement* polygon = addElement(*root, "polygon");
    polygon->SetAttribute("points", "0,1 2,3 6,7 4,5");
    polygon->SetAttribute("style", "fill:rgb(0,0,0);");
    polygon->SetAttribute("opacity", "0.500000");
    const io::SvgStrokeOutline outline{{0, 1, 2, 3, 4, 5, 6, 7}, {0.5f}};
    EXPECT_EQ(io::formatSvg(std::span(&outline, 1)), tinyXmlText(svg));
}

}  // namespace
