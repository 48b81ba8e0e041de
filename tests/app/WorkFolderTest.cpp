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

// Two copies of the real program on one folder: the second is refused while the first
// draws, naming the first; the first copy's strokes all survive its kill -9, and the next
// copy gets the folder (the system released the lock with the killed process).
TEST(WorkFolder, OneCopyAtATimeWorksOnAFolder) {
    TempWorkDir tmp;
    constexpr int kStrokes = 12;
    std::ofstream first("first.replay");
    first << "echo started\n";
    for (int i = 0; i < kStrokes; ++i) {
        const std::string y = std::to_string(80 + 18 * i);  // clear of the menu and the band
        first << "mouse press 350 " << y << " left\nmouse move 500 " << y << " left\nmouse release 650 "
              << y << " left\nwait 250\n";
    }
    first << "echo drawn\nwait 60000\n";
    first.close();
    std::ofstream("save.replay") << "key S\n";
    const auto start = [](QProcess& p, const char* script) {
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(INKBOARD_BUILD_DIR "/inkboard", {"--replay", script, "lesson"});
        p.waitForStarted();
    };
    const auto waitFor = [](QProcess& p, const QByteArray& line, QByteArray& out) {
        for (int i = 0; i < 600 && !out.contains(line) && p.state() == QProcess::Running; ++i) {
            p.waitForReadyRead(100);
            out += p.readAll();
        }
        return out.contains(line);
    };
    QProcess a;
    QByteArray aSaid;
    start(a, "first.replay");
    ASSERT_TRUE(waitFor(a, "started\n", aSaid)) << aSaid.toStdString();

    QProcess b;  // saving would remove the first copy's live journal
    start(b, "save.replay");
    ASSERT_TRUE(b.waitForFinished(60000));
    const std::string bSaid = b.readAll().toStdString();
    EXPECT_EQ(b.exitCode(), 1) << bSaid;
    EXPECT_NE(bSaid.find("in use by another copy of inkboard (process " + std::to_string(a.processId()) + ")"),
              std::string::npos)
        << bSaid;

    ASSERT_TRUE(waitFor(a, "drawn\n", aSaid)) << aSaid.toStdString();
    QTest::qWait(300);  // the journal's thread writes the last record
    a.kill();
    ASSERT_TRUE(a.waitForFinished(10000));

    QProcess c;
    start(c, "save.replay");
    ASSERT_TRUE(c.waitForFinished(60000));
    const std::string cSaid = c.readAll().toStdString();
    EXPECT_EQ(c.exitCode(), 0) << cSaid;
    const std::optional<io::PageContent> page = io::readPageFile("lesson/0.xml");
    ASSERT_TRUE(page) << cSaid;
    EXPECT_EQ(page->strokes.size(), static_cast<std::size_t>(kStrokes)) << cSaid;
}
