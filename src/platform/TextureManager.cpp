#include "platform/TextureManager.h"

#include <GL/gl.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <iostream>

namespace {
std::uint32_t upload(const QImage& source) {
    // The first image row becomes t = 0. Every quad that shows an asymmetric image puts
    // t = 0 at its top edge, so images are uploaded as stored, not mirrored.
    const QImage img = source.convertToFormat(QImage::Format_RGBA8888);
    GLuint name = 0;
    glGenTextures(1, &name);
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, img.width(), img.height(), 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, img.constBits());
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    return name;
}
}  // namespace

void TextureManager::loadTextures(const std::vector<std::string>& paths) {
    const std::string root = findAssetRoot();
    for (const auto& p : paths) {
        QImage img(QString::fromStdString(root + p));
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

std::string findAssetRoot() {
    if (QFileInfo(QStringLiteral("images")).isDir()) return {};
    const QString exeDir =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (!exeDir.isEmpty() && QFileInfo(exeDir + QStringLiteral("/images")).isDir())
        return (exeDir + QLatin1Char('/')).toStdString();
    return {};
}
