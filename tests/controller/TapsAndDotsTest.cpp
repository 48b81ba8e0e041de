#include <gtest/gtest.h>

#include <tuple>

#include "ControllerHarness.h"
#include "io/PageFile.h"
#include "io/SvgFile.h"

// A tap, or a wiggle under the point spacing, in draw mode leaves a dot: a stroke like any
// other (exported, saved, erased, undone). A held press, edit mode and a cancel leave none.
TEST(TapsAndDots, ATapInDrawModeLeavesADotThatIsAStrokeLikeAnyOther) {
    const PointerKey f = PointerKey::touch(1);
    struct Case { float dx; double held; int mode; bool cancel; unsigned dots; };
    for (const Case c : {Case{0, 0.1, 0, false, 1}, {3, 0.3, 0, false, 1}, {0, 1.5, 0, false, 0},
                         {0, 0.1, 1, false, 0}, {0, 0.1, 0, true, 0}}) {
        ControllerHarness h;
        h.drawing.mode = c.mode;
        h.seconds = 10.0;
        h.controller.onPress(500, 500, 0, 1.0f, f);
        h.controller.onDrag(500 + c.dx, 500, 1.0f, f);
        h.seconds += c.held;
        c.cancel ? h.controller.onCancel(f) : h.controller.onRelease(500, 500, 0, f);
        ASSERT_EQ(h.drawing.strokes.count(), c.dots) << c.dx << " " << c.held << " " << c.mode;
        if (c.dots == 0) continue;
        EXPECT_NE(io::formatSvg(h.drawing.exportOutlines()).find("<circle"), std::string::npos);
        h.controller.onKey("S");
        EXPECT_EQ(io::readPageFile("0.xml")->strokes.at(0).size(), 1u);
        h.tap(500, 500, 1);  // the eraser finds it in the index
        EXPECT_EQ(h.drawing.strokes.count(), 0u);
        EXPECT_TRUE(h.controller.undo() && h.controller.undo());
        EXPECT_EQ(h.drawing.strokes.count(), 0u) << "the dot was a step of its own";
    }
}

// A hold is measured from the press's own start: a quick tap across a second boundary is a
// tap (it leaves a dot), a press of just over a second is held wherever in a second it began.
TEST(TapsAndDots, AHoldIsMeasuredFromThePressInRealSeconds) {
    for (const auto& [start, length, held] : {std::tuple{10.95, 0.11, false}, {11.9, 0.2, false},
                                              {10.0, 0.99, false}, {10.2, 1.05, true}, {10.99, 1.02, true}}) {
        ControllerHarness h;
        h.seconds = start;
        h.controller.onPress(500, 500, 0, 1.0f);
        h.seconds = start + length;
        h.controller.onRelease(500, 500, 0);
        EXPECT_EQ(h.controller.indicator().visible, held) << start << " " << length;
        EXPECT_EQ(h.drawing.strokes.count(), held ? 0u : 1u) << start << " " << length;
    }
}

// While one hand's selection is shown, the others' presses beside the box draw and erase as
// without it; a tap beside it hides the box and leaves no dot.
TEST(TapsAndDots, PressesBesideASelectionDrawAndEraseAndATapThereHidesIt) {
    ControllerHarness h;
    h.stroke(300, 400, 600, 400);
    h.seconds = 10.0;
    h.controller.onPress(450, 401, 0, 1.0f);  // held: selects the stroke
    h.seconds = 11.5;
    h.controller.onRelease(450, 401, 0);
    h.stroke(300, 700, 600, 700);
    EXPECT_TRUE(h.drawing.selectionBox.shown && h.drawing.strokes.count() == 2u);
    h.stroke(290, 700, 610, 700, 1);
    EXPECT_TRUE(h.drawing.selectionBox.shown && h.drawing.strokes.count() == 1u);
    h.tap(800, 700);
    EXPECT_TRUE(!h.drawing.selectionBox.shown && h.drawing.strokes.count() == 1u);
}
