#pragma once

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <fstream>
#include <string>

namespace material_test {

// A PDF of `pages` A4 pages, each with a large heading "Worksheet N" and a frame, made as
// teachers' material is.
inline std::string worksheetPdf(int pages) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(72);
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&writer);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(40);
        painter.setFont(font);
        for (int i = 1; i <= pages; ++i) {
            if (i > 1) writer.newPage();
            painter.drawRect(40, 40, 515, 760);
            painter.drawText(80, 140, QStringLiteral("Worksheet %1").arg(i));
            painter.fillRect(80, 200 + 40 * (i % 10), 300, 20, Qt::blue);
        }
    }
    return buffer.data().toStdString();
}

inline std::string pictureBytes(const QImage& image, const char* format) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return buffer.data().toStdString();
}

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace material_test
