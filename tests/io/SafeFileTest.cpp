#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>

#include "IoTestSupport.h"
#include "io/SafeFile.h"

namespace {

// Runs replaceFileContents with stdout captured; returns the result and the output.
std::pair<bool, std::string> replaceCapturingOutput(const std::string& path,
                                                    std::string_view bytes) {
    testing::internal::CaptureStdout();
    const bool ok = io::replaceFileContents(path, bytes);
    return {ok, testing::internal::GetCapturedStdout()};
}

TEST(SafeFile, CreatesAndReplacesFilesLeavingNothingElse) {
    iotest::TempDir dir;
    const std::string path = dir.file("page.xml");
    const auto [created, quiet] = replaceCapturingOutput(path, "first");
    EXPECT_TRUE(created);
    EXPECT_EQ(quiet, "");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    EXPECT_TRUE(io::replaceFileContents(path, "second, longer"));
    EXPECT_TRUE(io::replaceFileContents(path, ""));
    EXPECT_TRUE(io::replaceFileContents(path, "third"));
    EXPECT_EQ(iotest::readFile(path), "third");
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640))
        << "a replaced file keeps its mode";
    EXPECT_EQ(dir.listing(), "page.xml;");
}

// A group of new files comes in whole or not at all, and never over a file that is there
// (whichever member meets it); a lone file that is there stays as it was.
TEST(SafeFile, NewFilesComeAsAGroupOrNotAtAll) {
    iotest::TempDir dir;
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < 4; ++i)
        files.emplace_back(dir.file(std::to_string(i) + ".xml"), std::string(i * 100, 'a' + i));
    ASSERT_TRUE(io::createFiles(files));
    EXPECT_EQ(dir.listing(), "0.xml;1.xml;2.xml;3.xml;");
    for (const auto& [path, bytes] : files) EXPECT_EQ(iotest::readFile(path), bytes);
    for (std::size_t there = 0; there < files.size(); ++there) {
        for (const auto& f : files) std::filesystem::remove(f.first);
        ASSERT_TRUE(io::replaceFileContents(files[there].first, "kept"));
        testing::internal::CaptureStdout();
        EXPECT_FALSE(io::createFiles(files));
        EXPECT_NE(testing::internal::GetCapturedStdout().find(files[there].first), std::string::npos);
        EXPECT_EQ(dir.listing(), std::to_string(there) + ".xml;");
        EXPECT_EQ(iotest::readFile(files[there].first), "kept");
    }
}

TEST(SafeFile, SymbolicLinksAreWrittenThrough) {
    iotest::TempDir dir;
    std::filesystem::create_directory(dir.file("pages"));
    iotest::writeFile(dir.file("pages/real.xml"), "old");
    std::filesystem::create_symlink("pages/real.xml", dir.file("0.xml"));
    EXPECT_TRUE(io::replaceFileContents(dir.file("0.xml"), "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("0.xml")));
    EXPECT_EQ(iotest::readFile(dir.file("pages/real.xml")), "new");
    EXPECT_EQ(dir.listing(), "0.xml;pages;");
}

TEST(SafeFile, RelativePathsWriteIntoTheWorkingFolder) {
    iotest::TempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const bool ok = io::replaceFileContents("1.xml", "page one");
    std::filesystem::current_path(previous);
    EXPECT_TRUE(ok);
    EXPECT_EQ(iotest::readFile(dir.file("1.xml")), "page one");
}

TEST(SafeFile, FolderThatIsAFileFailsWithOneLineNamingTheFile) {
    iotest::TempDir dir;
    iotest::writeFile(dir.file("plain"), "not a folder");
    const std::string path = dir.file("plain/0.xml");
    const auto [ok, output] = replaceCapturingOutput(path, "data");
    EXPECT_FALSE(ok);
    EXPECT_NE(output.find(path), std::string::npos) << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
    EXPECT_EQ(output.back(), '\n');
    EXPECT_EQ(iotest::readFile(dir.file("plain")), "not a folder");
    EXPECT_EQ(dir.listing(), "plain;");
}

TEST(SafeFile, TargetThatIsAFolderIsLeftAloneAndTheTemporaryRemoved) {
    iotest::TempDir dir;
    std::filesystem::create_directory(dir.file("0.xml"));
    iotest::writeFile(dir.file("0.xml/inside"), "kept");
    const auto [ok, output] = replaceCapturingOutput(dir.file("0.xml"), "data");
    EXPECT_FALSE(ok);
    EXPECT_NE(output.find(dir.file("0.xml")), std::string::npos) << output;
    EXPECT_EQ(iotest::readFile(dir.file("0.xml/inside")), "kept");
    EXPECT_EQ(dir.listing(), "0.xml;");
}

// A write that fails part way (here: the file size limit, as a full disk would) must
// keep the old contents. Run in a child so the limit cannot touch the test process.
TEST(SafeFile, FailedWriteKeepsTheOldFile) {
    iotest::TempDir dir;
    const std::string path = dir.file("0.xml");
    iotest::writeFile(path, "old contents");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool ok = io::replaceFileContents(path, std::string(5000, 'x'));
        ::_exit(ok ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write must be reported";
    EXPECT_EQ(iotest::readFile(path), "old contents");
    EXPECT_EQ(dir.listing(), "0.xml;");
}

}  // namespace
