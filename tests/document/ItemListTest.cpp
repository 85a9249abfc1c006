#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "Nodeloom/document/ItemList.h"

using namespace nodeloom;

namespace {

struct Entry {
    int rank = 0;
};

// The plain list the document once kept: append, and erase the first entry by a linear search.
bool eraseFirst(std::vector<std::shared_ptr<Entry>>& list, const Entry* entry) {
    const auto it =
        std::find_if(list.begin(), list.end(), [entry](const auto& e) { return e.get() == entry; });
    if (it == list.end()) return false;
    list.erase(it);
    return true;
}

}  // namespace

// Random edits with repeated entries, sorts, runs of insertions, and long runs of removals between
// two reads.
TEST(ItemList, BehavesAsAPlainList) {
    std::mt19937 random(7);
    const auto pick = [&random](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    std::vector<std::shared_ptr<Entry>> pool;
    for (int i = 0; i < 300; ++i)
        pool.push_back(std::make_shared<Entry>(Entry{i % 7}));

    ItemList<Entry> list;
    std::vector<std::shared_ptr<Entry>> oracle;
    for (int step = 0; step < 30000; ++step) {
        // Phases of growth and of shrinking, and rare reads, so that removals pile up between
        // reads.
        const bool growing = (step / 3000) % 2 == 0;
        const std::size_t op = pick(1000);
        if (op < (growing ? 600u : 200u)) {
            const auto& entry = pool[pick(pool.size())];
            list.push_back(entry);
            oracle.push_back(entry);
        } else if (op < 990) {
            const Entry* entry = pool[pick(pool.size())].get();
            ASSERT_EQ(list.eraseFirst(entry), eraseFirst(oracle, entry));
        } else if (op < 992) {
            list.sortByKey([](const Entry& e) { return e.rank; });
            // Entries of equal rank may land in any order: the list's own order is kept for them.
            oracle = list.vector();
            ASSERT_TRUE(
                std::is_sorted(oracle.begin(), oracle.end(),
                               [](const auto& a, const auto& b) { return a->rank < b->rank; }));
        } else if (op < 996) {
            // A run of insertions at rising positions, as an undo puts entries back, sometimes
            // with a position past the end.
            std::size_t at = pick(oracle.size() + 2);
            for (std::size_t n = pick(6); n > 0; --n, at += 1 + pick(3)) {
                const auto& entry = pool[pick(pool.size())];
                list.insert(at, entry);
                oracle.insert(oracle.begin() + static_cast<std::ptrdiff_t>(
                                                   std::min(at, oracle.size())),
                              entry);
                ASSERT_EQ(list.size(), oracle.size());
            }
        } else if (op < 998) {
            const auto& entry = pool[pick(pool.size())];
            const auto it = std::find(oracle.begin(), oracle.end(), entry);
            const auto at = list.positionOf(entry.get());
            if (it == oracle.end()) {
                ASSERT_FALSE(at.has_value());
            } else {
                ASSERT_EQ(at, static_cast<std::size_t>(it - oracle.begin()));
            }
            // A snapshot taken amid waiting insertions and gaps holds what the list holds.
            ASSERT_EQ(list.snapshot(), oracle);
        } else {
            ASSERT_EQ(list.vector(), oracle);
        }
        const auto& probe = pool[static_cast<std::size_t>(step) % pool.size()];
        ASSERT_EQ(list.contains(probe.get()),
                  std::find(oracle.begin(), oracle.end(), probe) != oracle.end());
        ASSERT_EQ(list.size(), oracle.size());
    }
    EXPECT_EQ(list.vector(), oracle);
}

TEST(ItemList, ReleasesAnEntryAsSoonAsItIsTakenOut) {
    ItemList<Entry> list;
    auto entry = std::make_shared<Entry>();
    std::weak_ptr<Entry> watch = entry;
    list.push_back(entry);
    list.push_back(std::make_shared<Entry>());
    entry.reset();
    list.eraseFirst(watch.lock().get());
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(list.vector().size(), 1u);
}
