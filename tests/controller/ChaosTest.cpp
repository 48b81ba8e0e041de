// Random input through the real controller and drawing (no window; both clocks injected),
// weighted towards the places where gestures meet: the menu, its sliders and toggles, the
// band, the corners, the page triangles, the selection's handles and the indicator. Several
// hands at once: the mouse, the pen and touch contacts press, drag and lift interleaved;
// contacts land in pairs (view gestures and taps) and are cancelled; the pen comes and goes,
// leaves while pressed and falls silent without leaving; pointers press again while down
// (a release lost on the way); taps leave dots, which the eraser, the lasso and undo meet.
// After every event the document's invariants hold, every stroke in progress is made only
// of its own pointer's positions, and the log begins exactly the strokes that were drawn or
// are being drawn (a withdrawn stroke leaves no trace); after every release nothing that
// press began is still open; now and then a save and load gives the same strokes.
//
// ./test runs a short seeded run (60,000 events). A long run (1,000,000 events, seeds
// 20261207 to 20261209, several hands at once: passed in 39 s on 2026-12-07):
//   INKBOARD_CHAOS_EVENTS=1000000 build/test_controller --gtest_filter='Chaos.*'
// A failure names its seed and event and how to replay just that run.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "ControllerHarness.h"
#include "document/DocumentInvariants.h"
#include "io/PageFile.h"

namespace {

std::uint64_t envNumber(const char* name, std::uint64_t fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtoull(v, nullptr, 10) : fallback;
}

class Chaos {
public:
    Chaos(std::uint64_t seed, float w, float h) : h_(w, h), rng_(seed) {
        h_.seconds = 100.0;
        h_.frameMs = 100000.0;
    }

    // One random event; returns a description for the failure message.
    std::string step() {
        actor_.reset();
        released_.reset();
        if (partner_) return secondFinger();
        if (!lifting_.empty()) return quickLift();
        const bool p = pressed();
        const bool room = hands_.size() < 4;
        switch (pick({room ? (p ? 6.0 : 30.0) : 0.0, p ? 90.0 : 5.0, p ? 6.0 : 1.0,
                      p ? 0.5 : 3.0, 5.0, 3.0, p ? 0.0 : 12.0, room ? 4.0 : 0.0,
                      p ? 0.4 : 0.0, penNear_ ? 8.0 : 0.3, p ? 0.0 : 4.0, p ? 1.0 : 0.0})) {
            case 0: return press();
            case 1: return drag();
            case 2: return release();
            case 3: return key();
            case 4: return wait();
            case 5: return frame();
            case 6: return hold();
            case 7: return firstFinger();
            case 8: return cancel();
            case 9: return proximity();
            case 10: return hover();
            default: return pressAgain();
        }
    }

    bool pressed() const { return h_.anyDown(); }
    // The pointer whose press ended in the last step, if one did.
    std::optional<PointerKey> released() const { return released_; }

    // Each stroke in progress is made of positions its own pointer was at.
    void expectStrokesOfTheirOwnPointers() const {
        for (const StrokeInProgress& s : h_.drawing.strokesInProgress()) {
            if (!s.stroke) continue;
            const auto visited = visited_.find(keyOf(s.pointer));
            ASSERT_NE(visited, visited_.end()) << "a stroke of a pointer that never pressed";
            for (const ControlPoint& p : s.stroke->points)
                ASSERT_TRUE(visited->second.contains({p.x, p.y}))
                    << "a point from elsewhere in the stroke of pointer " << keyOf(s.pointer);
        }
    }
    // Every command 1 belongs to a stroke that was finished (and logged) or is being drawn.
    void expectStrokesLoggedOnce() const {
        const auto& codes = h_.controller.log().codes();
        ASSERT_EQ(static_cast<std::size_t>(std::count(codes.begin(), codes.end(), 1)),
                  h_.controller.log().strokeRecords().size() / 4 +
                      h_.drawing.strokesInProgress().size());
    }

    // What the run went through, so that a change of weights that starves a gesture shows.
    void count() {
        const Drawing& d = h_.drawing;
        strokes_ += d.strokes.count();
        maxStrokes_ = std::max<std::size_t>(maxStrokes_, d.strokes.count());
        selected_ += d.selectionBox.shown ? 1 : 0;
        lasso_ += d.selectionBox.selectLassoActive || d.selectionBox.eraseLassoActive ? 1 : 0;
        deform_ += d.deformed.empty() ? 0 : 1;
        mode_ += h_.controller.mode();
        indicator_ += h_.controller.indicator().visible ? 1 : 0;
        together_ += d.strokesInProgress().size() >= 2 ? 1 : 0;
        dots_ += !d.strokes.empty() && d.strokes.last()->stroke->pointCount() == 1 ? 1 : 0;
        ++events_;
    }
    void report() const {
        std::cout << "chaos: " << events_ << " events, strokes on average "
                  << strokes_ / std::max<std::size_t>(events_, 1) << " (at most " << maxStrokes_
                  << "); events with the box shown " << selected_ << ", a lasso open " << lasso_
                  << ", strokes pushed " << deform_ << ", in edit mode " << mode_
                  << ", the indicator shown " << indicator_ << ", two strokes or more drawn at once " << together_
                  << ", a dot the newest stroke " << dots_
                  << "; strokes withdrawn by contacts landing together " << withdrawn_
                  << ", taps of two fingers "
                  << h_.controller.twoFingerTaps() << ", of three " << h_.controller.threeFingerTaps()
                  << "\n";
    }
    ControllerHarness& harness() { return h_; }
    std::size_t dots() const { return dots_; }

private:
    // A hand on the board: the mouse, the pen or one touch contact.
    struct Hand {
        PointerKey key;
        float x = 400.0f, y = 400.0f, pressure = 1.0f, heading = 0.0f;
        int button = 0;
    };

    static std::int64_t keyOf(PointerKey p) {
        return p.isTouch() ? p.contact + 2 : static_cast<std::int64_t>(p.device);
    }
    // Where the pointer is, on the canvas under the view before and after its event.
    void visit(const Hand& hand, const View& before) {
        auto& seen = visited_[keyOf(hand.key)];
        const Vec2 a = before.screenToCanvas(Vec2(hand.x, hand.y));
        const Vec2 b = h_.drawing.view.screenToCanvas(Vec2(hand.x, hand.y));
        seen.insert({a.x, a.y});
        seen.insert({b.x, b.y});
    }
    Hand* findHand(PointerKey key) {
        for (Hand& hand : hands_)
            if (hand.key == key) return &hand;
        return nullptr;
    }
    Hand& anyHand() {
        return hands_[std::uniform_int_distribution<std::size_t>(0, hands_.size() - 1)(rng_)];
    }

    int pick(std::initializer_list<double> weights) {
        std::discrete_distribution<int> d(weights);
        return d(rng_);
    }
    float uniform(float a, float b) { return std::uniform_real_distribution<float>(a, b)(rng_); }
    bool chance(double p) { return std::bernoulli_distribution(p)(rng_); }

    float width() const { return h_.controller.zones().width; }
    float height() const { return h_.controller.zones().height; }

    // Canvas to screen through the inverse of the view's (affine) screen-to-canvas map.
    Vec2 toScreen(Vec2 c) const {
        const View& v = h_.drawing.view;
        const Vec2 o = v.screenToCanvas(Vec2(0.0f, 0.0f));
        const Vec2 ex = v.screenToCanvas(Vec2(1.0f, 0.0f)) - o;
        const Vec2 ey = v.screenToCanvas(Vec2(0.0f, 1.0f)) - o;
        const float det = ex.x * ey.y - ex.y * ey.x;
        const Vec2 r = c - o;
        return {(r.x * ey.y - r.y * ey.x) / det, (ex.x * r.y - ex.y * r.x) / det};
    }

    Vec2 near(Vec2 p, float spread) {
        return p + Vec2(uniform(-spread, spread), uniform(-spread, spread));
    }

    Vec2 target() {
        const CanvasController& c = h_.controller;
        const RadialMenu& m = c.menu();
        const SelectionBox& box = h_.drawing.selectionBox;
        switch (pick({40, 10, 5, 5, 1.5, 4, box.shown ? 12.0 : 0.0, c.indicator().visible ? 6.0 : 0.0, 3})) {
            case 0: {  // the canvas, mostly where strokes are
                if (!h_.drawing.strokes.empty() && chance(0.6)) {
                    const Stroke& s = *h_.drawing.strokes.last()->stroke;
                    const ControlPoint& p =
                        s.points[std::uniform_int_distribution<std::size_t>(0, s.points.size() - 1)(rng_)];
                    return near(toScreen(p.pos()), 12.0f);
                }
                if (chance(0.7)) return toScreen({uniform(0.0f, 900.0f), uniform(0.0f, 900.0f)});
                return {uniform(0.0f, width()), uniform(0.0f, height())};
            }
            case 1: {  // the menu: a ring button (the bin and edit mode less often), or anywhere
                const int button = pick({4, 1, 0.3, 1, 6});
                if (button < 4) return near(m.buttonCentre(button), 30.0f);
                for (;;) {
                    Vec2 ray(-1.0f, 0.0f);
                    rotate(ray, uniform(0.0f, 6.2831853f));
                    const Vec2 p = m.position + ray * uniform(0.0f, m.innerRadius + m.size);
                    // The bin clears the page: rarely, or the page never fills.
                    if (distance(p, m.buttonCentre(2)) > m.size * 0.5f || chance(0.05)) return p;
                }
            }
            case 2:  // the band
                return chance(0.5) ? Vec2(uniform(0.0f, 60.0f), uniform(0.0f, height()))
                                   : Vec2(uniform(0.0f, width()), height() - uniform(0.0f, 60.0f));
            case 3: {  // a corner zone
                const Vec2 corners[] = {{0, 0}, {width(), 0}, {0, height()}, {width(), height()}};
                Vec2 ray(uniform(95.0f, 115.0f), 0.0f);  // around the zone's rim, mostly in it
                rotate(ray, uniform(0.0f, 6.2831853f));
                return corners[std::uniform_int_distribution<int>(0, 3)(rng_)] + ray;
            }
            case 4:  // a page triangle (canvas (0..50, 0..50) and (850..900, 0..50))
                return toScreen({chance(0.5) ? uniform(0.0f, 50.0f) : uniform(850.0f, 900.0f),
                                 uniform(0.0f, 50.0f)});
            case 5:  // the window's edge margin
                return {chance(0.5) ? uniform(0.0f, 6.0f) : width() - uniform(0.0f, 6.0f),
                        uniform(0.0f, height())};
            case 6: {  // a selection handle or action icon
                const int k = std::uniform_int_distribution<int>(0, 3)(rng_);
                Vec2 p = (box.corners[k] * 2.0f + box.diagonals[k] * box.handleSize) * 0.5f;
                if (chance(0.3)) {
                    const Vec2 side = box.corners[1] - box.corners[2];
                    if (length(side) > 0.0f) p = box.corners[1] + normalized(side) * 45.0f;
                }
                return near(toScreen(p), 10.0f);
            }
            case 7:
                return near(c.indicator().position, 15.0f);
            default:  // anywhere, even off the window
                return {uniform(-50.0f, width() + 50.0f), uniform(-50.0f, height() + 50.0f)};
        }
    }

    std::string describe(const char* what, const Hand& hand) const {
        return std::string(what) + " " + std::to_string(keyOf(hand.key)) + " at " +
               std::to_string(hand.x) + "," + std::to_string(hand.y) + " b" +
               std::to_string(hand.button);
    }

    std::string pressAt(Hand hand, Vec2 p) {
        hand.x = p.x;
        hand.y = p.y;
        hand.heading = uniform(0.0f, 6.2831853f);
        const View before = h_.drawing.view;
        const std::size_t drawing = h_.drawing.strokesInProgress().size();
        h_.controller.onPress(p.x, p.y, hand.button, hand.pressure, hand.key);
        if (h_.drawing.strokesInProgress().size() < drawing) ++withdrawn_;
        actor_ = hand.key;
        hands_.push_back(hand);
        visit(hand, before);
        return describe("press", hand);
    }

    std::string press() {
        // Mouse (primary or other, pressure 1), pen tip and eraser (varying pressure), touch.
        Hand hand;
        const bool pen = findHand(PointerKey::pen()) != nullptr;
        const int device = pick({findHand(PointerKey::mouse()) ? 0.0 : 4.0, pen ? 0.0 : 0.7,
                                 pen ? 0.0 : 1.4, pen ? 0.0 : 0.3, 3});
        hand.key = device == 0   ? PointerKey::mouse()
                   : device == 4 ? PointerKey::touch(nextContact_++)
                                 : PointerKey::pen();
        hand.button = device == 1 || device == 3 ? 1 : 0;
        hand.pressure = device == 2 || device == 3 ? uniform(0.0f, 1.0f) : 1.0f;
        if (chance(0.01)) hand.pressure = NAN;
        return pressAt(hand, target());
    }

    // Two contacts landing close together, a few tens of milliseconds apart: a view gesture
    // or a tap of two (or, with a third landing soon after, three) fingers.
    std::string firstFinger() {
        Hand hand;
        hand.key = PointerKey::touch(nextContact_++);
        const Vec2 p = chance(0.8) ? toScreen({uniform(0.0f, 900.0f), uniform(0.0f, 900.0f)})
                                   : target();
        partner_ = p + rotated(Vec2(uniform(30.0f, 550.0f), 0.0f), uniform(0.0f, 6.2831853f));
        return pressAt(hand, p);
    }
    std::string secondFinger() {
        const Vec2 p = *partner_;
        partner_.reset();
        h_.frameMs += uniform(0.0f, 170.0f);
        if (chance(0.3)) partner_ = p + Vec2(uniform(-80.0f, 80.0f), uniform(-80.0f, 80.0f));
        Hand hand;
        hand.key = PointerKey::touch(nextContact_++);
        const std::string what = pressAt(hand, p);
        // Now and then the fingers lift again at once: a tap.
        if (!partner_ && chance(0.5)) {
            for (const Hand& other : hands_)
                if (other.key.isTouch()) lifting_.push_back(other.key);
        }
        return what;
    }
    std::string quickLift() {
        const PointerKey key = lifting_.back();
        lifting_.pop_back();
        Hand* hand = findHand(key);
        if (!hand) return "lifted already";
        h_.frameMs += uniform(0.0f, 60.0f);
        h_.controller.onRelease(hand->x, hand->y, hand->button, key);
        released_ = key;
        const std::string what = describe("quick lift", *hand);
        std::erase_if(hands_, [&](const Hand& other) { return other.key == key; });
        return what;
    }

    // A press held still past a second boundary and released where it began: selects the
    // stroke under it, shows the indicator or brings the menu to the indicator.
    std::string hold() {
        const std::string what = press();
        Hand& hand = hands_.back();
        h_.seconds = std::floor(h_.seconds) + 1.0 + uniform(0.05f, 0.9f);
        h_.frameMs = h_.seconds * 1000.0;
        if (chance(0.3)) {  // a tremble of the hand
            const View before = h_.drawing.view;
            h_.controller.onDrag(hand.x + 1.0f, hand.y + 1.0f, hand.pressure, hand.key);
            h_.controller.onPointer(hand.x + 1.0f, hand.y + 1.0f, hand.key);
            Hand moved = hand;
            moved.x += 1.0f;
            moved.y += 1.0f;
            visit(moved, before);
        }
        h_.controller.onRelease(hand.x, hand.y, hand.button, hand.key);
        released_ = hand.key;
        hands_.pop_back();
        return "held " + what;
    }

    std::string drag() {
        if (hands_.empty()) return hover();
        Hand& hand = anyHand();
        if (chance(0.05)) {
            const Vec2 p = target();  // a jump (merged events, a fast swipe)
            hand.x = p.x;
            hand.y = p.y;
        } else {
            // A hand keeps its heading for a while.
            hand.heading += uniform(-0.6f, 0.6f);
            const float speed = uniform(0.0f, 14.0f);
            hand.x += speed * std::cos(hand.heading);
            hand.y += speed * std::sin(hand.heading);
        }
        if (hand.pressure == hand.pressure)
            hand.pressure = std::clamp(hand.pressure + uniform(-0.1f, 0.1f), 0.0f, 1.0f);
        const View before = h_.drawing.view;
        // The manager forwards every drag; the controller acts on those of pressed pointers.
        h_.controller.onDrag(hand.x, hand.y, hand.pressure, hand.key);
        h_.controller.onPointer(hand.x, hand.y, hand.key);
        actor_ = hand.key;
        visit(hand, before);
        return describe("drag", hand);
    }

    // The mouse or the pen moving without a press.
    std::string hover() {
        Hand hand;
        hand.key = chance(0.9) ? PointerKey::mouse() : PointerKey::pen();
        if (findHand(hand.key)) return "no hover";
        const Vec2 p = target();
        h_.controller.onPointer(p.x, p.y, hand.key);
        return "hover " + std::to_string(keyOf(hand.key));
    }

    std::string release() {
        if (hands_.empty()) return hover();
        const std::size_t i = std::uniform_int_distribution<std::size_t>(0, hands_.size() - 1)(rng_);
        const Hand hand = hands_[i];
        hands_.erase(hands_.begin() + static_cast<std::ptrdiff_t>(i));
        const int button = chance(0.97) ? hand.button : 1 - hand.button;
        h_.controller.onRelease(hand.x, hand.y, button, hand.key);
        released_ = hand.key;
        return describe("release", hand);
    }

    std::string cancel() {
        if (chance(0.5)) {
            h_.controller.onCancelTouches();
            std::erase_if(hands_, [](const Hand& hand) { return hand.key.isTouch(); });
            return "cancel every contact";
        }
        if (hands_.empty()) return hover();
        const Hand hand = anyHand();
        if (!hand.key.isTouch()) return "no cancel";
        h_.controller.onCancel(hand.key);
        std::erase_if(hands_, [&](const Hand& other) { return other.key == hand.key; });
        released_ = hand.key;
        return describe("cancel", hand);
    }

    // The pen comes near, or leaves (also while pressed, which ends its gesture); now and
    // then it comes near again without having left.
    std::string proximity() {
        penNear_ = !penNear_ || chance(0.2);
        h_.controller.onPenProximity(penNear_);
        if (!penNear_ && findHand(PointerKey::pen())) {
            std::erase_if(hands_, [](const Hand& hand) { return hand.key == PointerKey::pen(); });
            released_ = PointerKey::pen();
            return "pen away while pressed";
        }
        return penNear_ ? "pen near" : "pen away";
    }

    // A hand presses again somewhere else while down: its release was lost.
    std::string pressAgain() {
        if (hands_.empty()) return hover();
        const Hand hand = anyHand();
        std::erase_if(hands_, [&](const Hand& other) { return other.key == hand.key; });
        return "again: " + pressAt(hand, target());
    }

    std::string key() {
        static const char* keys[] = {"w", "c", "t", "[", "]", "C",      "S",
                                     "L", "E", "s", "x", "Ctrl+Z", "Ctrl+Shift+Z"};
        const char* k = keys[pick({3, 3, 3, 3, 3, 0.3, 2, 0.5, 1, 1, 1, 3, 1.5})];
        h_.controller.onKey(k);
        return std::string("key ") + k;
    }

    std::string wait() {
        // Short, to the next second boundary and a little past it, or past the indicator's life.
        const double now = h_.seconds;
        switch (pick({6, 3, 1})) {
            case 0: h_.seconds += uniform(0.005f, 0.3f); break;
            case 1: h_.seconds = std::floor(now) + 1.0 + uniform(0.0f, 0.1f); break;
            default: h_.seconds += 2.3 + uniform(0.0f, 1.0f); break;
        }
        h_.frameMs = h_.seconds * 1000.0;
        return "wait to " + std::to_string(h_.seconds);
    }

    std::string frame() {
        // Pans add up: a user whose page has gone out of sight brings it back.
        const Vec2 centre = toScreen({450.0f, 450.0f});
        if (!(centre.x > 0.0f && centre.x < width() && centre.y > 0.0f && centre.y < height()) &&
            !pressed() && chance(0.2)) {
            h_.drawing.view.panX = 50.0f;
            h_.drawing.view.panY = 50.0f;
        }
        h_.controller.tick();
        h_.drawing.stepViewReset(static_cast<std::uint32_t>(h_.frameMs));
        const Vec2 last = hands_.empty() ? Vec2(400.0f, 400.0f) : Vec2(hands_.back().x, hands_.back().y);
        h_.drawing.stepBrushFollowers(last.x, last.y);
        return "frame";
    }

    ControllerHarness h_;
    std::mt19937_64 rng_;
    std::size_t strokes_ = 0, maxStrokes_ = 0, selected_ = 0, lasso_ = 0, deform_ = 0,
                mode_ = 0, indicator_ = 0, together_ = 0, withdrawn_ = 0, dots_ = 0, events_ = 0;
    std::vector<Hand> hands_;
    std::map<std::int64_t, std::set<std::pair<float, float>>> visited_;
    std::int64_t nextContact_ = 0;
    std::optional<Vec2> partner_;
    std::vector<PointerKey> lifting_;
    std::optional<PointerKey> actor_, released_;
    bool penNear_ = false;
};

void expectNothingOpenFor(const ControllerHarness& h, PointerKey pointer) {
    ASSERT_FALSE(h.drawing.strokeInProgress(pointer)) << "a stroke outlived its release";
    for (const StrokeInProgress& s : h.drawing.strokesInProgress())
        ASSERT_FALSE(s.pointer == pointer) << "a stroke entry outlived its release";
}

void expectNothingOpen(const ControllerHarness& h) {
    const SelectionBox& box = h.drawing.selectionBox;
    const CanvasController& c = h.controller;
    ASSERT_FALSE(h.drawing.current) << "a stroke outlived its release";
    ASSERT_TRUE(h.drawing.strokesInProgress().empty());
    ASSERT_FALSE(h.drawing.drawingActive);
    ASSERT_TRUE(h.drawing.deformed.empty()) << "strokes left out of the index";
    ASSERT_LT(h.drawing.openDeformTool(), 0) << "a deformation outlived its release";
    ASSERT_FALSE(box.selectLassoActive || box.eraseLassoActive) << "a lasso outlived its release";
    ASSERT_TRUE(box.path.empty()) << "a stale lasso path";
    ASSERT_TRUE(c.gestures().empty());
}

void expectSameAfterSaveAndLoad(const Drawing& d) {
    ASSERT_TRUE(d.saveXml("chaos-check.xml"));
    std::ostringstream out;
    Drawing loaded(out);
    ASSERT_TRUE(loaded.loadXml("chaos-check.xml"));
    ASSERT_EQ(loaded.pageText(), d.pageText());
}

}  // namespace

TEST(Chaos, RandomInputKeepsTheDocumentWholeAndEndsEveryGesture) {
    const std::uint64_t seed = envNumber("INKBOARD_CHAOS_SEED", 20261207);
    const std::uint64_t runs = envNumber("INKBOARD_CHAOS_RUNS", 3);
    const std::uint64_t events = envNumber("INKBOARD_CHAOS_EVENTS", 60000);
    const float sizes[][2] = {{1200.0f, 900.0f}, {800.0f, 600.0f}, {1920.0f, 1080.0f}};
    for (std::uint64_t run = 0; run < runs; ++run) {
        const std::uint64_t runSeed = seed + run;
        const auto& size = sizes[runSeed % 3];
        Chaos chaos(runSeed, size[0], size[1]);
        for (std::uint64_t i = 0; i < events / runs; ++i) {
            const bool wasPressed = chaos.pressed();
            const std::string what = chaos.step();
            SCOPED_TRACE("replay with INKBOARD_CHAOS_SEED=" + std::to_string(runSeed) +
                         " INKBOARD_CHAOS_RUNS=1; event " + std::to_string(i) + ": " + what);
            ASSERT_NO_FATAL_FAILURE(expectDocumentSound(chaos.harness().drawing));
            ASSERT_NO_FATAL_FAILURE(chaos.expectStrokesOfTheirOwnPointers());
            ASSERT_NO_FATAL_FAILURE(chaos.expectStrokesLoggedOnce());
            if (chaos.released()) {
                ASSERT_NO_FATAL_FAILURE(expectNothingOpenFor(chaos.harness(), *chaos.released()));
            }
            if (wasPressed && !chaos.pressed()) {
                ASSERT_NO_FATAL_FAILURE(expectNothingOpen(chaos.harness()));
            }
            if (i % 2000 == 1999 && !chaos.pressed()) {
                ASSERT_NO_FATAL_FAILURE(expectSameAfterSaveAndLoad(chaos.harness().drawing));
            }
            chaos.count();
        }
        chaos.report();
        EXPECT_GT(chaos.dots(), 0u) << "no tap left a dot";
    }
}
