#include "app/WorkFolder.h"

#include <unistd.h>

#include <QDir>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>

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

std::unique_ptr<io::FolderLock> lockWorkFolder(std::string& error) {
    std::error_code ec;
    const std::string folder = std::filesystem::current_path(ec).string();
    auto lock = std::make_unique<io::FolderLock>(".");
    switch (lock->state()) {
        case io::FolderLock::State::Held:
            break;
        case io::FolderLock::State::InUse:
            error = "the folder \"" + folder + "\" is in use by another copy of inkboard" +
                    (lock->holder() > 0 ? " (process " + std::to_string(lock->holder()) + ")" : "") +
                    "; one copy at a time works on a folder";
            return nullptr;
        case io::FolderLock::State::Unavailable:
            std::cout << "Could not lock the folder \"" << folder << "\" (" << lock->error()
                      << "); make sure no other copy of inkboard uses it\n";
            break;
    }
    return lock;
}
