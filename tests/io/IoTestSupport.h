#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace iotest {

// A fresh folder under the system temp folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "inkboard-io-XXXXXX");
        path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Names of the entries in the folder, sorted.
    std::string listing() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        std::string out;
        for (const auto& name : names) out += name + ";";
        return out;
    }

private:
    std::string path_;
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Switches the process to a German locale (decimal comma) for its lifetime, compiling
// the locale into a temporary folder when the system has not installed it. Skips the
// test when neither works.
class CommaLocale {
public:
    CommaLocale() {
        if (activate()) return;
        // Compiled once per build folder; localedef takes about a second.
        const std::string folder = std::string(INKBOARD_BUILD_DIR) + "/locales";
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
        if (!std::filesystem::exists(folder + "/de_DE.UTF-8/LC_NUMERIC")) {
            const std::string command =
                "localedef -i de_DE -f UTF-8 '" + folder + "/de_DE.UTF-8' >/dev/null 2>&1";
            // localedef exits non-zero on mere warnings, so judge by what it made.
            [[maybe_unused]] const int status = std::system(command.c_str());
            if (!std::filesystem::exists(folder + "/de_DE.UTF-8/LC_NUMERIC")) return;
        }
        ::setenv("LOCPATH", folder.c_str(), 1);
        usedLocPath_ = true;
        activate();
    }
    ~CommaLocale() {
        std::setlocale(LC_ALL, "C");
        if (usedLocPath_) ::unsetenv("LOCPATH");
    }
    bool active() const { return active_; }

private:
    bool activate() {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
            if (std::setlocale(LC_ALL, name)) {
                char text[16];
                std::snprintf(text, sizeof text, "%.1f", 1.5);
                active_ = std::string(text) == "1,5";
                if (active_) return true;
            }
        }
        return false;
    }

    bool usedLocPath_ = false;
    bool active_ = false;
};

#define IOTEST_REQUIRE_COMMA_LOCALE(guard)                   \
    if (!(guard).active())                                   \
    GTEST_SKIP() << "no German locale available (localedef " \
                    "de_DE failed); decimal-comma test skipped"

}  // namespace iotest
