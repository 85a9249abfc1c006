#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/links/LinkLabelLayout.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkLabel.h"

using namespace nodeloom;

namespace {

using Points = std::vector<Point>;

std::shared_ptr<DiagramLink> addLink(Diagram& d, Points points) {
    auto link = std::make_shared<DiagramLink>();
    d.addItem(link);
    link->setControlPoints(std::move(points));
    return link;
}

std::shared_ptr<LinkLabel> addLabel(const std::shared_ptr<DiagramLink>& link,
                                    const std::string& text = "label") {
    auto label = std::make_shared<LinkLabel>(link, text);
    link->addLabel(label);
    return label;
}

std::shared_ptr<DiagramNode> addNode(Diagram& d, const Rect& bounds) {
    auto node = std::make_shared<DiagramNode>();
    node->_setBounds(bounds);
    d.addItem(node);
    return node;
}

// The rectangle the label's own offsets give it.
Rect offsetRect(LinkLabel& label) {
    label.setCachedLayoutRect(std::nullopt);
    return *label.getLayoutRect();
}

void expectNear(const Rect& a, const Rect& b) {
    EXPECT_NEAR(a.x, b.x, 1e-9);
    EXPECT_NEAR(a.y, b.y, 1e-9);
    EXPECT_NEAR(a.width, b.width, 1e-9);
    EXPECT_NEAR(a.height, b.height, 1e-9);
}

bool overlap(const Rect& a, const Rect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
}

// The arrangement as a search over every obstacle.
std::vector<std::optional<Rect>> arrangeOverEveryObstacle(Diagram& d, const Rect& area) {
    std::vector<Rect> obstacles;
    for (const auto& node : d.nodes())
        if (LinkLabelLayout::meets(node->bounds(), area)) obstacles.push_back(node->bounds());
    std::vector<std::shared_ptr<LinkLabel>> kept;
    for (const auto& link : d.links()) {
        for (const auto& label : link->labels()) {
            const auto cached = label->cachedLayoutRect();
            const auto r = label->getLayoutRect();
            label->setCachedLayoutRect(std::nullopt);
            const auto offset = label->getLayoutRect();
            label->setCachedLayoutRect(cached);
            const bool meets = (r && LinkLabelLayout::meets(*r, area)) ||
                               (offset && LinkLabelLayout::meets(*offset, area));
            if (label->autoArrange() && meets) kept.push_back(label);
        }
    }
    for (const auto& label : kept) {
        const Point c = LinkLabelLayout::findLabelPosition(*label, obstacles, area);
        const Rect r = *label->getLayoutRect();
        const Rect placed(c.x - r.width / 2, c.y - r.height / 2, r.width, r.height);
        label->setCachedLayoutRect(placed);
        obstacles.push_back(placed);
    }
    std::vector<std::optional<Rect>> result;
    for (const auto& link : d.links())
        for (const auto& label : link->labels())
            result.push_back(label->cachedLayoutRect());
    return result;
}

}  // namespace

TEST(LinkLabelLayout, ALabelWithNothingNearSitsAboveAHorizontalLink) {
    auto d = std::make_shared<Diagram>();
    auto link = addLink(*d, {Point(0, 100), Point(200, 100)});
    auto label = addLabel(link);
    const Rect offset = offsetRect(*label);
    d->arrangeLinkLabels(d->bounds());
    // The candidate nearest to the offset position, on the side with the smaller y, one unit
    // clear of the line.
    const Rect placed = *label->getLayoutRect();
    EXPECT_NEAR(placed.center().x, 100, 1e-9);
    EXPECT_NEAR(placed.center().y, 100 - 1 - offset.height / 2, 1e-9);
    EXPECT_EQ(placed.width, offset.width);
    EXPECT_EQ(placed.height, offset.height);
}

TEST(LinkLabelLayout, LabelsKeepClearOfNodesAndOfEachOther) {
    auto d = std::make_shared<Diagram>();
    auto link = addLink(*d, {Point(0, 100), Point(200, 100)});
    auto first = addLabel(link);
    auto second = addLabel(link);
    d->arrangeLinkLabels(d->bounds());
    EXPECT_FALSE(overlap(*first->getLayoutRect(), *second->getLayoutRect()));

    // A node where the first label would go sends it below the line.
    auto node = addNode(*d, Rect(60, 60, 80, 38));
    first->setCachedLayoutRect(std::nullopt);
    d->arrangeLinkLabels(d->bounds());
    EXPECT_GT(first->getLayoutRect()->y, 100);
    EXPECT_FALSE(overlap(*first->getLayoutRect(), node->bounds()));
}

TEST(LinkLabelLayout, LabelsThatStayWhereTheyAre) {
    auto d = std::make_shared<Diagram>();
    auto link = addLink(*d, {Point(0, 100), Point(200, 100)});
    auto fixed = addLabel(link);
    fixed->setAutoArrange(false);
    d->arrangeLinkLabels(d->bounds());
    EXPECT_FALSE(fixed->cachedLayoutRect());

    // No candidate fits an area barely larger than the label: it keeps its offset position.
    auto label = addLabel(link);
    const Rect offset = offsetRect(*label);
    d->arrangeLinkLabels(Rect(offset.x - 0.5, offset.y - 0.5, offset.width + 1, offset.height + 1));
    expectNear(*label->cachedLayoutRect(), offset);

    // Neither does a label whose link has a single point.
    auto dot = addLink(*d, {Point(50, 50)});
    auto lonely = addLabel(dot);
    lonely->setControlPointPosition(0, 0, 0);
    const Rect there = offsetRect(*lonely);
    d->arrangeLinkLabels(d->bounds());
    expectNear(*lonely->cachedLayoutRect(), there);
}

TEST(LinkLabelLayout, TheDocumentPlacesLabelsOnEveryDrawInsideTheRefreshedArea) {
    auto d = std::make_shared<Diagram>();
    auto near = addLabel(addLink(*d, {Point(0, 20), Point(100, 20)}));
    auto far = addLabel(addLink(*d, {Point(0, 200), Point(100, 200)}));
    d->setLabelLayoutInvalid(false);
    d->layoutLinkLabels(Rect(0, 0, 120, 50));
    EXPECT_FALSE(near->cachedLayoutRect());

    // A pending area widens the refreshed one once.
    d->setLabelLayoutInvalid(true);
    d->setLinkLabelsInvalidRect(Rect(0, 180, 120, 40));
    d->layoutLinkLabels(Rect(0, 0, 120, 50));
    EXPECT_TRUE(near->cachedLayoutRect());
    EXPECT_TRUE(far->cachedLayoutRect());
    EXPECT_FALSE(d->labelLayoutInvalid());
    EXPECT_EQ(d->linkLabelsInvalidRect(), Rect());
}

TEST(LinkLabelLayout, ALabelFollowsItsLinkOutOfItsOldPlace) {
    auto d = std::make_shared<Diagram>();
    auto link = addLink(*d, {Point(0, 20), Point(100, 20)});
    auto label = addLabel(link);
    d->arrangeLinkLabels(Rect(0, 0, 120, 50));
    ASSERT_TRUE(label->cachedLayoutRect());

    // The link moves far down; the area drawn next no longer holds the label's old place.
    link->setControlPoints({Point(0, 300), Point(96, 300)});
    d->arrangeLinkLabels(Rect(0, 250, 120, 100));
    const Rect placed = *label->getLayoutRect();
    EXPECT_NEAR(placed.center().x, 48, 1e-9);
    EXPECT_NEAR(placed.center().y, 300 - 1 - placed.height / 2, 1e-9);

    // A label neither placed nor beside its link in the area stays out of its arrangement.
    auto other = addLabel(addLink(*d, {Point(0, 600), Point(100, 600)}));
    d->arrangeLinkLabels(Rect(0, 250, 120, 100));
    EXPECT_FALSE(other->cachedLayoutRect());
}

TEST(LinkLabelLayout, Helpers) {
    EXPECT_EQ(LinkLabelLayout::pointsAlongSegment(Point(0, 0), Vector(4, 0), Point(10, 0), 2),
              (Points{Point(0, 0), Point(4, 0), Point(8, 0), Point(10, 0)}));
    EXPECT_EQ(LinkLabelLayout::pointsAlongSegment(Point(0, 0), Vector(4, 0), Point(8, 0), 2),
              (Points{Point(0, 0), Point(4, 0), Point(8, 0)}));
    EXPECT_DOUBLE_EQ(LinkLabelLayout::rectExtentAlong(Rect(0, 0, 10, 4), Vector(1, 1)),
                     7 / std::sqrt(2.0));

    auto d = std::make_shared<Diagram>();
    auto label = addLabel(addLink(*d, {Point(0, 100), Point(200, 100)}));
    label->setCachedLayoutRect(Rect(0, 0, 10, 4));
    const std::vector<Rect> obstacles{Rect(3, 0, 10, 10), Rect(-20, -20, 21, 21), Rect(5, 2, 0, 0)};
    // The largest single overlap (7 by 4 with the first), not their sum.
    EXPECT_DOUBLE_EQ(LinkLabelLayout::labelOverlapCost(*label, obstacles, Point(5, 2), 1.5),
                     1.5 + 28);
    EXPECT_DOUBLE_EQ(LinkLabelLayout::labelOverlapCost(*label, {}, Point(5, 2), 1.5), 1.5);
}

// The arrangement through the spatial index equals the search over every obstacle on a crowded
// random document.
TEST(LinkLabelLayout, IndexedArrangementEqualsTheSearchOverEveryObstacle) {
    auto d = std::make_shared<Diagram>();
    d->setBounds(Rect(0, 0, 400, 400));
    std::mt19937 random(11);
    std::uniform_real_distribution<double> at(0, 380);
    std::uniform_real_distribution<double> size(5, 30);
    for (int i = 0; i < 80; ++i)
        addNode(*d, Rect(at(random), at(random), size(random), size(random)));
    for (int i = 0; i < 60; ++i) {
        auto link = addLink(*d, {Point(at(random), at(random)), Point(at(random), at(random)),
                                 Point(at(random), at(random))});
        addLabel(link, "label " + std::to_string(i));
        if (i % 3 == 0) addLabel(link, "second")->setLinkLengthPosition(0.3);
    }
    const Rect area(20, 20, 300, 300);
    const auto literal = arrangeOverEveryObstacle(*d, area);
    for (const auto& link : d->links())
        for (const auto& label : link->labels())
            label->setCachedLayoutRect(std::nullopt);
    d->arrangeLinkLabels(area);
    std::vector<std::optional<Rect>> indexed;
    int moved = 0;
    for (const auto& link : d->links()) {
        for (const auto& label : link->labels()) {
            indexed.push_back(label->cachedLayoutRect());
            moved += label->cachedLayoutRect() ? 1 : 0;
        }
    }
    EXPECT_EQ(indexed, literal);
    EXPECT_GT(moved, 30);
}
