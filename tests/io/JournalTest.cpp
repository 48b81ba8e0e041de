// The crash journal: records survive a round trip; a file cut anywhere or damaged anywhere
// reads as its good prefix; the writer puts records in the file at once and syncs at most
// once per interval.

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <random>
#include <thread>

#include "IoTestSupport.h"
#include "io/Checksum.h"
#include "io/JournalFormat.h"
#include "io/JournalWriter.h"

namespace {

using namespace io;

JournalEntry randomEntry(std::mt19937& rng) {
    std::uniform_int_distribution<int> small(0, 4);
    std::uniform_real_distribution<float> coord(-10.0f, 910.0f);
    JournalEntry e;
    e.type = static_cast<EntryType>(2 + small(rng) % 4);
    if (e.type == EntryType::Save) {
        e.saved = {true, rng(), (static_cast<std::uint64_t>(rng()) << 32) | rng()};
        return e;
    }
    e.serial = rng();
    e.change.kind = static_cast<ChangeKind>(1 + small(rng));
    StrokeId id = 1 + rng() % 50;
    for (int i = small(rng); i > 0; --i, id += 1 + rng() % 9) {
        e.change.removed.push_back({id, static_cast<std::uint32_t>(rng() % 100)});
    }
    id = 1 + rng() % 50;
    for (int i = small(rng); i > 0; --i, id += 1 + rng() % 9) {
        PlacedStroke& p = e.change.added.emplace_back();
        p.position = rng() % 100;
        p.stroke.id = id;
        if (small(rng) < 2) p.stroke.colour = {static_cast<std::uint8_t>(rng()), 0, 200};
        for (int k = 1 + small(rng) * 7; k > 0; --k) {
            p.stroke.points.push_back({coord(rng), coord(rng), coord(rng) / 100, 0.5f});
        }
    }
    if (small(rng) == 0) {
        e.change.kind = ChangeKind::Paper;
        e.change.page = {{"background", "", std::string(rng() % 300, 'm')},
                         {"paper", "ruled", small(rng) ? "dotted" : ""}};
    }
    return e;
}

struct Sample {
    JournalHeader header;
    std::vector<JournalEntry> entries;
    std::string bytes;
    std::vector<std::size_t> ends;  // where each record ends, the header's first
};

Sample sample(unsigned seed, int count) {
    std::mt19937 rng(seed);
    Sample s;
    s.header.page = {true, 1234, 0xFEEDFACECAFEBEEFull};
    s.header.strokeIds = {1, 2, 3, 4, 9, 10, 40};
    s.bytes = encodeJournalStart(s.header);
    s.ends.push_back(s.bytes.size());
    for (int i = 0; i < count; ++i) {
        s.entries.push_back(randomEntry(rng));
        s.bytes += encodeEntry(s.entries.back());
        s.ends.push_back(s.bytes.size());
    }
    return s;
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(Journal, ChecksumsMatchTheirReferenceValues) {
    EXPECT_EQ(crc32c("123456789"), 0xE3069283u);
    EXPECT_EQ(contentHash(""), 0xCBF29CE484222325ull);
    EXPECT_EQ(contentHash("a"), 0xAF63DC4C8601EC8Cull);
}

TEST(Journal, EntriesSurviveARoundTrip) {
    for (unsigned seed = 0; seed < 20; ++seed) {
        const Sample s = sample(seed, 30);
        const ParsedJournal parsed = parseJournal(s.bytes);
        ASSERT_TRUE(parsed.contents);
        EXPECT_EQ(parsed.contents->header, s.header);
        EXPECT_EQ(parsed.contents->entries, s.entries);
        EXPECT_EQ(parsed.contents->end, JournalEnd::Clean);
        EXPECT_EQ(parsed.contents->goodLength, s.bytes.size());
    }
}

// A file cut at every byte reads as the records wholly before the cut; the header alone
// cut short holds no change.
TEST(Journal, AFileCutAnywhereReadsAsItsCompleteRecords) {
    const Sample s = sample(7, 12);
    for (std::size_t cut = 0; cut < s.bytes.size(); ++cut) {
        const ParsedJournal parsed = parseJournal(std::string_view(s.bytes).substr(0, cut));
        if (cut < s.ends[0]) {
            ASSERT_FALSE(parsed.contents);
            ASSERT_EQ(parsed.problem, JournalProblem::TornHeader) << cut;
            continue;
        }
        ASSERT_TRUE(parsed.contents) << cut;
        const std::size_t whole =
            std::upper_bound(s.ends.begin(), s.ends.end(), cut) - s.ends.begin() - 1;
        ASSERT_EQ(parsed.contents->entries.size(), whole) << cut;
        ASSERT_EQ(parsed.contents->goodLength, s.ends[whole]);
        ASSERT_EQ(parsed.contents->end, cut == s.ends[whole] ? JournalEnd::Clean : JournalEnd::Torn);
    }
    // A crash can also leave zeros where the last record should be.
    std::string zeros = s.bytes.substr(0, s.ends[3]) + std::string(40, '\0');
    EXPECT_EQ(parseJournal(zeros).contents->end, JournalEnd::Torn);
}

// One flipped byte anywhere costs at most the record that holds it: a flip in a length
// field costs nothing (the record is read whole by its checksum), any other one the record
// itself, never the records after it. The header is read whole or rejected. Whatever was
// passed over or mended reads as damaged, so that the file is kept.
TEST(Journal, DamageCostsOnlyTheRecordItTouches) {
    const Sample s = sample(8, 10);
    std::mt19937 rng(3);
    for (std::size_t at = 0; at < s.bytes.size(); ++at) {
        std::string bytes = s.bytes;
        bytes[at] = static_cast<char>(bytes[at] ^ (1 + rng() % 255));
        const ParsedJournal parsed = parseJournal(bytes);
        const std::size_t hit = std::upper_bound(s.ends.begin(), s.ends.end(), at) - s.ends.begin();
        const std::size_t begin = hit == 0 ? 8 : s.ends[hit - 1];  // the hit record's frame
        const bool inLength = at >= begin && at < begin + 4;
        if (hit == 0 && !inLength) {
            ASSERT_FALSE(parsed.contents && parsed.contents->header == s.header) << at;
            continue;
        }
        ASSERT_TRUE(parsed.contents) << at;
        EXPECT_EQ(parsed.contents->header, s.header) << at;
        std::vector<JournalEntry> expected = s.entries;
        if (!inLength) expected.erase(expected.begin() + static_cast<long>(hit) - 1);
        ASSERT_EQ(parsed.contents->entries, expected) << at;
        ASSERT_EQ(parsed.contents->end, JournalEnd::Damaged) << at;
        ASSERT_EQ(parsed.contents->mendedLengths, inLength ? 1u : 0u) << at;
    }
}

// Records with good checksums but impossible contents (crafted or from a broken writer)
// read as damaged, without allocating what their counts claim.
TEST(Journal, ImpossibleContentsReadAsDamaged) {
    const Sample s = sample(9, 0);
    auto withPayload = [&](std::string payload) {
        std::string out = s.bytes;
        const std::uint32_t n = static_cast<std::uint32_t>(payload.size());
        const std::uint32_t crc = crc32c(payload);
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((crc >> (8 * i)) & 0xFF));
        return out + payload;
    };
    JournalEntry e;
    e.change.added.push_back({0, {5, {{1, 2, 3, 4}}, {}}});
    std::string good = encodeEntry(e).substr(8);
    ASSERT_EQ(parseJournal(withPayload(good)).contents->entries.size(), 1u);

    std::string hugeCount = good;
    hugeCount[13] = '\xFF';  // the removed count's top byte
    std::string nan = good;
    nan.replace(nan.size() - 4, 4, "\x00\x00\xC0\x7F", 4);  // opacity NaN
    std::string zeroId = good;
    zeroId.replace(18, 8, std::string(8, '\0'));
    std::string hugeId = good;
    hugeId[25] = '\x7F';  // the added stroke's id, beyond what a drawing gives
    std::string longField = good;
    longField.replace(34, 4, "\xF0\xFF\xFF\xFF", 4);  // the points field's length: 4 GiB
    // Page attributes after the strokes: none counted, names out of order, a value longer
    // than any attribute.
    JournalEntry paper;
    paper.change.page = {{"b", "", "1"}, {"c", "", "2"}};
    const std::string withPage = encodeEntry(paper).substr(8);
    ASSERT_EQ(parseJournal(withPayload(withPage)).contents->entries.size(), 1u);
    const std::size_t pageAt = withPage.size() - 2 * 14 - 4;  // the attributes' count
    std::string noAttributes = withPage.substr(0, pageAt) + std::string(4, '\0');
    std::string unordered = withPage;
    unordered[pageAt + 8] = 'd';  // "b" becomes "d", after "c"
    std::string longValue = withPage;
    longValue.replace(pageAt + 9, 4, "\xF0\xFF\x00\x00", 4);
    for (const std::string& bad : {hugeCount, nan, zeroId, hugeId, longField, std::string("\x07"),
                                   noAttributes, unordered, longValue}) {
        const ParsedJournal parsed = parseJournal(withPayload(bad));
        ASSERT_TRUE(parsed.contents);
        EXPECT_TRUE(parsed.contents->entries.empty());
        EXPECT_EQ(parsed.contents->end, JournalEnd::Damaged);
    }
    EXPECT_EQ(parseJournal("not a journal at all").problem, JournalProblem::NotAJournal);
}

TEST(JournalWriter, RecordsReachTheFileAtOnceAndABurstCostsOneSyncPerInterval) {
    iotest::TempDir dir;
    const std::string path = dir.file("0.xml.journal");
    const Sample s = sample(1, 100);
    const auto start = std::chrono::steady_clock::now();
    {
        JournalWriter writer(path, s.bytes.substr(0, s.ends[0]), std::chrono::milliseconds(300));
        for (std::size_t i = 0; i < s.entries.size(); ++i) {
            writer.append(s.bytes.substr(s.ends[i], s.ends[i + 1] - s.ends[i]));
            std::this_thread::sleep_for(std::chrono::milliseconds(6));
        }
        // Written without waiting for a sync: a killed program has handed them to the system.
        for (int wait = 0; wait < 100 && readAll(path) != s.bytes; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_EQ(readAll(path), s.bytes);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_GE(writer.syncCount(), 1u);
        EXPECT_LE(writer.syncCount(), static_cast<std::uint64_t>(seconds / 0.3) + 1);
        EXPECT_TRUE(writer.flush());
        EXPECT_FALSE(writer.failed());
    }
    EXPECT_EQ(readAll(path), s.bytes);
}

TEST(JournalWriter, RestartResumeAndWhatIsInTheWay) {
    iotest::TempDir dir;
    const std::string path = dir.file("1.xml.journal");
    const Sample a = sample(2, 3);
    {
        JournalWriter writer(path, a.bytes.substr(0, a.ends[0]));
        writer.append(a.bytes.substr(a.ends[0]));
        ASSERT_TRUE(writer.flush());
        EXPECT_EQ(readAll(path), a.bytes);

        // A save empties the journal: the file goes, the next record starts a new one.
        ASSERT_TRUE(writer.restart("NEW"));
        EXPECT_FALSE(std::filesystem::exists(path));
        writer.append("x");
        ASSERT_TRUE(writer.flush());
        EXPECT_EQ(readAll(path), "NEWx");

        // A file put in its place by someone else is neither removed nor moved nor written.
        std::filesystem::remove(path);
        std::ofstream(path) << "someone else's file";
        ASSERT_TRUE(writer.restart("NEW"));
        testing::internal::CaptureStdout();
        writer.append("y");
        EXPECT_FALSE(writer.flush());
        EXPECT_NE(testing::internal::GetCapturedStdout().find("Could not create the journal"),
                  std::string::npos);
        EXPECT_EQ(readAll(path), "someone else's file");
        EXPECT_EQ(dir.listing(), "1.xml.journal;");
    }
    {
        std::ofstream(path, std::ios::trunc) << a.bytes << "torn tail";
        auto writer = JournalWriter::resume(path, a.bytes.size());
        ASSERT_TRUE(writer);
        writer->append("y");
        ASSERT_TRUE(writer->flush());
        EXPECT_EQ(readAll(path), a.bytes + "y");
    }
    testing::internal::CaptureStdout();
    {
        JournalWriter lost(dir.file("no/such/folder/2.xml.journal"), "S");
        lost.append("z");
        EXPECT_FALSE(lost.flush());
        EXPECT_TRUE(lost.failed());
        lost.append("more");
        EXPECT_FALSE(lost.flush());
    }
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Could not create the journal"),
              std::string::npos);
}

// Records and replacements in any order: once flushed, the file is the last replacement
// followed by every record appended after it.
TEST(JournalWriter, AReplacementIsSwappedInBehindTheRecordsBeforeIt) {
    iotest::TempDir dir;
    const std::string path = dir.file("room.waiting");
    std::mt19937 rng(7);
    JournalWriter writer(path, "S");
    std::string expected = "S";
    for (int i = 0; i < 400; ++i) {
        const std::string text = std::to_string(i) + ",";
        if (rng() % 8 == 0) {
            writer.replace("R" + text);
            expected = "R" + text;
        } else {
            writer.append(text);
            expected += text;
        }
        if (rng() % 40 == 0) {
            ASSERT_TRUE(writer.flush());
            EXPECT_EQ(readAll(path), expected);
        }
    }
    ASSERT_TRUE(writer.flush());
    EXPECT_EQ(readAll(path), expected);
    EXPECT_EQ(dir.listing(), "room.waiting;");
}
