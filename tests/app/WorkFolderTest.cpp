#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/WorkFolder.h"
#include "io/PageFile.h"
#include "support/TempWorkDir.h"

namespace fs = std::filesystem;

TEST(WorkFolder, CreatesAndEntersTheFolderOrLeavesTheWorkingDirectoryAlone) {
    TempWorkDir tmp;
    const fs::path start = fs::current_path();
    std::ofstream("a file") << "x";
    std::string error;
    for (const char* bad : {"a file", "a file/pages", ""}) {
        error.clear();
        EXPECT_FALSE(enterWorkFolder(bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
        EXPECT_EQ(fs::current_path(), start) << bad;
    }
    ASSERT_TRUE(enterWorkFolder("classes/3b", error)) << error;
    EXPECT_EQ(fs::current_path(), start / "classes" / "3b");
    ASSERT_TRUE(enterWorkFolder(start.string(), error)) << "an existing folder: " << error;
    EXPECT_EQ(fs::current_path(), start);
}

// The installed program (cmake --install into a fresh prefix) started on a folder: it finds
// its images only in the installed data folder, and everything it writes lands in its folder.
TEST(WorkFolder, TheInstalledProgramWritesPagesExportsAndLogsInItsFolder) {
    TempWorkDir tmp;
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start("cmake", {"--install", INKBOARD_BUILD_DIR, "--prefix", "root"});
    ASSERT_TRUE(install.waitForFinished(60000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAll().toStdString();
    fs::create_directory("start");
    fs::current_path("start");
    std::ofstream("stroke.replay") << "mouse press 300 300 left\nmouse move 340 320 left\n"
                                      "mouse release 380 300 left\nkey S\nkey E\nkey Escape\n";
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start("../root/bin/inkboard", {"--replay", "stroke.replay", "class 3b/pages"});
    ASSERT_TRUE(p.waitForFinished(60000));
    const std::string out = p.readAll().toStdString();
    EXPECT_EQ(p.exitCode(), 0) << out;
    EXPECT_EQ(out.find("Cannot load image"), std::string::npos) << out;
    const QDir pages("class 3b/pages");
    EXPECT_TRUE(pages.exists("0.xml"));
    EXPECT_TRUE(pages.exists("0.svg"));
    EXPECT_EQ(pages.entryList({"*.log"}).size(), 1);
    EXPECT_EQ(QDir(".").entryList(QDir::Files).join(' ').toStdString(), "stroke.replay")
        << "nothing written where the program was started";
}

// Two copies of the real program on one folder: the second (which would save and so remove
// the first one's live journal) is refused while the first draws, naming it; the first
// copy's strokes all survive its kill -9, and the next copy gets the folder.
TEST(WorkFolder, OneCopyAtATimeWorksOnAFolder) {
    TempWorkDir tmp;
    std::ofstream first("first.replay");
    first << "echo started\n";
    for (int y = 80; y < 80 + 12 * 18; y += 18) {  // 12 strokes clear of the menu and the band
        first << "mouse press 350 " << y << " left\nmouse move 500 " << y << " left\nmouse release 650 "
              << y << " left\nwait 250\n";
    }
    first << "echo drawn\nwait 60000\n";
    first.close();
    std::ofstream("save.replay") << "key S\n";
    QProcess a, b, c;
    for (QProcess* p : {&a, &b, &c}) p->setProcessChannelMode(QProcess::MergedChannels);
    const auto run = [](QProcess& p, const char* script) {
        p.start(INKBOARD_BUILD_DIR "/inkboard", {"--replay", script, "lesson"});
        return p.waitForStarted() && (script != std::string("save.replay") || p.waitForFinished(60000));
    };
    QByteArray aSaid;
    const auto aSays = [&](const QByteArray& line) {
        for (int i = 0; i < 600 && !aSaid.contains(line) && a.state() == QProcess::Running; ++i) {
            a.waitForReadyRead(100);
            aSaid += a.readAll();
        }
        return aSaid.contains(line);
    };
    ASSERT_TRUE(run(a, "first.replay") && aSays("started\n")) << aSaid.toStdString();
    ASSERT_TRUE(run(b, "save.replay"));
    const std::string bSaid = b.readAll().toStdString();
    EXPECT_EQ(b.exitCode(), 1) << bSaid;
    EXPECT_NE(bSaid.find("in use by another copy of inkboard (process " + std::to_string(a.processId())),
              std::string::npos) << bSaid;

    ASSERT_TRUE(aSays("drawn\n")) << aSaid.toStdString();
    QTest::qWait(300);  // the journal's thread writes the last record
    a.kill();
    ASSERT_TRUE(a.waitForFinished(10000) && run(c, "save.replay"));
    EXPECT_EQ(c.exitCode(), 0) << c.readAll().toStdString();
    const std::optional<io::PageContent> page = io::readPageFile("lesson/0.xml");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->strokes.size(), 12u);
}
