// Two program windows in one room on a real nats-server, driven by replay scripts: what each
// draws the other shows and saves, byte for byte; the page a board had before joining is kept
// beside the room's. And the command line's room and credentials are checked before anything.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QImage>
#include <QProcess>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/NatsServer.h"
#include "support/TempWorkDir.h"

namespace {

const QString kProgram = INKBOARD_BUILD_DIR "/inkboard";

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void start(QProcess& p, const QStringList& args) {
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(kProgram, args);
    ASSERT_TRUE(p.waitForStarted(10000));
}

std::string finish(QProcess& p) {
    EXPECT_TRUE(p.waitForFinished(90000));
    const std::string out = p.readAll().toStdString();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << out;
    EXPECT_EQ(p.exitCode(), 0) << out;
    return out;
}

TEST(SharedBoards, BadRoomsAndReadableCredentialsAreRefusedWithExitTwo) {
    TempWorkDir dir;
    std::ofstream("open.cred") << "teacher:secret\n";
    ::chmod("open.cred", 0644);
    const struct {
        QStringList args;
        const char* says;
    } cases[] = {
        {{"--share", "nats://127.0.0.1:4222/maths.7"}, "letters, digits"},
        {{"--share", "nats://127.0.0.1/maths"}, "HOST:PORT"},
        {{"--share-credentials", "open.cred"}, "goes with --share"},
        {{"--share", "nats://127.0.0.1:4222/maths", "--share-credentials", "open.cred"}, "chmod 600"},
    };
    for (const auto& c : cases) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(kProgram, c.args);
        ASSERT_TRUE(p.waitForFinished(30000));
        const std::string out = p.readAll().toStdString();
        EXPECT_EQ(p.exitCode(), 2) << out;
        EXPECT_NE(out.find(c.says), std::string::npos) << out;
    }
}

TEST(SharedBoards, TwoWindowsSaveTheSamePageAndTheJoinersOwnPageIsKept) {
    TempWorkDir dir;
    NatsServer server(dir.path() / "server");
    const QString room = QString::fromStdString(server.url()) + "/class-3b";
    // Board B drew a page of its own before the lesson.
    std::ofstream("own.replay") << "mouse press 600 400 left\nmouse move 660 420 left\n"
                                   "mouse release 700 380 left\nkey S\nkey Escape\n";
    QProcess own;
    start(own, {"--replay", "own.replay", "b"});
    finish(own);
    const std::string ownPage = slurp("b/0.xml");
    ASSERT_FALSE(ownPage.empty());

    std::ofstream("a.replay") << "mouse press 400 300 left\nmouse move 440 320 left\n"
                                 "mouse release 480 300 left\n"
                                 "mouse press 400 200 left\nmouse move 460 230 left\n"
                                 "mouse release 520 200 left\n"
                                 "wait room\necho ready\n"
                                 "wait strokes 3\nwait room\nkey S\nkey Escape\n";
    std::ofstream("b.replay") << "wait strokes 2\n"
                                 "mouse press 500 450 left\nmouse move 540 480 left\n"
                                 "mouse release 560 500 left\n"
                                 "wait room\nkey S\nkey Escape\n";
    QProcess a, b;
    start(a, {"--share", room, "--replay", "a.replay", "a"});
    // B joins once the room has A's page.
    std::string aOut;
    for (int i = 0; i < 600 && aOut.find("ready") == std::string::npos; ++i) {
        a.waitForReadyRead(100);
        aOut += a.readAll().toStdString();
    }
    ASSERT_NE(aOut.find("ready"), std::string::npos) << aOut;
    start(b, {"--share", room, "--replay", "b.replay", "b"});
    const std::string bOut = finish(b);
    aOut += finish(a);
    const std::string page = slurp("a/0.xml");
    EXPECT_FALSE(page.empty()) << aOut;
    EXPECT_EQ(slurp("b/0.xml"), page) << aOut << bOut;
    EXPECT_EQ(slurp("b/0.xml.rescue"), ownPage) << bOut;
    EXPECT_NE(bOut.find("0.xml.rescue"), std::string::npos) << bOut;
}

// Material brought in on one board reaches the room at once, every page of it: another board
// turning to the last page, which the importer never opened, shows and saves it.
TEST(SharedBoards, ImportedPagesReachTheRoomBeforeTheImporterOpensThem) {
    TempWorkDir dir;
    NatsServer server(dir.path() / "server");
    const QString room = QString::fromStdString(server.url()) + "/class-3b";
    for (const auto& [name, colour] : {std::pair{"one.png", Qt::red}, std::pair{"two.png", Qt::blue}}) {
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(colour);
        ASSERT_TRUE(picture.save(name));
    }
    std::ofstream("a.replay") << "wait room\necho ready\nkey Escape\n";
    // The next-page triangle at window (920, 720), twice: page 2.
    std::ofstream("b.replay") << "size 1000 800\nmouse press 920 720 left\nmouse release 920 720 left\n"
                                 "mouse press 920 720 left\nmouse release 920 720 left\n"
                                 "wait room\nkey S\nkey Escape\n";
    QProcess a, b;
    start(a, {"--share", room, "--import", "one.png", "two.png", "--replay", "a.replay", "a"});
    const std::string aOut = finish(a);
    ASSERT_NE(aOut.find("ready"), std::string::npos) << aOut;
    start(b, {"--share", room, "--replay", "b.replay", "b"});
    const std::string bOut = finish(b);
    const std::string page = slurp("a/2.xml");
    EXPECT_NE(page.find("background"), std::string::npos) << page;
    EXPECT_EQ(slurp("b/2.xml"), page) << aOut << bOut;
}

}  // namespace
