#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <filesystem>
#include <fstream>

#include "app/WorkFolder.h"
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
