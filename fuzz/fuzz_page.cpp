// libFuzzer target for the page loader on raw bytes; see PageOracle.h for the checks.
#include <cstdint>

#include "PageOracle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pageoracle::check(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
