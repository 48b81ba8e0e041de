// The browser board computes its pages with the same code built for WebAssembly. A room's
// log from three boards drawing, erasing, moving, clearing and undoing at random (with a
// snapshot among the records, as a joiner finds one) must make the same page text, and the
// same snapshot bytes, in that build's module run by node as here.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "MemoryBoard.h"
#include "RandomInput.h"
#include "share/RecordCodec.h"
#include "share/RoomLog.h"
#include "support/TempWorkDir.h"

namespace {

std::string run(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[1 << 16];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

TEST(TwoBuilds, TheWebAssemblyModuleMakesTheSamePagesFromARoomsLog) {
    const std::filesystem::path module = std::filesystem::path(INKBOARD_BUILD_DIR) / "wasm" / "inkboard-core.js";
    if (!std::filesystem::exists(module)) GTEST_SKIP() << "no WebAssembly build in this build folder";
    TempWorkDir dir;
    MemoryRoom room;
    std::vector<std::unique_ptr<MemoryBoard>> boards;
    for (std::uint32_t b = 1; b <= 3; ++b) boards.push_back(std::make_unique<MemoryBoard>(room, share::ShareSession::Identity{b, b, 1}, 40));
    std::mt19937_64 rng(38);
    RandomInput<MemoryBoard> input(rng, [&](MemoryBoard& b) {
        room.shuffle(rng, static_cast<int>(rng() % 4));
        if (rng() % 2) b.session.pump();
    });
    for (int i = 0; i < 600; ++i) input.act(*boards[rng() % boards.size()]);
    for (int round = 0; round < 200; ++round) {
        room.settle();
        for (auto& b : boards) b->session.pump();
    }

    std::string log;
    share::PageState half;
    const std::size_t middle = room.log().size() / 2;
    for (std::size_t i = 0; i < room.log().size(); ++i) {
        const MemoryRoom::Record& r = room.log()[i];
        share::appendLogFrame(log, r.page, r.seq, r.bytes);
        std::string error;
        if (r.page == 0 && i < middle) half.apply(*share::decodeChange(r.bytes, error), r.seq);
        if (i + 1 == middle) share::appendLogFrame(log, 0, half.seq(), share::encodeSnapshot(half));
    }
    ASSERT_GT(room.log().size(), 200u);
    std::ofstream(dir.path() / "room.log", std::ios::binary) << log;

    std::string error;
    const std::optional<std::string> native = share::roomLogPages(log, error);
    ASSERT_TRUE(native) << error;
    const std::string wasm = run("node " + std::string(INKBOARD_SOURCE_DIR) + "/web/tools/room-log-pages.cjs " +
                                 module.string() + " " + (dir.path() / "room.log").string());
    // The log makes the page every board shows.
    ASSERT_NE(native->find("\n" + boards[0]->drawing.pageText()), std::string::npos);
    if (wasm == *native) return;
    std::size_t at = 0;
    while (at < wasm.size() && at < native->size() && wasm[at] == (*native)[at]) ++at;
    FAIL() << "the builds differ from byte " << at << " of " << native->size() << ": \"" << wasm.substr(at, 80)
           << "\" where this build has \"" << native->substr(at, 80) << "\"";
}

}  // namespace
