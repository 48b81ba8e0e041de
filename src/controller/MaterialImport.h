#pragma once

#include <string>
#include <string_view>

#include "io/Material.h"

// What the toolkit makes of a material file's bytes: how many pages it gives (a picture
// gives one), or why it cannot be used.
struct MaterialPages {
    int count = 0;
    // The end of a sentence starting with the file's name ("is protected by a password");
    // empty when the material can be used.
    std::string problem;
};

// Reads material with the windowing layer's toolkit (PDF pages, decoded pictures); the
// controller decides where it goes. Any thread.
class MaterialInspector {
public:
    virtual ~MaterialInspector() = default;
    virtual MaterialPages inspect(std::string_view bytes, io::MaterialKind kind) = 0;
};

namespace material {

// A PDF with more pages is refused: each of its pages would be a page file.
inline constexpr int kMaxImportPages = 5000;

// The lesson's last page in `folder`: `current`, or the last of the page files that follow
// it without a gap.
int lastPage(const std::string& folder, int current);

// Brings the file at `source` into the lesson in `folder`: its bytes are checked, stored
// under their content name and one page file per page written from `firstPage` on, each
// naming the material and (for a PDF) its page. Returns the pages added; 0 after one line
// on standard output saying why, with nothing in the folder changed: also when a page
// file it would write is there already, for it never replaces one.
int importFile(const std::string& folder, const std::string& source, int firstPage,
               MaterialInspector& inspector);

}  // namespace material
