// Undo and redo through the controller: each gesture, key and button is one step; pages keep
// their histories across flips; a save asked for mid-gesture waits for its end, at most a
// second, and never for strokes being drawn; the rescue
// copy is written at the end only when the journal cannot hold the changes.

#include <gtest/gtest.h>

#include <filesystem>

#include "ControllerHarness.h"
#include "controller/KeyCommand.h"
#include "document/DocumentInvariants.h"
#include "io/PageFile.h"

namespace fs = std::filesystem;

namespace {
std::size_t strokes(const ControllerHarness& h) { return h.drawing.strokes.count(); }
}  // namespace

TEST(Undo, EveryGestureKeyAndButtonIsOneStep) {
    EXPECT_EQ(keyCommandFor("Ctrl+Z"), KeyCommand::Undo);
    EXPECT_EQ(keyCommandFor("Ctrl+Shift+Z"), KeyCommand::Redo);
    EXPECT_EQ(keyCommandFor("Ctrl+Y"), KeyCommand::Redo);

    ControllerHarness h;
    std::vector<std::string> states{h.drawing.pageText()};
    const auto step = [&] { states.push_back(h.drawing.pageText()); };
    h.stroke(300, 400, 700, 420);
    step();
    h.stroke(300, 600, 700, 620);
    step();
    h.stroke(500, 300, 500, 700, 1);  // the eraser across both
    step();
    ASSERT_EQ(strokes(h), 4u);
    h.controller.onKey("C");
    step();
    h.controller.onKey("Ctrl+Z");
    h.stroke(400, 450, 450, 800);  // a new change drops the redo branch
    step();
    states.erase(states.end() - 2);  // the cleared page is no longer reachable
    h.controller.selectMenuButton(2);  // the bin
    step();

    for (std::size_t i = states.size() - 1; i > 0; --i) {
        ASSERT_TRUE(h.controller.undo()) << i;
        ASSERT_EQ(h.drawing.pageText(), states[i - 1]) << i;
    }
    EXPECT_FALSE(h.controller.undo());
    h.controller.onThreeFingerTap();
    EXPECT_EQ(h.drawing.pageText(), states[1]);
    h.controller.selectMenuButton(RadialMenu::kRedoButton);
    EXPECT_EQ(h.drawing.pageText(), states[2]);
    h.controller.selectMenuButton(RadialMenu::kUndoButton);
    h.controller.onTwoFingerTap();
    EXPECT_EQ(h.drawing.pageText(), states[0]);
}

TEST(Undo, EditModeDragsAndTheSelectionsActionsAreSteps) {
    ControllerHarness h;
    h.stroke(300, 400, 700, 420);
    h.stroke(300, 600, 700, 620);
    const std::string drawn = h.drawing.pageText();
    h.controller.selectMenuButton(1);           // edit mode
    h.stroke(400, 380, 420, 460, 0, 2.0f);      // the push tool across the first line
    const std::string pushed = h.drawing.pageText();
    ASSERT_NE(pushed, drawn);
    ASSERT_TRUE(h.controller.undo());
    EXPECT_EQ(h.drawing.pageText(), drawn);
    ASSERT_TRUE(h.controller.redo());
    EXPECT_EQ(h.drawing.pageText(), pushed);

    // Select the second line by a tap held still, then delete it with the box's button.
    h.seconds = 0.0;
    h.controller.onPress(500, 610, 0, 1.0f);
    h.seconds = 2.0;
    h.controller.onRelease(500, 610, 0);
    ASSERT_EQ(h.drawing.selection.size(), 1u);
    // The box's delete button: 45 canvas units from its upper left corner, turned 45 degrees
    // clockwise from the top edge (screen = canvas + (50, 50) at the start view).
    const SelectionBox& box = h.drawing.selectionBox;
    Vec2 e = normalized(box.corners[1] - box.corners[2]) * 45.0f;
    rotate(e, -0.7853982f);
    const Vec2 button = box.corners[1] + e + Vec2(50.0f, 50.0f);
    h.tap(button.x, button.y);
    EXPECT_EQ(strokes(h), 1u);
    ASSERT_TRUE(h.controller.undo());
    EXPECT_EQ(h.drawing.pageText(), pushed);
    EXPECT_TRUE(h.drawing.selection.empty());
}

TEST(Undo, PagesKeepTheirHistoriesAcrossFlips) {
    ControllerHarness h;
    h.stroke(300, 400, 700, 420);
    h.stroke(300, 600, 700, 620);
    ASSERT_TRUE(h.controller.flipToNextPage());
    EXPECT_FALSE(h.controller.history().canUndo());
    h.stroke(300, 500, 700, 520);
    ASSERT_TRUE(h.controller.flipToPreviousPage());
    ASSERT_EQ(strokes(h), 2u);
    ASSERT_TRUE(h.controller.undo()) << "page 0's history came back with it";
    EXPECT_EQ(strokes(h), 1u);
    ASSERT_TRUE(h.controller.flipToNextPage());
    ASSERT_TRUE(h.controller.undo());
    EXPECT_EQ(strokes(h), 0u);

    // A page changed behind the program's back starts a history of its own.
    ASSERT_TRUE(h.controller.flipToPreviousPage());
    h.controller.onKey("S");
    ASSERT_TRUE(h.controller.flipToNextPage());
    {
        std::ostringstream quiet;
        Drawing other(quiet);
        other.clear();
        ASSERT_TRUE(other.saveXml("0.xml"));
    }
    ASSERT_TRUE(h.controller.flipToPreviousPage());
    EXPECT_EQ(strokes(h), 0u);
    EXPECT_FALSE(h.controller.history().canRedo());
}

// A clear keeps the page's index with its strokes; the page is reloaded from its file when
// flipped back to, and the kept index must still fit the strokes undo brings back.
TEST(Undo, AClearUndoneAfterFlippingAwayAndBackRestoresPageAndIndex) {
    ControllerHarness h;
    for (int i = 0; i < 6; ++i) h.stroke(200, 200 + 60.0f * i, 700, 230 + 60.0f * i);
    const std::string drawn = h.drawing.pageText();
    h.controller.onKey("C");
    h.stroke(300, 500, 600, 520);
    ASSERT_TRUE(h.controller.flipToNextPage());
    ASSERT_TRUE(h.controller.flipToPreviousPage());
    ASSERT_EQ(strokes(h), 1u);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(h.controller.undo());  // the stroke drawn after the clear
        ASSERT_TRUE(h.controller.undo());  // the clear
        EXPECT_EQ(h.drawing.pageText(), drawn);
        ASSERT_NO_FATAL_FAILURE(expectDocumentSound(h.drawing));
        ASSERT_TRUE(h.controller.redo());
        EXPECT_EQ(strokes(h), 0u);
        ASSERT_NO_FATAL_FAILURE(expectDocumentSound(h.drawing));
        ASSERT_TRUE(h.controller.redo());
        EXPECT_EQ(strokes(h), 1u);
    }
    const std::string beforeErasing = h.drawing.pageText();
    h.controller.onPress(450, 510, 1, 1.0f);  // the eraser finds the stroke in the index
    h.controller.onRelease(450, 510, 1);
    EXPECT_NE(h.drawing.pageText(), beforeErasing);
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(h.drawing));
}

TEST(Undo, ASaveDuringAGestureWaitsForItsEnd) {
    ControllerHarness h;
    h.stroke(300, 400, 700, 420);
    h.controller.onKey("S");
    h.controller.onPress(500, 300, 1, 1.0f);  // the eraser
    h.controller.onDrag(500, 410, 1.0f);
    h.controller.onKey("S");
    EXPECT_EQ(io::readPageFile("0.xml")->strokes.size(), 1u) << "not saved mid-gesture";
    h.controller.onDrag(500, 500, 1.0f);
    h.controller.onRelease(500, 500, 1);
    EXPECT_EQ(io::readPageFile("0.xml")->strokes.size(), 2u);
    EXPECT_FALSE(fs::exists("0.xml.journal"));
    ASSERT_TRUE(h.controller.undo()) << "the eraser gesture is one whole step";
    EXPECT_EQ(strokes(h), 1u);
}

// A contact whose release never comes, and an eraser held on the page, neither keep "S" from
// writing every finished stroke: at once beside strokes being drawn, within a second beside
// the eraser, which goes on as a step of its own.
TEST(Undo, ASaveIsWrittenWithinASecondWhateverIsOpen) {
    ControllerHarness h;
    const auto onDisk = [] {
        const auto page = io::readPageFile("0.xml");
        return page ? page->strokes.size() : 0u;
    };
    h.stroke(300, 400, 700, 420);
    h.controller.onPress(300, 700, 0, 1.0f, PointerKey::touch(4));  // never lifted
    h.controller.onDrag(400, 700, 1.0f, PointerKey::touch(4));
    h.controller.onKey("S");
    ASSERT_EQ(onDisk(), 1u) << "strokes in progress hold nothing up";
    h.stroke(300, 500, 700, 520);
    h.controller.onPress(500, 300, 1, 1.0f);  // the eraser across both, held
    h.controller.onDrag(500, 600, 1.0f);
    h.frameMs += 400.0;
    h.controller.onKey("S");
    h.frameMs += 900.0;
    h.controller.tick();
    EXPECT_EQ(onDisk(), 1u) << "waits for the eraser";
    h.frameMs += 200.0;
    h.controller.tick();
    EXPECT_EQ(onDisk(), 4u) << "within a second: both strokes, cut";
    EXPECT_FALSE(h.controller.savePending());
    const std::string atSave = h.drawing.pageText();
    h.controller.onDrag(600, 300, 1.0f);  // back across both
    h.controller.onRelease(600, 300, 1);
    h.controller.onRelease(400, 700, 0, PointerKey::touch(4));
    {  // the page and its journal give the drawing back
        ASSERT_TRUE(h.controller.finishRun());
        std::ostringstream out;
        Drawing next(out);
        CanvasController again(next);
        ASSERT_EQ(next.pageText(), h.drawing.pageText());
    }
    ASSERT_TRUE(h.controller.undo()) << "the contact's stroke";
    ASSERT_NE(h.drawing.pageText(), atSave);
    ASSERT_TRUE(h.controller.undo()) << "the eraser after the save";
    ASSERT_EQ(h.drawing.pageText(), atSave);
    ASSERT_TRUE(h.controller.undo()) << "the eraser before it";
    EXPECT_EQ(strokes(h), 2u);
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(h.drawing));
}

TEST(Undo, TheRescueCopyIsWrittenOnlyWhenTheJournalCannotHoldTheChanges) {
    {
        ControllerHarness h;
        h.stroke(300, 400, 700, 420);
        ASSERT_TRUE(h.controller.finishRun());
        EXPECT_FALSE(fs::exists("0.xml.unsaved"));
        EXPECT_TRUE(fs::exists("0.xml.journal"));
    }
    ControllerHarness h;
    fs::create_directory("0.xml.journal");  // in the way of the journal
    testing::internal::CaptureStdout();
    // Opened again: the page is saved (empty) and shown afresh, with its journal.
    ASSERT_TRUE(h.controller.flipToNextPage());
    ASSERT_TRUE(h.controller.flipToPreviousPage());
    EXPECT_NE(testing::internal::GetCapturedStdout().find("is in the way"), std::string::npos);
    h.stroke(300, 400, 700, 420);
    testing::internal::CaptureStdout();
    ASSERT_TRUE(h.controller.finishRun());
    EXPECT_NE(testing::internal::GetCapturedStdout().find("0.xml.unsaved"), std::string::npos);
    EXPECT_TRUE(io::readPageFile("0.xml.unsaved"));
}

// Several hands: each contact's stroke is a step of its own, in the order they end; an
// eraser and a stroke at once stay apart too.
TEST(Undo, EachContactsGestureIsAStepOfItsOwn) {
    ControllerHarness h;
    h.stroke(300, 500, 900, 520);
    const std::string before = h.drawing.pageText();
    const PointerKey a = PointerKey::touch(1), b = PointerKey::touch(2);
    h.controller.onPress(400, 300, 0, 1.0f, a);
    h.controller.onPress(800, 700, 1, 1.0f, PointerKey::mouse());  // the mouse's eraser
    h.seconds += 0.5;
    h.frameMs += 500.0;
    h.controller.onPress(400, 700, 0, 1.0f, b);
    for (int i = 1; i <= 40; ++i) {
        h.controller.onDrag(400 + 5 * i, 300, 1.0f, a);
        h.controller.onDrag(800, 700 - 6 * i, 1.0f, PointerKey::mouse());
        h.controller.onDrag(400 + 5 * i, 700, 1.0f, b);
    }
    h.controller.onRelease(600, 700, 0, b);
    h.controller.onRelease(800, 460, 1, PointerKey::mouse());
    h.controller.onRelease(600, 300, 0, a);
    ASSERT_EQ(strokes(h), 4u) << "two strokes drawn, the line cut in two";
    ASSERT_TRUE(h.controller.undo());  // a's stroke, released last
    EXPECT_EQ(strokes(h), 3u);
    ASSERT_TRUE(h.controller.undo());  // the eraser
    EXPECT_EQ(strokes(h), 2u);
    ASSERT_TRUE(h.controller.undo());  // b's stroke
    EXPECT_EQ(h.drawing.pageText(), before);
}
