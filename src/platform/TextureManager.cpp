#include "platform/TextureManager.h"

#include <GL/gl.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <iostream>

#include "platform/GlTexture.h"

namespace {
std::uint32_t upload(const QImage& source) {
    // The first image row becomes t = 0. Every quad that shows an asymmetric image puts
    // t = 0 at its top edge, so images are uploaded as stored, not mirrored.
    const QImage img = source.convertToFormat(QImage::Format_RGBA8888);
    return createLinearTexture(GL_RGBA8, img.width(), img.height(), GL_RGBA, img.constBits());
}
}  // namespace

void TextureManager::loadTextures(const std::vector<std::string>& paths) {
    for (const auto& p : paths) {
        QImage img(QString::fromStdString(assetPath(p)));
        if (img.isNull()) {
            std::cout << "Cannot load image " << p << "\n";
            names_.push_back(0);
            continue;
        }
        names_.push_back(upload(img));
    }
}

std::uint32_t TextureManager::getTextureName(std::size_t index) const {
    return index < names_.size() ? names_[index] : 0;
}

namespace {
std::string& assetStartFolder() {
    static std::string folder;
    return folder;
}
}  // namespace

void setAssetStartFolder(const std::string& folder) { assetStartFolder() = folder; }

std::string assetPath(const std::string& relative) {
    const QString rel = QString::fromStdString(relative);
    const std::string& start = assetStartFolder();
    QStringList candidates{start.empty() ? rel : QString::fromStdString(start) + '/' + rel};
    if (QCoreApplication::instance()) {
        const QString exeDir = QCoreApplication::applicationDirPath();
        candidates << exeDir + '/' + rel
                   << QDir::cleanPath(exeDir + QStringLiteral("/" INKBOARD_DATA_FROM_BIN "/") +
                                      rel);
    }
    for (const QString& c : candidates)
        if (QFileInfo(c).isFile()) return c.toStdString();
    return relative;
}
