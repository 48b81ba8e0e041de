#include "io/PageFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>

#include "geometry/StdFallbacks.h"
#include "io/HexColour.h"
#include "io/NumberFormat.h"
#include "io/PageReader.h"
#include "io/SafeFile.h"
#include "io/XmlWriter.h"

namespace io {

namespace {

// Bytes one control point takes in a page, for reserving the output.
constexpr std::size_t kBytesPerPoint = 80;

void refuse(const std::string& path, const char* reason) {
    std::printf("Could not load %s: %s\n", path.c_str(), reason);
    std::fflush(stdout);
}

struct OpenFile {
    int fd;
    ~OpenFile() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

std::optional<PageContent> parsePage(std::string_view text) {
    const auto buffer = compat::makeCharBuffer(text.size());
    std::copy(text.begin(), text.end(), buffer.get());
    return parsePageInPlace(buffer.get(), text.size());
}

std::optional<PageContent> readPageFile(const std::string& path) {
    // Non-blocking, so that a pipe or device under a page's name cannot stall the opening;
    // only regular files are read.
    const OpenFile file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    struct stat info {};
    if (file.fd < 0 || ::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size > kMaxPageFileBytes) {
        char reason[128];
        std::snprintf(reason, sizeof reason,
                      "the file is %llu MB, over the %llu MB that a page file may take",
                      static_cast<unsigned long long>((size + (1 << 20) - 1) >> 20),
                      static_cast<unsigned long long>(kMaxPageFileBytes >> 20));
        refuse(path, reason);
        return std::nullopt;
    }
    try {
        const auto buffer = compat::makeCharBuffer(size);
        std::size_t filled = 0;  // a file that shrank meanwhile is read as it now is
        while (filled < size) {
            const ssize_t n = ::read(file.fd, buffer.get() + filled, size - filled);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return std::nullopt;
            if (n == 0) break;
            filled += static_cast<std::size_t>(n);
        }
        return parsePageInPlace(buffer.get(), filled);
    } catch (const std::bad_alloc&) {
        refuse(path, "there is not enough memory to load it");
        return std::nullopt;
    }
}

std::string formatPage(std::span<const std::span<const ControlPoint>> strokes,
                       std::span<const Rgb> colours, const PageStyle& style) {
    std::size_t points = 0;
    for (const auto& stroke : strokes) points += stroke.size();
    XmlWriter xml;
    xml.reserve(64 + 32 * strokes.size() + kBytesPerPoint * points);
    xml.declaration();
    xml.openElement("Drawing");
    for (const auto& [name, value] : styleAttributes(style)) xml.attribute(name, value);
    for (std::size_t i = 0; i < strokes.size(); ++i) {
        xml.openElement("Stroke");
        if (i < colours.size() && !colours[i].isBlack())
            xml.attribute("color", formatHexColour(colours[i]));
        for (const ControlPoint& point : strokes[i]) {
            xml.openElement("CP");
            xml.attributeFixed6("x", point.x);
            xml.attributeFixed6("y", point.y);
            xml.attributeFixed6("r", point.r);
            xml.attributeFixed6("a", point.a);
            xml.closeElement();
        }
        xml.closeElement();
    }
    xml.closeElement();
    return xml.take();
}

std::size_t strokeTextBytes(std::span<const ControlPoint> points, Rgb colour) {
    // "\n    <Stroke", color="#rrggbb", then ">", a line per point and "\n    </Stroke>",
    // or " />" without points; a point is "\n        <CP", four x="..." and " />". These
    // mirror formatPage's layout; the tests compare the two on random pages.
    constexpr std::size_t kOpen = 12, kColour = 16, kClose = 15, kEmptyClose = 3, kPoint = 35;
    std::size_t bytes = kOpen + (colour.isBlack() ? 0 : kColour);
    if (points.empty()) return bytes + kEmptyClose;
    bytes += kClose;
    for (const ControlPoint& p : points) {
        bytes += kPoint + fixed6Length(p.x) + fixed6Length(p.y) + fixed6Length(p.r) + fixed6Length(p.a);
    }
    return bytes;
}

bool writePageFile(const std::string& path, std::span<const std::span<const ControlPoint>> strokes,
                   std::span<const Rgb> colours, const PageStyle& style) {
    return replaceFileContents(path, formatPage(strokes, colours, style));
}

}  // namespace io
