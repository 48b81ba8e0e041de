#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "app/LaunchOptions.h"

using Action = LaunchOptions::Action;

TEST(LaunchOptions, ReadsFolderAndOptionsInAnyOrderAndRejectsTheRest) {
    struct Case {
        std::vector<std::string> args;
        Action action;
        std::string folder;
        bool windowed, inDocuments;
        std::string replay;
    };
    const Case cases[] = {
        {{}, Action::Run, "", false, false, ""},
        {{"class 3b"}, Action::Run, "class 3b", false, false, ""},
        {{"--windowed", "pages"}, Action::Run, "pages", true, false, ""},
        {{"pages", "--windowed"}, Action::Run, "pages", true, false, ""},
        {{"--in-documents"}, Action::Run, "", false, true, ""},
        {{"--replay", "demo.replay", "out"}, Action::Run, "out", false, false, "demo.replay"},
        {{"--", "-pages"}, Action::Run, "-pages", false, false, ""},
        {{"-"}, Action::Run, "-", false, false, ""},
        {{"--help", "--bogus"}, Action::Help, "", false, false, ""},
        {{"pages", "-h"}, Action::Help, "", false, false, ""},
        {{"--version"}, Action::Version, "", false, false, ""},
        {{"--bogus"}, Action::BadUsage, "", false, false, ""},
        {{"-platform", "offscreen"}, Action::BadUsage, "", false, false, ""},
        {{"a", "b"}, Action::BadUsage, "", false, false, ""},
        {{"--replay"}, Action::BadUsage, "", false, false, ""},
        {{"--replay", ""}, Action::BadUsage, "", false, false, ""},
        {{""}, Action::BadUsage, "", false, false, ""},
        {{"pages", "--in-documents"}, Action::BadUsage, "", false, false, ""},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const auto& a : c.args) shown += "[" + a + "] ";
        const LaunchOptions o = parseLaunchOptions(c.args);
        EXPECT_EQ(o.action, c.action) << shown;
        if (o.action == Action::BadUsage) {
            EXPECT_FALSE(o.error.empty()) << shown;
            continue;
        }
        if (o.action != Action::Run) continue;
        EXPECT_EQ(o.folder, c.folder) << shown;
        EXPECT_EQ(o.windowed, c.windowed) << shown;
        EXPECT_EQ(o.inDocuments, c.inDocuments) << shown;
        EXPECT_EQ(o.replayScript, c.replay) << shown;
    }
}

// The real program's command line: what it prints where, and its exit codes. None of these
// opens a window.
TEST(LaunchOptions, TheProgramAnswersHelpVersionAndBadUsageWithoutADisplay) {
    QTemporaryDir dir;
    const QString file = dir.filePath("a file");
    QFile(file).open(QIODevice::WriteOnly);
    struct Run {
        QStringList args;
        int exitCode;
        const char* stdoutPattern;
        const char* stderrPattern;
    };
    const Run runs[] = {
        {{"--help"}, 0, R"(^Usage: inkboard \[OPTION\]\.\.\. \[FOLDER\]\n)", "^$"},
        {{"--version"}, 0, R"(^inkboard \d+\.\d+\.\d+\n$)", "^$"},
        {{"--bogus"}, 2, "^$", R"(^inkboard: unknown option --bogus\n\nUsage: inkboard)"},
        {{file}, 1, "^$", R"(^inkboard: cannot use ".*/a file": it is not a folder\n$)"},
        {{file + "/pages"}, 1, "^$", "^inkboard: cannot create the folder .*/a file/pages"},
    };
    for (const Run& r : runs) {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(INKBOARD_BUILD_DIR "/inkboard"), r.args);
        ASSERT_TRUE(p.waitForFinished(30000)) << r.args.join(' ').toStdString();
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << r.args.join(' ').toStdString();
        EXPECT_EQ(p.exitCode(), r.exitCode) << r.args.join(' ').toStdString() << err.toStdString();
        EXPECT_TRUE(out.contains(QRegularExpression(r.stdoutPattern))) << out.toStdString();
        EXPECT_TRUE(err.contains(QRegularExpression(r.stderrPattern))) << err.toStdString();
    }
}
