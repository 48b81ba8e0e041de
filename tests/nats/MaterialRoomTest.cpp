// The teacher's material travels with the page: a board that opens a page naming a picture
// puts the page (paper and background) and the picture's file in the room, and another board
// shows the same page and gets the file into its own folder. Chunks are untrusted: only a
// whole file that hashes to its name is ever stored.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "ClusterBoard.h"
#include "io/Material.h"
#include "io/PageFile.h"
#include "nats/RoomMaterial.h"
#include "support/NatsServer.h"
#include "support/TempWorkDir.h"

namespace {

using namespace std::chrono_literals;

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A PNG's signature and random bytes: material by its first bytes, over three chunks.
std::string picture(std::size_t size) {
    std::mt19937_64 rng(5);
    std::string bytes = "\x89PNG\r\n\x1a\n";
    while (bytes.size() < size) bytes.push_back(static_cast<char>(rng()));
    return bytes;
}

TEST(MaterialRoom, APageWithAPictureReachesAnotherBoardWithItsFile) {
    TempWorkDir dir;
    NatsServer server(std::filesystem::current_path() / "server");
    std::filesystem::create_directories("pupil");
    auto options = ClusterBoard::in({server.url()});
    ClusterBoard teacher(options, 1);
    options.folder = "pupil";
    ClusterBoard pupil(options, 2);
    for (ClusterBoard* b : {&teacher, &pupil})
        b->controller.history().pageOpened = [b](int page) { b->session.pageOpened(page); };
    pupil.controller.flipToNextPage();  // before the page is made: it follows the room's

    // As an import leaves it: the file under its content name, a page naming it.
    const std::string bytes = picture((5u << 20) / 2);
    const auto name = io::storeMaterial(".", bytes, io::MaterialKind::Png);
    ASSERT_TRUE(name);
    io::PageStyle style;
    style.background = *name;
    style.paper = io::Paper::Squared;
    std::ofstream(pageFileName(1)) << io::formatPage({}, {}, style);
    teacher.controller.flipToNextPage();

    const std::string there = "pupil/" + *name;
    EXPECT_TRUE(pumpUntil({&teacher, &pupil}, [&] {
        return std::filesystem::exists(there) && pupil.drawing.pageText() == teacher.drawing.pageText();
    }, 20s)) << pupil.out.str();
    EXPECT_EQ(pupil.drawing.style, style);
    EXPECT_EQ(fileBytes(there), bytes);
}

// Whatever chunks arrive, the assembly yields the file only when they make it whole and it
// hashes to its name.
TEST(MaterialRoom, OnlyAWholeFileThatHashesToItsNameIsTaken) {
    const std::string bytes = picture(3000);
    const std::string name = io::materialFileName(bytes, io::MaterialKind::Png);
    ASSERT_TRUE(share::roomMaterialName(name));
    EXPECT_FALSE(share::roomMaterialName("../" + name));
    EXPECT_FALSE(share::roomMaterialName("material-XYZ.png"));
    const auto chunk = [&](std::size_t from, std::size_t n, std::uint64_t size) {
        return share::encodeChunk(from, size, std::string_view(bytes).substr(from, n));
    };
    std::string error;
    {  // a chunk sent twice, and one after a gap, are passed over
        share::MaterialAssembly a(name);
        for (std::size_t from : {0, 0, 2000, 1000, 2000}) ASSERT_TRUE(a.add(chunk(from, 1000, bytes.size()), error));
        EXPECT_EQ(a.take(error), bytes);
    }
    {  // cut short, then whole but not the named file
        share::MaterialAssembly a(io::materialFileName("x", io::MaterialKind::Png));
        ASSERT_TRUE(a.add(chunk(0, 1000, bytes.size()), error));
        EXPECT_FALSE(a.take(error));
        ASSERT_TRUE(a.add(chunk(1000, 2000, bytes.size()), error));
        EXPECT_FALSE(a.take(error));
        EXPECT_EQ(error, "its bytes do not match its name");
    }
    share::MaterialAssembly a(name);
    ASSERT_TRUE(a.add(chunk(0, 1000, bytes.size()), error));
    EXPECT_FALSE(a.add(chunk(1000, 1000, bytes.size() + 1), error));          // another size
    EXPECT_FALSE(a.add(chunk(0, 10, io::kMaxMaterialBytes + 1), error));      // too large
    EXPECT_FALSE(a.add(share::encodeChunk(2500, bytes.size(), std::string(1000, 0)), error));  // past the end
    EXPECT_FALSE(a.add("short", error));
}

}  // namespace
