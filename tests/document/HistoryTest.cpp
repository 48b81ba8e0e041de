// Undo, redo and journal replay of every kind of change on recorded strokes: the page text
// and the index after an undo must be exactly those from before the change.

#include <algorithm>
#include <functional>
#include <random>

#include "DocumentInvariants.h"
#include "DrawingFixture.h"
#include "document/JournalReplay.h"
#include "document/PageHistories.h"
#include "support/StrokeData.h"

namespace {

using io::ChangeKind;

class HistoryTest : public DrawingTest {
protected:
    void SetUp() override {
        DrawingTest::SetUp();
        recs = strokedata::loadPageStrokes();
        ASSERT_FALSE(recs.empty());
        histories = std::make_unique<PageHistories>(*drawing);
        histories->journal = [this](const io::JournalEntry& e) { journal.push_back(e); };
    }
    void TearDown() override {
        histories.reset();
        DrawingTest::TearDown();
    }

    // A recorded stroke at `scale` about the page centre, moved by `shift`, drawn as one
    // gesture.
    void drawRecorded(const strokedata::RecordedStroke& rec, float scale, Vec2 shift) {
        histories->beginGesture(1, ChangeKind::Draw);
        DrawingTest::drawRecorded(rec, scale, shift);
        histories->endGesture(1);
    }

    void drawScattered(std::mt19937& rng, std::size_t count) {
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        for (std::size_t i = 0; i < count; ++i) {
            const float scale = 0.2f + 0.6f * unit(rng);
            const float room = 450.0f - 400.0f * scale;
            drawRecorded(recs[i % recs.size()], scale,
                         {room * (2 * unit(rng) - 1), room * (2 * unit(rng) - 1)});
        }
    }

    // One eraser gesture: `steps` events from `from` by `step`.
    void eraseDrag(Vec2 from, Vec2 step, int steps, float pressure = 1.0f,
                   CommandRecorder::GestureKey key = 2) {
        histories->beginGesture(key, ChangeKind::Erase);
        for (int i = 0; i <= steps; ++i) drawing->eraseAt(from.x + step.x * i, from.y + step.y * i, pressure);
        histories->endGesture(key);
    }

    void lassoPath(int kind, Vec2 from, Vec2 to) {
        drawing->beginLasso(from.x, from.y, kind);
        for (int i = 1; i <= 20; ++i) {
            const Vec2 p = from + (to - from) * (static_cast<float>(i) / 20.0f);
            drawing->extendLasso(p.x, p.y, kind);
        }
    }

    void selectAcross(Vec2 from, Vec2 to) {
        lassoPath(0, from, to);
        drawing->finishSelectLasso();
    }

    void deformDrag(int tool, Vec2 from, Vec2 step, int steps) {
        histories->beginGesture(3, ChangeKind::Deform);
        drawing->beginDeform(from.x, from.y, tool);
        for (int i = 0; i < steps; ++i) {
            const Vec2 p = from + step * static_cast<float>(i);
            drawing->deformDrag(p.x, p.y, step.x, step.y, 1.0f);
        }
        drawing->endDeform(tool);
        histories->endGesture(3);
    }

    // Ids and node serials (by which the view sorts what it draws) ascend along the list.
    void expectIdsAscend() {
        const std::vector<io::StrokeId> ids = strokeIds(*drawing);
        for (std::size_t i = 1; i < ids.size(); ++i) ASSERT_LT(ids[i - 1], ids[i]);
        for (const StrokeNode* n = drawing->strokes.first(); n && n->next; n = n->next.get()) {
            ASSERT_LT(drawing->strokes.serialOf(*n), drawing->strokes.serialOf(*n->next));
        }
        if (!ids.empty()) {
            ASSERT_LT(ids.back(), drawing->nextStrokeId);
        }
    }

    std::vector<strokedata::RecordedStroke> recs;
    std::unique_ptr<PageHistories> histories;
    std::vector<io::JournalEntry> journal;
};

// Page texts are long: on a difference, only the first differing line is shown.
::testing::AssertionResult samePage(const std::string& got, const std::string& want) {
    if (got == want) return ::testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
    const std::size_t line = got.rfind('\n', at) == std::string::npos ? 0 : got.rfind('\n', at) + 1;
    return ::testing::AssertionFailure()
           << "pages differ at byte " << at << ": got \"" << got.substr(line, 80)
           << "\", want \"" << want.substr(line, 80) << "\"";
}

struct Edit {
    const char* name;
    std::function<void()> prepare;  // outside the change: selection, tools
    std::function<void()> change;
};

}  // namespace

TEST_F(HistoryTest, EveryKindOfChangeIsUndoneAndRedoneExactly) {
    const std::vector<Edit> edits = {
        {"draw", nullptr, [this] { drawRecorded(recs[3], 0.5f, {100, -80}); }},
        {"erase", nullptr, [this] { eraseDrag({100, 420}, {15, 3}, 50, 2.0f); }},
        {"erase lasso", nullptr,
         [this] {
             histories->beginGesture(4, ChangeKind::EraseLasso);
             lassoPath(1, {100, 300}, {800, 600});
             drawing->finishEraseLasso();
             histories->endGesture(4);
         }},
        {"clear", nullptr,
         [this] {
             histories->recordAs(ChangeKind::Clear, [&] { drawing->clear(); });
         }},
        // The index set aside by the clear also names the stroke drawn and gone within the
        // command, so it must not come back with the others.
        {"draw and clear in one command", nullptr,
         [this] {
             histories->recordAs(ChangeKind::Clear, [&] {
                 DrawingTest::drawRecorded(recs[2], 0.3f, {0, 0});
                 drawing->clear();
             });
         }},
        {"delete selection", [this] { selectAcross({100, 450}, {800, 460}); },
         [this] {
             histories->recordAs(ChangeKind::DeleteSelection, [&] { drawing->deleteSelection(); });
         }},
        {"move", [this] { selectAcross({100, 450}, {800, 460}); },
         [this] {
             histories->beginGesture(5, ChangeKind::Transform);
             for (int i = 0; i < 10; ++i) drawing->moveSelection(7.5f, -3.25f);
             drawing->fitSelectionBox();
             histories->endGesture(5);
         }},
        {"rotate", [this] { selectAcross({100, 450}, {800, 460}); },
         [this] {
             histories->beginGesture(5, ChangeKind::Transform);
             for (int i = 0; i < 10; ++i) drawing->rotateSelection(0.05f);
             histories->endGesture(5);
         }},
        {"scale", [this] { selectAcross({100, 450}, {800, 460}); },
         [this] {
             histories->beginGesture(5, ChangeKind::Transform);
             for (int i = 0; i < 10; ++i) drawing->scaleSelection(0, 0, 4.0f, 3.0f, 2);
             histories->endGesture(5);
         }},
        {"push tool", nullptr, [this] { deformDrag(0, {300, 300}, {6, 4}, 60); }},
        {"defined brush",
         [this] {
             selectAcross({100, 450}, {800, 460});
             drawing->defineBrush();
             drawing->selection.clear();
             drawing->selectionBox.hide();
         },
         [this] { deformDrag(1, {200, 500}, {5, -3}, 60); }},
        {"load",
         [this] {
             std::ostringstream quiet;
             Drawing other(quiet);
             io::PageContent content;
             content.strokes = {{{10, 10, 2, 1}, {500, 600, 3, 0.5f}, {800, 20, 1, 1}}};
             other.loadContent(content);
             ASSERT_TRUE(other.saveXml("other.xml"));
         },
         [this] {
             histories->recordAs(ChangeKind::Load, [&] { drawing->loadXml("other.xml"); });
         }},
    };
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.name);
        TearDown();
        SetUp();
        std::mt19937 rng(11);
        drawScattered(rng, 24);
        if (edit.prepare) edit.prepare();
        const std::string before = drawing->pageText();
        const std::vector<io::StrokeId> idsBefore = strokeIds(*drawing);
        const std::size_t commands = histories->history().undoCount();
        edit.change();
        ASSERT_EQ(histories->history().undoCount(), commands + 1) << "one command per change";
        const std::string after = drawing->pageText();
        const std::vector<io::StrokeId> idsAfter = strokeIds(*drawing);
        ASSERT_NE(after, before) << "the edit changed nothing";
        for (int round = 0; round < 2; ++round) {
            ASSERT_TRUE(histories->undo());
            ASSERT_TRUE(samePage(drawing->pageText(), before));
            ASSERT_EQ(strokeIds(*drawing), idsBefore);
            ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));
            ASSERT_TRUE(histories->redo());
            ASSERT_TRUE(samePage(drawing->pageText(), after));
            ASSERT_EQ(strokeIds(*drawing), idsAfter);
            ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));
        }
        EXPECT_EQ(log.str(), "") << "every removal from the index found its segment";
    }
}

// Seeded random edits, undos and redos against a model that keeps a full copy of the page
// text for every state of the history: identical after every step. The journal the steps
// produce, replayed onto the page file they started from, ends in the same page.
TEST_F(HistoryTest, RandomEditsUndosAndRedosMatchAModelOfFullCopies) {
    for (const unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        TearDown();
        SetUp();
        std::mt19937 rng(seed);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        drawScattered(rng, 8);
        // The journal starts from a saved page, as it does in the program.
        ASSERT_TRUE(drawing->saveXml("base.xml"));
        const io::JournalHeader header{*io::stampFile("base.xml"), strokeIds(*drawing)};
        journal.clear();

        std::vector<std::string> states{drawing->pageText()};
        std::size_t at = 0;
        for (int step = 0; step < 160; ++step) {
            const int op = static_cast<int>(unit(rng) * 14);
            const std::size_t commands = histories->history().undoCount();
            const Vec2 p(unit(rng) * 900, unit(rng) * 900);
            const Vec2 q(unit(rng) * 900, unit(rng) * 900);
            if (op <= 1) {
                drawing->brush.colour = {static_cast<std::uint8_t>(step * 37), 0,
                                         static_cast<std::uint8_t>(op * 200)};
                drawRecorded(recs[step % recs.size()], 0.1f + 0.4f * unit(rng),
                             {p.x - 450, p.y - 450});
            } else if (op <= 3) {
                eraseDrag(p, (q - p) * 0.05f, 20, 0.5f + unit(rng) * 2);
            } else if (op == 4) {
                histories->beginGesture(4, ChangeKind::EraseLasso);
                lassoPath(1, p, q);
                drawing->finishEraseLasso();
                histories->endGesture(4);
            } else if (op == 5) {
                if (unit(rng) < 0.2f) histories->recordAs(ChangeKind::Clear, [&] { drawing->clear(); });
            } else if (op <= 8) {
                selectAcross(p, q);
                histories->beginGesture(5, ChangeKind::Transform);
                const Vec2 d = (q - p) * 0.01f;
                for (int i = 0; i < 8; ++i) {
                    if (op == 6) drawing->moveSelection(d.x, d.y);
                    if (op == 7) drawing->rotateSelection(d.x * 0.01f);
                    if (op == 8) drawing->scaleSelection(0, 0, d.x, d.y, step % 4);
                }
                histories->endGesture(5);
            } else if (op == 9) {
                selectAcross(p, q);
                histories->recordAs(ChangeKind::DeleteSelection, [&] { drawing->deleteSelection(); });
            } else if (op == 10) {
                deformDrag(0, p, (q - p) * 0.02f, 30);
            } else if (op == 11) {
                if (unit(rng) < 0.3f) {
                    ASSERT_TRUE(drawing->saveXml("kept.xml"));
                } else if (std::filesystem::exists("kept.xml")) {
                    histories->recordAs(ChangeKind::Load, [&] { drawing->loadXml("kept.xml"); });
                }
            }
            if (op <= 11) {
                if (histories->history().undoCount() > commands) {
                    states.resize(at + 1);
                    states.push_back(drawing->pageText());
                    ++at;
                } else {
                    ASSERT_TRUE(samePage(drawing->pageText(), states[at])) << "a change without a command";
                }
            } else if (op == 12) {
                ASSERT_EQ(histories->undo(), at > 0);
                if (at > 0) --at;
            } else {
                ASSERT_EQ(histories->redo(), at + 1 < states.size());
                if (at + 1 < states.size()) ++at;
            }
            ASSERT_TRUE(samePage(drawing->pageText(), states[at])) << "step " << step << " op " << op;
            ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));
            ASSERT_NO_FATAL_FAILURE(expectIdsAscend());
        }

        // Replay: the saved page, its ids, then every entry.
        std::ostringstream replayLog;
        Drawing replayed(replayLog);
        ASSERT_TRUE(replayed.loadXml("base.xml"));
        PageHistories replayHistories(replayed);
        io::JournalContents contents{header, journal, 0, io::JournalEnd::Clean};
        const ReplayOutcome outcome = replayJournal(replayHistories, replayed, contents);
        EXPECT_FALSE(outcome.stopped);
        EXPECT_EQ(outcome.applied, journal.size());
        ASSERT_TRUE(samePage(replayed.pageText(), states[at]));
        ASSERT_NO_FATAL_FAILURE(expectDocumentSound(replayed));
        // The replay rebuilt the history too: undo goes back through the same states.
        for (std::size_t back = at; back > 0 && replayHistories.undo(); --back) {
            ASSERT_TRUE(samePage(replayed.pageText(), states[back - 1]));
        }
    }
}

// Contact A's eraser cuts a stroke in two, contact B's eraser cuts the new piece and is
// released first: one command, closed at A's release, undone exactly. Gestures on other
// strokes stay commands of their own.
TEST_F(HistoryTest, GesturesThatTouchEachOthersStrokesBecomeOneCommand) {
    histories->beginGesture(1, ChangeKind::Draw);
    drawing->beginStroke(100, 500, 1);
    for (int x = 110; x <= 800; x += 10) drawing->extendStroke(x, 500, 10, 0, 1);
    drawing->endStroke(800, 500);
    histories->endGesture(1);
    ASSERT_EQ(drawing->strokes.count(), 1u);
    drawRecorded(recs[0], 0.2f, {-300, -300});  // far from the line
    const std::string before = drawing->pageText();
    const std::size_t commands = histories->history().undoCount();

    histories->beginGesture(10, ChangeKind::Erase);
    drawing->eraseAt(300, 500, 1);  // A splits the line; the right part is a new stroke
    histories->beginGesture(11, ChangeKind::Erase);
    drawing->eraseAt(600, 500, 1);  // B cuts that new stroke
    histories->beginGesture(12, ChangeKind::Erase);
    for (int i = 0; i < 60; ++i) drawing->eraseAt(60 + 3 * i, 60 + 3 * i, 3);  // C, elsewhere
    histories->activate(10);
    drawing->eraseAt(200, 500, 1);
    histories->endGesture(11);
    EXPECT_EQ(histories->history().undoCount(), commands) << "B waits for A";
    // The newest command drew the stroke C is cutting: its undo waits for C's release.
    EXPECT_FALSE(histories->undo());
    histories->endGesture(12);
    EXPECT_EQ(histories->history().undoCount(), commands + 1);
    histories->endGesture(10);
    ASSERT_EQ(histories->history().undoCount(), commands + 2);
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));

    const std::string erased = drawing->pageText();
    ASSERT_TRUE(histories->undo());  // A and B together
    const std::string withoutAB = drawing->pageText();
    ASSERT_TRUE(histories->undo());  // C
    EXPECT_TRUE(samePage(drawing->pageText(), before));
    ASSERT_TRUE(histories->redo());
    EXPECT_TRUE(samePage(drawing->pageText(), withoutAB));
    ASSERT_TRUE(histories->redo());
    EXPECT_TRUE(samePage(drawing->pageText(), erased));
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));

    // Undo waits while a gesture in progress has touched the strokes it would change.
    histories->beginGesture(13, ChangeKind::Erase);
    drawing->eraseAt(120, 500, 1);
    EXPECT_FALSE(histories->undo());
    histories->endGesture(13);
    EXPECT_TRUE(histories->undo());
}

TEST_F(HistoryTest, OldestCommandsGoPastTheCountAndMemoryBounds) {
    histories = std::make_unique<PageHistories>(*drawing, PageHistories::kMaxBytes, 3);
    std::mt19937 rng(5);
    std::vector<std::string> states{drawing->pageText()};
    for (int i = 0; i < 5; ++i) {
        drawScattered(rng, 1);
        states.push_back(drawing->pageText());
    }
    int undone = 0;
    while (histories->undo()) ++undone;
    EXPECT_EQ(undone, 3);
    EXPECT_TRUE(samePage(drawing->pageText(), states[2]));

    // A budget smaller than two commands keeps only the newest, on any page.
    histories = std::make_unique<PageHistories>(*drawing, 1);
    drawScattered(rng, 2);
    histories->setPage(1);
    drawScattered(rng, 3);
    EXPECT_EQ(histories->history().undoCount(), 1u);
    histories->setPage(0);
    EXPECT_EQ(histories->history().undoCount(), 0u);
}

TEST_F(HistoryTest, UndoDropsRemovedStrokesFromTheSelectionAndKeepsMovedOnes) {
    std::mt19937 rng(3);
    drawScattered(rng, 6);
    for (Stroke& s : drawing->strokes) drawing->selection.push_back(&s);
    drawing->selectionBox.showForSelection(drawing->selection);
    histories->beginGesture(5, ChangeKind::Transform);
    drawing->moveSelection(20, 0);
    histories->endGesture(5);
    const std::vector<Stroke*> moved = drawing->selection;
    ASSERT_TRUE(histories->undo());
    EXPECT_EQ(drawing->selection, moved) << "strokes changed in place stay selected";
    EXPECT_TRUE(drawing->selectionBox.shown);

    // Undoing the drawing of a selected stroke takes it out of the selection.
    drawing->selection = {drawing->strokes.last()->stroke.get()};
    ASSERT_TRUE(histories->undo());  // the newest command left: the last stroke drawn
    EXPECT_TRUE(drawing->selection.empty());
    EXPECT_FALSE(drawing->selectionBox.shown);
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));
}

TEST_F(HistoryTest, PagesKeepTheirOwnHistories) {
    std::mt19937 rng(9);
    drawScattered(rng, 2);
    histories->setPage(1);
    EXPECT_FALSE(histories->canUndo());
    drawScattered(rng, 1);
    EXPECT_TRUE(histories->canUndo());
    histories->setPage(0);
    EXPECT_EQ(histories->history().undoCount(), 2u);
    histories->forgetPage(1);
    histories->setPage(1);
    EXPECT_FALSE(histories->canUndo());
}

// Entries from a journal are checked against the page before they change it.
TEST_F(HistoryTest, AJournalEntryThatDoesNotFitThePageChangesNothing) {
    std::mt19937 rng(4);
    drawScattered(rng, 3);
    ASSERT_FALSE(journal.empty());
    const std::string page = drawing->pageText();
    const std::vector<io::StrokeId> ids = strokeIds(*drawing);

    io::JournalEntry missing{io::EntryType::Do, 99, {ChangeKind::Erase, {{ids.back() + 5, 3}}, {}, {}}, {}};
    EXPECT_FALSE(histories->replay(missing));
    io::JournalEntry wrongPosition{io::EntryType::Do, 99, {ChangeKind::Erase, {{ids[1], 0}}, {}, {}}, {}};
    EXPECT_FALSE(histories->replay(wrongPosition));
    io::JournalEntry twice = journal.front();  // its stroke is on the page already
    EXPECT_FALSE(histories->replay(twice));
    EXPECT_TRUE(samePage(drawing->pageText(), page));
    EXPECT_EQ(strokeIds(*drawing), ids);
    ASSERT_NO_FATAL_FAILURE(expectDocumentSound(*drawing));

    io::JournalEntry fits{io::EntryType::Do, 99, {ChangeKind::Erase, {{ids[1], 1}}, {}, {}}, {}};
    EXPECT_TRUE(histories->replay(fits));
    EXPECT_EQ(drawing->strokes.count(), ids.size() - 1);
    EXPECT_FALSE(assignStrokeIds(*drawing, ids)) << "count differs";
}

// Undo puts strokes back between others: serials stay in list order even when insertions
// at one place use up the room between two neighbours.
TEST(StrokeListOrder, InsertionsBetweenNodesKeepSerialsInListOrder) {
    StrokeList list;
    list.append(std::make_unique<Stroke>());
    StrokeNode* last = list.last();
    list.append(std::make_unique<Stroke>());
    for (int i = 0; i < 40; ++i) last = list.insertBefore(last, std::make_unique<Stroke>()).listNode;
    std::size_t count = 0;
    for (const StrokeNode* n = list.first(); n->next; n = n->next.get(), ++count) {
        ASSERT_LT(list.serialOf(*n), list.serialOf(*n->next));
    }
    EXPECT_EQ(count + 1, list.count());
}
