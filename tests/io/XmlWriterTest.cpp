#include <gtest/gtest.h>

#include <span>

#include "io/PageFile.h"
#include "io/SvgFile.h"
#include "io/XmlWriter.h"

namespace {

// The expected texts are what TinyXML 1's printer (TiXmlDocument::SaveFile) wrote for the
// same documents, whose layout the files keep.
TEST(XmlWriter, MatchesTinyXmlsPrinterForNestingAndEscaping) {
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
    EXPECT_EQ(xml.text(),
              "<?xml version=\"1.0\" ?>\n"
              "<Root plain=\"value\">\n"
              "    <Branch escaped=\"a&amp;b&lt;c&gt;d&apos;e&#x09;f\" quoted='say &quot;hi&quot;'>\n"
              "        <Leaf n=\"1\" />\n"
              "        <Inner>\n"
              "            <Deep />\n"
              "        </Inner>\n"
              "    </Branch>\n"
              "    <Empty />\n"
              "</Root>\n");
}

TEST(XmlWriter, PageAndSvgTextEqualTinyXmlsOutput) {
    const std::vector<std::vector<ControlPoint>> strokes{
        {{100, 200, 5, 1}, {104.5f, 201, 4.8f, 0.9f}}, {{-1.25f, 1e6f, 0, 0}}};
    std::vector<std::span<const ControlPoint>> views(strokes.begin(), strokes.end());
    EXPECT_EQ(io::formatPage(views),
              "<?xml version=\"1.0\" ?>\n"
              "<Drawing>\n"
              "    <Stroke>\n"
              "        <CP x=\"100.000000\" y=\"200.000000\" r=\"5.000000\" a=\"1.000000\" />\n"
              "        <CP x=\"104.500000\" y=\"201.000000\" r=\"4.800000\" a=\"0.900000\" />\n"
              "    </Stroke>\n"
              "    <Stroke>\n"
              "        <CP x=\"-1.250000\" y=\"1000000.000000\" r=\"0.000000\" a=\"0.000000\" />\n"
              "    </Stroke>\n"
              "</Drawing>\n");

    const io::SvgStrokeOutline outline{{0, 1, 2, 3, 4, 5, 6, 7}, {0.5f}, {}};
    EXPECT_EQ(io::formatSvg(std::span(&outline, 1)),
              "<?xml version=\"1.0\" ?>\n"
              "<svg width=\"100%\" height=\"100%\" version=\"1.1\" "
              "xmlns=\"http://www.w3.org/2000/svg\">\n"
              "    <polygon points=\"0,1 2,3 6,7 4,5\" style=\"fill:rgb(0,0,0);\" "
              "opacity=\"0.500000\" />\n"
              "</svg>\n");
}

}  // namespace
