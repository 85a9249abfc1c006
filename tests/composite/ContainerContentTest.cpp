#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "CompositeTestSupport.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "foundation/Pixels.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

std::set<const DiagramItem*> linksIn(const std::vector<std::shared_ptr<DiagramItem>>& items) {
    std::set<const DiagramItem*> result;
    for (const auto& item : items) {
        if (dynamic_cast<const DiagramLink*>(item.get())) result.insert(item.get());
    }
    return result;
}

std::set<const DiagramItem*> linksIn(const std::vector<std::shared_ptr<DiagramLink>>& links) {
    return linksIn(std::vector<std::shared_ptr<DiagramItem>>(links.begin(), links.end()));
}

}  // namespace

TEST(ContainerContent, ALinkBelongsToTheInnermostContainerHoldingBothEnds) {
    auto d = std::make_shared<Diagram>();
    auto outer = container(d, Rect(0, 0, 300, 300));
    auto nested = container(d, Rect(100, 100, 150, 150));
    auto a = shape(d, Rect(10, 10, 10, 10));
    auto b = shape(d, Rect(40, 10, 10, 10));
    auto n1 = shape(d, Rect(110, 110, 10, 10));
    auto n2 = shape(d, Rect(150, 150, 10, 10));
    outer->add(a);
    outer->add(nested);
    outer->add(b);
    nested->add(n1);
    nested->add(n2);

    auto childToChild = link(d, a, b);
    auto childToNested = link(d, a, n1);
    auto nestedOnly = link(d, n1, n2);
    auto toOutside = link(d, b, shape(d, Rect(400, 0, 10, 10)));
    auto loop = link(d, b, b);
    auto toOwnChild = link(d, nested, n2);

    EXPECT_EQ(linksIn(outer->getInnerLinks()),
              linksIn(ContainerNode::ItemList{childToChild, childToNested, loop, toOwnChild}));
    EXPECT_EQ(nested->getInnerLinks(), std::vector<std::shared_ptr<DiagramLink>>{nestedOnly});

    // The document's pass gives each container its children and its own inner links in the
    // document's drawing order, drawn by the container rather than the document.
    d->updateZOrder();
    EXPECT_EQ(linksIn(outer->zOrder()), linksIn(outer->getInnerLinks()));
    EXPECT_EQ(nested->zOrder(), (ContainerNode::ItemList{n1, n2, nestedOnly}));
    EXPECT_EQ(outer->zOrder().size(), 7u);
    EXPECT_FALSE(childToNested->topLevel());
    EXPECT_FALSE(n1->topLevel());
    EXPECT_TRUE(toOutside->topLevel());

    auto target = std::make_shared<ContainerNode>();
    appendContentToZOrder(*nested, *target);
    EXPECT_EQ(target->zOrder(), nested->zOrder());
}

TEST(ContainerContent, TheDocumentPassAgreesWithTheCountingRule) {
    // The document's pass finds each link's container once; the counting rule walks every
    // container's subtree.
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        auto d = std::make_shared<Diagram>();
        std::vector<std::shared_ptr<ContainerNode>> containers;
        std::vector<std::shared_ptr<DiagramNode>> nodes;
        for (int i = 0; i < 38; ++i) {
            std::shared_ptr<DiagramNode> n;
            if (i < 8) {
                auto c = container(d, Rect(i * 10.0, 0, 5, 5));
                containers.push_back(c);
                n = c;
            } else {
                n = shape(d, Rect(i * 10.0, 20, 5, 5));
            }
            if (i > 0 && random() % 4 != 0) containers[random() % containers.size()]->add(n);
            nodes.push_back(n);
        }
        for (int i = 0; i < 60; ++i)
            link(d, nodes[random() % nodes.size()], nodes[random() % nodes.size()]);

        d->updateZOrder();
        for (const auto& c : containers) {
            EXPECT_EQ(linksIn(c->zOrder()), linksIn(c->getInnerLinks()));
            EXPECT_EQ(c->zOrder().size(), c->children().size() + linksIn(c->zOrder()).size());
        }
    }
}

TEST(ContainerContent, HitTestsAndRectanglesReachTheContent) {
    auto d = std::make_shared<Diagram>();
    auto c = container(d, Rect(0, 0, 100, 100));
    auto lower = shape(d, Rect(10, 10, 40, 40));
    auto nested = container(d, Rect(20, 20, 60, 60));
    auto deep = shape(d, Rect(60, 60, 10, 10));
    c->add(lower);
    c->add(nested);
    nested->add(deep);
    auto between = link(d, lower, deep);
    between->setControlPoints({Point(12, 48), Point(12, 90), Point(65, 90), Point(65, 70)});

    EXPECT_EQ(d->getItemAt(Point(30, 30), false, 0.0), nested);
    EXPECT_EQ(d->getItemAt(Point(15, 15), false, 0.0), lower);
    EXPECT_EQ(d->getItemAt(Point(65, 65), false, 0.0), deep);
    EXPECT_EQ(d->getItemAt(Point(12, 60), false, 0.0), between);
    EXPECT_EQ(c->hitTest(Point(12, 60), 0.0, true, false), c);

    std::vector<std::shared_ptr<DiagramItem>> seen;
    const auto collect = [&seen](const std::shared_ptr<DiagramItem>& item) {
        seen.push_back(item);
    };
    c->visitChildrenInRect(Rect(55, 55, 20, 20), true, collect);
    EXPECT_EQ(seen, (ContainerNode::ItemList{nested, deep, between}));
    seen.clear();
    c->visitChildrenInRect(Rect(5, 5, 50, 50), false, collect);
    EXPECT_EQ(seen, (ContainerNode::ItemList{lower}));

    // Folded, only the strip answers and nothing is visited.
    c->setFolded(true);
    EXPECT_EQ(d->getItemAt(Point(30, 3), false, 0.0), c);
    EXPECT_EQ(d->getItemAt(Point(30, 30), false, 0.0), nullptr);
    seen.clear();
    c->visitChildrenInRect(Rect(0, 0, 100, 100), true, collect);
    EXPECT_TRUE(seen.empty());
}

TEST(ContainerDrawing, ContentIsClippedToTheBodyAndHiddenWhenThereIsNone) {
    auto d = std::make_shared<Diagram>();
    d->setMeasureUnit(MeasureUnit::Point());
    d->setBounds(Rect(0, 0, 120, 80));
    auto c = container(d, Rect(10, 10, 50, 50));
    auto red = shape(d, Rect(40, 30, 40, 20));
    red->setBrush(std::make_shared<SolidColorBrush>(Colors::Red()));
    c->add(red);

    // Whether the pixels at (50, 40), inside the body, and (70, 40), beyond its edge, are red.
    const auto redAt = [&] {
        Pixels px(120, 80);
        Canvas canvas(px.cr());
        canvas.setMeasureUnit(MeasureUnit::Point());
        d->draw(canvas, d->bounds());
        const auto red = [&px](int x) { return px.red(x, 40) > 200 && px.green(x, 40) < 60; };
        return std::make_pair(red(50), red(70));
    };
    EXPECT_EQ(redAt(), std::make_pair(true, false));
    c->setCaptionHeight(50);
    EXPECT_EQ(redAt(), std::make_pair(false, false));
    c->setCaptionHeight(5);
    c->setFolded(true);
    EXPECT_EQ(redAt(), std::make_pair(false, false));
}
