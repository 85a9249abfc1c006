#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <set>

#include "Nodeloom/layout/FractalLayout.h"
#include "layout/LayoutTestSupport.h"

namespace nodeloom {
namespace {

using test::addEdge;
using test::addLink;
using test::addNode;
using test::addVertex;

constexpr double kPi = std::numbers::pi;

TEST(FractalLayout, ARootWithOneChildInADocument) {
    auto d = test::makeDiagram();
    auto root = addNode(*d, 200, 300);
    auto child = addNode(*d, 50, 50);
    auto link = addLink(*d, root, child);
    auto layout = std::make_shared<FractalLayout>();
    d->arrange(layout);
    EXPECT_NEAR(root->bounds().x, 10, 1e-9);
    EXPECT_NEAR(root->bounds().y, 10, 1e-9);
    EXPECT_NEAR(child->bounds().x, 10, 1e-9);
    EXPECT_NEAR(child->bounds().y, 54.72, 0.005);
    // Links are straight between the outlines.
    EXPECT_EQ(link->shape(), LinkShape::polyline);
    ASSERT_EQ(link->controlPoints().size(), 2u);
    EXPECT_NEAR(link->startPoint().y, root->bounds().y + 20, 1e-9);
    EXPECT_NEAR(link->endPoint().y, child->bounds().y, 1e-9);

    // The child's branch: half the turn, straight below the root, clear of its circle.
    const double h = std::sqrt(40.0 * 40 + 20 * 20) / 2;
    const auto& branch = layout->branchCircles().at(child->vertex());
    EXPECT_DOUBLE_EQ(branch->sweepAngle, kPi);
    EXPECT_DOUBLE_EQ(branch->angle, kPi / 2);
    EXPECT_DOUBLE_EQ(branch->centerDelta, 2 * h);
}

TEST(FractalLayout, SectorsFollowTheBranchSizesAndLeaveTheParentSideFree) {
    auto g = std::make_shared<Graph>();
    auto root = addVertex(*g, 0, 0, 30, 30);
    auto a = addVertex(*g, 0, 0, 30, 30);
    auto b = addVertex(*g, 0, 0, 30, 30);
    addEdge(*g, root, a);
    addEdge(*g, b, root);  // directions do not matter
    std::vector<std::shared_ptr<Vertex>> grandchildren;
    for (int i = 0; i < 4; ++i) {
        grandchildren.push_back(addVertex(*g, 0, 0, 10 + i, 10));
        addEdge(*g, a, grandchildren.back());
    }
    // A branch reached through an earlier sibling's branch belongs to that one.
    addEdge(*g, grandchildren[0], grandchildren[1]);
    FractalLayout layout;
    ASSERT_TRUE(layout.arrangeGraph(g));

    // Each vertex has one branch; the edge that closes the cycle is ignored.
    EXPECT_EQ(layout.branchCircles().size(), 7u);
    EXPECT_EQ(layout.branchCircles().at(a)->childCircles.size(), 3u);
    const auto& ra = layout.branchCircles().at(root);
    ASSERT_EQ(ra->childCircles.size(), 2u);
    // The larger branch first.
    EXPECT_GE(ra->childCircles[0]->radius, ra->childCircles[1]->radius);
    // Below the root the children fill the turn from 2.5 degrees to 357.5 degrees.
    for (const auto& branch : layout.branchCircles()) {
        if (branch.first == root || branch.second->childCircles.empty()) continue;
        for (const auto& c : branch.second->childCircles) {
            EXPECT_GE(c->angle - c->sweepAngle / 2, kPi / 72 - 1e-12);
            EXPECT_LE(c->angle + c->sweepAngle / 2, 2 * kPi - kPi / 72 + 1e-12);
            EXPECT_LE(c->sweepAngle, kPi);
        }
    }
    // The drawing is centred on the root's enclosing circle.
    EXPECT_NEAR(root->x(), -ra->centerX, 1e-9);
    EXPECT_NEAR(root->y(), -ra->centerY, 1e-9);

    // Two children of equal size share the turn.
    auto pair = std::make_shared<Graph>();
    auto p = addVertex(*pair, 0, 0, 20, 20);
    addEdge(*pair, p, addVertex(*pair, 0, 0, 20, 20));
    addEdge(*pair, p, addVertex(*pair, 0, 0, 20, 20));
    ASSERT_TRUE(layout.arrangeGraph(pair));
    const auto& kids = layout.branchCircles().at(p)->childCircles;
    EXPECT_DOUBLE_EQ(kids[0]->angle, kPi / 2);
    EXPECT_DOUBLE_EQ(kids[1]->angle, 3 * kPi / 2);
}

TEST(FractalLayout, TheRootOptionAppliesOnlyToItsOwnComponent) {
    auto d = test::makeDiagram();
    auto e = addNode(*d, 300, 300);
    auto f = addNode(*d, 400, 300);
    auto a = addNode(*d, 0, 0);
    auto b = addNode(*d, 100, 0);
    auto c = addNode(*d, 0, 100);
    addLink(*d, e, f);
    addLink(*d, a, b);
    addLink(*d, a, c);
    auto layout = std::make_shared<FractalLayout>();
    // The components are arranged in order; the layout keeps the last one's root.
    layout->setRoot(b);
    d->arrange(layout);
    EXPECT_EQ(layout->rootVertex(), b->vertex());
    layout->setRoot(e);
    d->arrange(layout);
    EXPECT_EQ(layout->rootVertex(), a->vertex());
}

TEST(FractalLayout, EnclosingCirclesByTheAngleMethodAndByWelzl) {
    const auto circle = FractalLayout::enclosingCircle({Point(0, 0), Point(6, 8)});
    ASSERT_TRUE(circle);
    EXPECT_EQ(circle->x, 3);
    EXPECT_EQ(circle->y, 4);
    EXPECT_EQ(circle->r, 5);
    EXPECT_FALSE(FractalLayout::circleThroughPoints(Point(0, 0), Point(1, 1), Point(3, 3)));
    EXPECT_FALSE(FractalLayout::circleThroughPoints(Point(2, 0), Point(2, 1), Point(2, 5)));
    const auto through = FractalLayout::circleThroughPoints(Point(0, 0), Point(0, 4), Point(4, 0));
    ASSERT_TRUE(through);
    EXPECT_NEAR(through->x, 2, 1e-12);
    EXPECT_NEAR(through->y, 2, 1e-12);

    std::mt19937 random(5);
    std::uniform_real_distribution<double> coordinate(-200, 200);
    for (int round = 0; round < 300; ++round) {
        std::vector<Point> points;
        const int n = 4 + round % 150;
        for (int i = 0; i < n; ++i) points.emplace_back(coordinate(random), coordinate(random));
        if (round % 3 == 0) points.push_back(points.front());  // a repeated point
        const auto angle = FractalLayout::enclosingCircle(points);
        ASSERT_TRUE(angle) << round;
        const Circle welzl = FractalLayout::smallestEnclosingCircle(points);
        ASSERT_NEAR(angle->x, welzl.x, 1e-9) << round;
        ASSERT_NEAR(angle->y, welzl.y, 1e-9) << round;
        ASSERT_NEAR(angle->r, welzl.r, 1e-9) << round;
        for (const Point& p : points)
            ASSERT_LE(std::hypot(p.x - welzl.x, p.y - welzl.y), welzl.r + 1e-9);
    }
    // Points on a line: the angle method may find no triangle, Welzl still answers.
    const std::vector<Point> line{Point(0, 0), Point(1, 0), Point(5, 0), Point(2, 0)};
    const Circle c = FractalLayout::smallestEnclosingCircle(line);
    EXPECT_NEAR(c.x, 2.5, 1e-12);
    EXPECT_NEAR(c.r, 2.5, 1e-12);
}

TEST(FractalLayout, DegenerateGraphsNeverFail) {
    FractalLayout layout;
    EXPECT_TRUE(layout.arrangeGraph(std::make_shared<Graph>()));
    EXPECT_FALSE(layout.rootVertex());

    // A single vertex sits at the origin.
    auto single = std::make_shared<Graph>();
    auto v = addVertex(*single, 40, 50, 30, 40);
    ASSERT_TRUE(layout.arrangeGraph(single));
    EXPECT_EQ(layout.branchCircles().at(v)->radius, 25);
    EXPECT_EQ(Point(v->x(), v->y()), Point(0, 0));

    // Children of no size share equal sectors and stay apart from each other.
    auto points = std::make_shared<Graph>();
    auto hub = addVertex(*points, 0, 0, 0, 0);
    for (int i = 0; i < 4; ++i) addEdge(*points, hub, addVertex(*points, 0, 0, 0, 0));
    ASSERT_TRUE(layout.arrangeGraph(points));
    for (const auto& c : layout.branchCircles().at(hub)->childCircles) {
        EXPECT_DOUBLE_EQ(c->sweepAngle, kPi / 2);
        EXPECT_TRUE(std::isfinite(c->node->x()) && std::isfinite(c->node->y()));
    }

    // A size that is not a number gives no circle to either method; nothing fails.
    auto bad = std::make_shared<Graph>();
    auto top = addVertex(*bad, 0, 0, std::numeric_limits<double>::quiet_NaN(), 10);
    addEdge(*bad, top, addVertex(*bad, 0, 0, 10, 10));
    EXPECT_TRUE(layout.arrangeGraph(bad));
}

TEST(FractalLayout, AChainOfAHundredThousandVerticesIsWalkedWithoutRecursion) {
    auto g = std::make_shared<Graph>();
    std::shared_ptr<Vertex> previous;
    for (int i = 0; i < 100000; ++i) {
        auto v = addVertex(*g, 0, 0, 10, 10);
        if (previous) addEdge(*g, previous, v);
        previous = v;
    }
    FractalLayout layout;
    ASSERT_TRUE(layout.arrangeGraph(g));
    EXPECT_EQ(layout.branchCircles().size(), 100000u);
    EXPECT_TRUE(std::isfinite(g->vertices().back()->x()));
}

}  // namespace
}  // namespace nodeloom
