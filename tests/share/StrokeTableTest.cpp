// A stroke table lying over another, against a plain map of what each id should read: ids
// new and old, above and below the largest, put over the table, replaced, moved down one
// by one, and the upper table taken in by the lower one.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <vector>

#include "share/PageRules.h"

namespace {

using namespace share;

TEST(StrokeTable, ReadsAndTakesInAsAMapWould) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        StrokeTable lower;
        // The version each id reads as, in the lower table and in the upper's own entries;
        // the pieces cut from each id.
        std::map<io::StrokeId, Version> below, above;
        std::map<io::StrokeId, std::set<io::StrokeId>> children;
        std::map<io::StrokeId, io::StrokeId> origins;
        Version next = 1;
        const auto largest = [&] {
            const io::StrokeId a = below.empty() ? 0 : below.rbegin()->first;
            return std::max(a, above.empty() ? 0 : above.rbegin()->first);
        };
        for (int round = 0; round < 30; ++round) {
            StrokeTable upper(&lower);
            above.clear();
            // Mostly ids above every one so far (as boards draw), some in between or again.
            for (int i = static_cast<int>(rng() % 6); i > 0; --i) {
                const io::StrokeId top = largest();
                const io::StrokeId id = rng() % 3 == 0 ? 1 + rng() % (top + 2) : top + 1 + rng() % 4;
                StrokeEntry e;
                e.present = true;
                e.version = next++;
                // A stroke keeps the origin it first came with, as the rules keep it.
                const bool known = below.contains(id) || above.contains(id);
                if (!known) origins[id] = rng() % 4 == 0 && id > 1 ? id - 1 : 0;
                e.origin = origins[id];
                if (e.origin != 0 && !known) children[e.origin].insert(id);
                const bool intoUpper = rng() % 2 == 0;
                // Only what the upper table does not hold itself may go under it.
                if (intoUpper || above.contains(id)) {
                    upper.put(id, e);
                    above[id] = e.version;
                } else {
                    lower.put(id, e);
                    below[id] = e.version;
                }
            }
            // Now and then an entry of the upper table goes down whole, renamed.
            if (!above.empty() && rng() % 2 == 0) {
                auto pick = above.begin();
                std::advance(pick, static_cast<long>(rng() % above.size()));
                const Version renamed = next++;
                const StrokeEntry* e = lower.takeEntry(upper, pick->first, pick->second, renamed);
                ASSERT_NE(e, nullptr);
                EXPECT_EQ(e->version, renamed);
                below[pick->first] = renamed;
                above.erase(pick);
            }
            EXPECT_EQ(lower.takeEntry(upper, largest() + 1, 1, 2), nullptr);
            for (io::StrokeId id = 0; id <= largest() + 2; ++id) {
                const StrokeEntry* e = upper.find(id);
                const auto a = above.find(id);
                const auto b = below.find(id);
                const bool known = a != above.end() || b != below.end();
                ASSERT_EQ(e != nullptr, known) << id;
                if (e) {
                    EXPECT_EQ(e->version, a != above.end() ? a->second : b->second) << id;
                }
                std::vector<io::StrokeId> cut;
                upper.childrenOf(id, cut);
                EXPECT_EQ(std::set<io::StrokeId>(cut.begin(), cut.end()), children[id]) << id;
            }
            lower.absorb(std::move(upper));
            for (const auto& [id, v] : above) below[id] = v;
            EXPECT_TRUE(upper.own().empty());
            ASSERT_EQ(lower.own().size(), below.size());
            for (const auto& [id, v] : below) {
                const StrokeEntry* e = lower.find(id);
                ASSERT_NE(e, nullptr) << id;
                EXPECT_EQ(e->version, v) << id;
            }
        }
    }
}

}  // namespace
