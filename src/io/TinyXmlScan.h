#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A pre-flight check for text about to be handed to TinyXML 1, which has no limits of its
// own: it parses recursively (about 37,500 nested elements overflow an 8 MB stack),
// walks up to the document for every element (time grows with the square of the depth),
// checks every new attribute against the element's others (square of their number) and
// allocates a few hundred bytes per node. The scan follows TinyXML's own reading rules
// byte for byte, without recursion and without allocating per node, so it knows the
// depth, node and attribute counts TinyXML will reach before TinyXML runs.
namespace io {

// Generous for pages, whose elements nest three deep and carry four attributes each. A
// page of 100,000 control points is 6.3 MB of text, 100,000 nodes and 400,000
// attributes, which TinyXML turns into about 70 MB in a tenth of a second. TinyXML
// takes about 215 bytes per node and 125 per attribute, so at these limits it needs at
// most about half a gigabyte and a few seconds.
struct XmlLimits {
    std::size_t maxBytes = std::size_t{64} << 20;
    std::size_t maxDepth = 256;
    std::size_t maxNodes = 1'000'000;
    std::size_t maxAttributes = 2'000'000;
    // Name comparisons TinyXML makes to reject duplicate attributes.
    std::size_t maxAttributeChecks = 16'000'000;
};

enum class XmlVerdict {
    Accept,     // within the limits; TinyXML may still report an error the scan ignores
    Malformed,  // TinyXML would report a parse error
    OverLimit,  // too large or too deeply nested to parse safely
};

struct XmlShape {
    XmlVerdict verdict = XmlVerdict::Accept;
    std::size_t maxDepth = 0;         // deepest element nesting TinyXML reaches
    std::size_t nodes = 0;            // at least the nodes TinyXML creates
    std::size_t attributes = 0;       // attributes TinyXML creates
    std::size_t attributeChecks = 0;  // duplicate-name comparisons among them
};

// The bytes TinyXML sees: the text up to its first NUL (TinyXML stops there, and its
// multi-byte steps could otherwise jump over it), followed by NULs so that the steps of
// up to four bytes it takes past the end stay inside the buffer.
class TinyXmlText {
public:
    explicit TinyXmlText(std::string_view text);
    const char* c_str() const { return buffer_.c_str(); }
    std::size_t size() const { return size_; }

private:
    std::string buffer_;
    std::size_t size_ = 0;
};

// Counts what TinyXML will build from `text` (parsed with its default encoding
// detection) and stops early once a limit is passed or a parse error is certain.
XmlShape scanForTinyXml(const TinyXmlText& text, const XmlLimits& limits = {});

}  // namespace io
