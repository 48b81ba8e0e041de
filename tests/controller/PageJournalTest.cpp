// The page's crash journal across runs: what one run recorded, the next restores once;
// saves empty it; a journal for other page contents, a torn one and a damaged one are
// handled without losing anything.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "controller/PageJournal.h"
#include "document/Drawing.h"
#include "document/PageHistories.h"
#include "io/SafeFile.h"
#include "support/TempWorkDir.h"

namespace {

// One run of the program on page 0, ended without a save (as a crash would end it, except
// that records still queued are written).
struct ProgramRun {
    std::ostringstream log;
    std::unique_ptr<Drawing> drawing;
    std::unique_ptr<PageHistories> histories;
    PageJournal journal{std::chrono::milliseconds(0)};
    std::string said;  // standard output of opening the page

    ProgramRun() {
        testing::internal::CaptureStdout();
        drawing = std::make_unique<Drawing>(log);
        drawing->view.panX = drawing->view.panY = 0.0f;
        histories = std::make_unique<PageHistories>(*drawing);
        journal.open("0.xml", *drawing, *histories);
        histories->journal = [this](const io::JournalEntry& e) { journal.record(e); };
        said = testing::internal::GetCapturedStdout();
    }
    void draw(float x, float y) {
        histories->beginGesture(1, io::ChangeKind::Draw);
        drawing->beginStroke(x, y, 1);
        for (int i = 1; i <= 10; ++i) drawing->extendStroke(x + 6 * i, y + 2 * i, 6, 2, 1);
        drawing->endStroke(x + 60, y + 20);
        histories->endGesture(1);
    }
    void erase(float x, float y) {
        histories->beginGesture(2, io::ChangeKind::Erase);
        drawing->eraseAt(x, y, 1);
        histories->endGesture(2);
    }
    void save() {
        const std::string text = drawing->pageText();
        journal.saving(text);
        ASSERT_TRUE(drawing->saveXml("0.xml"));
        journal.saved(text, *drawing);
    }
    std::string page() const { return drawing->pageText(); }
};

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class PageJournalTest : public ::testing::Test {
protected:
    TempWorkDir dir;
};

}  // namespace

TEST_F(PageJournalTest, WhatARunDidIsRestoredOnceByTheNext) {
    std::string first;
    {
        ProgramRun a;
        EXPECT_EQ(a.said, "");
        a.draw(100, 100);
        a.draw(100, 300);
        a.draw(100, 500);
        a.erase(130, 310);
        ASSERT_TRUE(a.histories->undo());
        first = a.page();
    }
    std::string second;
    {
        ProgramRun b;
        EXPECT_EQ(b.said, "Restored 5 changes to 0.xml from 0.xml.journal\n");
        EXPECT_EQ(b.page(), first);
        ASSERT_TRUE(b.histories->redo()) << "the history came back too";
        ASSERT_TRUE(b.histories->undo());
        b.draw(400, 400);
        second = b.page();
    }
    ProgramRun c;
    EXPECT_EQ(c.page(), second) << "no record applied twice";
    EXPECT_EQ(c.said, "Restored 8 changes to 0.xml from 0.xml.journal\n");
}

TEST_F(PageJournalTest, ASaveEmptiesTheJournalAndAnInterruptedSaveIsRecognised) {
    std::string saved;
    {
        ProgramRun a;
        a.draw(100, 100);
        ASSERT_NO_FATAL_FAILURE(a.save());
        EXPECT_FALSE(std::filesystem::exists("0.xml.journal"));
        a.draw(100, 300);
        saved = a.page();
        // Killed after the page was replaced but before the journal was emptied.
        a.journal.saving(saved);
        ASSERT_TRUE(io::replaceFileContents("0.xml", saved));
    }
    ProgramRun b;
    EXPECT_EQ(b.said, "");
    EXPECT_EQ(b.page(), saved);
    EXPECT_FALSE(std::filesystem::exists("0.xml.journal"));
}

TEST_F(PageJournalTest, AJournalForOtherPageContentsIsKeptAsideAndNotApplied) {
    {
        ProgramRun a;
        a.draw(100, 100);
        ASSERT_NO_FATAL_FAILURE(a.save());
        a.draw(100, 300);
    }
    const std::string journal = readAll("0.xml.journal");
    {
        std::ostringstream quiet;
        Drawing other(quiet);
        other.clear();
        ASSERT_TRUE(other.saveXml("0.xml"));  // another program empties the page
    }
    ProgramRun b;
    EXPECT_NE(b.said.find("0.xml.journal does not belong to 0.xml"), std::string::npos) << b.said;
    EXPECT_EQ(b.drawing->strokes.count(), 0u);
    EXPECT_EQ(readAll("0.xml.journal.stale"), journal);
}

TEST_F(PageJournalTest, ATornTailIsDroppedAndADamagedJournalIsKeptWhole) {
    std::vector<std::string> pages;
    std::vector<std::uintmax_t> ends;
    {
        ProgramRun a;
        for (int i = 0; i < 4; ++i) {
            a.draw(100, 100 + 150 * i);
            ASSERT_TRUE(a.journal.flush());
            pages.push_back(a.page());
            ends.push_back(std::filesystem::file_size("0.xml.journal"));
        }
    }
    std::filesystem::resize_file("0.xml.journal", ends[3] - 5);  // the last write cut short
    {
        ProgramRun b;
        EXPECT_EQ(b.said, "Restored 3 changes to 0.xml from 0.xml.journal; an incomplete last "
                          "record was dropped\n");
        EXPECT_EQ(b.page(), pages[2]);
        b.draw(500, 700);
        pages[3] = b.page();
    }
    {
        ProgramRun c;
        EXPECT_EQ(c.page(), pages[3]) << "the torn tail was cut before new records";
    }
    std::string bytes = readAll("0.xml.journal");
    bytes[ends[1] + 20] = static_cast<char>(bytes[ends[1] + 20] ^ 0x55);  // inside record 3
    std::ofstream("0.xml.journal", std::ios::binary | std::ios::trunc) << bytes;
    {
        ProgramRun d;
        EXPECT_NE(d.said.find("Restored 2 changes"), std::string::npos) << d.said;
        EXPECT_NE(d.said.find("kept whole as 0.xml.journal.damaged"), std::string::npos);
        EXPECT_EQ(d.page(), pages[1]);
        EXPECT_EQ(readAll("0.xml.journal.damaged"), bytes);
        d.draw(600, 100);
        pages[1] = d.page();
    }
    {
        ProgramRun e;
        EXPECT_EQ(e.page(), pages[1]);
    }
    // A bit flipped in the first record's length field (its length now runs past the end of
    // the file): every record still comes back, and the file is kept whole.
    bytes = readAll("0.xml.journal");
    const std::size_t first = 16 + (static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9]) << 8);
    bytes[first + 2] = static_cast<char>(bytes[first + 2] ^ 0x10);
    std::ofstream("0.xml.journal", std::ios::binary | std::ios::trunc) << bytes;
    ProgramRun f;
    EXPECT_EQ(f.said, "Restored 3 changes to 0.xml from 0.xml.journal; a record with a damaged "
                      "length was read whole and it is kept whole as 0.xml.journal.damaged.2\n");
    EXPECT_EQ(f.page(), pages[1]);
    EXPECT_EQ(readAll("0.xml.journal.damaged.2"), bytes);
}

TEST_F(PageJournalTest, LoadingThePageAgainStartsTheJournalAfresh) {
    std::string loaded;
    {
        ProgramRun a;
        a.draw(100, 100);
        ASSERT_NO_FATAL_FAILURE(a.save());
        a.draw(100, 300);
        a.histories->recordAs(io::ChangeKind::Load, [&] { a.drawing->loadXml("0.xml"); });
        a.journal.reopen(*a.drawing);
        loaded = a.page();
        EXPECT_FALSE(std::filesystem::exists("0.xml.journal"));
        ASSERT_TRUE(a.histories->undo()) << "the load is a change like any other";
    }
    ProgramRun b;
    EXPECT_EQ(b.said, "Restored 1 change to 0.xml from 0.xml.journal\n");
    EXPECT_NE(b.page(), loaded);
    EXPECT_EQ(b.drawing->strokes.count(), 2u);
}
