#pragma once

#include <QImage>
#include <QSizeF>
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
    // `box` pixels, aspect kept. `abandon` is asked now and then while a PDF page is drawn:
    // true stops it (a null image without a problem).
    BackgroundImage render(const std::string& file, std::uint32_t page, int box,
                           const std::function<bool()>& abandon = {});

private:
    Poppler::Document* document(const std::string& file, std::string& problem);

    std::string folder_;
    // Most recently used first.
    std::list<std::pair<std::string, std::unique_ptr<Poppler::Document>>> open_;
};
