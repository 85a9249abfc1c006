#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <cstddef>
#include <random>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "Nodeloom/foundation/FlatHashMap.h"

using nodeloom::FlatHashMap;
using nodeloom::FlatHashSet;

namespace {

// Every key the oracle holds is found with its value, every other candidate is not, and a walk
// over the table meets exactly the oracle's entries.
template <typename Key, typename Value>
void expectSame(const FlatHashMap<Key, Value>& table, const std::unordered_map<Key, Value>& oracle,
                const std::vector<Key>& candidates) {
    ASSERT_EQ(table.size(), oracle.size());
    EXPECT_EQ(table.empty(), oracle.empty());
    for (const Key& key : candidates) {
        const auto it = oracle.find(key);
        const Value* found = table.find(key);
        if (it == oracle.end()) {
            EXPECT_EQ(found, nullptr);
        } else {
            ASSERT_NE(found, nullptr);
            EXPECT_EQ(*found, it->second);
        }
    }
    std::size_t walked = 0;
    table.forEach([&](const Key& key, const Value& value) {
        ++walked;
        const auto it = oracle.find(key);
        ASSERT_NE(it, oracle.end());
        EXPECT_EQ(value, it->second);
    });
    EXPECT_EQ(walked, oracle.size());
}

// Random insertions, removals, clears and reservations over a small key range, so that runs of
// colliding keys form, grow past several doublings and are cut in the middle by removals.
template <typename Key>
void runAgainstOracle(const std::vector<Key>& keys, unsigned seed) {
    std::mt19937 rng(seed);
    FlatHashMap<Key, int> table;
    std::unordered_map<Key, int> oracle;
    std::uniform_int_distribution<std::size_t> pick(0, keys.size() - 1);
    for (int step = 0; step < 20000; ++step) {
        const Key key = keys[pick(rng)];
        const int op = static_cast<int>(rng() % 100);
        if (op < 55) {
            const auto [value, added] = table.insert(key, step);
            const auto [it, oracleAdded] = oracle.emplace(key, step);
            ASSERT_EQ(added, oracleAdded);
            ASSERT_EQ(*value, it->second);
            // The answered value is the entry's own.
            *value = it->second = step + 1;
        } else if (op < 95) {
            ASSERT_EQ(table.erase(key), oracle.erase(key) == 1);
        } else if (op < 97) {
            table.reserve(rng() % 3000);
        } else if (op < 98) {
            table.clear();
            oracle.clear();
        }
        if (step % 997 == 0) expectSame(table, oracle, keys);
    }
    expectSame(table, oracle, keys);
}

}  // namespace

TEST(FlatHashMap, IntegerKeysMatchAnUnorderedMap) {
    std::vector<int> keys;
    for (int k = -300; k < 1500; ++k)
        keys.push_back(k * 64);  // equal low bits
    keys.push_back(INT_MIN);     // the key that marks a free cell
    keys.push_back(INT_MAX);
    for (unsigned seed = 1; seed <= 4; ++seed)
        runAgainstOracle(keys, seed);
}

TEST(FlatHashMap, AddressKeysMatchAnUnorderedMap) {
    static char block[4096];
    std::vector<const char*> keys;
    for (std::size_t i = 0; i < sizeof block; i += 3)
        keys.push_back(block + i);  // several share the bits above the lowest four
    keys.push_back(nullptr);
    for (unsigned seed = 1; seed <= 4; ++seed)
        runAgainstOracle(keys, seed);
}

TEST(FlatHashMap, CoordinateKeysMatchAnUnorderedMap) {
    std::vector<double> keys{0.0, -0.0, -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::infinity(), 1e300, -1e-300};
    for (int k = -500; k < 500; ++k)
        keys.push_back(k * 0.5);  // fractions that differ in their high bits only
    for (unsigned seed = 1; seed <= 3; ++seed)
        runAgainstOracle(keys, seed);

    // A NaN equals nothing: each one entered is an entry of its own, never found again.
    FlatHashMap<double, int> table;
    const double nan = std::nan("");
    EXPECT_TRUE(table.insert(nan, 1).second);
    EXPECT_TRUE(table.insert(nan, 2).second);
    EXPECT_EQ(table.size(), 2u);
    EXPECT_EQ(table.find(nan), nullptr);
    EXPECT_FALSE(table.erase(nan));
    EXPECT_TRUE(table.insert(-0.0, 3).second);
    EXPECT_FALSE(table.insert(0.0, 4).second);
    EXPECT_EQ(*table.find(0.0), 3);
}

TEST(FlatHashMap, NameKeysMatchAnUnorderedMap) {
    // Names alike but for letters in the middle, of lengths on both sides of a word; each
    // content held twice, so that views of equal names at different places are one key.
    std::vector<std::string> held;
    for (int k = 0; k < 400; ++k) {
        const std::string digits = std::to_string(k);
        held.push_back("n" + digits + "x");
        held.push_back("element" + digits + "ofthelist");
    }
    held.push_back(std::string(1, '\0'));
    const std::vector<std::string> copies = held;
    std::vector<std::string_view> keys(held.begin(), held.end());
    keys.insert(keys.end(), copies.begin(), copies.end());
    keys.push_back(std::string_view());  // the empty name, which marks a free cell
    keys.push_back(std::string_view(copies.front().data(), 0));
    for (unsigned seed = 1; seed <= 3; ++seed)
        runAgainstOracle(keys, seed);
}

TEST(FlatHashMap, ClearKeepsTheTableUsable) {
    FlatHashMap<int, int> table;
    EXPECT_FALSE(table.erase(3));
    EXPECT_EQ(table.find(3), nullptr);
    table.reserve(1000);
    for (int k = 0; k < 1000; ++k)
        EXPECT_TRUE(table.insert(k, -k).second);
    EXPECT_FALSE(table.insert(5, 99).second);
    EXPECT_EQ(*table.find(5), -5);
    table.clear();
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(table.find(5), nullptr);
    EXPECT_TRUE(table.insert(5, 1).second);
    EXPECT_EQ(table.size(), 1u);
}

TEST(FlatHashSet, AnswersWhetherAKeyWasNew) {
    FlatHashSet<int> set;
    std::unordered_set<int> oracle;
    std::mt19937 rng(11);
    for (int step = 0; step < 5000; ++step) {
        const int key = static_cast<int>(rng() % 400) - 200;
        if (rng() % 3 == 0) {
            ASSERT_EQ(set.erase(key), oracle.erase(key) == 1);
        } else {
            ASSERT_EQ(set.insert(key), oracle.insert(key).second);
        }
        ASSERT_EQ(set.contains(key), oracle.count(key) == 1);
    }
    EXPECT_EQ(set.size(), oracle.size());
    std::size_t walked = 0;
    set.forEach([&](int key) {
        ++walked;
        EXPECT_EQ(oracle.count(key), 1u);
    });
    EXPECT_EQ(walked, oracle.size());
}
