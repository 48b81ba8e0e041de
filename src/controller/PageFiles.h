#pragma once

#include <cstdint>
#include <string>

// Page files live in the working directory, named by the page number in decimal.
inline std::string pageFileName(int page) { return std::to_string(page) + ".xml"; }
inline std::string svgFileName(int page) { return std::to_string(page) + ".svg"; }
inline std::string commandLogFileName(std::uint32_t startStamp) {
    return std::to_string(startStamp) + ".log";
}
