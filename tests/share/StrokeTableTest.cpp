// A stroke table lying over another against a map of what each id should read: ids mostly
// above the largest (as boards draw), put into either table, moved down, taken in whole.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "share/PageRules.h"

namespace {

using namespace share;
using Versions = std::map<io::StrokeId, Version>;

TEST(StrokeTable, ReadsAndTakesInAsAMapWould) {
    std::mt19937 rng(7);
    StrokeTable lower;
    Versions below;  // what `lower` holds
    Version next = 1;
    const auto expectReads = [&](const StrokeTable& t, const Versions& model) {
        for (io::StrokeId id = 0; id <= (model.empty() ? 0 : model.rbegin()->first) + 2; ++id) {
            const StrokeEntry* e = t.find(id);
            ASSERT_EQ(e != nullptr, model.contains(id)) << id;
            EXPECT_TRUE(e == nullptr || e->version == model.at(id)) << id;
        }
    };
    for (int round = 0; round < 400; ++round) {
        StrokeTable upper(&lower);
        Versions above, all = below;  // what `upper` holds itself; what it reads
        for (int i = static_cast<int>(rng() % 6); i > 0; --i) {
            const io::StrokeId top = all.empty() ? 0 : all.rbegin()->first;
            const io::StrokeId id = rng() % 3 ? top + 1 + rng() % 4 : 1 + rng() % (top + 2);
            const bool intoUpper = rng() % 2 || above.contains(id);  // never under its own entry
            StrokeEntry e;
            e.version = next;
            (intoUpper ? upper : lower).put(id, e);
            (intoUpper ? above : below)[id] = next;
            all[id] = next++;
        }
        if (!above.empty() && rng() % 2) {  // one entry goes down whole, renamed
            const auto pick = std::next(above.begin(), static_cast<long>(rng() % above.size()));
            const StrokeEntry* e = lower.takeEntry(upper, pick->first, pick->second, next);
            ASSERT_TRUE(e != nullptr && e->version == next);
            all[pick->first] = next++;
            above.erase(pick);
        }
        expectReads(upper, all);
        lower.absorb(std::move(upper));
        EXPECT_TRUE(upper.own().empty());
        EXPECT_EQ(lower.own().size(), all.size());
        below = all;
        expectReads(lower, below);
    }
}

}  // namespace
