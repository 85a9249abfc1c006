#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "MediatorTestSupport.h"
#include "Nodeloom/document/DiagramMediator.h"
#include "Nodeloom/document/Selection.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/items/DragState.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

using Items = DiagramMediator::ItemList;
using Update = std::pair<const DiagramItem*, int>;

// A rule over a graph given by the test, recording every update it is asked for.
struct GraphRule : DependencyRule {
    GraphRule(int id, std::vector<Update>** log) : id(id), log(log) {}
    Items dependents(const std::shared_ptr<DiagramItem>& i) override { return out[i.get()]; }
    Items masters(const std::shared_ptr<DiagramItem>& i) override { return in[i.get()]; }
    bool isDependent(const std::shared_ptr<DiagramItem>& i) override { return claimed[i.get()]; }
    void updateDependent(const std::shared_ptr<DiagramItem>& i, const StateMap&,
                         DragState*) override {
        (*log)->emplace_back(i.get(), id);
    }
    int id;
    std::vector<Update>** log;
    std::map<const DiagramItem*, Items> out, in;
    std::map<const DiagramItem*, bool> claimed;
};

// Counts every question the mediator asks of the rule it wraps.
struct CountingRule : DependencyRule {
    CountingRule(std::shared_ptr<DependencyRule> inner, long* calls) : inner(inner), calls(calls) {}
    Items dependents(const std::shared_ptr<DiagramItem>& i) override {
        return ++*calls, inner->dependents(i);
    }
    Items masters(const std::shared_ptr<DiagramItem>& i) override {
        return ++*calls, inner->masters(i);
    }
    bool isDependent(const std::shared_ptr<DiagramItem>& i) override {
        return ++*calls, inner->isDependent(i);
    }
    void updateDependent(const std::shared_ptr<DiagramItem>& i, const StateMap& states,
                         DragState* ist) override {
        ++*calls;
        inner->updateDependent(i, states, ist);
    }
    std::shared_ptr<DependencyRule> inner;
    long* calls;
};

bool listed(const Items& list, const std::shared_ptr<DiagramItem>& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// The collection and the update exactly as first described, with linear membership scans: the
// oracle of the mediator's faster bookkeeping.
Items literalCollect(const std::shared_ptr<DiagramItem>& start,
                     const std::vector<std::shared_ptr<DependencyRule>>& rules) {
    Items items{start};
    for (std::size_t i = 0; i < items.size(); ++i) {
        for (const auto& rule : rules) {
            for (const auto& d : rule->dependents(items[i])) {
                if (!listed(items, d)) items.push_back(d);
            }
        }
    }
    return items;
}

void literalUpdate(const Items& items, const std::vector<std::shared_ptr<DependencyRule>>& rules) {
    std::deque<std::shared_ptr<DiagramItem>> queue(items.begin() + 1, items.end());
    std::shared_ptr<DiagramItem> passEnd = items.back();
    std::size_t relaxed = 0;
    const auto inQueue = [&](const std::shared_ptr<DiagramItem>& m) {
        return std::find(queue.begin(), queue.end(), m) != queue.end();
    };
    while (!queue.empty()) {
        const auto item = queue.front();
        queue.pop_front();
        bool wait = false;
        for (std::size_t k = relaxed; k < rules.size() && !wait; ++k) {
            if (!rules[k]->isDependent(item)) continue;
            for (const auto& m : rules[k]->masters(item))
                wait = wait || inQueue(m);
        }
        if (wait) {
            queue.push_back(item);
        } else {
            for (const auto& rule : rules) {
                if (!rule->isDependent(item)) continue;
                bool ready = false;
                for (const auto& m : rule->masters(item))
                    ready = ready || (listed(items, m) && !inQueue(m));
                if (ready) rule->updateDependent(item, {}, nullptr);
            }
        }
        if (passEnd && item == passEnd) {
            ++relaxed;
            passEnd = queue.empty() ? nullptr : queue.back();
        }
    }
}

Items pick(std::mt19937& random, const Items& from, int most) {
    Items result;
    const int count = std::uniform_int_distribution<int>(0, most)(random);
    for (int i = 0; i < count; ++i)
        result.push_back(
            from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)]);
    return result;
}

std::shared_ptr<DragState> dragOf(const std::shared_ptr<DiagramItem>& item, NodeHandleType type,
                                  Point from, Point to) {
    auto drag =
        std::make_shared<DragState>(item, std::make_shared<NodeAdjustmentHandle>(item, type));
    drag->setStartPoint(from);
    drag->setCurrentPoint(to);
    return drag;
}

}  // namespace

TEST(DiagramMediator, UpdatesInTheOrderOfTheLiteralQueueAlsoThroughCycles) {
    std::mt19937 random(15);
    std::vector<Update> fastLog;
    std::vector<Update> literalLog;
    std::vector<Update>* log = nullptr;
    for (int round = 0; round < 300; ++round) {
        const int n = std::uniform_int_distribution<int>(1, 25)(random);
        Items nodes;
        for (int i = 0; i < n; ++i)
            nodes.push_back(std::make_shared<DiagramNode>());
        std::vector<std::shared_ptr<DependencyRule>> rules;
        for (int r = 0; r < 3; ++r) {
            auto rule = std::make_shared<GraphRule>(r, &log);
            for (const auto& node : nodes) {
                rule->out[node.get()] = pick(random, nodes, 2);
                rule->in[node.get()] = pick(random, nodes, 2);
                rule->claimed[node.get()] = random() % 3 != 0;
            }
            rules.push_back(rule);
        }

        DiagramMediator mediator(nodes.front());
        mediator.setRules(rules);
        mediator.collectDependents();  // again, with the graph rules
        const Items expected = literalCollect(nodes.front(), rules);
        ASSERT_EQ(mediator.items(), expected) << "round " << round;

        fastLog.clear();
        literalLog.clear();
        log = &fastLog;
        mediator.updateDependents();
        log = &literalLog;
        literalUpdate(expected, rules);
        ASSERT_EQ(fastLog, literalLog) << "round " << round;
    }
}

TEST(DiagramMediator, LinksFollowTheMovedEndAndBendWithTheStartBetweenRealNodes) {
    auto d = std::make_shared<Diagram>();
    auto a = addNode(d, Rect(0, 0, 10, 10));
    auto b = addNode(d, Rect(50, 50, 10, 10));
    auto link = addLink(d, a, b, {Point(10, 5), Point(30, 5), Point(50, 55)});
    auto loose =
        addLink(d, a, VirtualNode::instance(), {Point(10, 5), Point(30, 5), Point(40, 40)});
    ASSERT_FALSE(loose->destination()->isRealNode());

    a->setBounds(Rect(0, 10, 10, 10), true);
    // Only one end of each link was collected, so the link rule alone moves them.
    EXPECT_EQ(link->controlPoints(),
              (std::vector<Point>{Point(10, 15), Point(30, 15), Point(50, 55)}));
    EXPECT_EQ(loose->controlPoints(),
              (std::vector<Point>{Point(10, 15), Point(30, 5), Point(40, 40)}));
    b->setBounds(Rect(60, 50, 10, 10), true);
    EXPECT_EQ(link->controlPoints(),
              (std::vector<Point>{Point(10, 15), Point(30, 15), Point(60, 55)}));

    const std::vector<Point> before = link->controlPoints();
    a->setBounds(Rect(0, 0, 10, 10), false);
    a->setBounds(Rect(std::nan(""), 0, 10, 10), true);
    EXPECT_EQ(a->bounds(), Rect(0, 0, 10, 10));
    EXPECT_EQ(link->controlPoints(), before);

    DiagramMediator nothing(nullptr);
    EXPECT_TRUE(nothing.items().empty());
    nothing.updateDependents();
}

TEST(DiagramMediator, AMovedContainerCarriesItsChildrenAndTheirLinkUnchangedInShape) {
    auto d = std::make_shared<Diagram>();
    auto container = addNode<ContainerNode>(d, Rect(0, 0, 100, 100));
    auto left = addNode(d, Rect(10, 10, 20, 20));
    auto right = addNode(d, Rect(60, 60, 20, 20));
    adopt(container, left);
    adopt(container, right);
    const std::vector<Point> points{Point(30, 20), Point(45, 20), Point(45, 70), Point(60, 70)};
    auto inner = addLink(d, left, right, points);
    auto outside = addNode(d, Rect(200, 0, 10, 10));
    auto outer = addLink(d, right, outside, {Point(80, 70), Point(200, 5)});

    container->setBounds(Rect(20, 10, 100, 100), true);
    EXPECT_EQ(left->bounds(), Rect(30, 20, 20, 20));
    EXPECT_EQ(right->bounds(), Rect(80, 70, 20, 20));
    EXPECT_EQ(inner->controlPoints(), shifted(points, 20, 10));
    EXPECT_EQ(outer->controlPoints(), (std::vector<Point>{Point(100, 80), Point(200, 5)}));

    // Fitting a container uses the link rules: its links follow, its children stay.
    auto to = addLink(d, container, outside, {Point(120, 60), Point(200, 5)});
    DiagramMediator resize(container);
    resize.setRules(DiagramMediator::linkRules());
    container->setBoundsAndRepaint(Rect(20, 10, 200, 100));
    resize.updateDependents();
    EXPECT_EQ(left->bounds(), Rect(30, 20, 20, 20));
    EXPECT_EQ(to->startPoint(), Point(220, 60));
}

TEST(DiagramMediator, CommonOffsetNeedsEqualSizesAndShiftsWithinTheTolerance) {
    auto d = std::make_shared<Diagram>();
    auto a = addNode(d, Rect(0, 0, 10, 10));
    auto b = addNode(d, Rect(0, 50, 10, 10));
    b->attachToNode(a, AttachToNode::topLeft);
    auto stray = addNode(d, Rect(90, 0, 10, 10));
    DiagramMediator mediator(a);
    const auto offsetAfter = [&](const Rect& ra, const Rect& rb) {
        a->_setBounds(ra);
        b->_setBounds(rb);
        return mediator.getCommonOffset(a, b);
    };
    auto offset = offsetAfter(Rect(5, 7, 10, 10), Rect(5, 57, 10, 10));
    ASSERT_NE(offset, nullptr);
    EXPECT_EQ(*offset, Vector(5, 7));
    // Shifts that differ by less than a ten-thousandth of a millimetre count as one.
    const double tolerance = MeasureUnit::Millimeter()->convert(1.0, d->measureUnit()) / 10000;
    const Rect a0(0, 0, 10, 10);
    EXPECT_NE(offsetAfter(a0, Rect(std::nextafter(tolerance, 0.0), 50, 10, 10)), nullptr);
    EXPECT_EQ(offsetAfter(a0, Rect(tolerance, 50, 10, 10)), nullptr);
    EXPECT_EQ(offsetAfter(a0, Rect(0, 50, 10, 10.5)), nullptr);
    EXPECT_EQ(mediator.getCommonOffset(a, stray), nullptr);  // never saved
}

TEST(DiagramMediator, SelectedNodesFollowTheDraggedHandleFromTheirSavedRectangles) {
    auto d = std::make_shared<Diagram>();
    d->setAlignToGrid(false);
    auto a = addNode(d, Rect(0, 0, 10, 10));
    auto b = addNode(d, Rect(20, 0, 10, 20));
    auto c = addNode(d, Rect(50, 50, 10, 10));
    auto link = addLink(d, a, b, {Point(10, 5), Point(15, 30), Point(20, 10)});
    a->setSelected(true);
    b->setSelected(true);
    const auto drag = [&](NodeHandleType type, Point to) {
        auto controller = dragOf(d->selection(), type, Point(0, 0), to);
        auto mediator = std::make_shared<DiagramMediator>(d->selection());
        mediator->setIst(controller.get());
        mediator->updateDependents();
        return std::make_pair(controller, mediator);
    };

    auto move = drag(NodeHandleType::move, Point(10, 5));
    EXPECT_EQ(a->bounds(), Rect(10, 5, 10, 10));
    EXPECT_EQ(b->bounds(), Rect(30, 5, 10, 20));
    EXPECT_EQ(c->bounds(), Rect(50, 50, 10, 10));
    EXPECT_EQ(link->controlPoints(),
              (std::vector<Point>{Point(20, 10), Point(25, 35), Point(30, 15)}));
    // A later step starts again from the saved rectangles, not from the last step.
    move.first->setCurrentPoint(Point(-10, 0));
    move.second->updateDependents();
    EXPECT_EQ(a->bounds(), Rect(-10, 0, 10, 10));

    a->_setBounds(Rect(0, 0, 10, 10));
    b->_setBounds(Rect(20, 0, 10, 20));
    drag(NodeHandleType::resizeBottomRight, Point(5, 5));
    EXPECT_EQ(a->bounds(), Rect(0, 0, 15, 15));
    EXPECT_EQ(b->bounds(), Rect(20, 0, 15, 25));
    drag(NodeHandleType::resizeRight, Point(-25, 0));  // past the left edge: turned round
    EXPECT_EQ(a->bounds(), Rect(-10, 0, 10, 15));

    a->setRotationAngle(10);
    auto turn = drag(NodeHandleType::rotate, Point());
    EXPECT_EQ(turn.first->angleDelta(), std::optional<double>(0.0));
    turn.first->setAngleDelta(30.0);
    turn.second->updateDependents();
    EXPECT_EQ(a->rotationAngle(), 40.0);
    EXPECT_EQ(b->rotationAngle(), 30.0);

    // Without a node handle to follow, or moved on its own, a selected node leaves the others.
    // On the grid, a move snaps the corner and a resize the finger (cells of 4, lines at 2).
    d->setAlignToGrid(true);
    a->_setBounds(Rect(0, 0, 10, 10));
    drag(NodeHandleType::move, Point(5, 1));
    EXPECT_EQ(a->bounds(), Rect(6, 2, 10, 10));
    drag(NodeHandleType::resizeBottomRight, Point(1, 1));
    EXPECT_EQ(a->bounds(), Rect(6, 2, 12, 12));

    const Rect before = b->bounds();
    DiagramMediator(d->selection()).updateDependents();
    a->setBounds(Rect(5, 0, 10, 10), true);
    EXPECT_EQ(b->bounds(), before);
}

TEST(DiagramMediator, AChainOfAttachedNodesMovesInOneCallWithLinearWork) {
    const auto chainWork = [](int length) {
        auto d = std::make_shared<Diagram>();
        std::vector<std::shared_ptr<DiagramNode>> chain;
        for (int i = 0; i < length; ++i) {
            chain.push_back(addNode(d, Rect(i * 20.0, 0, 10, 10)));
            if (i == 0) continue;
            chain[i]->attachToNode(chain[i - 1], AttachToNode::topLeft);
            addLink(d, chain[i - 1], chain[i], {Point(i * 20.0 - 10, 5), Point(i * 20.0, 5)});
        }
        long calls = 0;
        DiagramMediator mediator(chain.front());
        DiagramMediator::RuleList counted;
        for (const auto& rule : DiagramMediator::defaultRules())
            counted.push_back(std::make_shared<CountingRule>(rule, &calls));
        mediator.setRules(counted);
        mediator.setItems({chain.front()});
        mediator.collectDependents();
        chain.front()->_setBounds(Rect(3, 4, 10, 10));
        mediator.updateDependents();

        EXPECT_EQ(chain.back()->bounds(), Rect((length - 1) * 20.0 + 3, 4, 10, 10));
        EXPECT_EQ(chain.back()->incomingLinks().front()->endPoint(),
                  Point((length - 1) * 20.0 + 3, 9));
        return calls;
    };
    const long quarter = chainWork(250);
    const long half = chainWork(500);
    // Every further node costs the same number of rule calls.
    EXPECT_EQ(chainWork(1000) - half, 2 * (half - quarter));

    auto d = std::make_shared<Diagram>();
    std::vector<std::shared_ptr<DiagramNode>> chain;
    for (int i = 0; i < 1000; ++i) {
        chain.push_back(addNode(d, Rect(i * 20.0, 0, 10, 10)));
        if (i > 0) chain[i]->attachToNode(chain[i - 1], AttachToNode::topLeft);
    }
    chain.front()->setBounds(Rect(0, 100, 10, 10), true);
    EXPECT_EQ(chain.back()->bounds(), Rect(999 * 20.0, 100, 10, 10));
}
