#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The teacher's material as the lesson keeps it: a copy of the imported file in the lesson
// folder, named after its contents ("material-<16 hex digits of its hash>.<ext>"), so that
// the same file imported twice is stored once and moving or deleting the original changes
// nothing.
namespace io {

enum class MaterialKind : std::uint8_t { Pdf, Png, Jpeg, Svg };

// "pdf", "png", "jpg", "svg": the stored copy's extension.
const char* materialExtension(MaterialKind kind);
// The kind a file name's extension claims (case does not matter: .pdf, .png, .jpg, .jpeg,
// .svg); nullopt for any other.
std::optional<MaterialKind> kindFromName(std::string_view name);
// The kind the bytes are, from their first bytes (an SVG: an XML or <svg start whose first
// 4 KiB name an svg element); nullopt for anything else.
std::optional<MaterialKind> sniffMaterial(std::string_view bytes);

// Larger files are refused before they are read whole.
inline constexpr std::uint64_t kMaxMaterialBytes = std::uint64_t{1} << 30;

// What is wrong with `bytes` as material named `name`, as the end of a sentence starting
// with the file's name ("is empty", "is not a PDF, PNG, JPEG or SVG file", ...); empty when
// the bytes are a kind the name claims (or any kind, for a name without one) and, for a PDF,
// not cut short before its end-of-file marker.
std::string materialProblem(std::string_view name, std::string_view bytes);

// "material-<hash>.<ext>" for these bytes.
std::string materialFileName(std::string_view bytes, MaterialKind kind);

// Puts `bytes` into `folder` under its content name (safe write) unless an identical file
// is there already; a different file under that name (a hash collision) is not replaced:
// "-2", "-3", ... go before the extension. The name stored under, or nullopt after a
// one-line diagnostic. `created` says whether a new file was written.
std::optional<std::string> storeMaterial(const std::string& folder, std::string_view bytes,
                                         MaterialKind kind, bool* created = nullptr);

// Where material of `width` x `height` (any unit, both positive) lies on the page square
// (0..`side`, canvas units, y up): as large as fits, centred, its aspect kept.
struct Placement {
    float x = 0, y = 0, width = 0, height = 0;
};
Placement fitOnPage(double width, double height, float side = 900.0f);

// Reads a whole file of at most kMaxMaterialBytes; nullopt with `error` set to the end of a
// sentence starting with its name ("cannot be read: No such file or directory").
std::optional<std::string> readMaterialFile(const std::string& path, std::string& error);

}  // namespace io
