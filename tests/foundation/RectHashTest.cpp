#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "Nodeloom/foundation/RectGrid.h"
#include "Nodeloom/foundation/RectHash.h"
#include "Nodeloom/foundation/RectIndex.h"

using namespace nodeloom;

namespace {

std::multiset<int> reported(const RectHash& hash, const Rect& r) {
    std::multiset<int> ids;
    hash.query(r, [&](int id) { ids.insert(id); });
    return ids;
}

// Each entry is reported at most once and every entry that meets the rectangle is reported.
template <typename Index>
void expectFindsWhatMeets(const Index& index, const std::vector<Rect>& truth, const Rect& q) {
    std::multiset<int> ids;
    index.query(q, [&](int id) { ids.insert(id); });
    for (int seen : ids) {
        ASSERT_EQ(ids.count(seen), 1u) << seen;
        ASSERT_GE(seen, 0);
        ASSERT_LT(static_cast<std::size_t>(seen), truth.size());
    }
    for (std::size_t i = 0; i < truth.size(); ++i) {
        if (truth[i].intersectsWith(q)) {
            ASSERT_EQ(ids.count(static_cast<int>(i)), 1u) << i << " " << q.toString();
        }
    }
}

// Rectangles at the ends of the number range: far apart, with sides that overflow, of sizes
// below any unit, of no size, and over half the range.
Rect farRect(std::mt19937& rng) {
    constexpr double big = 1.7e308;
    constexpr double tiny = 5e-324;
    std::uniform_real_distribution<double> unit(-1, 1);
    const double side = unit(rng) < 0 ? -big : big;
    switch (rng() % 7) {
        case 0:
            return Rect(big * unit(rng), big * unit(rng), 40 * unit(rng), 40 * unit(rng));
        case 1:
            return Rect(side, std::round(100 * unit(rng)), side, 20);
        case 2:
            return Rect(-side, side, side * unit(rng), -side * unit(rng));
        case 3:
            return Rect(tiny * std::round(4 * unit(rng)), tiny * std::round(4 * unit(rng)), tiny,
                        -tiny);
        case 4:
            return Rect(side, -side, 0, 0);
        case 5:
            return Rect(std::round(100 * unit(rng)), std::round(100 * unit(rng)), -tiny, 0);
        default:
            return Rect(-big, -big, big, big);
    }
}

// far: 0 never anywhere in the range, 1 often, 2 seldom (a few far from many).
Rect randomRect(std::mt19937& rng, int far = 0) {
    if (far == 1 && rng() % 3 == 0) return farRect(rng);
    if (far == 2 && rng() % 60 == 0) return farRect(rng);
    std::uniform_real_distribution<double> coord(-50, 250);
    std::uniform_real_distribution<double> size(-10, 30);
    const int kind = static_cast<int>(rng() % 40);
    if (kind == 0) return Rect(std::nan(""), 0, 1, 1);
    if (kind == 1) return Rect(-1e9, -1e9, 2e9, 2e9);
    if (kind == 2) return Rect(coord(rng), coord(rng), 0, 0);
    // Now and then one far larger than the cells, which is kept aside.
    const double grow = kind == 3 ? 40 : 1;
    return Rect(std::round(coord(rng)), std::round(coord(rng)), size(rng) * grow,
                size(rng) * grow);
}

}  // namespace

// Built from a list, then grown one rectangle at a time (as labels are placed), then built
// afresh in the lists it has: every query must report each meeting entry exactly once, among
// ordinary rectangles and among rectangles mixed with ones anywhere in the number range.
TEST(RectGrid, ReportsEveryMeetingEntryOnceAcrossBuildsAndAdditions) {
    for (const int far : {0, 1, 2}) {
        SCOPED_TRACE(far);
        std::mt19937 rng(3);
        RectGrid grid;
        for (int round = 0; round < 30; ++round) {
            std::vector<Rect> truth(rng() % (far == 2 ? 400 : 120));
            for (Rect& r : truth)
                r = randomRect(rng, far);
            const Rect extent = far && round % 4 == 3 ? farRect(rng)
                                : round % 2           ? Rect(0, 0, 200, 200)
                                                      : Rect();
            const std::size_t more = rng() % 60;
            // An expectation beyond any memory is only a hint.
            const std::size_t expected =
                far && round % 5 == 4 ? std::numeric_limits<std::size_t>::max() - round : more;
            grid.assign(
                truth.size(), [&](std::size_t i) -> const Rect& { return truth[i]; }, extent,
                expected);
            RectIndex index(truth, extent, expected);
            for (std::size_t step = 0; step < 2 * more + 20; ++step) {
                if (step % 2 == 0 && step / 2 < more) {
                    const Rect r = randomRect(rng, far);
                    truth.push_back(r);
                    ASSERT_EQ(grid.add(r), static_cast<int>(truth.size() - 1));
                    ASSERT_EQ(index.insert(r), static_cast<int>(truth.size() - 1));
                }
                const Rect q = rng() % 30 == 0
                                   ? Rect(0, 0, std::numeric_limits<double>::infinity(), 1)
                                   : randomRect(rng, far);
                ASSERT_EQ(grid.size(), truth.size());
                expectFindsWhatMeets(grid, truth, q);
                expectFindsWhatMeets(index, truth, q);
            }
        }
        grid.clear();
        EXPECT_EQ(grid.size(), 0u);
        expectFindsWhatMeets(grid, {}, Rect(-1e9, -1e9, 2e9, 2e9));
    }
}

// A few rectangles far from thousands of others leave the cells the size of the many: a query
// among them sees a few entries, not all.
TEST(RectGrid, AFewFarRectanglesDoNotStretchTheCells) {
    std::vector<Rect> rects;
    for (int i = 0; i < 4000; ++i)
        rects.emplace_back((i % 64) * 20.0, (i / 64) * 20.0, 10, 10);
    rects.emplace_back(-1.7e308, 5, 10, 10);
    rects.emplace_back(1e300, 1e300, 10, 10);
    // Sides so long that their sum overflows.
    for (int i = 0; i < 3; ++i)
        rects.emplace_back(30, 40 + i, 1.7e308, 10);
    RectGrid grid;
    grid.assign(
        rects.size(), [&](std::size_t i) -> const Rect& { return rects[i]; }, Rect(), 0);
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> coord(-100, 1400);
    std::size_t seen = 0;
    for (int q = 0; q < 200; ++q) {
        const Rect area(coord(rng), coord(rng), 15, 15);
        grid.query(area, [&](int) { ++seen; });
        expectFindsWhatMeets(grid, rects, area);
    }
    EXPECT_LT(seen, 200u * 40);
    expectFindsWhatMeets(grid, rects, Rect(-1.7e308, 0, 100, 100));
    expectFindsWhatMeets(grid, rects, Rect(1e300, 1e300, 1, 1));
}

// Entries are entered, moved and taken out at random; every query must report each entry that
// meets the asked rectangle (edges included) exactly once, and nothing that was taken out. Also
// with entries and queries anywhere in the number range, and cells far below or above any unit.
TEST(RectHash, ReportsEveryMeetingEntryOnceThroughMovesAndRemovals) {
    const std::pair<double, bool> runs[] = {{10, false}, {10, true}, {5e-324, true}, {1e300, true}};
    for (const auto& [cellSize, far] : runs) {
        SCOPED_TRACE(cellSize);
        std::mt19937 rng(7);
        std::uniform_real_distribution<double> coord(-50, 250);
        std::uniform_real_distribution<double> size(0, 30);
        RectHash hash(cellSize);
        std::map<int, Rect> truth;
        for (int step = 0; step < 3000; ++step) {
            const int id = static_cast<int>(rng() % 200);
            if (rng() % 5 == 0) {
                hash.erase(id);
                truth.erase(id);
            } else if (far && rng() % 3 == 0) {
                const Rect r = farRect(rng);
                hash.set(id, r);
                truth[id] = r;
            } else {
                // Now and then one far larger than the cells, which is kept aside.
                const double grow = rng() % 20 == 0 ? 40 : 1;
                const Rect r(std::round(coord(rng)), std::round(coord(rng)), size(rng) * grow,
                             size(rng) * grow);
                hash.set(id, r);
                truth[id] = r;
            }
            ASSERT_EQ(hash.size(), truth.size());
            const Rect q = far && rng() % 3 == 0
                               ? farRect(rng)
                               : Rect(std::round(coord(rng)), std::round(coord(rng)), size(rng) / 4,
                                      size(rng) / 4);
            const std::multiset<int> ids = reported(hash, q);
            for (int seen : ids) {
                ASSERT_EQ(ids.count(seen), 1u);
                ASSERT_EQ(truth.count(seen), 1u);
            }
            for (const auto& [entry, r] : truth) {
                if (r.intersectsWith(q)) {
                    ASSERT_EQ(ids.count(entry), 1u) << entry << " " << q.toString();
                }
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
