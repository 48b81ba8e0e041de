#include "io/XmlWriter.h"

#include <cassert>

#include "io/NumberFormat.h"

namespace io {

void appendEscaped(std::string& out, std::string_view value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char c : value) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                if (u < 32) {
                    out += "&#x";
                    out += kHex[u >> 4];
                    out += kHex[u & 15];
                    out += ';';
                } else {
                    out += c;
                }
        }
    }
}

void XmlWriter::declaration() { out_ += "<?xml version=\"1.0\" ?>\n"; }

void XmlWriter::indent(std::size_t depth) { out_.append(depth * 4, ' '); }

void XmlWriter::openElement(std::string_view name) {
    if (!open_.empty()) {
        Open& parent = open_.back();
        if (!parent.hasChildren) {
            out_ += '>';
            parent.hasChildren = true;
        }
        out_ += '\n';
    }
    indent(open_.size());
    out_ += '<';
    out_ += name;
    open_.push_back({std::string(name), false});
}

void XmlWriter::beginAttribute(std::string_view name) {
    assert(!open_.empty() && !open_.back().hasChildren);
    out_ += ' ';
    out_ += name;
    out_ += "=\"";
}

void XmlWriter::attribute(std::string_view name, std::string_view value) {
    // TinyXML quotes with ' when the raw value holds a " (which it escapes anyway).
    assert(!open_.empty() && !open_.back().hasChildren);
    const char quote = value.find('"') == std::string_view::npos ? '"' : '\'';
    out_ += ' ';
    out_ += name;
    out_ += '=';
    out_ += quote;
    appendEscaped(out_, value);
    out_ += quote;
}

void XmlWriter::attributeFixed6(std::string_view name, double value) {
    beginAttribute(name);
    appendFixed6(out_, value);
    out_ += '"';
}

void XmlWriter::attributeInteger(std::string_view name, long long value) {
    beginAttribute(name);
    out_ += formatInteger(value);
    out_ += '"';
}

void XmlWriter::closeElement() {
    assert(!open_.empty());
    const Open& element = open_.back();
    if (element.hasChildren) {
        out_ += '\n';
        indent(open_.size() - 1);
        out_ += "</";
        out_ += element.name;
        out_ += '>';
    } else {
        out_ += " />";
    }
    open_.pop_back();
    if (open_.empty()) out_ += '\n';
}

void XmlWriter::emptyElement(std::string_view name) {
    openElement(name);
    closeElement();
}

}  // namespace io
