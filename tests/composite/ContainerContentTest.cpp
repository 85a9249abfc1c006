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

std::set<const DiagramLink*> linksOf(const std::vector<std::shared_ptr<DiagramLink>>& links) {
    std::set<const DiagramLink*> result;
    for (const auto& l : links)
        result.insert(l.get());
    return result;
}

std::set<const DiagramLink*> linksIn(const ContainerNode::ItemList& items) {
    std::set<const DiagramLink*> result;
    for (const auto& item : items) {
        if (const auto* l = dynamic_cast<const DiagramLink*>(item.get())) result.insert(l);
    }
    return result;
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
    auto x = shape(d, Rect(400, 0, 10, 10));
    outer->add(a);
    outer->add(nested);
    outer->add(b);
    nested->add(n1);
    nested->add(n2);

    auto childToChild = link(d, a, b);
    auto childToNested = link(d, a, n1);
    auto nestedOnly = link(d, n1, n2);
    auto toOutside = link(d, b, x);
    auto loop = link(d, b, b);
    auto toOwnChild = link(d, nested, n2);

    EXPECT_EQ(linksOf(outer->getInnerLinks()),
              linksOf({childToChild, childToNested, loop, toOwnChild}));
    EXPECT_EQ(linksOf(nested->getInnerLinks()), linksOf({nestedOnly}));

    // The document's pass gives each container its children and its own inner links, in the
    // document's drawing order, and marks them as drawn by the container.
    d->updateZOrder();
    EXPECT_EQ(linksIn(outer->zOrder()), linksOf(outer->getInnerLinks()));
    EXPECT_EQ(linksIn(nested->zOrder()), linksOf({nestedOnly}));
    EXPECT_EQ(outer->zOrder().size(), 3u + 4u);
    EXPECT_TRUE(std::is_sorted(outer->zOrder().begin(), outer->zOrder().end(),
                               [](const auto& p, const auto& q) {
                                   return p->runtimeIndex() < q->runtimeIndex();
                               }));
    for (const auto& item : outer->zOrder())
        EXPECT_FALSE(item->topLevel());
    EXPECT_TRUE(toOutside->topLevel());
    EXPECT_TRUE(outer->topLevel());
    EXPECT_FALSE(n1->topLevel());

    // The free function appends children first, then inner links.
    auto target = std::make_shared<ContainerNode>();
    appendContentToZOrder(*nested, *target);
    EXPECT_EQ(target->zOrder(), (ContainerNode::ItemList{n1, n2, nestedOnly}));
    EXPECT_EQ(linksOf(outer->layoutLinks()), linksOf(outer->getInnerLinks()));
    EXPECT_EQ(outer->layoutBounds(), outer->bounds());
}

TEST(ContainerContent, TheDocumentPassAgreesWithTheCountingRule) {
    // Random nestings and links; the document's pass finds each link's container once, the
    // counting rule walks every container's subtree.
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        auto d = std::make_shared<Diagram>();
        std::vector<std::shared_ptr<ContainerNode>> containers;
        std::vector<std::shared_ptr<DiagramNode>> nodes;
        for (int i = 0; i < 8; ++i) {
            auto c = container(d, Rect(i * 10.0, 0, 5, 5));
            if (!containers.empty() && random() % 4 != 0)
                containers[random() % containers.size()]->add(c);
            containers.push_back(c);
            nodes.push_back(c);
        }
        for (int i = 0; i < 30; ++i) {
            auto n = shape(d, Rect(i * 10.0, 20, 5, 5));
            if (random() % 5 != 0) containers[random() % containers.size()]->add(n);
            nodes.push_back(n);
        }
        for (int i = 0; i < 60; ++i)
            link(d, nodes[random() % nodes.size()], nodes[random() % nodes.size()]);

        d->updateZOrder();
        for (const auto& c : containers) {
            EXPECT_EQ(linksIn(c->zOrder()), linksOf(c->getInnerLinks()));
            EXPECT_EQ(c->zOrder().size(), c->children().size() + c->getInnerLinks().size());
        }
    }
}

TEST(ContainerContent, HitTestsReachTheContentTopmostFirst) {
    auto d = std::make_shared<Diagram>();
    auto c = container(d, Rect(0, 0, 100, 100));
    auto lower = shape(d, Rect(10, 10, 40, 40));
    auto upper = shape(d, Rect(20, 20, 40, 40));
    c->add(lower);
    c->add(upper);
    auto between = link(d, lower, upper);
    between->setControlPoints({Point(12, 48), Point(12, 80), Point(25, 80)});

    EXPECT_EQ(d->getItemAt(Point(30, 30), false, 0.0), upper);
    EXPECT_EQ(d->getItemAt(Point(15, 15), false, 0.0), lower);
    EXPECT_EQ(d->getItemAt(Point(90, 90), false, 0.0), c);
    EXPECT_EQ(d->getItemAt(Point(12, 60), false, 0.0), between);
    EXPECT_EQ(c->hitTest(Point(12, 60), 0.0, true, false), c);
    EXPECT_EQ(d->getNodeAt(Point(30, 30), false), upper);

    // Folded, only the strip answers.
    c->setFolded(true);
    EXPECT_EQ(d->getItemAt(Point(30, 3), false, 0.0), c);
    EXPECT_EQ(d->getItemAt(Point(30, 30), false, 0.0), nullptr);
}

TEST(ContainerContent, VisitingARectangleLooksIntoNestedContainers) {
    auto d = std::make_shared<Diagram>();
    auto outer = container(d, Rect(0, 0, 200, 200));
    auto nested = container(d, Rect(50, 50, 100, 100));
    auto a = shape(d, Rect(10, 10, 10, 10));
    auto n = shape(d, Rect(60, 60, 10, 10));
    auto locked = shape(d, Rect(30, 10, 10, 10));
    outer->add(a);
    outer->add(nested);
    outer->add(locked);
    nested->add(n);
    locked->setLocked(true);
    d->updateZOrder();

    std::vector<std::shared_ptr<DiagramItem>> seen;
    const auto collect = [&seen](const std::shared_ptr<DiagramItem>& item) {
        seen.push_back(item);
    };
    // In the document's drawing order; the nested container's content right after it.
    outer->visitChildrenInRect(Rect(0, 0, 100, 100), true, collect);
    EXPECT_EQ(seen, (ContainerNode::ItemList{nested, n, a}));

    seen.clear();
    outer->visitChildrenInRect(Rect(5, 5, 100, 100), false, collect);
    EXPECT_EQ(seen, (ContainerNode::ItemList{n, a}));

    // Nothing in a folded container, nor in one outside any document.
    seen.clear();
    nested->setFolded(true);
    outer->visitChildrenInRect(Rect(0, 0, 200, 200), true, collect);
    EXPECT_EQ(seen, (ContainerNode::ItemList{nested, a}));
    seen.clear();
    ContainerNode loose;
    loose.visitChildrenInRect(Rect(0, 0, 200, 200), true, collect);
    loose.onLoad();
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

    const auto draw = [&](Pixels& px) {
        Canvas canvas(px.cr());
        canvas.setMeasureUnit(MeasureUnit::Point());
        d->draw(canvas, d->bounds());
    };
    const auto isRed = [](const Pixels& px, int x, int y) {
        return px.red(x, y) > 200 && px.green(x, y) < 60;
    };
    {
        Pixels px(120, 80);
        draw(px);
        EXPECT_TRUE(isRed(px, 50, 40));   // inside the body
        EXPECT_FALSE(isRed(px, 70, 40));  // beyond the container's right edge
    }
    // The caption fills the container: no content.
    c->setCaptionHeight(50);
    {
        Pixels px(120, 80);
        draw(px);
        EXPECT_FALSE(isRed(px, 50, 40));
    }
    // Not clipped: the whole child shows.
    c->setCaptionHeight(5);
    c->setClipChildren(false);
    {
        Pixels px(120, 80);
        draw(px);
        EXPECT_TRUE(isRed(px, 70, 40));
    }
    // Folded: no content.
    c->setFolded(true);
    {
        Pixels px(120, 80);
        draw(px);
        EXPECT_FALSE(isRed(px, 50, 40));
    }
}
