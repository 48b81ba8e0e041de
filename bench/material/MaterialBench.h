#pragma once

#include <string>

#include "material/MaterialFiles.h"

namespace material_bench {

// The 200-page worksheet the material benchmarks page through, made once a run.
inline const std::string& longPdf() {
    static const std::string pdf = material_test::worksheetPdf(200);
    return pdf;
}

}  // namespace material_bench
