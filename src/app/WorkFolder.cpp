#include "app/WorkFolder.h"

#include <unistd.h>

#include <QDir>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <filesystem>

bool enterWorkFolder(const std::string& folder, std::string& error) {
    namespace fs = std::filesystem;
    const fs::path path(folder);
    const std::string quoted = "\"" + folder + "\"";
    std::error_code ec;
    if (!fs::is_directory(path, ec)) {
        if (fs::exists(path, ec)) {
            error = "cannot use " + quoted + ": it is not a folder";
            return false;
        }
        fs::create_directories(path, ec);
        if (ec) {
            error = "cannot create the folder " + quoted + ": " + ec.message();
            return false;
        }
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        error = "cannot write in the folder " + quoted + ": " + std::strerror(errno);
        return false;
    }
    fs::current_path(path, ec);
    if (ec) {
        error = "cannot enter the folder " + quoted + ": " + ec.message();
        return false;
    }
    return true;
}

std::string documentsWorkFolder() {
    // Reads the XDG user-dirs configuration; needs no application object.
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty()) documents = QDir::homePath() + QStringLiteral("/Documents");
    return (documents + QStringLiteral("/inkboard")).toStdString();
}
