#pragma once

#include <QImage>
#include <QSizeF>
#include <array>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>

#include "io/Material.h"

namespace Poppler {
class Document;
}

// A page's background as drawn: the image (top row first, opaque, RGBA 8 bits a channel)
// and where it lies on the page square (canvas units, y up).
struct BackgroundImage {
    QImage image;
    io::Placement placement;
    // Why it could not be drawn (the end of a sentence starting with the file's name, "is
    // missing"); empty when drawn or abandoned.
    std::string problem;
};

// Whole pages are drawn at most this many pixels on a side (64 MiB at 4 bytes a pixel); a
// view that needs them sharper gets the part of the page it shows drawn on its own.
inline constexpr int kMaxWholeBox = 4096;
// A part of a PDF page is drawn as a piece of the page fitted in at most this box, itself
// at most kMaxWholeBox on a side.
inline constexpr int kMaxPartBox = 16384;

// Why a background whose file is not in the lesson folder is not drawn.
inline constexpr const char* kMissingProblem = "is missing";

// Whether a page or picture size (points or pixels) can be fitted on the page.
bool pageSizeUsable(QSizeF size);
// Poppler's own complaints about damaged files go nowhere: the program says what matters.
void quietPoppler();

// Draws backgrounds from the material files of a lesson folder, keeping the PDFs it opened
// last open. Poppler documents are not shared between threads: each thread has its own.
class BackgroundSource {
public:
    explicit BackgroundSource(std::string folder);
    ~BackgroundSource();
    BackgroundSource(const BackgroundSource&) = delete;
    BackgroundSource& operator=(const BackgroundSource&) = delete;

    // Page `page` (counted from 1; 0 is the first) of `file`, fitted inside a square of
    // `box` pixels, aspect kept; for a PDF with a `region`, only the part of that picture
    // inside it (placed where that part lies). `abandon` is asked now and then while a PDF
    // page is drawn: true stops it (a null image without a problem).
    BackgroundImage render(const std::string& file, std::uint32_t page, int box,
                           const std::function<bool()>& abandon = {},
                           const std::array<int, 4>& region = {});

private:
    Poppler::Document* document(const std::string& file, std::string& problem);

    std::string folder_;
    // Most recently used first.
    std::list<std::pair<std::string, std::unique_ptr<Poppler::Document>>> open_;
};
