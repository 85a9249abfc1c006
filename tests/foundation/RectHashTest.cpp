#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <set>

#include "Nodeloom/foundation/RectHash.h"

using namespace nodeloom;

namespace {

std::multiset<int> reported(const RectHash& hash, const Rect& r) {
    std::multiset<int> ids;
    hash.query(r, [&](int id) { ids.insert(id); });
    return ids;
}

}  // namespace

// Entries are entered, moved and taken out at random; every query must report each entry that
// meets the asked rectangle (edges included) exactly once, and nothing that was taken out.
TEST(RectHash, ReportsEveryMeetingEntryOnceThroughMovesAndRemovals) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> coord(-50, 250);
    std::uniform_real_distribution<double> size(0, 30);
    RectHash hash(10);
    std::map<int, Rect> truth;
    for (int step = 0; step < 3000; ++step) {
        const int id = static_cast<int>(rng() % 200);
        if (rng() % 5 == 0) {
            hash.erase(id);
            truth.erase(id);
        } else {
            // Now and then one far larger than the cells, which is kept aside.
            const double grow = rng() % 20 == 0 ? 40 : 1;
            const Rect r(std::round(coord(rng)), std::round(coord(rng)), size(rng) * grow,
                         size(rng) * grow);
            hash.set(id, r);
            truth[id] = r;
        }
        ASSERT_EQ(hash.size(), truth.size());
        const Rect q(std::round(coord(rng)), std::round(coord(rng)), size(rng) / 4, size(rng) / 4);
        const std::multiset<int> ids = reported(hash, q);
        for (int seen : ids) {
            ASSERT_EQ(ids.count(seen), 1u);
            ASSERT_EQ(truth.count(seen), 1u);
        }
        for (const auto& [entry, r] : truth) {
            if (r.intersectsWith(q)) {
                ASSERT_EQ(ids.count(entry), 1u) << entry;
            }
        }
    }
}

TEST(RectHash, UnboundedNumbersAreReportedEverywhere) {
    const double inf = std::numeric_limits<double>::infinity();
    RectHash hash(std::nan(""));
    EXPECT_EQ(hash.cellSize(), 1.0);
    hash.set(0, Rect(0, 0, 1, 1));
    hash.set(1, Rect(std::nan(""), 0, 1, 1));
    hash.set(2, Rect(1e300, 1e300, 1, 1));
    hash.set(-1, Rect(0, 0, 1, 1));
    EXPECT_EQ(hash.size(), 3u);
    EXPECT_EQ(reported(hash, Rect(500, 500, 1, 1)), (std::multiset<int>{1, 2}));
    EXPECT_EQ(reported(hash, Rect(0, 0, inf, 1)), (std::multiset<int>{0, 1, 2}));
    EXPECT_EQ(reported(hash, Rect(-1e9, -1e9, 2e9, 2e9)), (std::multiset<int>{0, 1, 2}));
    hash.erase(1);
    hash.erase(7);
    EXPECT_EQ(reported(hash, Rect(0.5, 0.5, 0, 0)), (std::multiset<int>{0, 2}));
    hash.reset(5);
    EXPECT_EQ(hash.size(), 0u);
    EXPECT_TRUE(reported(hash, Rect(0, 0, 1, 1)).empty());
}
