#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace io {

// Builds XML text in the layout of TinyXML 1's printer, which the page, SVG and command
// log files keep: the declaration line, each element on its own line indented by four
// blanks per level, attributes as ` name="value"`, childless elements closed with " />",
// and a line break after every top-level node. Elements are written as they are opened,
// so a writer holds only the names of the open ones.
class XmlWriter {
public:
    // `<?xml version="1.0" ?>` and a line break (no encoding, no standalone).
    void declaration();

    // Starts an element inside the innermost open one (or at the top level).
    void openElement(std::string_view name);

    // Adds an attribute to the element just opened; valid until its first child opens.
    // The value is escaped as TinyXML does (& < > " ' and control characters).
    void attribute(std::string_view name, std::string_view value);
    void attributeFixed6(std::string_view name, double value);  // printf "%f"
    void attributeInteger(std::string_view name, long long value);

    // Closes the innermost open element.
    void closeElement();

    // Opens and closes an element with no attributes and no children.
    void emptyElement(std::string_view name);

    int openDepth() const { return static_cast<int>(open_.size()); }

    // The text so far; complete once every element is closed.
    const std::string& text() const { return out_; }
    std::string take() { return std::move(out_); }

    // Reserves room for a document of about this many bytes.
    void reserve(std::size_t bytes) { out_.reserve(bytes); }

private:
    struct Open {
        std::string name;
        bool hasChildren = false;
    };

    void beginAttribute(std::string_view name);
    void indent(std::size_t depth);

    std::string out_;
    std::vector<Open> open_;
};

// Escapes an attribute value the way TinyXML's printer does, except that TinyXML copies
// a "&#x" sequence through unescaped (up to the next ';', or to the end of the value),
// which can leave an ill-formed file; here it is escaped like any other '&'.
void appendEscaped(std::string& out, std::string_view value);

}  // namespace io
