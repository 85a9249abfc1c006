#include <gtest/gtest.h>

#include <memory>
#include <unordered_set>

#include "Nodeloom/foundation/ArrayRef.h"
#include "Nodeloom/items/RuntimeDataKey.h"
#include "Nodeloom/foundation/Weak.h"

using namespace nodeloom;

TEST(ArrayRef, IndexAfterStaysWithinTheList) {
    ArrayRef<int> box({1, 2, 3});
    EXPECT_EQ(box.startIndex(), 0);
    EXPECT_EQ(box.endIndex(), 3);
    EXPECT_EQ(box.index(1), 2);
    EXPECT_EQ(box.index(2), 3);
    EXPECT_EQ(box.index(3), 3);
    EXPECT_EQ(box.index(-5), 0);
}

TEST(ArrayRef, EveryHolderSeesOneList) {
    auto box = std::make_shared<ArrayRef<int>>(std::vector<int>{1, 2});
    auto other = box;
    other->array().push_back(3);
    EXPECT_EQ(box->count(), 3);
    box->set(0, 7);
    EXPECT_EQ((*other)[0], 7);
    int sum = 0;
    for (int v : *box)
        sum += v;
    EXPECT_EQ(sum, 12);
}

TEST(ArrayRef, PositionsOutsideTheListAreHarmless) {
    ArrayRef<int> box({4});
    EXPECT_EQ(box[1], 0);
    EXPECT_EQ(box[-1], 0);
    box.set(5, 9);
    EXPECT_EQ(box.array(), std::vector<int>{4});
}

TEST(Weak, BoxesOfOneObjectAreOneSetEntry) {
    auto a = std::make_shared<int>(1);
    auto b = std::make_shared<int>(1);
    Weak<int> wa1(a), wa2(a), wb(b);
    EXPECT_TRUE(wa1 == wa2);
    EXPECT_EQ(wa1.hashValue(), wa2.hashValue());
    EXPECT_FALSE(wa1 == wb);
    std::unordered_set<Weak<int>> set{wa1, wa2, wb};
    EXPECT_EQ(set.size(), 2u);
    EXPECT_EQ(wa1.value(), a);
}

TEST(Weak, DoesNotKeepItsObjectAlive) {
    auto a = std::make_shared<int>(1);
    Weak<int> w(a);
    a.reset();
    EXPECT_EQ(w.value(), nullptr);
    EXPECT_TRUE(Weak<int>() == Weak<int>());
}

// A set of boxes must stay sound when objects die: membership is decided by the object each box
// was made with, so dead entries stay findable and distinct.
TEST(Weak, SetStaysSoundWhenObjectsDie) {
    auto a = std::make_shared<int>(1);
    auto b = std::make_shared<int>(2);
    std::unordered_set<Weak<int>> set{Weak<int>(a), Weak<int>(b)};
    const Weak<int> wa(a);
    a.reset();
    b.reset();
    EXPECT_EQ(set.size(), 2u);
    EXPECT_EQ(set.count(wa), 1u);
    EXPECT_EQ(set.count(Weak<int>()), 0u);
    EXPECT_FALSE(*set.begin() == *std::next(set.begin()));
    // A new object never passes for a dead one, even at the same address.
    auto c = std::make_shared<int>(3);
    EXPECT_EQ(set.count(Weak<int>(c)), 0u);
    EXPECT_EQ(set.erase(wa), 1u);
}

TEST(RuntimeDataKey, FromRawAcceptsOnlyItsThreeValues) {
    EXPECT_EQ(fromRaw<RuntimeDataKey>(0), RuntimeDataKey::linkCrossings);
    EXPECT_EQ(fromRaw<RuntimeDataKey>(2), RuntimeDataKey::modifiedThroughGroup);
    EXPECT_FALSE(fromRaw<RuntimeDataKey>(3).has_value());
    EXPECT_FALSE(fromRaw<RuntimeDataKey>(-1).has_value());
}
