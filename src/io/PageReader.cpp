#include "io/PageReader.h"

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "io/HexColour.h"
#include "io/NumberFormat.h"
#include "io/XmlReferences.h"

namespace io {

namespace {

// Comments, processing instructions, declarations, doctypes and CDATA sections become
// nodes, because a non-element first child of the drawing ends the load. References
// stay unresolved (the reader resolves and checks them), and values keep their bytes:
// the number parser skips any leading white space itself.
constexpr unsigned kParseOptions = pugi::parse_cdata | pugi::parse_comments | pugi::parse_pi |
                                   pugi::parse_declaration | pugi::parse_doctype;

bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool sameName(const char* a, const char* b) { return a[0] == b[0] && std::strcmp(a, b) == 0; }

// Whether an element's attribute names are distinct, seen in one pass over them. Pages
// give each point four attributes, so the first few names are compared pairwise as they
// come; an element with more has its names sorted instead, which keeps elements with
// very many attributes from costing the square of their number.
class AttributeNames {
public:
    // False when `name` repeats one of the first few.
    bool add(const char* name) {
        if (count_ < kCompared) {
            for (std::size_t i = 0; i < count_; ++i) {
                if (sameName(names_[i], name)) return false;
            }
            names_[count_] = name;
        }
        ++count_;
        return true;
    }

    // After the last add: whether all names of `element` are distinct.
    bool distinct(pugi::xml_node element) const {
        if (count_ <= kCompared) return true;
        std::vector<std::string_view> all;
        all.reserve(count_);
        for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
            all.emplace_back(a.name());
        }
        std::sort(all.begin(), all.end());
        return std::adjacent_find(all.begin(), all.end()) == all.end();
    }

private:
    static constexpr std::size_t kCompared = 8;
    std::array<const char*, kCompared> names_{};
    std::size_t count_ = 0;
};

// Walks pugixml's document the way pages have always been read, and checks the two
// rules of well-formed XML that pugixml leaves to its caller: an element's attribute
// names are distinct, and character references are well formed. A document that breaks
// either does not load, wherever it does so.
class PageReader {
public:
    // `mayHoldReferences`: false when the text has no '&', so that no value needs resolving.
    explicit PageReader(bool mayHoldReferences) : mayHoldReferences_(mayHoldReferences) {}

    // The first element of the document is the drawing, whatever its name.
    std::optional<PageContent> read(const pugi::xml_document& document) {
        PageContent page;
        bool drawingSeen = false;
        for (pugi::xml_node node = document.first_child(); node; node = node.next_sibling()) {
            const bool drawing = !drawingSeen && node.type() == pugi::node_element;
            drawingSeen = drawingSeen || drawing;
            if (!(drawing ? readDrawing(node, page) : wellFormedSubtree(node))) {
                return std::nullopt;
            }
        }
        return page;
    }

private:
    // Its element children are strokes; but a drawing whose first child is not an element
    // (a comment, say) holds nothing. Text that is only white space is no child.
    bool readDrawing(pugi::xml_node drawing, PageContent& page) {
        if (!wellFormedElement(drawing)) return false;
        for (pugi::xml_attribute a = drawing.first_attribute(); a; a = a.next_attribute()) {
            // Values are known to be well formed; one that cannot be set stays unset.
            setStyleAttribute(page.style, a.name(), resolved(a.value()));
        }
        pugi::xml_node first = drawing.first_child();
        while (first && isBlankText(first)) first = first.next_sibling();
        const bool holdsStrokes = first && first.type() == pugi::node_element;
        for (pugi::xml_node node = drawing.first_child(); node; node = node.next_sibling()) {
            const bool stroke = holdsStrokes && node.type() == pugi::node_element;
            if (!(stroke ? readStroke(node, page) : wellFormedSubtree(node))) return false;
        }
        return true;
    }

    // The stroke's element children are its points, whatever their names. A stroke
    // without points is skipped.
    bool readStroke(pugi::xml_node stroke, PageContent& page) {
        if (!wellFormedElement(stroke)) return false;
        const Rgb colour = readColour(stroke.attribute("color"));
        std::vector<ControlPoint> points;
        for (pugi::xml_node node = stroke.first_child(); node; node = node.next_sibling()) {
            if (node.type() == pugi::node_element) {
                ControlPoint point;
                if (!readPoint(node, point)) return false;
                points.push_back(point);
            } else if (!wellFormedSubtree(node)) {
                return false;
            }
        }
        if (!points.empty()) {
            page.strokes.push_back(std::move(points));
            page.colours.push_back(colour);
        }
        return true;
    }

    // Black unless the value is '#' and six hexadecimal digits. The element's values are
    // known to be well formed.
    Rgb readColour(pugi::xml_attribute attribute) const {
        if (!attribute) return Rgb{};
        return parseHexColour(resolved(attribute.value())).value_or(Rgb{});
    }

    // A well-formed value with its references resolved.
    std::string resolved(const char* raw) const {
        if (mayHoldReferences_ && std::strchr(raw, '&')) return resolveReferences(raw).value_or("");
        return raw;
    }

    // The attributes x, y, r and a; a missing one reads 0.
    bool readPoint(pugi::xml_node element, ControlPoint& point) {
        point = {0.0f, 0.0f, 0.0f, 0.0f};
        AttributeNames names;
        for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
            const char* name = a.name();
            if (!names.add(name)) return false;
            float* target = nullptr;
            if (name[0] != '\0' && name[1] == '\0') {
                switch (name[0]) {
                    case 'x': target = &point.x; break;
                    case 'y': target = &point.y; break;
                    case 'r': target = &point.r; break;
                    case 'a': target = &point.a; break;
                    default: break;
                }
            }
            const char* raw = a.value();
            if (mayHoldReferences_ && std::strchr(raw, '&')) {
                const std::optional<std::string> value = resolveReferences(raw);
                if (!value) return false;
                if (target) *target = parseLeadingFloat(*value);
            } else if (target) {
                *target = parseLeadingFloat(raw);
            }
        }
        if (!names.distinct(element)) return false;
        for (pugi::xml_node node = element.first_child(); node; node = node.next_sibling()) {
            if (!wellFormedSubtree(node)) return false;
        }
        return true;
    }

    bool isBlankText(pugi::xml_node node) const {
        if (node.type() != pugi::node_pcdata) return false;
        const char* raw = node.value();
        const std::optional<std::string> text =
            mayHoldReferences_ ? resolveReferences(raw) : std::optional<std::string>(raw);
        return text && std::all_of(text->begin(), text->end(), isCSpace);
    }

    bool wellFormedValue(const char* raw) const {
        return !mayHoldReferences_ || !std::strchr(raw, '&') || resolveReferences(raw).has_value();
    }

    bool wellFormedElement(pugi::xml_node element) const {
        AttributeNames names;
        for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
            if (!names.add(a.name()) || !wellFormedValue(a.value())) return false;
        }
        return names.distinct(element);
    }

    bool wellFormedNode(pugi::xml_node node) const {
        switch (node.type()) {
            case pugi::node_element: return wellFormedElement(node);
            case pugi::node_pcdata: return wellFormedValue(node.value());
            default: return true;  // comments, CDATA, PIs and the like hold no references
        }
    }

    // The node and everything below it, without recursion: pages of any depth load.
    bool wellFormedSubtree(pugi::xml_node top) const {
        pugi::xml_node node = top;
        while (true) {
            if (!wellFormedNode(node)) return false;
            if (pugi::xml_node child = node.first_child()) {
                node = child;
                continue;
            }
            while (node != top && !node.next_sibling()) node = node.parent();
            if (node == top) return true;
            node = node.next_sibling();
        }
    }

    bool mayHoldReferences_;
};

}  // namespace

std::optional<PageContent> parsePageInPlace(char* text, std::size_t size) {
    size = std::find(text, text + size, '\0') - text;
    const bool mayHoldReferences = std::memchr(text, '&', size) != nullptr;
    pugi::xml_document document;
    const pugi::xml_parse_result result =
        document.load_buffer_inplace(text, size, kParseOptions, pugi::encoding_utf8);
    if (result.status == pugi::status_out_of_memory) throw std::bad_alloc();
    // A document of comments or declarations without an element is an empty page, but
    // text without any node is no page.
    const bool nodesButNoElement =
        result.status == pugi::status_no_document_element && document.first_child();
    if (!result && !nodesButNoElement) return std::nullopt;
    return PageReader(mayHoldReferences).read(document);
}

}  // namespace io
