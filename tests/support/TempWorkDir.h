#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

// Runs a test in a fresh empty working directory (page files and logs are read from and
// written to the working directory) and removes it afterwards.
class TempWorkDir {
public:
    TempWorkDir() : previous_(std::filesystem::current_path()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "inkboard-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
        std::filesystem::current_path(path_);
    }
    ~TempWorkDir() {
        std::filesystem::current_path(previous_);
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempWorkDir(const TempWorkDir&) = delete;
    TempWorkDir& operator=(const TempWorkDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};
