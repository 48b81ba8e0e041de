#pragma once

#include "controller/MaterialImport.h"

// Pictures larger than this on a side are refused: decoded whole they would take more
// memory than the board should ever spend on one page (16384 x 16384 x 4 bytes is 1 GiB).
inline constexpr int kMaxPictureSide = 16384;
inline constexpr long long kMaxPicturePixels = 100'000'000;

// Opens PDFs with Poppler (locked ones and ones with a page without a size are refused)
// and decodes pictures with the toolkit's readers, within the limits above.
class QtMaterialInspector : public MaterialInspector {
public:
    QtMaterialInspector();
    MaterialPages inspect(std::string_view bytes, io::MaterialKind kind) override;
};
