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
struct LiteralList {
    std::vector<std::shared_ptr<Entry>> items;

    bool eraseFirst(const Entry* entry) {
        const auto it = std::find_if(items.begin(), items.end(),
                                     [entry](const auto& e) { return e.get() == entry; });
        if (it == items.end()) return false;
        items.erase(it);
        return true;
    }
};

}  // namespace

TEST(ItemList, BehavesAsAPlainListUnderRandomEdits) {
    std::mt19937 random(7);
    const auto pick = [&random](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    std::vector<std::shared_ptr<Entry>> pool;
    for (int i = 0; i < 60; ++i)
        pool.push_back(std::make_shared<Entry>(Entry{static_cast<int>(i % 7)}));

    ItemList<Entry> list;
    LiteralList oracle;
    for (int step = 0; step < 20000; ++step) {
        const std::size_t op = pick(10);
        if (op < 4) {
            // Duplicates are allowed: an entry may be listed several times.
            const auto& entry = pool[pick(pool.size())];
            list.push_back(entry);
            oracle.items.push_back(entry);
        } else if (op < 8) {
            const Entry* entry = pool[pick(pool.size())].get();
            ASSERT_EQ(list.eraseFirst(entry), oracle.eraseFirst(entry));
        } else if (op == 8) {
            const auto byRank = [](const auto& a, const auto& b) { return a->rank < b->rank; };
            list.sortByKey([](const Entry& e) { return e.rank; });
            // Ties may land in any order: the list's own order is the reference for them.
            oracle.items = list.vector();
            ASSERT_TRUE(std::is_sorted(oracle.items.begin(), oracle.items.end(), byRank));
        } else {
            ASSERT_EQ(list.vector(), oracle.items);
        }
        ASSERT_EQ(list.size(), oracle.items.size());
        ASSERT_EQ(
            list.contains(pool[step % pool.size()].get()),
            std::count(oracle.items.begin(), oracle.items.end(), pool[step % pool.size()]) > 0);
    }
    EXPECT_EQ(list.vector(), oracle.items);
    list.push_back(nullptr);
    EXPECT_EQ(list.size(), oracle.items.size());
    EXPECT_FALSE(list.eraseFirst(nullptr));
}

TEST(ItemList, LongRunsOfRemovalsBetweenReadsKeepTheOrder) {
    ItemList<Entry> list;
    LiteralList oracle;
    std::vector<std::shared_ptr<Entry>> entries;
    for (int i = 0; i < 1000; ++i) {
        entries.push_back(std::make_shared<Entry>());
        list.push_back(entries.back());
        oracle.items.push_back(entries.back());
        if (i % 3 == 0) {  // some entries twice
            list.push_back(entries.back());
            oracle.items.push_back(entries.back());
        }
    }
    for (std::size_t i = 0; i < entries.size(); i += 1 + i % 4) {
        list.eraseFirst(entries[i].get());
        oracle.eraseFirst(entries[i].get());
    }
    for (std::size_t i = entries.size(); i-- > 0;) {
        if (i % 5 != 0) continue;
        list.eraseFirst(entries[i].get());
        oracle.eraseFirst(entries[i].get());
    }
    EXPECT_EQ(list.vector(), oracle.items);
}

TEST(ItemList, ReleasesAnEntryAsSoonAsItIsTakenOut) {
    ItemList<Entry> list;
    auto entry = std::make_shared<Entry>();
    std::weak_ptr<Entry> watch = entry;
    list.push_back(entry);
    list.push_back(std::make_shared<Entry>());
    entry.reset();
    ASSERT_FALSE(watch.expired());
    list.eraseFirst(watch.lock().get());
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(list.vector().size(), 1u);
    list.clear();
    EXPECT_TRUE(list.empty());
}
