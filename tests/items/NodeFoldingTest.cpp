#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "NodeTestSupport.h"
#include "Nodeloom/composite/NodeExpander.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

// A document with named nodes and the links between them, and a log of the fold events.
struct Graph {
    Graph() : diagram(std::make_shared<Diagram>()) {
        diagram->nodeCollapsed() += [this](Object&, NodeValidationEventArgs& a) {
            events.push_back("-" + nameOf(a.node()));
        };
        diagram->nodeExpanded() += [this](Object&, NodeValidationEventArgs& a) {
            events.push_back("+" + nameOf(a.node()));
        };
    }

    std::shared_ptr<DiagramNode> node(const std::string& name) {
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) return nodes[i];
        auto n = nodeAt(Rect(0, 0, 20, 20));
        diagram->attachItem(n, true);
        names.push_back(name);
        nodes.push_back(n);
        return n;
    }
    std::shared_ptr<DiagramLink> link(const std::string& from, const std::string& to) {
        const auto origin = node(from);
        const auto destination = node(to);
        auto l = connect(origin, destination, {Point(0, 0), Point(10, 10)});
        diagram->attachItem(l, true);
        links.push_back(l);
        return l;
    }
    std::string nameOf(const std::shared_ptr<DiagramNode>& n) const {
        for (std::size_t i = 0; i < nodes.size(); ++i)
            if (nodes[i] == n) return names[i];
        return "?";
    }
    std::string visibleNodes() const {
        std::string s;
        for (std::size_t i = 0; i < nodes.size(); ++i)
            if (nodes[i]->visible()) s += names[i];
        return s;
    }
    int hiddenLinks() const {
        int n = 0;
        for (const auto& l : links)
            n += l->visible() ? 0 : 1;
        return n;
    }
    void fold(const std::string& name) {
        std::optional<DiagramNode::CollapsedSet> none;
        node(name)->collapse(none);
    }

    std::shared_ptr<Diagram> diagram;
    std::vector<std::string> names;
    std::vector<std::shared_ptr<DiagramNode>> nodes;
    std::vector<std::shared_ptr<DiagramLink>> links;
    std::vector<std::string> events;
};

using Events = std::vector<std::string>;

}  // namespace

TEST(NodeFolding, FoldHidesWhatHangsOffTheNodeAndUnfoldShowsItAgain) {
    Graph g;
    auto ab = g.link("A", "B");
    g.link("A", "C");
    g.link("C", "D");
    g.node("A")->setSelected(true);
    g.node("B")->setSelected(true);
    ab->setSelected(true);

    g.fold("A");
    EXPECT_EQ(g.visibleNodes(), "A");
    EXPECT_EQ(g.hiddenLinks(), 3);
    EXPECT_EQ(g.events, (Events{"-A", "-B", "-C", "-D"}));
    EXPECT_TRUE(g.node("A")->selected());
    EXPECT_FALSE(g.node("B")->selected());
    EXPECT_FALSE(ab->selected());
    EXPECT_FALSE(g.node("A")->expanded());
    for (const char* reached : {"B", "C", "D"})
        EXPECT_TRUE(g.node(reached)->expanded());
    ASSERT_TRUE(g.node("A")->collapsedSet());
    EXPECT_EQ(g.node("A")->collapsedSet()->size(), 7u);

    g.events.clear();
    g.node("A")->expand();
    EXPECT_EQ(g.visibleNodes(), "ABCD");
    EXPECT_EQ(g.hiddenLinks(), 0);
    EXPECT_TRUE(g.node("A")->expanded());
    EXPECT_FALSE(g.node("A")->collapsedSet());
    // Every node of the fold, the unfolding one a second time at the end; selection stays off.
    ASSERT_EQ(g.events.size(), 5u);
    EXPECT_EQ(g.events.back(), "+A");
    EXPECT_EQ(std::count(g.events.begin(), g.events.end(), "+A"), 2);
    EXPECT_FALSE(g.node("B")->selected());
}

TEST(NodeFolding, DirectionCyclesAndFoldedNodesBoundTheWalk) {
    {
        Graph g;
        g.diagram->setExpandOnIncoming(true);
        g.link("B", "A");
        g.link("C", "A");
        g.link("A", "D");
        g.fold("A");
        EXPECT_EQ(g.visibleNodes(), "AD");
        EXPECT_EQ(g.hiddenLinks(), 2);
    }
    {
        Graph g;
        g.link("A", "B");
        g.link("B", "A");
        g.fold("A");
        EXPECT_EQ(g.visibleNodes(), "A");
        EXPECT_EQ(g.hiddenLinks(), 2);
        EXPECT_EQ(g.events, (Events{"-A", "-B"}));
    }
    {
        Graph g;
        g.link("A", "B");
        g.link("B", "C");
        g.node("B")->setExpanded(false);
        g.fold("A");
        // B is hidden and told so; what hangs off it was hidden by its own fold.
        EXPECT_EQ(g.visibleNodes(), "AC");
        EXPECT_EQ(g.hiddenLinks(), 1);
        EXPECT_EQ(g.events, (Events{"-A", "-B"}));
    }
}

TEST(NodeFolding, UnfoldWithoutARecordedFoldShowsTheFirstRingOnly) {
    Graph g;
    g.link("A", "B");
    g.link("A", "C");
    g.link("B", "D");
    for (const auto& n : g.nodes)
        n->setVisible(false);
    for (const auto& l : g.links)
        l->setVisible(false);
    g.node("A")->setVisible(true);
    g.node("A")->setExpanded(false);
    g.node("B")->setExpandable(true);

    g.node("A")->expand();
    EXPECT_EQ(g.visibleNodes(), "ABC");
    EXPECT_EQ(g.hiddenLinks(), 1);
    EXPECT_FALSE(g.node("B")->expanded());
    EXPECT_TRUE(g.node("C")->expanded());
    EXPECT_EQ(g.events, (Events{"+B", "+A"}));
}

TEST(NodeFolding, AFreeNodeFoldsAlongItsOutgoingLinksWithoutEvents) {
    auto a = nodeAt(Rect(0, 0, 10, 10));
    auto b = nodeAt(Rect(20, 0, 10, 10));
    auto c = nodeAt(Rect(40, 0, 10, 10));
    auto ab = connect(a, b, {Point(0, 0), Point(1, 1)});
    auto ca = connect(c, a, {Point(0, 0), Point(1, 1)});
    std::optional<DiagramNode::CollapsedSet> none;
    a->collapse(none);
    EXPECT_FALSE(b->visible());
    EXPECT_FALSE(ab->visible());
    EXPECT_TRUE(c->visible());
    EXPECT_TRUE(ca->visible());
    // The caller's set is the fold's set.
    ASSERT_TRUE(none);
    EXPECT_EQ(none->size(), 3u);
    a->expand();
    EXPECT_TRUE(b->visible());
    EXPECT_TRUE(ab->visible());
}

TEST(NodeFolding, BecomingExpandedByAnyRouteForgetsTheLastFold) {
    Graph g;
    g.link("A", "B");
    auto a = g.node("A");
    a->setExpandable(true);
    const auto before = a->saveState();
    const auto bBefore = g.node("B")->saveState();

    a->expander()->onClick(Point());
    EXPECT_FALSE(g.node("B")->visible());
    ASSERT_TRUE(a->collapsedSet());

    // Undo puts the states back; the fold's set must not outlive it.
    a->restoreState(*before);
    g.node("B")->restoreState(*bBefore);
    EXPECT_TRUE(a->expanded());
    EXPECT_FALSE(a->collapsedSet());
    EXPECT_TRUE(g.node("B")->visible());

    a->expander()->onClick(Point());
    EXPECT_FALSE(g.node("B")->visible());
    a->expander()->onClick(Point());
    EXPECT_TRUE(g.node("B")->visible());
}

TEST(NodeFolding, AHandlerThatUnfoldsMidWalkEndsTheWalkSafely) {
    Graph g;
    g.link("A", "B");
    g.link("A", "C");
    auto a = g.node("A");
    g.diagram->nodeCollapsed() += [a](Object&, NodeValidationEventArgs& args) {
        if (args.node() != a) a->expand();
    };
    g.fold("A");
    EXPECT_TRUE(a->expanded());
    EXPECT_FALSE(a->collapsedSet());
    EXPECT_TRUE(g.node("C")->visible());
}
