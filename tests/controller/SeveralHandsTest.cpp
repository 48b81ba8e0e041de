// Several pointers at once: every touch contact, the mouse and the pen draw their own
// strokes; shared controls belong to one pointer; two contacts landing together move the
// view; touches are the palm while the pen is at the board.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "ControllerHarness.h"
#include "controller/HoldViewFile.h"
#include "document/DocumentInvariants.h"

namespace {

PointerKey finger(int id) { return PointerKey::touch(id); }

// Every point of the stroke lies on the canvas line y = c (horizontal) or x = c.
bool onLine(const Stroke& s, bool horizontal, float c) {
    return std::all_of(s.points.begin(), s.points.end(), [&](const ControlPoint& p) {
        return std::fabs((horizontal ? p.y : p.x) - c) < 1e-3f;
    });
}

void expectNothingDrawn(const ControllerHarness& h) {
    EXPECT_EQ(h.drawing.strokes.count(), 0u);
    EXPECT_TRUE(h.drawing.strokesInProgress().empty());
    EXPECT_TRUE(h.controller.log().codes().empty());
    EXPECT_TRUE(h.controller.log().strokeRecords().empty());
}

// Both fingers' moves of one step, as one touch event delivers them.
void moveBoth(ControllerHarness& h, Vec2 a, Vec2 b) {
    h.controller.onDrag(a.x, a.y, 1.0f, finger(1));
    h.controller.onPointer(a.x, a.y, finger(1));
    h.controller.onDrag(b.x, b.y, 1.0f, finger(2));
    h.controller.onPointer(b.x, b.y, finger(2));
}

}  // namespace

// Ten contacts land 200 ms apart (not together: no view gesture), then draw ten parallel
// lines at once while the pen draws a line across them; they lift in reverse order.
TEST(SeveralHands, TenContactsAndThePenDrawTheirOwnStrokesAtOnce) {
    ControllerHarness h;
    h.drawing.brush.speedMode = BrushDynamics::kRadius;  // every contact's own follower
    h.drawing.brush.setTraceStream(nullptr);
    for (int i = 0; i < 10; ++i) {
        h.frameMs += 200.0;
        h.controller.onPress(450.0f, 430.0f + 40.0f * i, 0, 1.0f, finger(i));
    }
    h.controller.onPress(600.0f, 420.0f, 0, 0.5f, PointerKey::pen());
    for (int step = 1; step <= 70; ++step) {
        for (int i = 0; i < 10; ++i) {
            const float x = 450.0f + 5.0f * step, y = 430.0f + 40.0f * i;
            h.controller.onDrag(x, y, 1.0f, finger(i));
            h.controller.onPointer(x, y, finger(i));
        }
        h.controller.onDrag(600.0f, 420.0f + 6.0f * step, 0.5f, PointerKey::pen());
        if (step % 3 == 0) h.drawing.stepBrushFollowers(600.0f, 420.0f);
    }
    ASSERT_EQ(h.drawing.strokesInProgress().size(), 11u);
    h.controller.onRelease(600.0f, 840.0f, 0, PointerKey::pen());
    for (int i = 9; i >= 0; --i) h.controller.onRelease(800.0f, 430.0f + 40.0f * i, 0, finger(i));

    ASSERT_EQ(h.drawing.strokes.count(), 11u);
    auto it = h.drawing.strokes.begin();
    EXPECT_TRUE(onLine(*it, false, 550.0f)) << "the pen's, finished first";
    for (int i = 9; i >= 0; --i) {
        ++it;
        EXPECT_TRUE(onLine(*it, true, 380.0f + 40.0f * i)) << "contact " << i;
        EXPECT_GE(it->pointCount(), 2);
    }
    EXPECT_EQ(std::count(h.controller.log().codes().begin(), h.controller.log().codes().end(), 1), 11);
    EXPECT_EQ(h.controller.log().strokeRecords().size(), 44u);
    EXPECT_FALSE(h.anyDown());
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(h.drawing));
}

// A contact's stroke comes out the same whether or not others draw beside it: its brush
// follower (speed drives the radius here) is its own.
TEST(SeveralHands, AContactsStrokeDoesNotDependOnTheOthers) {
    auto draw = [](bool withOthers) {
        ControllerHarness h;
        h.drawing.brush.speedMode = BrushDynamics::kRadius;
        h.drawing.brush.setTraceStream(nullptr);
        h.controller.onPress(450.0f, 500.0f, 0, 1.0f, finger(7));
        if (withOthers) {
            h.frameMs += 300.0;
            h.controller.onPress(450.0f, 700.0f, 0, 1.0f, finger(8));
        }
        for (int step = 1; step <= 40; ++step) {
            const float x = 450.0f + 3.0f * step * (1 + step % 3);
            h.controller.onDrag(x, 500.0f, 1.0f, finger(7));
            h.controller.onPointer(x, 500.0f, finger(7));
            if (withOthers) {
                h.controller.onDrag(450.0f + 11.0f * step, 700.0f, 1.0f, finger(8));
                h.controller.onPointer(450.0f + 11.0f * step, 700.0f, finger(8));
            }
        }
        h.controller.onRelease(900.0f, 500.0f, 0, finger(7));
        return h.drawing.strokes.first()->stroke->points;
    };
    const auto alone = draw(false), beside = draw(true);
    ASSERT_EQ(alone.size(), beside.size());
    for (std::size_t i = 0; i < alone.size(); ++i) {
        EXPECT_EQ(alone[i].pos(), beside[i].pos());
        EXPECT_EQ(alone[i].r, beside[i].r) << i;
    }
}

TEST(SeveralHands, ACancelledContactLeavesAFinishedStrokeAndIsNoTap) {
    ControllerHarness h;
    h.controller.onPress(500.0f, 500.0f, 0, 1.0f, finger(3));
    for (int i = 1; i <= 20; ++i) h.controller.onDrag(500.0f + 5.0f * i, 500.0f, 1.0f, finger(3));
    h.controller.onPress(500.0f, 700.0f, 0, 1.0f, PointerKey::mouse());
    h.controller.onCancel(finger(3));
    EXPECT_EQ(h.drawing.strokes.count(), 1u);
    EXPECT_EQ(h.controller.log().strokeRecords().size(), 4u);
    EXPECT_TRUE(h.drawing.strokeInProgress(PointerKey::mouse())) << "the mouse draws on";

    // A still contact, held past a second and cancelled, neither selects nor shows the ring.
    h.seconds = 5.2;
    h.controller.onPress(600.0f, 500.0f, 0, 1.0f, finger(4));
    h.seconds = 7.0;
    h.controller.onCancelTouches();
    EXPECT_FALSE(h.controller.indicator().visible);
    EXPECT_TRUE(h.drawing.selection.empty());
    h.controller.onRelease(500.0f, 700.0f, 0);
    EXPECT_FALSE(h.anyDown());
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(h.drawing));
}

TEST(SeveralHands, AThousandContactsAtOnceDrawAtMostTheLimit) {
    ControllerHarness h;
    h.controller.setMenuHome(Vec2(-1000.0f, -1000.0f));
    const auto at = [](int i, int step) {
        return Vec2(100.0f + (i % 40) * 20.0f + 5.0f * step, 100.0f + (i / 40) * 30.0f);
    };
    for (int i = 0; i < 1000; ++i) h.controller.onPress(at(i, 0).x, at(i, 0).y, 0, 1.0f, finger(i));
    for (int step = 1; step <= 5; ++step)
        for (int i = 0; i < 1000; ++i)
            h.controller.onDrag(at(i, step).x, at(i, step).y, 1.0f, finger(i));
    EXPECT_LE(h.drawing.strokesInProgress().size(), GestureTable::kMaxContacts);
    for (int i = 0; i < 1000; ++i) h.controller.onRelease(330.0f, 200.0f, 0, finger(i));
    EXPECT_LE(h.drawing.strokes.count(), GestureTable::kMaxContacts);
    EXPECT_GT(h.drawing.strokes.count(), 20u);
    EXPECT_FALSE(h.anyDown());
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(h.drawing));
}

TEST(SeveralHands, TwoFingersSpreadingAndTurningZoomAndRotateTheViewAndDrawNothing) {
    ControllerHarness h;
    h.controller.onPress(500.0f, 500.0f, 0, 1.0f, finger(1));
    h.frameMs += 100.0;
    h.controller.onPress(600.0f, 500.0f, 0, 1.0f, finger(2));
    const Vec2 mid(550.0f, 500.0f);
    const Vec2 under = h.drawing.view.screenToCanvas(mid);
    for (int step = 1; step <= 10; ++step) {  // 100 px apart to 200 px apart
        const float half = 50.0f + 5.0f * step;
        moveBoth(h, mid - Vec2(half, 0.0f), mid + Vec2(half, 0.0f));
    }
    EXPECT_FLOAT_EQ(h.drawing.view.zoom, 2.0f);
    const Vec2 stays = h.drawing.view.screenToCanvas(mid);
    EXPECT_NEAR(stays.x, under.x, 1e-3f);
    EXPECT_NEAR(stays.y, under.y, 1e-3f);
    for (int step = 1; step <= 6; ++step) {  // counter-clockwise by 30 degrees
        const Vec2 arm = rotated(Vec2(100.0f, 0.0f), 5.0f * step * kDegToRad);
        moveBoth(h, mid - arm, mid + arm);
    }
    EXPECT_NEAR(h.drawing.view.rotation, 30.0f, 1e-3f);
    EXPECT_NEAR(h.drawing.view.zoom, 2.0f, 1e-4f);
    h.controller.onRelease(mid.x - 90.0f, mid.y - 50.0f, 0, finger(1));
    h.controller.onRelease(mid.x + 90.0f, mid.y + 50.0f, 0, finger(2));
    expectNothingDrawn(h);
    EXPECT_EQ(h.controller.twoFingerTaps(), 0);
    EXPECT_NEAR(h.drawing.view.rotation, 30.0f, 1e-3f) << "a gesture that moved is no tap";
}

TEST(SeveralHands, ContactsThatDoNotLandTogetherDrawTwoStrokes) {
    for (const auto& [delayMs, apart, moved] :
         {std::tuple{200.0, 100.0f, 0.0f}, {50.0, 520.0f, 0.0f}, {50.0, 100.0f, 12.0f}}) {
        ControllerHarness h;
        h.controller.onPress(300.0f, 500.0f, 0, 1.0f, finger(1));
        if (moved > 0.0f) h.controller.onDrag(300.0f, 500.0f + moved, 1.0f, finger(1));
        h.frameMs += delayMs;
        h.controller.onPress(300.0f + apart, 500.0f, 0, 1.0f, finger(2));
        for (int step = 1; step <= 10; ++step) {
            h.controller.onDrag(300.0f + 5.0f * step, 500.0f + moved, 1.0f, finger(1));
            h.controller.onDrag(300.0f + apart + 5.0f * step, 500.0f, 1.0f, finger(2));
        }
        h.controller.onRelease(350.0f, 500.0f, 0, finger(1));
        h.controller.onRelease(350.0f + apart, 500.0f, 0, finger(2));
        EXPECT_EQ(h.drawing.strokes.count(), 2u) << delayMs << " " << apart << " " << moved;
        EXPECT_EQ(h.drawing.view.zoom, 1.0f);
    }
}

// Contacts landing together all draw until what they are is decided: two alone become a view
// gesture once one moves 10 px or the landing window passes (taking back their dots), three
// or more stay strokes. `lateMs`: the last contact lands that much after the others.
TEST(SeveralHands, ContactsLandingTogetherDrawUntilTwoAloneTurnOutAViewGesture) {
    const struct {
        int contacts;
        double gapMs, lateMs, stillMs;
        std::size_t strokes;
        bool viewMoves;
    } cases[] = {{2, 20, 0, 0, 0, true},   {2, 20, 0, 200, 0, true}, {3, 20, 0, 0, 3, false},
                 {3, 20, 0, 300, 3, false}, {10, 2, 0, 0, 10, false}, {3, 20, 200, 0, 1, true}};
    for (const auto& c : cases) {
        ControllerHarness h;
        const auto at = [](int i, int step) {
            return Vec2(400.0f + 5.0f * step, 300.0f + 45.0f * i);
        };
        for (int i = 0; i < c.contacts; ++i) {
            h.frameMs += i == c.contacts - 1 ? c.gapMs + c.lateMs : c.gapMs;
            h.controller.onPress(at(i, 0).x, at(i, 0).y, 0, 1.0f, finger(i));
        }
        EXPECT_EQ(h.drawing.strokesInProgress().size(), c.lateMs > 0 ? 1u : std::size_t(c.contacts))
            << c.contacts << " draw while undecided";
        h.frameMs += c.stillMs;
        h.controller.tick();
        for (int step = 1; step <= 6; ++step)
            for (int i = 0; i < c.contacts; ++i)
                h.controller.onDrag(at(i, step).x, at(i, step).y, 1.0f, finger(i));
        for (int i = 0; i < c.contacts; ++i)
            h.controller.onRelease(at(i, 6).x, at(i, 6).y, 0, finger(i));
        EXPECT_EQ(h.drawing.strokes.count(), c.strokes)
            << c.contacts << " " << c.stillMs << " " << c.lateMs;
        EXPECT_EQ(h.drawing.view.panX != 50.0f, c.viewMoves) << c.contacts << " " << c.stillMs;
        for (const Stroke& s : h.drawing.strokes) EXPECT_TRUE(onLine(s, true, s.points.front().y));
    }
}

// Held, the view never moves: two fingers moving draw two strokes, quick still taps of two
// and three fingers leave their dots and undo nothing. The lesson folder keeps the setting
// for the next run; a file that is no file or says anything but "on" means free.
TEST(SeveralHands, AHeldViewLetsEveryContactDrawAndIsKeptInTheLessonFolder) {
    ControllerHarness h;
    const Vec2 toggle = h.controller.menu().holdViewCentre();
    h.tap(toggle.x, toggle.y);
    ASSERT_TRUE(h.controller.viewHeld());
    for (const auto& [contacts, travel] : {std::pair{2, 30.0f}, {2, 0.0f}, {3, 0.0f}}) {
        h.frameMs += 1000.0;
        for (int i = 0; i < contacts; ++i)
            h.controller.onPress(500.0f + 60.0f * i, 500.0f, 0, 1.0f, finger(i));
        for (int i = 0; travel > 0.0f && i < contacts; ++i)
            h.controller.onDrag(500.0f + 60.0f * i + travel, 500.0f, 1.0f, finger(i));
        h.frameMs += 100.0;
        for (int i = 0; i < contacts; ++i)
            h.controller.onRelease(500.0f + 60.0f * i + travel, 500.0f, 0, finger(i));
    }
    EXPECT_EQ(h.drawing.strokes.count(), 7u);
    EXPECT_EQ(h.drawing.view.panX, 50.0f);
    EXPECT_EQ(h.controller.twoFingerTaps() + h.controller.threeFingerTaps(), 0);

    Drawing nextRun(h.out);
    EXPECT_TRUE(CanvasController(nextRun).viewHeld());
    h.tap(toggle.x, toggle.y);
    EXPECT_FALSE(h.controller.viewHeld());
    EXPECT_FALSE(holdview::load());
    namespace fs = std::filesystem;
    for (const std::string text : {"on", "yes", "", "\xff\xfe", "onononononononon"}) {
        std::ofstream(holdview::kFileName, std::ios::binary) << text;
        EXPECT_EQ(holdview::load(), text == "on") << text;
    }
    fs::remove(holdview::kFileName);
    ASSERT_EQ(::mkfifo(holdview::kFileName, 0600), 0);
    EXPECT_FALSE(holdview::load()) << "a pipe is never waited on";
    fs::remove(holdview::kFileName);
    fs::create_directory(holdview::kFileName);
    EXPECT_FALSE(holdview::load());
    h.controller.holdView(true);
    EXPECT_TRUE(h.controller.viewHeld()) << "held for this run though it cannot be kept";
}

// One hand's quick still taps are taps; fingers further apart than a hand (two pupils
// tapping at once) leave their dots and undo nothing.
TEST(SeveralHands, QuickStillTapsOfTwoAndThreeFingersAreReportedAndChangeNothing) {
    for (const auto& [fingers, gap] : {std::pair{2, 60.0f}, {3, 60.0f}, {2, 150.0f}, {3, 100.0f}}) {
        SCOPED_TRACE(std::to_string(fingers) + " fingers " + std::to_string(gap) + " px apart");
        const bool tap = gap * static_cast<float>(fingers - 1) <= 120.0f;
        ControllerHarness h;
        for (int i = 1; i <= fingers; ++i) {
            h.controller.onPress(500.0f + gap * i, 500.0f, 0, 1.0f, finger(i));
            h.frameMs += 40.0;
        }
        for (int i = 1; i <= fingers; ++i)  // a tremble under 10 px
            h.controller.onDrag(503.0f + gap * i, 502.0f, 1.0f, finger(i));
        h.frameMs += 120.0;
        for (int i = 1; i <= fingers; ++i)
            h.controller.onRelease(503.0f + gap * i, 502.0f, 0, finger(i));
        EXPECT_EQ(h.controller.twoFingerTaps(), tap && fingers == 2 ? 1 : 0);
        EXPECT_EQ(h.controller.threeFingerTaps(), tap && fingers == 3 ? 1 : 0);
        if (!tap) {
            EXPECT_EQ(h.drawing.strokes.count(), static_cast<unsigned>(fingers)) << "their dots";
            continue;
        }
        expectNothingDrawn(h);
        EXPECT_EQ(h.drawing.view.panX, 50.0f) << "the view is put back";
        EXPECT_EQ(h.drawing.view.zoom, 1.0f);
        EXPECT_FALSE(h.controller.indicator().visible);
    }
    ControllerHarness slow;  // lifted after 400 ms: a view gesture that did not move
    slow.controller.onPress(500.0f, 500.0f, 0, 1.0f, finger(1));
    slow.controller.onPress(560.0f, 500.0f, 0, 1.0f, finger(2));
    slow.frameMs += 400.0;
    slow.controller.onRelease(500.0f, 500.0f, 0, finger(1));
    slow.controller.onRelease(560.0f, 500.0f, 0, finger(2));
    EXPECT_EQ(slow.controller.twoFingerTaps(), 0);
    expectNothingDrawn(slow);
}

// The pen at the board, step by step: whether a finger stroke after each step is drawn.
// The pen is at the board while it touches, while it hovers in proximity sending events, and
// for half a second after its last event; one silent for a second in proximity has left
// without a leave; a leave while it touches ends its stroke there.
TEST(SeveralHands, TouchesWhileThePenIsAtTheBoardAreThePalm) {
    ControllerHarness h;
    const PointerKey pen = PointerKey::pen();
    int id = 0;
    const auto fingerDraws = [&] {
        const std::size_t before = h.drawing.strokes.count();
        const float y = 100.0f + 20.0f * static_cast<float>(++id);
        h.controller.onPress(450.0f, y, 0, 1.0f, finger(id));
        for (int i = 1; i <= 10; ++i) h.controller.onDrag(450.0f + 6.0f * i, y, 1.0f, finger(id));
        h.controller.onRelease(510.0f, y, 0, finger(id));
        return h.drawing.strokes.count() > before;
    };
    const auto hover = [&](double ms) {
        for (double t = 0; t < ms; t += 100.0) {
            h.frameMs += 100.0;
            h.controller.onPointer(800.0f, 700.0f, pen);
        }
    };
    const auto wait = [&](double ms) { h.frameMs += ms; };
    const struct {
        const char* what;
        std::function<void()> step;
        bool draws;
    } steps[] = {
        {"near", [&] { h.controller.onPenProximity(true); }, false},
        {"hovering for 5 s", [&] { hover(5000.0); }, false},
        {"silent 0.9 s in proximity", [&] { wait(900.0); }, false},
        {"silent 1.1 s: gone without a leave", [&] { wait(200.0); }, true},
        {"back, then left 450 ms ago", [&] { hover(300.0); h.controller.onPenProximity(false); wait(450.0); }, false},
        {"left 550 ms ago", [&] { wait(100.0); }, true},
        {"on the board, no proximity events", [&] { h.controller.onPress(800.0f, 700.0f, 0, 0.5f, pen); wait(3000.0); }, false},
        {"lifted 300 ms ago", [&] { h.controller.onRelease(800.0f, 700.0f, 0, pen); wait(300.0); }, false},
        {"lifted 600 ms ago", [&] { wait(300.0); }, true},
        {"left while touching, 600 ms ago",
         [&] {
             h.controller.onPenProximity(true);
             h.controller.onPress(800.0f, 600.0f, 0, 0.5f, pen);
             h.controller.onDrag(850.0f, 600.0f, 0.5f, pen);
             h.controller.onPenProximity(false);
             wait(600.0);
         },
         true},
    };
    for (const auto& s : steps) {
        s.step();
        EXPECT_EQ(fingerDraws(), s.draws) << s.what;
    }
    EXPECT_TRUE(h.controller.gestures().empty()) << "the leave ended the pen's stroke";
    EXPECT_TRUE(h.drawing.strokesInProgress().empty());
}

TEST(SeveralHands, AContactHoldsASliderWhileAnotherDrawsAndAThirdIsTurnedAway) {
    ControllerHarness h;
    const Vec2 slider = h.controller.menu().home + Vec2(-10.5f, 114.0f);  // brush size
    h.controller.onPress(slider.x, slider.y, 0, 1.0f, finger(1));
    h.frameMs += 300.0;
    h.controller.onPress(500.0f, 600.0f, 0, 1.0f, finger(2));
    h.controller.onPress(slider.x + 2.0f, slider.y, 0, 1.0f, finger(3));  // held: ignored
    const Vec2 ring = h.controller.menu().buttonCentre(1);
    h.controller.onPress(ring.x, ring.y, 0, 1.0f, PointerKey::mouse());  // the edit button
    EXPECT_EQ(h.controller.mode(), 0) << "the menu is held";
    for (int i = 1; i <= 20; ++i) {
        h.controller.onDrag(slider.x, slider.y - 2.0f * i, 1.0f, finger(1));
        h.controller.onDrag(500.0f + 10.0f * i, 600.0f, 1.0f, finger(2));
        h.controller.onDrag(slider.x + 2.0f, slider.y + 3.0f * i, 1.0f, finger(3));
    }
    EXPECT_EQ(h.menuItem(), 1);
    h.controller.onRelease(700.0f, 600.0f, 0, finger(2));
    h.controller.onRelease(slider.x, slider.y - 40.0f, 0, finger(1));
    h.controller.onRelease(slider.x, slider.y, 0, finger(3));
    EXPECT_GT(h.drawing.brush.size, 5.0f);
    ASSERT_EQ(h.drawing.strokes.count(), 1u);
    const Stroke& s = *h.drawing.strokes.first()->stroke;
    EXPECT_TRUE(onLine(s, true, 550.0f));
    EXPECT_FLOAT_EQ(s.points.back().x, 650.0f) << "every point up to the last event";
    EXPECT_EQ(h.controller.log().codes(), std::vector<int>{1});
    EXPECT_EQ(h.controller.menu().position, h.controller.menu().home);
}

// Frames keep coming until every follower has come to rest, not just the brush's own.
TEST(SeveralHands, FollowersSettleEachTowardsItsOwnPointer) {
    ControllerHarness h;
    h.controller.onPress(450.0f, 500.0f, 0, 1.0f, finger(1));
    h.frameMs += 300.0;
    h.controller.onPress(450.0f, 700.0f, 0, 1.0f, finger(2));
    const auto settleAt = [&](Vec2 last) {
        for (int i = 0; i < 300; ++i) h.drawing.stepBrushFollowers(last.x, last.y);
        return h.drawing.brushFollowersSettled(last.x, last.y, 0.1f);
    };
    for (int i = 1; i <= 10; ++i) h.controller.onDrag(450.0f + 8.0f * i, 500.0f, 1.0f, finger(1));
    EXPECT_TRUE(settleAt({530.0f, 500.0f}));
    // Only the second contact's follower is pulled away: it alone keeps the frames coming.
    h.controller.onDrag(600.0f, 700.0f, 1.0f, finger(2));
    h.drawing.stepBrushFollowers(530.0f, 500.0f);
    EXPECT_FALSE(h.drawing.brushFollowersSettled(530.0f, 500.0f, 0.1f));
    EXPECT_TRUE(settleAt({530.0f, 500.0f}));
}

// A page turned by one hand while others draw: their strokes end on the page they were
// begun on and are saved with it; their later moves draw nothing on the next page.
TEST(SeveralHands, APageFlipEndsOtherHandsStrokesOnTheirOwnPage) {
    ControllerHarness h;
    h.controller.setMenuHome(Vec2(600.0f, 500.0f));  // off the page-flip triangles
    h.controller.onPress(300.0f, 400.0f, 0, 1.0f, finger(1));
    h.controller.onPress(300.0f, 600.0f, 0, 1.0f, PointerKey::pen());
    for (int i = 1; i <= 20; ++i) {
        h.controller.onDrag(300.0f + 10.0f * i, 400.0f, 1.0f, finger(1));
        h.controller.onDrag(300.0f + 10.0f * i, 600.0f, 1.0f, PointerKey::pen());
    }
    h.frameMs += 1000.0;
    h.controller.onPress(920.0f, 80.0f, 0, 1.0f, PointerKey::mouse());  // the next-page triangle
    h.controller.onRelease(920.0f, 80.0f, 0, PointerKey::mouse());
    ASSERT_EQ(h.controller.pages().current(), 1);
    EXPECT_EQ(h.drawing.strokes.count(), 0u);
    EXPECT_TRUE(h.drawing.strokesInProgress().empty());
    for (int i = 1; i <= 5; ++i) h.controller.onDrag(500.0f + 10.0f * i, 400.0f, 1.0f, finger(1));
    h.controller.onRelease(550.0f, 400.0f, 0, finger(1));
    h.controller.onRelease(500.0f, 600.0f, 0, PointerKey::pen());
    EXPECT_EQ(h.drawing.strokes.count(), 0u) << "nothing carried over to the next page";
    ASSERT_TRUE(h.controller.flipToPreviousPage());
    ASSERT_EQ(h.drawing.strokes.count(), 2u);
    // Screen x 500 is canvas x 450: the last point before the flip, none after.
    for (const Stroke& s : h.drawing.strokes) EXPECT_FLOAT_EQ(s.points.back().x, 450.0f);
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(h.drawing));
}
