// Importing through the real toolkit reader: good material becomes pages after the last,
// stored once; bad material is refused with a line and leaves the folder as it was.
#include <gtest/gtest.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include "MaterialFiles.h"
#include "io/IoTestSupport.h"
#include "io/PageFile.h"
#include "material/QtMaterialInspector.h"

using namespace material_test;

namespace {
std::string encrypted(const std::string& pdf) {
    QPDF q;
    q.processMemoryFile("worksheet", pdf.data(), pdf.size());
    QPDFWriter w(q);
    w.setOutputMemory();
    w.setR6EncryptionParameters("secret", "secret", true, true, true, true, true, true,
                                qpdf_r3p_full, true);
    w.write();
    const auto buffer = w.getBufferSharedPointer();
    return {reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize()};
}

// A PNG whose header claims `side` x `side` pixels over a tiny picture's data.
std::string pngClaiming(std::uint32_t side) {
    std::string png = pictureBytes(QImage(4, 4, QImage::Format_RGB32), "PNG");
    for (int i = 0; i < 4; ++i) png[16 + i] = png[20 + i] = static_cast<char>(side >> (24 - 8 * i));
    std::uint32_t crc = 0xFFFFFFFFu;  // over the chunk's type and data, as PNG checks it
    for (int i = 12; i < 29; ++i) {
        crc ^= static_cast<unsigned char>(png[i]);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    crc = ~crc;
    for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
    return png;
}
}  // namespace

TEST(MaterialImport, BadMaterialIsRefusedWithALineAndChangesNothing) {
    iotest::TempDir lesson, outside;
    ASSERT_TRUE(io::writePageFile(lesson.file("0.xml"), {}));
    const std::string pdf = worksheetPdf(2);
    const std::string png = pictureBytes(QImage(30, 20, QImage::Format_RGB32), "PNG");
    const struct {
        const char* name;
        std::string bytes;
        const char* said;
    } cases[] = {
        {"empty.pdf", "", "is empty"},
        {"notes.pdf", "just some text\n", "is not a PDF, PNG, JPEG or SVG file"},
        {"photo.pdf", png, "is named as a PDF but is a PNG picture"},
        {"cut.pdf", pdf.substr(0, pdf.size() / 2), "is a damaged PDF (cut short"},
        {"garbled.pdf", "%PDF-1.4\n" + std::string(3000, 'x') + "\n%%EOF\n", "is a damaged PDF"},
        {"locked.pdf", encrypted(pdf), "is protected by a password"},
        {"huge.png", pngClaiming(50000), "is too large a picture (50000 x 50000 pixels"},
        {"cut.png", png.substr(0, png.size() - 20), "is a damaged picture"},
        {"broken.svg", "<svg xmlns='http://www.w3.org/2000/svg'><rect", "is a damaged SVG"},
    };
    QtMaterialInspector inspector;
    const std::string before = lesson.listing();
    for (const auto& c : cases) {
        writeFile(outside.file(c.name), c.bytes);
        testing::internal::CaptureStdout();
        EXPECT_EQ(material::importFile(lesson.path(), outside.file(c.name), 1, inspector), 0);
        const std::string said = testing::internal::GetCapturedStdout();
        EXPECT_NE(said.find(std::string("Could not import ") + c.name + ": it " + c.said),
                  std::string::npos) << said;
        EXPECT_EQ(lesson.listing(), before) << c.name;
    }
    EXPECT_EQ(material::importFile(lesson.path(), outside.file("absent.pdf"), 1, inspector), 0);
}

TEST(MaterialImport, PagesFollowTheLastPageAndTheSameFileIsStoredOnce) {
    iotest::TempDir lesson, outside;
    for (const char* page : {"0.xml", "1.xml"}) ASSERT_TRUE(io::writePageFile(lesson.file(page), {}));
    writeFile(outside.file("sheet.pdf"), worksheetPdf(3));
    writeFile(outside.file("Photo.JPEG"), pictureBytes(QImage(64, 32, QImage::Format_RGB32), "JPEG"));
    QtMaterialInspector inspector;
    ASSERT_EQ(material::lastPage(lesson.path(), 0), 1);
    EXPECT_EQ(material::importFile(lesson.path(), outside.file("sheet.pdf"), 2, inspector), 3);
    EXPECT_EQ(material::importFile(lesson.path(), outside.file("Photo.JPEG"), 5, inspector), 1);
    // The original may go: the lesson has its own copy.
    std::filesystem::rename(outside.file("sheet.pdf"), outside.file("moved.pdf"));
    EXPECT_EQ(material::importFile(lesson.path(), outside.file("moved.pdf"), 6, inspector), 3);
    EXPECT_EQ(material::lastPage(lesson.path(), 0), 8);

    const std::string pdfName = io::readPageFile(lesson.file("2.xml"))->style.background;
    EXPECT_TRUE(pdfName.starts_with("material-") && pdfName.ends_with(".pdf")) << pdfName;
    int materials = 0;
    for (const auto& e : std::filesystem::directory_iterator(lesson.path()))
        materials += e.path().filename().string().starts_with("material-");
    EXPECT_EQ(materials, 2);
    for (int page = 2; page <= 8; ++page) {
        const auto content = io::readPageFile(lesson.file(std::to_string(page) + ".xml"));
        ASSERT_TRUE(content);
        EXPECT_TRUE(content->strokes.empty());
        if (page == 5) {
            EXPECT_TRUE(content->style.background.ends_with(".jpg"));
            EXPECT_EQ(content->style.backgroundPage, 0u);
        } else {
            EXPECT_EQ(content->style.background, pdfName);
            EXPECT_EQ(content->style.backgroundPage, static_cast<std::uint32_t>((page - 2) % 4 + 1));
        }
    }
    // A page numbered past a gap is never written over: the import is refused whole.
    ASSERT_TRUE(io::writePageFile(lesson.file("10.xml"), {}, {}, {io::Paper::Ruled, "", 0}));
    const std::string before = lesson.listing();
    EXPECT_EQ(material::importFile(lesson.path(), outside.file("moved.pdf"), 9, inspector), 0);
    EXPECT_EQ(lesson.listing(), before);
    EXPECT_EQ(io::readPageFile(lesson.file("10.xml"))->style.paper, io::Paper::Ruled);
}
