#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <set>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/items/AnchorPattern.h"
#include "Nodeloom/items/ContainerAttachment.h"
#include "Nodeloom/layout/FractalLayout.h"
#include "Nodeloom/layout/LayoutUtils.h"
#include "Nodeloom/layout/SpringLayout.h"
#include "Nodeloom/layout/TreeLayout.h"
#include "layout/LayoutTestSupport.h"

namespace nodeloom {
namespace {

using test::addLink;
using test::addNode;

std::vector<Point> topLefts(const std::vector<std::shared_ptr<DiagramNode>>& nodes) {
    std::vector<Point> result;
    for (const auto& n : nodes) result.emplace_back(n->bounds().x, n->bounds().y);
    return result;
}

// A document of nodes in containers (some nested), attached nodes, ignored and hidden items,
// self-loops and repeated links; the same for the same seed.
std::shared_ptr<Diagram> randomDocument(unsigned seed) {
    std::mt19937 random(seed);
    auto d = test::makeDiagram();
    std::uniform_real_distribution<double> pos(0, 600), size(10, 50);
    std::uniform_int_distribution<int> percent(0, 99);
    std::vector<std::shared_ptr<DiagramNode>> nodes;
    std::vector<std::shared_ptr<ContainerNode>> containers;
    const int n = 10 + static_cast<int>(seed % 40);
    for (int i = 0; i < n; ++i) {
        const int kind = percent(random);
        std::shared_ptr<DiagramNode> node;
        if (kind < 10) {
            auto c = d->factory()->createContainerNode(pos(random), pos(random), 120, 90);
            containers.push_back(c);
            node = c;
        } else {
            node = addNode(*d, pos(random), pos(random), size(random), size(random));
        }
        const int place = percent(random);
        if (place < 25 && !containers.empty()) {
            auto c = containers[random() % containers.size()];
            if (c != node) {
                const Rect b = c->bounds();
                node->_setBounds(Rect(b.x + 5, b.y + 10, 20, 15));
                c->add(node);
            }
        } else if (place < 40 && !nodes.empty()) {
            node->attachToNode(nodes[random() % nodes.size()], AttachToNode::topRight);
        }
        if (percent(random) < 5) node->setIgnoreLayout(true);
        if (percent(random) < 5) node->setVisible(false);
        nodes.push_back(node);
    }
    const int links = n + static_cast<int>(random() % 20);
    for (int i = 0; i < links; ++i) {
        auto a = nodes[random() % nodes.size()];
        auto b = percent(random) < 5 ? a : nodes[random() % nodes.size()];
        auto link = addLink(*d, a, b);
        if (!link) continue;
        if (percent(random) < 5) link->setIgnoreLayout(true);
    }
    return d;
}

// What a layout graph says, by item.
struct GraphFacts {
    std::vector<std::pair<const DiagramItem*, Rect>> vertices;
    std::vector<std::tuple<const DiagramItem*, const DiagramItem*, const DiagramItem*>> edges;
    std::vector<const DiagramLink*> selfLoops;
    std::map<const DiagramLink*, std::vector<const DiagramLink*>> repeating;
    bool operator==(const GraphFacts&) const = default;
};

GraphFacts factsOf(const LayoutGraph& g) {
    GraphFacts f;
    for (const auto& v : g.graph->vertices())
        f.vertices.emplace_back(dynamic_cast<DiagramItem*>(v->owner().get()),
                                Rect(v->x(), v->y(), v->width(), v->height()));
    for (const auto& e : g.graph->edges())
        f.edges.emplace_back(dynamic_cast<DiagramItem*>(e->owner().get()),
                             dynamic_cast<DiagramItem*>(e->origin()->owner().get()),
                             dynamic_cast<DiagramItem*>(e->destination()->owner().get()));
    for (const auto& l : g.selfLoops->links()) f.selfLoops.push_back(l.get());
    for (const auto& entry : g.repeatingLinks->entries())
        for (const auto& l : entry.links) f.repeating[entry.representative.get()].push_back(l.get());
    return f;
}

bool takesPart(const DiagramItem& item) {
    return !item.ignoreLayout() && item.visible();
}

// The graph builder as described: a visited list searched from the start, groups walked by
// recursion, and each repeated link found by looking through the edges of its origin's vertex.
GraphFacts literalBuild(Diagram& d, bool merge, bool keepGroups) {
    std::vector<std::shared_ptr<DiagramNode>> visited;
    std::map<const DiagramNode*, std::vector<std::shared_ptr<DiagramNode>>> groups;
    std::map<const DiagramNode*, std::shared_ptr<DiagramNode>> rootOf;
    std::function<void(const std::shared_ptr<DiagramNode>&, std::vector<std::shared_ptr<DiagramNode>>&)>
        collect = [&](const std::shared_ptr<DiagramNode>& node,
                      std::vector<std::shared_ptr<DiagramNode>>& members) {
            if (std::find(members.begin(), members.end(), node) != members.end()) return;
            members.push_back(node);
            visited.push_back(node);
            if (keepGroups)
                for (const auto& a : node->attachedNodes())
                    if (takesPart(*a)) collect(a, members);
            if (const auto* container = dynamic_cast<ContainerNode*>(node.get()))
                for (const auto& c : container->children())
                    if (takesPart(*c)) collect(c, members);
        };
    for (const auto& n : d.nodes()) {
        if (std::find(visited.begin(), visited.end(), n) != visited.end()) continue;
        const auto found = LayoutUtils::findLayoutRoot(n, keepGroups, nullptr);
        const auto* root = std::get_if<std::shared_ptr<DiagramNode>>(&found);
        const std::shared_ptr<DiagramNode> r = root ? *root : n;
        if (!takesPart(*r)) continue;
        std::vector<std::shared_ptr<DiagramNode>> members;
        collect(r, members);
        for (const auto& m : members) rootOf[m.get()] = r;
        groups[r.get()] = members;
    }
    GraphFacts f;
    std::map<const DiagramNode*, std::size_t> vertexOf;
    std::vector<std::vector<std::size_t>> edgesOf;
    for (const auto& n : d.nodes()) {
        const auto g = groups.find(n.get());
        if (g == groups.end()) continue;
        double left = INFINITY, top = INFINITY, right = -INFINITY, bottom = -INFINITY;
        for (const auto& m : g->second) {
            left = std::min(left, m->bounds().x);
            top = std::min(top, m->bounds().y);
            right = std::max(right, m->bounds().right());
            bottom = std::max(bottom, m->bounds().bottom());
        }
        vertexOf[n.get()] = f.vertices.size();
        f.vertices.emplace_back(n.get(), Rect(left, top, right - left, bottom - top));
        edgesOf.emplace_back();
    }
    std::vector<std::pair<std::size_t, std::size_t>> ends;
    for (const auto& link : d.links()) {
        if (!takesPart(*link)) continue;
        const auto o = link->origin(), t = link->destination();
        if (!rootOf.count(o.get()) || !rootOf.count(t.get())) continue;
        const auto ro = rootOf[o.get()], rd = rootOf[t.get()];
        const std::size_t vo = vertexOf.at(ro.get()), vd = vertexOf.at(rd.get());
        if (merge) {
            if (o == t) f.selfLoops.push_back(link.get());
            if (ro == rd) continue;
            bool repeated = false;
            for (const std::size_t e : edgesOf[vo]) {
                const std::size_t other = ends[e].first == vo ? ends[e].second : ends[e].first;
                if (other != vd) continue;
                f.repeating[static_cast<const DiagramLink*>(std::get<0>(f.edges[e]))].push_back(
                    link.get());
                repeated = true;
                break;
            }
            if (repeated) continue;
        } else if (ro == rd && o != t) {
            continue;
        }
        edgesOf[vo].push_back(f.edges.size());
        if (vd != vo) edgesOf[vd].push_back(f.edges.size());
        ends.emplace_back(vo, vd);
        f.edges.emplace_back(link.get(), ro.get(), rd.get());
    }
    return f;
}

TEST(LayoutDriver, SetsAndMapsBuildTheGraphTheListsDescribe) {
    for (unsigned seed = 1; seed <= 60; ++seed) {
        auto d = randomDocument(seed);
        for (const bool merge : {true, false}) {
            for (const bool keep : {true, false}) {
                const auto fast = factsOf(
                    LayoutUtils::buildLayoutGraph(merge, keep, d->nodes(), d->links(), nullptr));
                const auto literal = literalBuild(*d, merge, keep);
                ASSERT_EQ(fast.vertices, literal.vertices) << seed << merge << keep;
                ASSERT_EQ(fast.edges, literal.edges) << seed << merge << keep;
                ASSERT_EQ(fast.selfLoops, literal.selfLoops) << seed << merge << keep;
                ASSERT_EQ(fast.repeating, literal.repeating) << seed << merge << keep;
            }
        }
    }
}

// The driver as described: after every component, every link of the container is straightened
// when the layout applies no points.
void literalArrange(Layout& layout, Diagram& d) {
    const LayoutGraph built = LayoutUtils::buildLayoutGraph(
        layout.mergesRepeatingLinks(), layout.keepGroupLayout(), d.nodes(), d.links(), nullptr);
    double x = d.bounds().x + layout.margins(), y = d.bounds().y + layout.margins();
    for (const auto& component : built.graph->connectedComponents()) {
        if (!layout.arrangeGraph(component)) continue;
        const Rect r = LayoutUtils::applyLayoutGraph(*component, layout, {}, d, x, y);
        x += r.width + layout.margins();
    }
    for (const auto& link : built.selfLoops->links()) link->origin()->makeSelfLoop(link);
    for (const auto& entry : built.repeatingLinks->entries())
        for (const auto& link : entry.links) {
            link->setShape(LinkShape::polyline);
            link->setControlPoints({link->startPoint(), link->endPoint()});
            link->clipEndsToOutlines();
            link->updateFromPoints();
        }
}

TEST(LayoutDriver, StraighteningOnlyTheLinksThatMovedGivesWhatStraighteningAllGives) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        for (const bool keep : {true, false}) {
            auto fast = randomDocument(seed), literal = randomDocument(seed);
            auto layout = std::make_shared<FractalLayout>();
            layout->setKeepGroupLayout(keep);
            fast->arrange(layout);
            literalArrange(*layout, *literal);
            for (std::size_t i = 0; i < fast->nodes().size(); ++i)
                ASSERT_EQ(fast->nodes()[i]->bounds(), literal->nodes()[i]->bounds()) << seed;
            for (std::size_t i = 0; i < fast->links().size(); ++i) {
                const auto& a = fast->links()[i]->controlPoints();
                const auto& b = literal->links()[i]->controlPoints();
                ASSERT_EQ(a.size(), b.size()) << seed << " " << i;
                for (std::size_t k = 0; k < a.size(); ++k) {
                    ASSERT_NEAR(a[k].x, b[k].x, 1e-9) << seed << " " << i;
                    ASSERT_NEAR(a[k].y, b[k].y, 1e-9) << seed << " " << i;
                }
            }
        }
    }
}

TEST(LayoutDriver, PlacesComponentsSideBySideOrOneBelowTheOther) {
    auto d = test::makeDiagram();
    auto a = addNode(*d, 150, 90);
    auto b = addNode(*d, 20, 300);
    auto layout = std::make_shared<Layout>();
    d->arrange(layout);
    EXPECT_EQ(topLefts({a, b}), (std::vector<Point>{Point(10, 10), Point(60, 10)}));
    layout->setMultipleGraphsPlacement(MultipleGraphsPlacement::vertical);
    d->arrange(layout);
    EXPECT_EQ(topLefts({a, b}), (std::vector<Point>{Point(10, 10), Point(10, 40)}));
    // The origin is the document's, plus the margins.
    d->setBounds(Rect(-100, 50, 500, 500));
    layout->setMargins(5);
    d->arrange(layout);
    EXPECT_EQ(topLefts({a, b}), (std::vector<Point>{Point(-95, 55), Point(-95, 80)}));

    // A component the layout refuses stays; the next one takes its place.
    auto c = addNode(*d, 400, 400);
    auto e = addNode(*d, 500, 400);
    addLink(*d, a, b);
    addLink(*d, b, a);  // every vertex of a and b now has an incoming edge
    auto tree = std::make_shared<TreeLayout>();
    tree->setMargins(5);
    d->arrange(tree);
    EXPECT_EQ(topLefts({a, b, c, e}), (std::vector<Point>{Point(-95, 55), Point(-95, 80),
                                                          Point(-95, 55), Point(-50, 55)}));
}

TEST(LayoutDriver, ArrangingIsOneUndoStepAndNothingWithoutUndo) {
    auto d = test::makeDiagram(true);
    auto a = addNode(*d, 150, 90);
    auto b = addNode(*d, 20, 300);
    auto c = addNode(*d, 90, 20);
    auto ab = addLink(*d, a, b);
    auto ac = addLink(*d, a, c);
    const auto bounds = topLefts({a, b, c});
    const auto abPoints = ab->controlPoints(), acPoints = ac->controlPoints();
    const std::size_t steps = d->undoManager()->undoHistory().size();

    auto layout = std::make_shared<TreeLayout>();
    layout->setLinkType(TreeLayoutLinkType::cascading);
    d->arrange(layout);
    const auto arranged = topLefts({a, b, c});
    const auto arrangedPoints = ab->controlPoints();
    ASSERT_NE(arranged, bounds);
    EXPECT_EQ(d->undoManager()->undoHistory().size(), steps + 1);
    d->undo();
    EXPECT_EQ(topLefts({a, b, c}), bounds);
    EXPECT_EQ(ab->controlPoints(), abPoints);
    EXPECT_EQ(ac->controlPoints(), acPoints);
    d->redo();
    EXPECT_EQ(topLefts({a, b, c}), arranged);
    EXPECT_EQ(ab->controlPoints(), arrangedPoints);

    // Without undo nothing is recorded, and the layout still runs.
    auto plain = test::makeDiagram();
    auto p = addNode(*plain, 80, 80);
    plain->arrange(layout);
    EXPECT_FALSE(plain->undoManager());
    EXPECT_EQ(p->bounds().x, 10);
}

TEST(LayoutDriver, SelfLoopsAndRepeatedLinksAreSetAsideAndRepaired) {
    auto d = test::makeDiagram();
    auto a = addNode(*d, 150, 90);
    auto b = addNode(*d, 20, 300);
    auto ab = addLink(*d, a, b);
    auto ba = addLink(*d, b, a);
    auto ab2 = addLink(*d, a, b);
    auto loop = addLink(*d, a, a);

    const LayoutGraph merged =
        LayoutUtils::buildLayoutGraph(true, false, d->nodes(), d->links(), nullptr);
    ASSERT_EQ(merged.graph->edges().size(), 1u);
    EXPECT_EQ(merged.graph->edges()[0]->owner(), ab);
    EXPECT_EQ(merged.selfLoops->links(), std::vector<std::shared_ptr<DiagramLink>>{loop});
    ASSERT_TRUE(merged.repeatingLinks->find(ab.get()));
    EXPECT_EQ(*merged.repeatingLinks->find(ab.get()),
              (std::vector<std::shared_ptr<DiagramLink>>{ba, ab2}));
    EXPECT_EQ(merged.graph->selfLoops(), merged.selfLoops);

    // Without merging every link is an edge, a self-loop from a vertex to itself.
    const LayoutGraph all =
        LayoutUtils::buildLayoutGraph(false, false, d->nodes(), d->links(), nullptr);
    ASSERT_EQ(all.graph->edges().size(), 4u);
    EXPECT_EQ(all.graph->edges()[3]->origin(), all.graph->edges()[3]->destination());
    EXPECT_TRUE(all.selfLoops->links().empty());

    d->arrange(std::make_shared<SpringLayout>());
    for (const auto& link : {ba, ab2}) {
        EXPECT_EQ(link->shape(), LinkShape::polyline);
        EXPECT_EQ(link->controlPoints().size(), 2u);
    }
    EXPECT_EQ(loop->shape(), LinkShape::bezier);
    ASSERT_EQ(loop->controlPoints().size(), 4u);
    EXPECT_EQ(loop->startPoint(), loop->endPoint());
    EXPECT_EQ(loop->startPoint(), Point(a->bounds().center().x, a->bounds().y));
}

TEST(LayoutDriver, IgnoredAndHiddenItemsStayOutOfTheLayout) {
    auto d = test::makeDiagram();
    auto a = addNode(*d, 150, 90);
    auto ignored = addNode(*d, 300, 300);
    auto hidden = addNode(*d, 20, 200);
    ignored->setIgnoreLayout(true);
    hidden->setVisible(false);
    auto toIgnored = addLink(*d, a, ignored);
    auto b = addNode(*d, 40, 40);
    auto skipped = addLink(*d, a, b);
    skipped->setIgnoreLayout(true);
    const auto skippedPoints = skipped->controlPoints();

    d->arrange(std::make_shared<TreeLayout>());
    EXPECT_EQ(topLefts({ignored, hidden}),
              (std::vector<Point>{Point(300, 300), Point(20, 200)}));
    // a and b are two components now: nothing joins them.
    EXPECT_EQ(topLefts({a, b}), (std::vector<Point>{Point(10, 10), Point(60, 10)}));
    EXPECT_EQ(skipped->controlPoints().size(), skippedPoints.size());
    EXPECT_EQ(toIgnored->destination(), ignored);

    // A layout that applies no points straightens every link of the container.
    d->arrange(std::make_shared<FractalLayout>());
    EXPECT_EQ(skipped->shape(), LinkShape::polyline);
    EXPECT_EQ(skipped->controlPoints().size(), 2u);
}

TEST(LayoutDriver, BlocksMoveTogetherAndAnchorsAreKeptOrReassigned) {
    auto d = test::makeDiagram();
    auto master = addNode(*d, 200, 200);
    auto label = addNode(*d, 245, 200, 30, 10);
    label->attachToNode(master, AttachToNode::topRight);
    auto other = addNode(*d, 20, 20);
    addLink(*d, master, other);

    auto layout = std::make_shared<TreeLayout>();
    layout->setKeepGroupLayout(true);
    d->arrange(layout);
    // One vertex of the block's size: 75 wide, so the child is centred below it.
    EXPECT_EQ(master->bounds(), Rect(10, 10, 40, 20));
    EXPECT_EQ(label->bounds(), Rect(55, 10, 30, 10));
    EXPECT_EQ(other->bounds().center().x, 10 + 75 / 2.0);

    // Without blocks the attached node is a vertex of its own.
    layout->setKeepGroupLayout(false);
    const LayoutGraph g = LayoutUtils::buildLayoutGraph(true, false, d->nodes(), d->links(),
                                                        nullptr);
    EXPECT_EQ(g.graph->vertices().size(), 3u);

    // Anchors: kept where the links had them, or the nearest to the new ends.
    auto e = test::makeDiagram();
    auto r = addNode(*e, 100, 100);
    auto c = addNode(*e, 0, 0);
    for (const auto& n : {r, c}) n->setAnchorPattern(AnchorPattern::decision1In3Out());
    auto link = addLink(*e, r, c);
    link->setOriginAnchor(3);
    link->setDestinationAnchor(0);
    auto tree = std::make_shared<TreeLayout>();
    tree->setLinkType(TreeLayoutLinkType::straight);
    tree->setAnchoring(Anchoring::keep);
    e->arrange(tree);
    EXPECT_EQ(link->originAnchor(), 3);
    EXPECT_EQ(link->startPoint(), *r->getAnchorPointPosition(3));
    tree->setAnchoring(Anchoring::reassign);
    e->arrange(tree);
    EXPECT_EQ(link->originAnchor(), 2);
    EXPECT_EQ(link->startPoint(), *r->getAnchorPointPosition(2));
    EXPECT_EQ(link->destinationAnchor(), 0);

    // Straightening the links of a later component leaves the anchors of an earlier one alone.
    auto f = test::makeDiagram();
    std::vector<std::shared_ptr<DiagramLink>> links;
    for (int i = 0; i < 2; ++i) {
        auto a = addNode(*f, i * 200.0, 0), b = addNode(*f, i * 200.0, 100);
        for (const auto& n : {a, b}) n->setAnchorPattern(AnchorPattern::decision1In3Out());
        links.push_back(addLink(*f, a, b));
    }
    auto fractal = std::make_shared<FractalLayout>();
    fractal->setAnchoring(Anchoring::reassign);
    f->arrange(fractal);
    for (const auto& l : links) {
        ASSERT_GE(l->originAnchor(), 0);
        EXPECT_EQ(l->startPoint(), *l->origin()->getAnchorPointPosition(l->originAnchor()));
        EXPECT_EQ(l->endPoint(),
                  *l->destination()->getAnchorPointPosition(l->destinationAnchor()));
    }
}

TEST(LayoutDriver, ContainerChildrenMoveWithTheirContainer) {
    auto d = test::makeDiagram();
    auto container = d->factory()->createContainerNode(200, 200, 100, 80);
    auto child = addNode(*d, 210, 220, 30, 20);
    container->add(child);
    auto outside = addNode(*d, 0, 0);
    addLink(*d, child, outside);

    const LayoutGraph g =
        LayoutUtils::buildLayoutGraph(true, false, d->nodes(), d->links(), nullptr);
    ASSERT_EQ(g.graph->vertices().size(), 2u);
    EXPECT_EQ(g.graph->vertices()[0]->owner(), container);
    // The link of the child joins the container's block.
    ASSERT_EQ(g.graph->edges().size(), 1u);
    EXPECT_EQ(g.graph->edges()[0]->origin(), g.graph->vertices()[0]);

    d->arrange(std::make_shared<TreeLayout>());
    EXPECT_EQ(container->bounds(), Rect(10, 10, 100, 80));
    EXPECT_EQ(child->bounds(), Rect(20, 30, 30, 20));
}

TEST(LayoutDriver, AFoldedContainerKeepsItsStripAndItsHiddenChildrenFollowIt) {
    auto d = test::makeDiagram(true);
    auto container = d->factory()->createContainerNode(200, 200, 100, 80);
    auto child = addNode(*d, 240, 250, 30, 20);
    container->add(child);
    auto outside = addNode(*d, 0, 0);
    addLink(*d, child, outside);
    container->setFolded(true);
    const Rect strip = container->bounds();
    const double dx = child->bounds().x - strip.x, dy = child->bounds().y - strip.y;
    const std::string before = d->saveToXmlString();

    d->arrange(std::make_shared<TreeLayout>());
    // The block is the strip the reader sees, not the open body with its hidden child.
    EXPECT_TRUE(container->folded());
    EXPECT_NE(container->bounds(), strip);
    EXPECT_EQ(container->bounds().width, strip.width);
    EXPECT_EQ(container->bounds().height, strip.height);
    EXPECT_DOUBLE_EQ(child->bounds().x - container->bounds().x, dx);
    EXPECT_DOUBLE_EQ(child->bounds().y - container->bounds().y, dy);
    const std::string after = d->saveToXmlString();
    d->undo();
    EXPECT_EQ(d->saveToXmlString(), before);
    d->redo();
    EXPECT_EQ(d->saveToXmlString(), after);

    container->setFolded(false);
    EXPECT_EQ(container->bounds().width, 100);
    EXPECT_EQ(container->bounds().height, 80);
    EXPECT_TRUE(container->bounds().contains(child->bounds()));
}

TEST(LayoutDriver, AContainerArrangesItsChildrenInsideItWithoutAnUndoStep) {
    auto d = test::makeDiagram(true);
    auto container = d->factory()->createContainerNode(100, 100, 300, 200);
    std::vector<std::shared_ptr<DiagramNode>> children;
    for (int i = 0; i < 3; ++i) {
        children.push_back(addNode(*d, 300 - 60.0 * i, 250 - 30.0 * i, 30, 20));
        container->add(children.back());
    }
    auto outside = addNode(*d, 500, 500);
    addLink(*d, children[0], children[1]);
    addLink(*d, children[0], children[2]);
    auto out = addLink(*d, outside, children[0]);
    const auto outPoints = out->controlPoints();
    const std::size_t steps = d->undoManager()->undoHistory().size();

    container->arrange(std::make_shared<TreeLayout>());
    EXPECT_EQ(d->undoManager()->undoHistory().size(), steps);
    // The tree of the three children from the container's left edge plus the margins and below
    // its caption of 5; the link to the outside node is not one of the container's.
    EXPECT_EQ(children[0]->bounds(), Rect(130, 115, 30, 20));
    EXPECT_EQ(children[1]->bounds(), Rect(110, 145, 30, 20));
    EXPECT_EQ(children[2]->bounds(), Rect(150, 145, 30, 20));
    EXPECT_EQ(outside->bounds(), Rect(500, 500, 40, 20));
    // The container fits the children exactly, with the layout's margins: it shrinks.
    EXPECT_EQ(container->bounds(), Rect(100, 100, 90, 75));
    // The new places are the children's offsets: they follow the container from there.
    container->setBounds(Rect(150, 100, 300, 200));
    EXPECT_EQ(children[1]->bounds(), Rect(160, 145, 30, 20));
    container->arrange(nullptr);
}

TEST(LayoutDriver, CyclesOfAttachmentsNeverStopAnArrangement) {
    auto d = test::makeDiagram();
    auto a = addNode(*d, 100, 100);
    auto b = addNode(*d, 200, 100);
    auto c = addNode(*d, 300, 100);
    a->attachToNode(b, AttachToNode::topLeft);
    b->attachToNode(a, AttachToNode::topLeft);
    c->attachToNode(b, AttachToNode::topLeft);

    const auto root = LayoutUtils::findLayoutRoot(a, true, nullptr);
    ASSERT_TRUE(std::holds_alternative<std::shared_ptr<DiagramNode>>(root));
    EXPECT_EQ(std::get<std::shared_ptr<DiagramNode>>(root), a);
    b->setIgnoreLayout(true);
    EXPECT_EQ(std::get<LayoutError>(LayoutUtils::findLayoutRoot(c, true, nullptr)),
              LayoutError::cycleWithIgnoredNodes);

    // The node whose walk found the cycle is its own root; the others are its members.
    LayoutUtils::GroupMap groups;
    LayoutUtils::RootMap rootOf;
    b->setIgnoreLayout(false);
    LayoutUtils::collectLayoutNodes(d->nodes(), groups, rootOf, true, nullptr);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups.at(a).size(), 3u);
    b->setIgnoreLayout(true);
    groups.clear();
    rootOf.clear();
    LayoutUtils::collectLayoutNodes(d->nodes(), groups, rootOf, true, nullptr);
    EXPECT_EQ(groups.size(), 2u);  // a alone, and c that found the cycle through b
    auto layout = std::make_shared<SpringLayout>();
    layout->setKeepGroupLayout(true);
    d->arrange(layout);

    // Nodes that hold each other as masters would outlive the document.
    for (const auto& n : {a, b, c}) n->detach();

    // A chain of a hundred thousand attached nodes is one block, walked without recursion.
    std::vector<std::shared_ptr<DiagramNode>> chain{std::make_shared<DiagramNode>()};
    for (int i = 1; i < 100000; ++i) {
        chain.push_back(std::make_shared<DiagramNode>());
        chain.back()->attachToNode(chain[static_cast<std::size_t>(i - 1)], AttachToNode::topLeft);
    }
    groups.clear();
    rootOf.clear();
    std::reverse(chain.begin(), chain.end());
    LayoutUtils::collectLayoutNodes(chain, groups, rootOf, true, nullptr);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups.begin()->first, chain.back());
    EXPECT_EQ(groups.begin()->second.size(), 100000u);
    // A master owns its attached nodes: undone link by link, the chain need not be freed by
    // a hundred thousand nested destructors.
    for (const auto& n : chain) n->attachedNodes().clear();
}

}  // namespace
}  // namespace nodeloom
