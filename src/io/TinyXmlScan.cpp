#include "io/TinyXmlScan.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

// Every rule below restates what TinyXML 2.6.2 (as shipped by Debian) does at the same
// byte, including its oddities: names may start with any byte from 127 up, numeric
// character references jump to the next ';' wherever it is, a UTF-8 lead byte swallows
// the bytes after it even when they are markup, and in UTF-8 mode the byte-order mark
// and two other three-byte sequences count as white space. TinyXML reads in UTF-8 mode
// after a byte-order mark or after a first top-level declaration naming no encoding or
// UTF-8, and byte by byte before and otherwise. Character classes come from <cctype>
// with the process locale, as TinyXML's do.
namespace io {

namespace {

constexpr std::size_t kPadding = 8;

// Bytes per character for a UTF-8 lead byte, TinyXML's table (invalid leads count 1).
int utf8Length(unsigned char lead) {
    if (lead < 0xC2) return 1;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    if (lead < 0xF5) return 4;
    return 1;
}

bool isWhiteSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) || c == '\n' || c == '\r';
}

bool isAlpha(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 127 ? std::isalpha(u) != 0 : true;
}

bool isAlphaNum(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 127 ? std::isalnum(u) != 0 : true;
}

enum class Encoding { Unknown, Utf8, Legacy };

class Scanner {
public:
    Scanner(const char* text, const XmlLimits& limits) : text_(text), limits_(limits) {}

    XmlShape run();

private:
    struct OpenElement {
        const char* name;
        std::size_t length;
    };

    // Outcome of one node parse: where TinyXML continues, or that it stops.
    struct Step {
        const char* next = nullptr;  // nullptr: TinyXML's Parse returned 0
        bool error = false;          // TinyXML records a parse error
    };

    bool utf8() const { return encoding_ == Encoding::Utf8; }
    int toLower(int v) const {
        if (utf8()) return v < 128 ? std::tolower(v) : v;
        return std::tolower(v);
    }

    const char* skipWhiteSpace(const char* p) const;
    bool stringEqual(const char* p, const char* tag, bool ignoreCase) const;
    const char* readName(const char* p) const;
    const char* getEntity(const char* p, std::string* value) const;
    const char* getChar(const char* p, std::string* value) const;
    const char* readText(const char* p, const char* endTag, bool trim, std::string* value) const;
    const char* parseAttribute(const char* p, std::string* value) const;
    const char* parseDeclaration(const char* p, std::string* encoding) const;

    Step parseNode(const char* p, bool topLevel);
    Step parseElement(const char* p);
    const char* closeElement(const char* p);
    void chooseEncoding(const std::string& declared);

    bool fail(XmlVerdict verdict) {
        shape_.verdict = verdict;
        return false;
    }
    XmlShape malformed() {
        fail(XmlVerdict::Malformed);
        return shape_;
    }
    bool countNode() { return ++shape_.nodes <= limits_.maxNodes || fail(XmlVerdict::OverLimit); }

    const char* text_;
    const XmlLimits& limits_;
    Encoding encoding_ = Encoding::Unknown;
    std::vector<OpenElement> open_;
    XmlShape shape_;
};

const char* Scanner::skipWhiteSpace(const char* p) const {
    if (!p || !*p) return nullptr;
    if (utf8()) {
        while (*p) {
            const auto* u = reinterpret_cast<const unsigned char*>(p);
            if (u[0] == 0xEF && ((u[1] == 0xBB && u[2] == 0xBF) ||
                                 (u[1] == 0xBF && (u[2] == 0xBE || u[2] == 0xBF)))) {
                p += 3;
                continue;
            }
            if (!isWhiteSpace(*p)) break;
            ++p;
        }
    } else {
        while (*p && isWhiteSpace(*p)) ++p;
    }
    return p;
}

bool Scanner::stringEqual(const char* p, const char* tag, bool ignoreCase) const {
    if (!p || !*p) return false;
    if (ignoreCase) {
        while (*p && *tag && toLower(*p) == toLower(*tag)) ++p, ++tag;
    } else {
        while (*p && *tag && *p == *tag) ++p, ++tag;
    }
    return *tag == 0;
}

const char* Scanner::readName(const char* p) const {
    if (!p || !*p || !(isAlpha(*p) || *p == '_')) return nullptr;
    while (*p && (isAlphaNum(*p) || *p == '_' || *p == '-' || *p == '.' || *p == ':')) ++p;
    return p;
}

// "&#x...;" and "&#...;" run to the next ';' and are valid when the digits just before
// it (back to the 'x' or '#') are; the five named entities; anything else is a lone '&',
// which TinyXML drops from the value.
const char* Scanner::getEntity(const char* p, std::string* value) const {
    if (p[1] == '#' && p[2]) {
        unsigned long ucs = 0;
        unsigned mult = 1;
        const bool hex = p[2] == 'x';
        if (hex && !p[3]) return nullptr;
        const char* q = std::strchr(p + (hex ? 3 : 2), ';');
        if (!q) return nullptr;
        const char* next = q + 1;
        for (--q; *q != (hex ? 'x' : '#'); --q) {
            const char c = *q;
            if (c >= '0' && c <= '9') {
                ucs += mult * static_cast<unsigned>(c - '0');
            } else if (hex && c >= 'a' && c <= 'f') {
                ucs += mult * static_cast<unsigned>(c - 'a' + 10);
            } else if (hex && c >= 'A' && c <= 'F') {
                ucs += mult * static_cast<unsigned>(c - 'A' + 10);
            } else {
                return nullptr;
            }
            mult *= hex ? 16 : 10;
        }
        // Only the declaration's encoding is ever read back, and only before the
        // encoding is known, when TinyXML keeps the low byte.
        if (value) *value += static_cast<char>(ucs);
        return next;
    }
    static constexpr struct {
        const char* text;
        std::size_t length;
        char c;
    } kNamed[] = {{"&amp;", 5, '&'},
                  {"&lt;", 4, '<'},
                  {"&gt;", 4, '>'},
                  {"&quot;", 6, '"'},
                  {"&apos;", 6, '\''}};
    for (const auto& named : kNamed) {
        if (std::strncmp(named.text, p, named.length) == 0) {
            if (value) *value += named.c;
            return p + named.length;
        }
    }
    return p + 1;
}

const char* Scanner::getChar(const char* p, std::string* value) const {
    const int length = utf8() ? utf8Length(static_cast<unsigned char>(*p)) : 1;
    if (length == 1) {
        if (*p == '&') return getEntity(p, value);
        if (value) *value += *p;
        return p + 1;
    }
    if (value) {
        for (int i = 0; p[i] && i < length; ++i) *value += p[i];
    }
    return p + length;  // may step over the terminator into the padding, as TinyXML does
}

const char* Scanner::readText(const char* p, const char* endTag, bool trim,
                              std::string* value) const {
    if (!trim && endTag[1] == 0) {
        // A one-byte end tag (an attribute's quote): the same steps, with plain bytes
        // taken in a tight loop, since page files are mostly attribute values.
        const char end = endTag[0];
        while (p && *p && *p != end) {
            const auto c = static_cast<unsigned char>(*p);
            if (c == '&' || (c >= 0xC2 && utf8())) {
                p = getChar(p, value);
            } else {
                if (value) *value += *p;
                ++p;
            }
        }
    } else if (!trim) {
        while (p && *p && !stringEqual(p, endTag, false)) p = getChar(p, value);
    } else {
        p = skipWhiteSpace(p);
        while (p && *p && !stringEqual(p, endTag, false)) {
            p = isWhiteSpace(*p) ? p + 1 : getChar(p, value);
        }
    }
    if (p && *p) p += std::strlen(endTag);
    return (p && *p) ? p : nullptr;
}

const char* Scanner::parseAttribute(const char* p, std::string* value) const {
    p = skipWhiteSpace(p);
    if (!p || !*p) return nullptr;
    p = readName(p);
    if (!p || !*p) return nullptr;
    p = skipWhiteSpace(p);
    if (!p || !*p || *p != '=') return nullptr;
    p = skipWhiteSpace(p + 1);
    if (!p || !*p) return nullptr;
    if (*p == '\'' || *p == '"') {
        const char quote[2] = {*p, 0};
        return readText(p + 1, quote, false, value);
    }
    while (p && *p && !isWhiteSpace(*p) && *p != '/' && *p != '>') {
        if (*p == '\'' || *p == '"') return nullptr;
        if (value) *value += *p;
        ++p;
    }
    return p;
}

// From "<?xml": attributes version, encoding and standalone (any case) are read as
// attributes, anything else is skipped up to white space or '>'.
const char* Scanner::parseDeclaration(const char* p, std::string* encoding) const {
    p += 5;
    while (p && *p) {
        if (*p == '>') return p + 1;
        p = skipWhiteSpace(p);
        if (!p || !*p) return nullptr;
        if (stringEqual(p, "version", true) || stringEqual(p, "standalone", true)) {
            p = parseAttribute(p, nullptr);
        } else if (stringEqual(p, "encoding", true)) {
            encoding->clear();
            p = parseAttribute(p, encoding);
        } else {
            while (p && *p && *p != '>' && !isWhiteSpace(*p)) ++p;
        }
    }
    return nullptr;
}

void Scanner::chooseEncoding(const std::string& declared) {
    const char* name = declared.c_str();  // TinyXML reads it as a C string
    if (*name == 0 || stringEqual(name, "UTF-8", true) || stringEqual(name, "UTF8", true)) {
        encoding_ = Encoding::Utf8;
    } else {
        encoding_ = Encoding::Legacy;
    }
}

Scanner::Step Scanner::parseNode(const char* p, bool topLevel) {
    if (!countNode()) return {};
    if (stringEqual(p, "<?xml", true)) {
        std::string declared;
        const char* next = parseDeclaration(p, &declared);
        if (topLevel && encoding_ == Encoding::Unknown) chooseEncoding(declared);
        return {next};
    }
    if (stringEqual(p, "<!--", false)) {
        p += 4;
        while (*p && !stringEqual(p, "-->", false)) ++p;
        return {*p ? p + 3 : p};
    }
    if (stringEqual(p, "<![CDATA[", false)) {
        p += 9;
        while (*p && !stringEqual(p, "]]>", false)) ++p;
        return {readText(p, "]]>", false, nullptr)};
    }
    if (isAlpha(p[1]) || p[1] == '_') return parseElement(p);
    ++p;  // anything else ("<!DOCTYPE", "<?pi", "< x") is kept up to the next '>'
    while (*p && *p != '>') ++p;
    return {*p ? p + 1 : p};
}

Scanner::Step Scanner::parseElement(const char* p) {
    const Step failed{nullptr, true};
    const char* name = skipWhiteSpace(p + 1);
    p = readName(name);
    if (!p || !*p) return failed;
    const std::size_t depth = open_.size() + 1;
    shape_.maxDepth = std::max(shape_.maxDepth, depth);
    if (depth > limits_.maxDepth) {
        fail(XmlVerdict::OverLimit);
        return failed;
    }
    const OpenElement element{name, static_cast<std::size_t>(p - name)};
    std::size_t attributes = 0;
    for (;;) {
        p = skipWhiteSpace(p);
        if (!p || !*p) return failed;
        if (*p == '/') return p[1] == '>' ? Step{p + 2} : failed;
        if (*p == '>') {
            open_.push_back(element);  // its content follows
            return {p + 1};
        }
        shape_.attributeChecks += attributes++;
        if (++shape_.attributes > limits_.maxAttributes ||
            shape_.attributeChecks > limits_.maxAttributeChecks) {
            fail(XmlVerdict::OverLimit);
            return failed;
        }
        p = parseAttribute(p, nullptr);
        if (!p || !*p) return failed;
    }
}

// At "</" in the content of the innermost open element: TinyXML wants exactly its name,
// optional white space and '>'.
const char* Scanner::closeElement(const char* p) {
    const OpenElement& element = open_.back();
    p += 2;
    if (std::strncmp(p, element.name, element.length) != 0) return nullptr;
    p = skipWhiteSpace(p + element.length);
    if (!p || *p != '>') return nullptr;
    open_.pop_back();
    return p + 1;
}

XmlShape Scanner::run() {
    const char* p = text_;
    if (!*p) return malformed();
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    if (u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF) encoding_ = Encoding::Utf8;
    bool anyTopLevel = false;
    p = skipWhiteSpace(p);
    while (p && *p) {
        if (open_.empty()) {
            // Document level: text ends the parse quietly, so does a declaration or
            // CDATA section that TinyXML gives up on; a broken element is an error.
            if (*p != '<') break;
            anyTopLevel = true;
            const Step step = parseNode(p, true);
            if (shape_.verdict != XmlVerdict::Accept) return shape_;
            if (!step.next) return step.error ? malformed() : shape_;
            p = step.next;
        } else if (*p != '<') {
            // Text up to the next '<'.
            if (!countNode()) return shape_;
            const char* next = readText(p, "<", true, nullptr);
            if (!next) return malformed();
            p = next - 1;
        } else if (stringEqual(p, "</", false)) {
            p = closeElement(p);
            if (!p) return malformed();
        } else {
            const Step step = parseNode(p, false);
            if (shape_.verdict != XmlVerdict::Accept) return shape_;
            if (!step.next) return malformed();
            p = step.next;
        }
        p = skipWhiteSpace(p);
    }
    if (!open_.empty() || !anyTopLevel) return malformed();
    return shape_;
}

}  // namespace

TinyXmlText::TinyXmlText(std::string_view text) {
    size_ = std::min(text.find('\0'), text.size());
    buffer_.reserve(size_ + kPadding);
    buffer_.assign(text.data(), size_);
    buffer_.append(kPadding, '\0');
}

XmlShape scanForTinyXml(const TinyXmlText& text, const XmlLimits& limits) {
    if (text.size() > limits.maxBytes) {
        XmlShape shape;
        shape.verdict = XmlVerdict::OverLimit;
        return shape;
    }
    return Scanner(text.c_str(), limits).run();
}

}  // namespace io
