#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ControllerHarness.h"
#include "controller/KeyCommand.h"
#include "io/PageFile.h"

namespace fs = std::filesystem;

namespace {
std::string readFile(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
// Screen points inside the page-flip triangles of a fresh view (pan 50, zoom 1).
constexpr float kPrevX = 80.0f, kPrevY = 80.0f;   // canvas (30, 30)
constexpr float kNextX = 920.0f, kNextY = 80.0f;  // canvas (870, 30)
}  // namespace

TEST(Keys, TableIsCaseSensitive) {
    EXPECT_EQ(keyCommandFor("S"), KeyCommand::Save);
    EXPECT_EQ(keyCommandFor("s"), KeyCommand::None);
    EXPECT_EQ(keyCommandFor("C"), KeyCommand::Clear);
    EXPECT_EQ(keyCommandFor("c"), KeyCommand::TogglePoints);
    EXPECT_EQ(keyCommandFor(""), KeyCommand::None);
    EXPECT_EQ(keyCommandFor("ww"), KeyCommand::None);
}

TEST(Keys, TogglesAndSmoothness) {
    ControllerHarness h;
    h.controller.onKey("w");
    h.controller.onKey("c");
    h.controller.onKey("t");
    EXPECT_TRUE(h.drawing.wireframe);
    EXPECT_TRUE(h.drawing.showPoints);
    EXPECT_TRUE(h.drawing.index.debugDraw);
    for (int i = 0; i < 3; ++i) h.controller.onKey("[");
    EXPECT_FLOAT_EQ(h.drawing.smoothness, -0.5f) << "keys do not clamp";
    h.controller.onKey("]");
    EXPECT_FLOAT_EQ(h.drawing.smoothness, 0.0f);
}

TEST(Keys, SaveClearLoadAndExport) {
    ControllerHarness h;
    h.stroke(300.0f, 400.0f, 600.0f, 450.0f);
    h.controller.onKey("s");
    EXPECT_FALSE(fs::exists("0.xml")) << "lower-case s does nothing";
    h.controller.onKey("S");
    ASSERT_TRUE(fs::exists("0.xml"));
    h.controller.onKey("C");
    EXPECT_EQ(h.drawing.strokes.count(), 0u);
    h.controller.onKey("L");
    EXPECT_EQ(h.drawing.strokes.count(), 1u);
    h.controller.onKey("E");
    EXPECT_NE(readFile("0.svg").find("<polygon"), std::string::npos);
}

TEST(Pages, FlipsSaveTheCurrentPageAndLoadTheNeighbour) {
    ControllerHarness h;
    // At its home position the menu's delete button covers the previous-page triangle.
    h.controller.setMenuHome(Vec2(600.0f, 500.0f));
    h.stroke(300.0f, 400.0f, 600.0f, 450.0f);
    h.tap(kNextX, kNextY);
    EXPECT_EQ(h.controller.pages().current(), 1);
    EXPECT_TRUE(fs::exists("0.xml"));
    EXPECT_EQ(h.drawing.strokes.count(), 0u);
    EXPECT_NE(h.out.str().find("Failed to load file\n"), std::string::npos);
    h.tap(kPrevX, kPrevY);
    EXPECT_EQ(h.controller.pages().current(), 0);
    EXPECT_TRUE(fs::exists("1.xml"));
    EXPECT_EQ(h.drawing.strokes.count(), 1u);
    h.tap(kPrevX, kPrevY);
    EXPECT_EQ(h.controller.pages().current(), 0) << "no page before 0";
    EXPECT_EQ(h.controller.log().codes(), std::vector<int>{1}) << "flips are not logged";
}

TEST(Pages, AFailedSaveKeepsTheDrawingAndThePage) {
    ControllerHarness h;
    h.stroke(300.0f, 400.0f, 600.0f, 450.0f);
    fs::create_directory("0.xml");  // the page path is taken: the save must fail
    testing::internal::CaptureStdout();
    h.tap(kNextX, kNextY);
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(h.controller.pages().current(), 0);
    EXPECT_EQ(h.drawing.strokes.count(), 1u);
    EXPECT_NE(said.find("0.xml"), std::string::npos) << said;
    testing::internal::CaptureStdout();
    h.controller.onKey("S");
    EXPECT_NE(testing::internal::GetCapturedStdout().find("not saved"), std::string::npos);
}

TEST(CommandLog, WrittenUnderTheStartStampWithCommandsThenStrokesInThousandsOfSeconds) {
    ControllerHarness h;
    h.controller.startRun(5000);
    h.frameMs = 8512.0;  // 3.512 s after the start
    h.controller.onPress(300.0f, 400.0f, 0, 1.0f);  // code 1
    for (int i = 1; i <= 60; ++i) h.controller.onDrag(300.0f + 5.0f * i, 400.0f, 1.0f);
    h.frameMs = 10012.0;                             // drawn in 1.5 s
    h.controller.onRelease(600.0f, 400.0f, 0);       // the stroke record
    h.controller.onPress(30.0f, 500.0f, 0, 1.0f);  // border band
    h.controller.onRelease(30.0f, 500.0f, 0);
    ASSERT_TRUE(h.controller.writeCommandLog());
    const std::string text = readFile("5000.log");
    EXPECT_EQ(text,
              "<?xml version=\"1.0\" ?>\n"
              "<CommandLog>\n"
              "    <c v=\"1\" t=\"0.003512\" />\n"
              "    <c v=\"0\" t=\"0.005012\" />\n"
              "    <a an=\"0.000000\" cAn=\"0.000000\" sT=\"0.003512\" dT=\"0.001500\" />\n"
              "</CommandLog>\n");
}

TEST(CommandLog, EmptyRunWritesAnEmptyLog) {
    ControllerHarness h;
    h.controller.startRun(7);
    ASSERT_TRUE(h.controller.writeCommandLog());
    EXPECT_EQ(readFile("7.log"), "<?xml version=\"1.0\" ?>\n<CommandLog />\n");
}

TEST(Pages, AnUnreadablePageIsKeptAsideBeforeItIsSavedOver) {
    ControllerHarness h;
    std::ofstream(h.dir.path() / "0.xml") << "<Drawing><Stroke><CP x=\"1\"";  // cut off
    h.drawing.loadXml("0.xml");
    EXPECT_EQ(h.drawing.strokes.count(), 0u);
    h.stroke(300.0f, 400.0f, 600.0f, 450.0f);
    testing::internal::CaptureStdout();
    h.controller.onKey("S");
    EXPECT_NE(testing::internal::GetCapturedStdout().find("0.xml.unreadable"), std::string::npos);
    EXPECT_EQ(readFile("0.xml.unreadable"), "<Drawing><Stroke><CP x=\"1\"");
    EXPECT_TRUE(io::readPageFile("0.xml"));
    h.controller.onKey("S");  // the page now reads: saved over as usual
    EXPECT_EQ(readFile("0.xml.unreadable"), "<Drawing><Stroke><CP x=\"1\"");
}

TEST(Pages, AnUnreadablePageMetAtStartUpIsRemembered) {
    ControllerHarness h;
    std::ofstream("0.xml") << "not a page";
    std::ostringstream out;
    Drawing fresh(out);  // loads "0.xml" as the program does at start-up
    EXPECT_TRUE(fresh.unreadableFiles.contains("0.xml"));
    EXPECT_FALSE(fresh.unreadableFiles.contains("1.xml")) << "a missing page is just empty";
    fresh.loadXml("1.xml");
    EXPECT_FALSE(fresh.unreadableFiles.contains("1.xml"));
}

TEST(Pages, AnUnsavedDrawingIsKeptBesideItsPageAtTheEnd) {
    ControllerHarness h;
    ASSERT_TRUE(h.controller.pages().keepUnsaved());
    EXPECT_FALSE(fs::exists("0.xml.unsaved")) << "nothing drawn, nothing kept";
    h.stroke(300.0f, 400.0f, 600.0f, 450.0f);
    h.controller.onKey("S");
    ASSERT_TRUE(h.controller.pages().keepUnsaved());
    EXPECT_FALSE(fs::exists("0.xml.unsaved")) << "saved as it is";
    h.stroke(300.0f, 600.0f, 600.0f, 650.0f);
    testing::internal::CaptureStdout();
    ASSERT_TRUE(h.controller.pages().keepUnsaved());
    EXPECT_NE(testing::internal::GetCapturedStdout().find("0.xml.unsaved"), std::string::npos);
    const auto kept = io::readPageFile("0.xml.unsaved");
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->strokes.size(), 2u);
    EXPECT_EQ(io::readPageFile("0.xml")->strokes.size(), 1u) << "the page stays as saved";
}

TEST(Pages, AnUnsavedDrawingIsKeptEvenWhenThePagePathIsAFolder) {
    ControllerHarness h;
    h.stroke(300.0f, 400.0f, 600.0f, 450.0f);
    fs::create_directory("0.xml");
    ASSERT_TRUE(h.controller.pages().keepUnsaved());
    EXPECT_TRUE(io::readPageFile("0.xml.unsaved"));
}

TEST(Pages, RescueCopiesNeverReplaceAnEarlierOne) {
    ControllerHarness h;
    for (const std::string damaged : {"<Drawing><Stroke>", "<Drawing><CP x=\"1\""}) {
        std::ofstream("0.xml") << damaged;
        h.drawing.loadXml("0.xml");
        h.stroke(300.0f, 400.0f, 600.0f, 450.0f);
        testing::internal::CaptureStdout();
        h.controller.onKey("S");
        const std::string said = testing::internal::GetCapturedStdout();
        const std::string kept = damaged == "<Drawing><Stroke>" ? "0.xml.unreadable"
                                                                 : "0.xml.unreadable.2";
        EXPECT_NE(said.find(kept), std::string::npos) << said;
        EXPECT_EQ(readFile(kept), damaged);
    }
    // Two runs that end unsaved leave two copies, each named when it is written.
    for (const char* kept : {"0.xml.unsaved", "0.xml.unsaved.2"}) {
        h.stroke(300.0f, 600.0f, 600.0f, 650.0f);
        testing::internal::CaptureStdout();
        ASSERT_TRUE(h.controller.pages().keepUnsaved());
        EXPECT_NE(testing::internal::GetCapturedStdout().find(kept), std::string::npos);
    }
    EXPECT_EQ(io::readPageFile("0.xml.unsaved")->strokes.size() + 1,
              io::readPageFile("0.xml.unsaved.2")->strokes.size());
}

TEST(Pages, APageWithTheSameStrokesInAnotherLayoutIsNotUnsaved) {
    ControllerHarness h;
    // Another writer: no declaration, one line, short numbers, attributes in another order.
    std::ofstream("0.xml") << "<Page><S><P y='300' x='250' r='2' a='1'/>"
                              "<P x='300' y='300.0' r='2' a='1.0'/></S><S/></Page>";
    h.drawing.loadXml("0.xml");
    ASSERT_EQ(h.drawing.strokes.count(), 1u);
    ASSERT_TRUE(h.controller.pages().keepUnsaved());
    EXPECT_FALSE(fs::exists("0.xml.unsaved"));
    h.drawing.strokes.first()->stroke->points[0].x += 0.5f;
    ASSERT_TRUE(h.controller.pages().keepUnsaved());
    EXPECT_TRUE(fs::exists("0.xml.unsaved"));
}

// A save over a damaged page that fails (here by the file size limit, as on a full disk)
// leaves the damaged page in place with its copy beside it: the next start replays every
// stroke. The journal still applies once the page file has gone missing (as an older
// version's failed save left it).
TEST(Pages, AFailedSaveOverADamagedPageLosesNoStroke) {
    TempWorkDir dir;
    std::ofstream("0.xml") << "<Drawing><Stroke><CP x=\"1\"";
    const pid_t child = ::fork();
    if (child == 0) {
        std::ostringstream out;
        Drawing drawing(out);
        CanvasController c(drawing);
        c.setViewSize(1200.0f, 900.0f);
        for (float y = 150.0f; y < 700.0f; y += 70.0f) {
            c.onPress(420.0f, y, 0, 1.0f);
            for (int k = 1; k <= 120; ++k) c.onDrag(420.0f + 5.0f * k, y + 20.0f * std::sin(k * 0.3f), 1.0f);
            c.onRelease(1020.0f, y, 0);
        }
        std::ofstream("expected") << drawing.pageText();
        const bool flushed = c.history().finish();
        const rlimit limit{fs::file_size("0.xml.journal") + 4096, RLIM_INFINITY};
        ::signal(SIGXFSZ, SIG_IGN);
        const bool fails = flushed && drawing.pageText().size() > limit.rlim_cur &&
                           ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
        c.onKey("S");
        ::_exit(fails ? 0 : 3);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(readFile("0.xml.unreadable"), "<Drawing><Stroke><CP x=\"1\"");
    for (const bool pageMissing : {false, true}) {
        if (pageMissing) fs::remove("0.xml");
        std::ostringstream out;
        Drawing restarted(out);
        CanvasController c(restarted);
        EXPECT_EQ(restarted.pageText(), readFile("expected")) << pageMissing;
    }
}
