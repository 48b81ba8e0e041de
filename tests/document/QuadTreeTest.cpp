#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <sstream>

#include "document/QuadTree.h"
#include "geometry/Stroke.h"

namespace {

struct Tree {
    std::ostringstream log;
    QuadTree tree{900.0f, 900.0f, 8.0f, log};
};

SegmentEntry seg(float ax, float ay, float bx, float by, Stroke* s = nullptr, int i = 0) {
    return {{ax, ay}, {bx, by}, s, i};
}

// Depth of the node holding the (first) entry with these end points, or -1.
int depthOf(const QuadTree& tree, Vec2 a, Vec2 b) {
    int found = -1;
    tree.forEachNode([&](const QuadNode& node, std::uint32_t depth) {
        for (const auto& e : node.entries) {
            if (found < 0 && e.a == a && e.b == b) found = static_cast<int>(depth);
        }
    });
    return found;
}

std::size_t entryCount(const QuadTree& tree) {
    std::size_t n = 0;
    tree.forEachNode([&](const QuadNode& node, std::uint32_t) { n += node.entries.size(); });
    return n;
}

}  // namespace

TEST(QuadTree, DepthFollowsTheMinimumCellAndIsPrinted) {
    Tree t;
    EXPECT_EQ(t.tree.maxDepth(), 7u);
    EXPECT_EQ(t.log.str(), "maxDepth: 7\n");
    EXPECT_EQ(t.tree.root().bounds, Rect(0, 0, 900, 900));

    std::ostringstream log;
    QuadTree exact(16.0f, 16.0f, 8.0f, log);  // 16 > 8 halves once; 8 < 8 fails
    EXPECT_EQ(exact.maxDepth(), 1u);
    QuadTree unbounded(1e30f, 1e30f, 0.0f,
                       log);  // ends even when the cells never reach the minimum
    EXPECT_LE(unbounded.maxDepth(), 32u);
}

TEST(QuadTree, SecondSegmentSplitsTheRootAndStraddlersStayAtTheRoot) {
    Tree t;
    t.tree.insert(seg(100, 100, 110, 110));
    EXPECT_TRUE(t.tree.root().isLeaf());
    t.tree.insert(seg(440, 440, 460, 460));  // crosses both centre lines
    ASSERT_FALSE(t.tree.root().isLeaf());
    ASSERT_EQ(t.tree.root().entries.size(), 1u);
    EXPECT_EQ(t.tree.root().entries[0].a, Vec2(440, 440));
    EXPECT_EQ(t.tree.root().children[0]->entries.size(), 1u);
    EXPECT_EQ(t.tree.root().children[0]->bounds, Rect(0, 0, 450, 450));
    EXPECT_EQ(t.tree.root().children[3]->bounds, Rect(450, 450, 900, 900));
    // Re-distribution does not split a child, however many entries it receives.
    EXPECT_TRUE(t.tree.root().children[0]->isLeaf());
}

TEST(QuadTree, PointsOnACentreLineBelongToTheHighSide) {
    EXPECT_EQ(quadrantOf({450, 100}, {450, 450}), 1);
    EXPECT_EQ(quadrantOf({100, 450}, {450, 450}), 2);
    EXPECT_EQ(quadrantOf({450, 450}, {450, 450}), 3);
    EXPECT_EQ(quadrantOf({449.9f, 449.9f}, {450, 450}), 0);

    Tree t;
    t.tree.insert(seg(10, 10, 20, 20));
    t.tree.insert(seg(450, 100, 460, 120));
    EXPECT_EQ(t.tree.root().children[1]->entries.size(), 1u);
    EXPECT_EQ(depthOf(t.tree, {450, 100}, {460, 120}), 1);
}

TEST(QuadTree, SegmentsLeavingTheSquareAreNotIndexed) {
    Tree t;
    t.tree.insert(seg(890, 10, 901, 10));
    t.tree.insert(seg(-0.5f, 10, 5, 10));
    t.tree.insert(seg(0, 0, 900, 900));  // closed bounds: the corners are inside
    EXPECT_EQ(entryCount(t.tree), 1u);
    t.log.str("");
    t.tree.remove({890, 10}, {901, 10});
    EXPECT_EQ(t.log.str(), "couldn't find\n");
}

TEST(QuadTree, EntriesPileUpAtTheDepthLimit) {
    Tree t;
    for (int i = 0; i < 20; ++i) t.tree.insert(seg(1, 1, 1.5f, 1.5f + 0.01f * i));
    EXPECT_EQ(depthOf(t.tree, {1, 1}, {1.5f, 1.5f}), 7);
    EXPECT_EQ(entryCount(t.tree), 20u);
    std::uint32_t deepest = 0;
    t.tree.forEachNode([&](const QuadNode&, std::uint32_t d) { deepest = std::max(deepest, d); });
    EXPECT_EQ(deepest, 7u);
}

TEST(QuadTree, QueryVisitsTheRootThenChildrenThreeToZeroDepthFirst) {
    Tree t;
    t.tree.insert(seg(100, 100, 101, 101));  // quadrant 0
    t.tree.insert(seg(800, 800, 801, 801));  // quadrant 3 (splits the root)
    t.tree.insert(seg(800, 100, 801, 101));  // quadrant 1
    t.tree.insert(seg(100, 800, 101, 801));  // quadrant 2
    t.tree.insert(seg(440, 10, 460, 10));    // straddles: root
    t.tree.insert(seg(500, 500, 501, 501));  // quadrant 3 splits; this goes to its child 0
    t.tree.insert(seg(670, 670, 680, 680));  // straddles quadrant 3's centre (675, 675)

    const auto hits = t.tree.query(Rect(0, 0, 900, 900));
    std::vector<float> xs;
    for (const auto* e : hits) xs.push_back(e->a.x);
    EXPECT_EQ(xs, (std::vector<float>{440, 670, 800, 500, 100, 800, 100}));

    // Only segments meeting the closed rectangle are returned; touching counts.
    const auto touch = t.tree.query(Rect(101, 101, 200, 200));
    ASSERT_EQ(touch.size(), 1u);
    EXPECT_EQ(touch[0]->a, Vec2(100, 100));
    EXPECT_TRUE(t.tree.query(Rect(200, 200, 300, 300)).empty());
}

TEST(QuadTree, RemovalCollapsesOneLevelAndNeverTheRoot) {
    Tree t;
    t.tree.insert(seg(10, 10, 11, 11));
    t.tree.insert(seg(20, 20, 21, 21));  // both in quadrant 0: root splits, child 0 holds both
    t.tree.insert(seg(30, 30, 31, 31));  // child 0 splits; all three go to its child 0
    ASSERT_FALSE(t.tree.root().children[0]->isLeaf());

    t.tree.remove({10, 10}, {11, 11});
    t.tree.remove({20, 20}, {21, 21});
    EXPECT_FALSE(t.tree.root().children[0]->isLeaf());
    t.tree.remove({30, 30}, {31, 31});
    // The emptied leaf's parent (root child 0) loses its children, but the collapse goes
    // no further: the root keeps its four (now empty) leaves.
    EXPECT_TRUE(t.tree.root().children[0]->isLeaf());
    EXPECT_FALSE(t.tree.root().isLeaf());
    EXPECT_EQ(t.log.str(), "maxDepth: 7\n");

    // An inner node whose own entries run out collapses when its children are empty leaves.
    Tree u;
    u.tree.insert(seg(800, 800, 801, 801));
    u.tree.insert(seg(200, 200, 250, 250));  // root splits; this goes to child 0
    u.tree.insert(seg(210, 210, 240, 260));  // child 0 splits, both straddle its centre
    const QuadNode& child0 = *u.tree.root().children[0];
    ASSERT_FALSE(child0.isLeaf());
    EXPECT_EQ(child0.entries.size(), 2u);
    u.tree.remove({200, 200}, {250, 250});
    EXPECT_FALSE(child0.isLeaf());
    u.tree.remove({210, 210}, {240, 260});
    EXPECT_TRUE(child0.isLeaf());
    // Emptying the last child leaf turns the root back into a leaf; the root itself stays.
    u.tree.remove({800, 800}, {801, 801});
    EXPECT_TRUE(u.tree.root().isLeaf());
    EXPECT_EQ(u.tree.root().bounds, Rect(0, 0, 900, 900));
    EXPECT_EQ(u.log.str(), "maxDepth: 7\n");
}

TEST(QuadTree, RemovalMatchesEndPointsOnlyAndReportsMisses) {
    Tree t;
    Stroke s1, s2;
    t.tree.insert(seg(10, 10, 20, 20, &s1, 0));
    t.tree.insert(seg(10, 10, 20, 20, &s2, 0));
    t.log.str("");
    t.tree.remove({20, 20}, {10, 10});  // reversed is a different segment
    EXPECT_EQ(t.log.str(), "couldn't find\n");
    EXPECT_EQ(entryCount(t.tree), 2u);

    t.tree.remove({10, 10}, {20, 20});  // without an owner the first stored goes
    const auto left = t.tree.query(Rect(0, 0, 900, 900));
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0]->stroke, &s2);
}

TEST(QuadTree, RemovingAStrokeTakesOnlyItsOwnEntriesOfASharedSegment) {
    Tree t;
    Stroke first(10, 10, 1, 1), second(10, 10, 1, 1);
    first.addPoint(20, 20, 1, 1);
    second.addPoint(20, 20, 1, 1);
    t.tree.insertStroke(first);
    t.tree.insertStroke(second);
    t.tree.removeStroke(second);  // the later stroke: the first stored entry is not its own
    const auto left = t.tree.query(Rect(0, 0, 900, 900));
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0]->stroke, &first) << "no entry may be left pointing at the removed stroke";
}

TEST(QuadTree, QueryStrokesListsEachStrokeOnceInFirstSeenOrder) {
    Tree t;
    Stroke a, b;
    a.points = {{100, 100, 1, 1}, {110, 100, 1, 1}, {110, 110, 1, 1}, {100, 110, 1, 1}};
    b.points = {{90, 105, 1, 1}, {120, 105, 1, 1}};
    t.tree.insertStroke(b);
    t.tree.insertStroke(a);
    const auto strokes = t.tree.queryStrokes(Rect(95, 95, 115, 115));
    ASSERT_EQ(strokes.size(), 2u);
    const auto segs = t.tree.query(Rect(95, 95, 115, 115));
    EXPECT_EQ(segs.size(), 4u);
    EXPECT_EQ(strokes[0], segs[0]->stroke);
    EXPECT_NE(strokes[0], strokes[1]);

    t.tree.removeStroke(a);
    t.tree.removeStroke(b);
    EXPECT_EQ(entryCount(t.tree), 0u);
}

// Random segments against a brute-force list: the index returns exactly the segments that
// meet the rectangle, before and after removing half of them.
TEST(QuadTree, QueryAgreesWithBruteForceThroughInsertionsAndRemovals) {
    Tree t;
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> pos(-20.0f, 920.0f), step(-30.0f, 30.0f);
    std::vector<SegmentEntry> all;
    for (int i = 0; i < 3000; ++i) {
        const Vec2 a(pos(rng), pos(rng));
        const Vec2 b = i % 10 == 0 ? Vec2(pos(rng), pos(rng)) : a + Vec2(step(rng), step(rng));
        all.push_back({a, b, nullptr, i});
        t.tree.insert(all.back());
    }
    const Rect page(0, 0, 900, 900);
    auto check = [&](const std::vector<SegmentEntry>& live) {
        std::uniform_real_distribution<float> size(0.0f, 80.0f);
        for (int q = 0; q < 200; ++q) {
            const Vec2 c(pos(rng), pos(rng));
            const float h = size(rng);
            const Rect r(c.x - h, c.y - h, c.x + h, c.y + h);
            std::vector<int> want, got;
            for (const auto& e : live) {
                if (page.contains(e.a) && page.contains(e.b) && r.meetsSegment(e.a, e.b)) {
                    want.push_back(e.segment);
                }
            }
            for (const auto* e : t.tree.query(r)) got.push_back(e->segment);
            std::sort(want.begin(), want.end());
            std::sort(got.begin(), got.end());
            ASSERT_EQ(got, want);
        }
    };
    check(all);

    std::vector<SegmentEntry> kept;
    for (const auto& e : all) {
        if (e.segment % 2 == 0 && page.contains(e.a) && page.contains(e.b)) {
            t.tree.remove(e.a, e.b);
        } else {
            kept.push_back(e);
        }
    }
    EXPECT_EQ(t.log.str(), "maxDepth: 7\n");
    check(kept);
}

// Removing a stroke takes each run of its segments that share a node in one pass: the tree
// it leaves (nodes, entries in order, boxes' contents, the log) is the one segment-by-segment
// removal leaves. Strokes wander across cells, repeat points and segments, share segments
// with other strokes and leave the square; a tenth are removed with changed points, so their
// segments are missed and reported.
TEST(QuadTree, RemovingAStrokeRunByRunLeavesWhatRemovingSegmentsOneByOneLeaves) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> pos(-10.0f, 910.0f), step(-6.0f, 6.0f), unit(0.0f, 1.0f);
    std::vector<std::unique_ptr<Stroke>> strokes;
    for (int i = 0; i < 400; ++i) {
        auto s = std::make_unique<Stroke>();
        Vec2 p(pos(rng), pos(rng));
        const int n = 1 + static_cast<int>(unit(rng) * 40);
        for (int k = 0; k < n; ++k) {
            s->points.push_back({p.x, p.y, 2.0f, 1.0f});
            if (unit(rng) < 0.1f) s->points.push_back({p.x, p.y, 2.0f, 1.0f});  // repeated
            p = p + Vec2(step(rng), step(rng)) * (unit(rng) < 0.05f ? 40.0f : 1.0f);
        }
        if (i % 7 == 1) s->points = strokes.back()->points;  // every segment shared
        s->recomputeBounds();
        strokes.push_back(std::move(s));
    }
    Tree batched, single;
    for (auto& s : strokes) {
        batched.tree.insertStroke(*s);
        single.tree.insertStroke(*s);
    }
    for (std::size_t i = 0; i < strokes.size(); i += 1 + i % 3) {
        Stroke& s = *strokes[i];
        if (i % 10 == 3 && s.points.size() > 1) s.points[1].x += 0.5f;
        batched.tree.removeStroke(s);
        single.tree.forgetStroke(s);
        for (std::size_t k = 0; k + 1 < std::max<std::size_t>(s.points.size(), 2); ++k)
            single.tree.remove(s.points[k].pos(), s.points[std::min(k + 1, s.points.size() - 1)].pos(), &s);
    }
    const auto dump = [](const QuadTree& tree) {
        std::ostringstream out;
        tree.forEachNode([&](const QuadNode& node, std::uint32_t depth) {
            out << depth << " " << node.bounds.minX << "," << node.bounds.minY << ":";
            for (const SegmentEntry& e : node.entries) out << " " << e.stroke << "/" << e.segment;
            out << "\n";
        });
        return out.str();
    };
    EXPECT_EQ(dump(batched.tree), dump(single.tree));
    EXPECT_EQ(batched.log.str(), single.log.str());
    EXPECT_NE(batched.log.str().find("couldn't find"), std::string::npos);
    EXPECT_EQ(batched.tree.strokeCount(), single.tree.strokeCount());
}
