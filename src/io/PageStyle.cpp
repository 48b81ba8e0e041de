#include "io/PageStyle.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace io {

namespace {
constexpr std::array<const char*, kPaperKinds> kPaperNames{"plain", "ruled", "squared", "dotted"};
constexpr std::string_view kBackground = "background";
constexpr std::string_view kBackgroundPage = "backgroundPage";
constexpr std::string_view kPaper = "paper";

}  // namespace

std::string styleAttribute(const PageStyle& style, std::string_view name) {
    if (name == kBackground) return style.background;
    if (name == kBackgroundPage)
        return style.backgroundPage ? std::to_string(style.backgroundPage) : std::string();
    if (name == kPaper) return style.paper == Paper::Plain ? std::string() : paperName(style.paper);
    return {};
}

const char* paperName(Paper paper) {
    const auto i = static_cast<std::size_t>(paper);
    return i < kPaperNames.size() ? kPaperNames[i] : kPaperNames[0];
}

std::optional<Paper> parsePaper(std::string_view name) {
    for (std::size_t i = 0; i < kPaperNames.size(); ++i)
        if (name == kPaperNames[i]) return static_cast<Paper>(i);
    return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> styleAttributes(const PageStyle& style) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const std::string_view name : {kBackground, kBackgroundPage, kPaper}) {
        std::string value = styleAttribute(style, name);
        if (!value.empty()) out.emplace_back(name, std::move(value));
    }
    return out;
}

bool setStyleAttribute(PageStyle& style, std::string_view name, std::string_view value) {
    if (name == kBackground) {
        style.background = value;
        return true;
    }
    if (name == kBackgroundPage) {
        if (value.empty()) {
            style.backgroundPage = 0;
            return true;
        }
        std::uint32_t page = 0;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), page);
        if (ec != std::errc() || end != value.data() + value.size() || page == 0) return false;
        style.backgroundPage = page;
        return true;
    }
    if (name == kPaper) {
        if (value.empty()) {
            style.paper = Paper::Plain;
            return true;
        }
        const std::optional<Paper> paper = parsePaper(value);
        if (!paper) return false;
        style.paper = *paper;
        return true;
    }
    return false;
}

std::vector<PageAttributeChange> styleChanges(const PageStyle& before, const PageStyle& after) {
    std::vector<PageAttributeChange> out;
    // Ascending by name.
    for (const std::string_view name : {kBackground, kBackgroundPage, kPaper}) {
        std::string a = styleAttribute(before, name), b = styleAttribute(after, name);
        if (a != b) out.push_back({std::string(name), std::move(a), std::move(b)});
    }
    return out;
}

std::optional<PageStyle> withChanges(PageStyle style, const std::vector<PageAttributeChange>& changes,
                                     bool undoing) {
    for (const PageAttributeChange& c : changes)
        if (!setStyleAttribute(style, c.name, undoing ? c.before : c.after)) return std::nullopt;
    return style;
}

bool plainFileName(std::string_view name) {
    if (name.empty() || name.size() > 255 || name == "." || name == "..") return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    });
}

}  // namespace io
