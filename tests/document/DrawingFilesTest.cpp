#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "DrawingFixture.h"
#include "support/Tolerance.h"

namespace {

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

TEST_F(DrawingTest, SavedStrokesComeBackInOrderAndIndexed) {
    addStroke({{100.25f, 300}, {200, 310.5f}, {300, 300}}, 3.5f);
    addStroke({{500, 500}, {600, 650}});
    addStroke({{700, 700}});  // a single point is kept, drawn as a disc
    ASSERT_TRUE(drawing->saveXml("page.xml"));

    Stroke& extra = addStroke({{10, 10}, {20, 20}});
    drawing->selection = {&extra};
    drawing->selectionBox.shown = true;
    ASSERT_TRUE(drawing->loadXml("page.xml"));
    EXPECT_TRUE(drawing->selection.empty());
    EXPECT_FALSE(drawing->selectionBox.shown);

    std::vector<std::vector<ControlPoint>> got;
    for (const Stroke& s : drawing->strokes) {
        got.push_back(s.points);
        EXPECT_GT(s.vertexCount, 0);
        EXPECT_EQ(s.ribLists.size(), s.points.size() - 1);
    }
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0][0], (ControlPoint{100.25f, 300, 3.5f, 1}));
    EXPECT_EQ(got[0][1].y, 310.5f);
    EXPECT_EQ(got[1][1].pos(), Vec2(600, 650));
    EXPECT_EQ(got[2].size(), 1u);
    EXPECT_EQ(drawing->index.query(Rect(0, 0, 900, 900)).size(), 4u);  // the dot's point too
    EXPECT_EQ(log.str(), "");  // the old strokes left the index cleanly
}

TEST_F(DrawingTest, AnUnreadablePageLeavesAnEmptyDrawing) {
    addStroke({{100, 300}, {200, 300}});
    writeText("bad.xml", "<Drawing><Stroke><CP x=\"1\"");
    EXPECT_FALSE(drawing->loadXml("bad.xml"));
    EXPECT_EQ(drawing->strokes.count(), 0u);
    EXPECT_TRUE(drawing->index.query(Rect(0, 0, 900, 900)).empty());
    EXPECT_EQ(log.str(), "Failed to load file\n");

    log.str("");
    EXPECT_FALSE(drawing->loadXml("missing.xml"));
    EXPECT_EQ(log.str(), "Failed to load file\n");
    EXPECT_EQ(drawing->unreadableFiles, std::set<std::string>{"bad.xml"}) << "missing is just empty";

    // A file too large to load is an unreadable page too, never one to save over.
    log.str("");
    writeText("huge.xml", "<Drawing />");
    std::filesystem::resize_file("huge.xml", io::kMaxPageFileBytes + 1);  // sparse
    testing::internal::CaptureStdout();
    EXPECT_FALSE(drawing->loadXml("huge.xml"));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Could not load huge.xml"),
              std::string::npos);
    EXPECT_EQ(log.str(), "Failed to load file\n");
    EXPECT_TRUE(drawing->unreadableFiles.contains("huge.xml"));
}

TEST_F(DrawingTest, PointsOffThePageLoadButOnlyInPageSegmentsAreIndexed) {
    writeText("wide.xml",
              "<Drawing><Stroke>"
              "<CP x=\"100\" y=\"100\" r=\"2\" a=\"1\" /><CP x=\"200\" y=\"100\" r=\"2\" a=\"1\" />"
              "<CP x=\"1000\" y=\"100\" r=\"2\" a=\"1\" /></Stroke></Drawing>");
    ASSERT_TRUE(drawing->loadXml("wide.xml"));
    ASSERT_EQ(drawing->strokes.count(), 1u);
    EXPECT_EQ(drawing->strokes.first()->stroke->pointCount(), 3);
    EXPECT_EQ(drawing->index.query(Rect(0, 0, 900, 900)).size(), 1u);
}

TEST_F(InTempDir, ConstructionLoadsPageZero) {
    {
        std::ostringstream log;
        Drawing d(log);
        auto s = std::make_unique<Stroke>(10.0f, 10.0f, 2.0f, 1.0f);
        s->addPoint(30, 40, 2, 1);
        d.appendStroke(std::move(s));
        ASSERT_TRUE(d.saveXml("0.xml"));
    }
    std::ostringstream log;
    Drawing d(log);
    EXPECT_EQ(log.str(), "maxDepth: 7\n");
    ASSERT_EQ(d.strokes.count(), 1u);
    EXPECT_EQ(d.strokes.first()->stroke->points[1].pos(), Vec2(30, 40));
}

TEST_F(DrawingTest, SaveFailureIsReturned) {
    addStroke({{100, 300}, {200, 300}});
    EXPECT_FALSE(drawing->saveXml((dir_ / "no-such-dir" / "page.xml").string()));
    EXPECT_FALSE(drawing->exportSvg((dir_ / "no-such-dir" / "page.svg").string()));
}

TEST_F(DrawingTest, ExportWritesOnePolygonPerRibPairAtTheCurrentZoom) {
    drawing->exportSvg("empty.svg");
    EXPECT_EQ(readText("empty.svg").find("<polygon"), std::string::npos);

    addStroke({{100, 300}, {200, 360}, {300, 300}});
    addStroke({{700, 700}});  // one point: no polygon
    auto polygons = [this](const char* name) {
        EXPECT_TRUE(drawing->exportSvg(name));
        const std::string text = readText(name);
        std::size_t n = 0;
        for (auto at = text.find("<polygon"); at != std::string::npos;
             at = text.find("<polygon", at + 1)) {
            ++n;
        }
        return n;
    };
    const std::size_t coarse = polygons("a.svg");
    EXPECT_GT(coarse, 2u);
    drawing->view.zoom = 10.0f;
    drawing->view.panX = 300.0f;  // centre of the view on (200, 330)
    drawing->view.panY = 170.0f;
    drawing->refreshVisibleStrokes();
    EXPECT_GT(polygons("b.svg"), coarse);
}
