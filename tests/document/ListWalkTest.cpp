#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "DocumentTestSupport.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/ItemList.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom {
namespace {

using test::makeLink;
using test::makeNode;

// A chain of nodes, each linked to the next.
std::shared_ptr<Diagram> chain(int count, bool undo) {
    auto d = test::makeDiagram(undo);
    std::shared_ptr<DiagramNode> previous;
    for (int i = 0; i < count; ++i) {
        auto node = makeNode(Rect(30.0 * i, 0, 20, 10));
        d->addItem(node);
        if (previous) d->addItem(makeLink(previous, node));
        previous = node;
    }
    return d;
}

// Removing every item while walking a list of the document removes them all, whatever the removal
// takes out along the way (a node's links), and with undo on one undo step per removal brings
// back each.
TEST(ListWalk, RemovingWhileWalkingReachesEveryItem) {
    for (const bool undo : {false, true}) {
        auto d = chain(200, undo);
        for (auto& n : d->nodes())
            d->removeItem(n);
        EXPECT_TRUE(d->nodes().empty()) << undo;
        EXPECT_TRUE(d->links().empty()) << undo;
        EXPECT_TRUE(d->items().empty()) << undo;
        if (undo) {
            for (int i = 0; i < 200; ++i)
                d->undo();
            EXPECT_EQ(d->nodes().size(), 200u);
            EXPECT_EQ(d->links().size(), 199u);
        }
    }

    auto d = chain(150, false);
    for (const auto& item : d->items())
        d->removeItem(item);
    EXPECT_TRUE(d->items().empty());

    d = chain(150, false);
    for (const auto& link : d->links())
        d->removeItem(link);
    EXPECT_TRUE(d->links().empty());
    EXPECT_EQ(d->nodes().size(), 150u);
}

// A walk visits exactly the items present when it began, in their order, while the walk adds
// items, removes items it has not reached yet, and the drawing order is sorted anew.
TEST(ListWalk, AWalkSeesTheListAsItBegan) {
    auto d = chain(100, false);
    const std::vector<std::shared_ptr<DiagramItem>> before = d->items();
    const std::shared_ptr<DiagramNode> last = d->nodes().back();
    std::vector<std::shared_ptr<DiagramItem>> seen;
    int step = 0;
    for (const auto& item : d->items()) {
        seen.push_back(item);
        d->addItem(makeNode());
        if (step++ % 3 == 0) d->removeItem(last);
        if (step % 10 == 0) {
            item->setZIndex(-step);
            d->updateZOrder();
        }
    }
    EXPECT_EQ(seen, before);
    EXPECT_EQ(d->nodes().size() + d->links().size(), d->items().size());

    // Later reads show the changes: a node added per item, the last node and its link gone.
    EXPECT_EQ(d->nodes().size(), 100u + 199u - 1u);
    EXPECT_EQ(d->links().size(), 98u);
}

// The list and a snapshot taken from it part at the first change, in every kind of change, and a
// list no snapshot shares is changed in place.
TEST(ListWalk, SnapshotsKeepTheirEntries) {
    struct Entry {
        int rank;
    };
    std::vector<std::shared_ptr<Entry>> pool;
    for (int i = 0; i < 200; ++i)
        pool.push_back(std::make_shared<Entry>(Entry{200 - i}));
    ItemList<Entry> list;
    for (const auto& e : pool)
        list.push_back(e);
    {
        const auto all = list.snapshot();
        for (int i = 0; i < 150; ++i)
            list.eraseFirst(pool[static_cast<std::size_t>(i)].get());
        EXPECT_EQ(all, pool);
        EXPECT_EQ(list.size(), 50u);

        const auto fifty = list.snapshot();
        list.sortByKey([](const Entry& e) { return e.rank; });
        EXPECT_EQ(fifty.front(), pool[150]);
        EXPECT_EQ(list.vector().front(), pool.back());

        const auto sorted = list.snapshot();
        list.clear();
        EXPECT_EQ(sorted.size(), 50u);
        EXPECT_EQ(sorted.back(), pool[150]);
        EXPECT_TRUE(list.vector().empty());
    }

    // With no snapshot left an entry is released as soon as it is taken out.
    const std::weak_ptr<Entry> watch = pool[0];
    list.push_back(std::move(pool[0]));
    list.eraseFirst(watch.lock().get());
    EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace nodeloom
