#include "io/Material.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "io/Checksum.h"
#include "io/SafeFile.h"

namespace io {

namespace {
bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

const char* kindName(MaterialKind kind) {
    switch (kind) {
        case MaterialKind::Pdf: return "PDF";
        case MaterialKind::Png: return "PNG picture";
        case MaterialKind::Jpeg: return "JPEG picture";
        case MaterialKind::Svg: return "SVG picture";
    }
    return "";
}

// The whole file, or nullopt when it cannot be read.
std::optional<std::string> readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}
}  // namespace

const char* materialExtension(MaterialKind kind) {
    constexpr std::array<const char*, 4> names{"pdf", "png", "jpg", "svg"};
    return names[static_cast<std::size_t>(kind)];
}

std::optional<MaterialKind> kindFromName(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return std::nullopt;
    const std::string ext = lower(name.substr(dot + 1));
    if (ext == "pdf") return MaterialKind::Pdf;
    if (ext == "png") return MaterialKind::Png;
    if (ext == "jpg" || ext == "jpeg") return MaterialKind::Jpeg;
    if (ext == "svg") return MaterialKind::Svg;
    return std::nullopt;
}

std::optional<MaterialKind> sniffMaterial(std::string_view bytes) {
    // A PDF's header may follow some junk within its first KiB, as readers allow.
    if (bytes.substr(0, 1024).find("%PDF-") != std::string_view::npos) return MaterialKind::Pdf;
    if (startsWith(bytes, "\x89PNG\r\n\x1a\n")) return MaterialKind::Png;
    if (startsWith(bytes, "\xff\xd8\xff")) return MaterialKind::Jpeg;
    std::string_view head = bytes.substr(0, 4096);
    if (startsWith(head, "\xef\xbb\xbf")) head.remove_prefix(3);
    const std::size_t text = head.find_first_not_of(" \t\r\n");
    if (text != std::string_view::npos && head[text] == '<' &&
        head.find("<svg") != std::string_view::npos)
        return MaterialKind::Svg;
    return std::nullopt;
}

std::string materialProblem(std::string_view name, std::string_view bytes) {
    if (bytes.empty()) return "is empty";
    const std::optional<MaterialKind> kind = sniffMaterial(bytes);
    if (!kind) return "is not a PDF, PNG, JPEG or SVG file";
    const std::optional<MaterialKind> claimed = kindFromName(name);
    if (claimed && *claimed != *kind)
        return std::string("is named as a ") + kindName(*claimed) + " but is a " + kindName(*kind);
    // Every PDF ends with an end-of-file marker; one without it was cut short, and its
    // pages' contents (which come before their index) may be missing.
    if (*kind == MaterialKind::Pdf &&
        bytes.substr(bytes.size() > 1024 ? bytes.size() - 1024 : 0).find("%%EOF") ==
            std::string_view::npos)
        return "is a damaged PDF (cut short before its end)";
    return {};
}

std::string materialFileName(std::string_view bytes, MaterialKind kind) {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(contentHash(bytes)));
    return std::string("material-") + hex + "." + materialExtension(kind);
}

std::optional<std::string> storeMaterial(const std::string& folder, std::string_view bytes,
                                         MaterialKind kind, bool* created) {
    if (created) *created = false;
    const std::string base = materialFileName(bytes, kind);
    const std::string stem = base.substr(0, base.rfind('.'));
    for (int n = 1; n < 1000; ++n) {
        const std::string name =
            n == 1 ? base : stem + "-" + std::to_string(n) + "." + materialExtension(kind);
        const std::string path = (std::filesystem::path(folder) / name).string();
        std::error_code ec;
        if (std::filesystem::exists(path, ec)) {
            const std::optional<std::string> there = readWhole(path);
            if (there && *there == bytes) return name;
            continue;  // another file under this name: it is never replaced
        }
        if (!replaceFileContents(path, bytes)) return std::nullopt;
        if (created) *created = true;
        return name;
    }
    std::cout << "Could not find a free name for " << base << "\n";
    return std::nullopt;
}

Placement fitOnPage(double width, double height, float side) {
    if (!(width > 0.0 && height > 0.0)) return {};
    const double scale = side / std::max(width, height);
    Placement p;
    p.width = static_cast<float>(std::min<double>(side, width * scale));
    p.height = static_cast<float>(std::min<double>(side, height * scale));
    p.x = (side - p.width) / 2.0f;
    p.y = (side - p.height) / 2.0f;
    return p;
}

std::optional<std::string> readMaterialFile(const std::string& path, std::string& error) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) {
        error = "does not exist";
        return std::nullopt;
    }
    if (!std::filesystem::is_regular_file(status)) {
        error = "is not a file";
        return std::nullopt;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxMaterialBytes) {
        error = "is too large (more than 1 GiB)";
        return std::nullopt;
    }
    errno = 0;
    std::optional<std::string> bytes = readWhole(path);
    if (!bytes) error = std::string("cannot be read: ") + std::strerror(errno ? errno : EIO);
    return bytes;
}

}  // namespace io
