#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/layout/FractalLayout.h"
#include "Nodeloom/layout/LayeredLayout.h"
#include "Nodeloom/layout/SpringLayout.h"
#include "Nodeloom/layout/TreeLayout.h"
#include "layout/LayoutTestSupport.h"
#include "tests/UndoTestSupport.h"

using namespace nodeloom;
using test::addLink;
using test::addNode;

namespace {

struct NamedLayout {
    std::string name;
    std::function<std::shared_ptr<Layout>()> make;
};

std::vector<NamedLayout> everyLayout() {
    const auto tree = [](TreeLayoutLinkType type) {
        return [type] {
            auto layout = std::make_shared<TreeLayout>();
            layout->setLinkType(type);
            return std::shared_ptr<Layout>(layout);
        };
    };
    return {
        {"spring", [] { return std::make_shared<SpringLayout>(); }},
        {"tree", tree(TreeLayoutLinkType::default_)},
        {"tree straight", tree(TreeLayoutLinkType::straight)},
        {"tree cascading", tree(TreeLayoutLinkType::cascading)},
        {"layered", [] { return std::make_shared<LayeredLayout>(); }},
        {"fractal", [] { return std::make_shared<FractalLayout>(); }},
    };
}

// A small tree with a second component, its links cascading the other way than a layout sets.
std::shared_ptr<Diagram> sampleDocument() {
    auto d = test::makeDiagram(true);
    std::vector<std::shared_ptr<DiagramNode>> nodes;
    for (int i = 0; i < 7; ++i)
        nodes.push_back(addNode(*d, 30.0 * i, 17.0 * (i % 3), 20 + i, 10 + i % 4));
    for (int i = 1; i < 5; ++i) {
        auto link = addLink(*d, nodes[static_cast<std::size_t>((i - 1) / 2)],
                            nodes[static_cast<std::size_t>(i)]);
        link->setShape(LinkShape::cascading);
        link->setCascadeStartHorizontal(true);
    }
    addLink(*d, nodes[5], nodes[6]);
    return d;
}

bool allFinite(Diagram& d) {
    for (const auto& node : d.nodes()) {
        if (!node->bounds().isFinite()) return false;
        if (const auto* c = dynamic_cast<const ContainerNode*>(node.get());
            c && !(std::isfinite(c->unfoldedSize().width) && std::isfinite(c->unfoldedSize().height)))
            return false;
    }
    for (const auto& link : d.links())
        for (const Point& p : link->controlPoints())
            if (!p.isFinite()) return false;
    return true;
}

}  // namespace

TEST(LayoutUndo, EveryLayoutUndoesToTheDocumentBeforeAndRedoesToTheArrangement) {
    for (const auto& [name, make] : everyLayout()) {
        SCOPED_TRACE(name);
        auto d = sampleDocument();
        const std::string before = test::documentText(*d);
        ASSERT_TRUE(d->arrange(make()));
        const std::string arranged = test::documentText(*d);
        ASSERT_NE(arranged, before);
        d->undo();
        EXPECT_TRUE(test::sameText(test::documentText(*d), before));
        d->redo();
        const std::string redone = test::documentText(*d);
        EXPECT_TRUE(test::sameText(redone, arranged)) << redone << "\n----\n" << arranged;
    }
}

// Sizes near the largest number overflow the sums a layout makes: such an arrangement is taken
// back whole instead of writing points that are not finite.
TEST(LayoutUndo, AnArrangementThatWouldWriteInfiniteNumbersIsRefused) {
    const double huge = std::numeric_limits<double>::max();
    std::mt19937 random(37);
    const std::vector<double> sizes{huge, huge / 2, 1e300, 1e308, 5, 0};
    int refused = 0;
    for (int round = 0; round < 24; ++round) {
        for (const auto& [name, make] : everyLayout()) {
            SCOPED_TRACE(name + " round " + std::to_string(round));
            auto d = test::makeDiagram(true);
            std::vector<std::shared_ptr<DiagramNode>> nodes;
            for (int i = 0; i < 4; ++i) {
                const double w = sizes[random() % sizes.size()];
                const double h = sizes[random() % sizes.size()];
                nodes.push_back(addNode(*d, 10.0 * i, 0, w, h));
            }
            addLink(*d, nodes[0], nodes[1]);
            addLink(*d, nodes[0], nodes[2]);
            addLink(*d, nodes[2], nodes[3]);
            if (!allFinite(*d)) continue;
            const std::string before = test::documentText(*d);
            const std::size_t steps = d->undoManager()->undoHistory().size();
            if (d->arrange(make())) {
                EXPECT_TRUE(allFinite(*d));
                EXPECT_EQ(d->undoManager()->undoHistory().size(), steps + 1);
                continue;
            }
            ++refused;
            EXPECT_EQ(test::documentText(*d), before);
            EXPECT_EQ(d->undoManager()->undoHistory().size(), steps);
            EXPECT_EQ(d->undoManager()->startCompositeCounter(), 0);
        }
    }
    EXPECT_GT(refused, 0);

    // The smallest case: one node as wide as the largest number, under the spring layout.
    auto d = test::makeDiagram(true);
    auto wide = addNode(*d, 0, 0, huge, 10);
    addLink(*d, wide, addNode(*d, 50, 50));
    const std::string before = test::documentText(*d);
    const bool arranged = d->arrange(std::make_shared<SpringLayout>());
    EXPECT_TRUE(allFinite(*d));
    if (!arranged) {
        EXPECT_EQ(test::documentText(*d), before);
    }
}

// A container's arrangement ends with the container fitting its children, which may overflow
// where the layout did not (a nested container far out): the fit is part of what is checked, and
// a refused arrangement leaves the containers, their members and their links as they were.
TEST(LayoutUndo, AContainerWhoseFitWouldOverflowIsLeftAsItWas) {
    const double huge = std::numeric_limits<double>::max();
    std::mt19937 random(41);
    const std::vector<double> places{1e308, -1e308, huge / 2, 0, 40};
    const std::vector<double> sizes{huge, 1e308, 1e300, 5};
    int refused = 0;
    for (int round = 0; round < 16; ++round) {
        for (const auto& [name, make] : everyLayout()) {
            SCOPED_TRACE(name + " round " + std::to_string(round));
            auto d = test::makeDiagram(true);
            const auto pick = [&random](const std::vector<double>& from) {
                return from[random() % from.size()];
            };
            auto outer = d->factory()->createContainerNode(Rect(0, 0, 200, 200));
            auto inner = d->factory()->createContainerNode(
                Rect(pick(places), pick(places), pick(sizes), pick(sizes)));
            auto a = addNode(*d, inner->bounds().x + 1, inner->bounds().y + 1, 10, 10);
            auto b = addNode(*d, 20, 20, 10, 10);
            inner->add(a);
            outer->add(inner);
            outer->add(b);
            if (random() % 2 == 0) outer->setFolded(true);
            addLink(*d, a, b);
            addLink(*d, outer, addNode(*d, 300, 20, 10, 10));
            if (!allFinite(*d)) continue;
            const std::string before = test::snapshot(*d);
            outer->arrange(make());
            EXPECT_TRUE(allFinite(*d));
            if (test::snapshot(*d) == before) ++refused;
        }
    }
    EXPECT_GT(refused, 0);
}
