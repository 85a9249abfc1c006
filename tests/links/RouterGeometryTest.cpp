#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

#include "Nodeloom/links/Router.h"

using namespace nodeloom;

namespace {

using Route = std::vector<Point>;

void expectRoute(const Route& expected, const Route& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(expected[i].x, actual[i].x, 1e-9) << "point " << i;
        EXPECT_NEAR(expected[i].y, actual[i].y, 1e-9) << "point " << i;
    }
}

const Rect origin20{0, 0, 20, 20};

struct TemplateCase {
    std::string key;
    double y2;  // the destination is (60, y2, 20, 20)
    Point p1, p2;
    Route expected;
};

// Origin (0, 0, 20, 20), margin 8, so xm is 40: one row for every branch of every template.
// clang-format off
const std::vector<TemplateCase> templateCases{
    {"rl", 0, {20, 10}, {60, 10}, {{20, 10}, {40, 10}, {40, 10}, {60, 10}}},
    {"rt", 0, {20, 10}, {70, 0}, {{20, 10}, {40, 10}, {40, -8}, {70, -8}, {70, 0}}},
    {"rt", 40, {20, 10}, {70, 40}, {{20, 10}, {70, 10}, {70, 40}}},
    {"rb", 0, {20, 10}, {70, 20}, {{20, 10}, {40, 10}, {40, 28}, {70, 28}, {70, 20}}},
    {"rb", -50, {20, 10}, {70, -30}, {{20, 10}, {70, 10}, {70, -30}}},
    {"rr", 40, {20, 10}, {80, 50}, {{20, 10}, {88, 10}, {88, 50}, {80, 50}}},
    {"rr", 0, {20, 10}, {80, 10}, {{20, 10}, {40, 10}, {40, 28}, {88, 28}, {88, 10}, {80, 10}}},
    {"bl", 0, {10, 20}, {60, 10}, {{10, 20}, {10, 28}, {40, 28}, {40, 10}, {60, 10}}},
    {"bl", 40, {10, 20}, {60, 50}, {{10, 20}, {10, 50}, {60, 50}}},
    {"bt", 0, {10, 20}, {70, 0}, {{10, 20}, {10, 28}, {40, 28}, {40, -8}, {70, -8}, {70, 0}}},
    {"bt", 40, {10, 20}, {70, 40}, {{10, 20}, {10, 30}, {70, 30}, {70, 40}}},
    {"bb", 40, {10, 20}, {70, 60}, {{10, 20}, {10, 68}, {70, 68}, {70, 60}}},
    {"br", 0, {10, 20}, {80, 10}, {{10, 20}, {10, 28}, {88, 28}, {88, 10}, {80, 10}}},
    {"br", 40, {10, 20}, {80, 50}, {{10, 20}, {10, 30}, {88, 30}, {88, 50}, {80, 50}}},
    {"tl", 0, {10, 0}, {60, 10}, {{10, 0}, {10, -8}, {40, -8}, {40, 10}, {60, 10}}},
    {"tl", -50, {10, 0}, {60, -40}, {{10, 0}, {10, -40}, {60, -40}}},
    {"tt", -30, {10, 0}, {70, -30}, {{10, 0}, {10, -38}, {70, -38}, {70, -30}}},
    {"tb", 0, {10, 0}, {70, 20}, {{10, 0}, {10, -8}, {40, -8}, {40, 28}, {70, 28}, {70, 20}}},
    {"tb", -50, {10, 0}, {70, -30}, {{10, 0}, {10, -15}, {70, -15}, {70, -30}}},
    {"tr", 0, {10, 0}, {80, 10}, {{10, 0}, {10, -8}, {88, -8}, {88, 10}, {80, 10}}},
    {"tr", -50, {10, 0}, {80, -40}, {{10, 0}, {10, -15}, {88, -15}, {88, -40}, {80, -40}}},
    {"ll", 40, {0, 10}, {60, 50}, {{0, 10}, {-8, 10}, {-8, 50}, {60, 50}}},
    {"ll", 0, {0, 10}, {60, 10}, {{0, 10}, {-8, 10}, {-8, -8}, {40, -8}, {40, 10}, {60, 10}}},
    {"lt", 0, {0, 10}, {70, 0}, {{0, 10}, {-8, 10}, {-8, -8}, {70, -8}, {70, 0}}},
    {"lt", 40, {0, 10}, {70, 40}, {{0, 10}, {-8, 10}, {-8, 30}, {70, 30}, {70, 40}}},
    {"lb", 0, {0, 10}, {70, 20}, {{0, 10}, {-8, 10}, {-8, 28}, {70, 28}, {70, 20}}},
    {"lb", -50, {0, 10}, {70, -30}, {{0, 10}, {-8, 10}, {-8, -15}, {70, -15}, {70, -30}}},
    {"lr", 40, {0, 10}, {80, 50}, {{0, 10}, {-8, 10}, {-8, 30}, {88, 30}, {88, 50}, {80, 50}}},
    {"lr", 0, {0, 10}, {80, 10}, {{0, 10}, {-8, 10}, {-8, -8}, {88, -8}, {88, 10}, {80, 10}}},
    {"lr", -50, {0, 10}, {80, -40}, {{0, 10}, {-8, 10}, {-8, -15}, {88, -15}, {88, -40}, {80, -40}}},
};
// clang-format on

}  // namespace

TEST(RouterTemplates, EveryBranchOfEveryTemplate) {
    const auto& templates = Router::sideRouteTemplates();
    EXPECT_EQ(16u, templates.size());
    for (const TemplateCase& c : templateCases) {
        const Rect r2(60, c.y2, 20, 20);
        SCOPED_TRACE(c.key + " to " + r2.toString());
        // The sides the router picks are the ones the row is written for, and with the
        // destination to the right no turn is made.
        ASSERT_EQ(c.key, std::string(
                             {Router::nearestSide(origin20, c.p1), Router::nearestSide(r2, c.p2)}));
        expectRoute(c.expected, Router::templateRoute(origin20, c.p1, r2, c.p2, 8));
    }
}

TEST(RouterTemplates, NearestSidePrefersTopThenRightBottomLeft) {
    EXPECT_EQ('t', Router::nearestSide(origin20, {20, 0}));
    EXPECT_EQ('r', Router::nearestSide(origin20, {20, 20}));
    EXPECT_EQ('b', Router::nearestSide(origin20, {0, 20}));
    EXPECT_EQ('l', Router::nearestSide(origin20, {-5, 12}));
    // Beyond a corner, the distance to a side is the distance to its end.
    EXPECT_EQ('r', Router::nearestSide(origin20, {23, 30}));
    EXPECT_EQ('t', Router::nearestSide(Rect(5, 5, 0, 0), {5, 5}));
}

TEST(RouterTemplates, TurnsTheSceneSoThatTheDestinationLiesToTheRight) {
    // Facing nodes below and to the left: the straight route of facing sides.
    expectRoute({{10, 20}, {10, 40}, {10, 40}, {10, 60}},
                Router::templateRoute(origin20, {10, 20}, {0, 60, 20, 20}, {10, 60}, 8));
    expectRoute({{60, 10}, {40, 10}, {40, 10}, {20, 10}},
                Router::templateRoute({60, 0, 20, 20}, {60, 10}, origin20, {20, 10}, 8));
    // Destination above, link between the right sides: turned by -270 degrees both are bottom
    // sides, routed round below them and turned back.
    expectRoute({{20, 70}, {28, 70}, {28, 10}, {20, 10}},
                Router::templateRoute({0, 60, 20, 20}, {20, 70}, origin20, {20, 10}, 8));
    // Turned and back, every leg stays exactly straight and the ends exactly where they were.
    const Point p1(0.1, 10.3), p2(33.7, -70.9);
    const Route route =
        Router::templateRoute({-7.3, 10.3, 7.4, 9.1}, p1, {31.1, -90.3, 9.9, 19.4}, p2, 8);
    EXPECT_EQ(p1, route.front());
    EXPECT_EQ(p2, route.back());
    for (std::size_t i = 1; i < route.size(); ++i)
        EXPECT_TRUE(route[i].x == route[i - 1].x || route[i].y == route[i - 1].y);
}

TEST(RouterCrossings, OnlyProperCrossingsOfHorizontalAndVerticalSegments) {
    EXPECT_EQ(Point(5, 3), Router::intersectOrthogonalSegments({0, 3}, {10, 3}, {5, 0}, {5, 10}));
    EXPECT_EQ(Point(5, 3), Router::intersectOrthogonalSegments({5, 0}, {5, 10}, {10, 3}, {0, 3}));
    // A leg that ends on a side reaches it; one through a corner, along a side, parallel or of
    // no length does not cross it.
    EXPECT_TRUE(Router::intersectOrthogonalSegments({0, 5}, {10, 5}, {10, 0}, {10, 10}));
    EXPECT_FALSE(Router::intersectOrthogonalSegments({0, 0}, {20, 0}, {10, 0}, {10, 10}));
    EXPECT_FALSE(Router::intersectOrthogonalSegments({0, 0}, {20, 0}, {5, 0}, {15, 0}));
    EXPECT_FALSE(Router::intersectOrthogonalSegments({5, 5}, {5, 5}, {0, 5}, {10, 5}));
    // Sides in order top, right, bottom, left.
    const auto found = Router::findIntersections({-10, 5}, {30, 5}, {0, 0, 20, 10}, 3, 2);
    ASSERT_EQ(2u, found.size());
    EXPECT_EQ(1, found[0].side);
    EXPECT_EQ(Point(0, 5), found[1].point);
}

TEST(RouterDetours, FewerCornersThenShorterThenDecreasingCorners) {
    const Rect box(0, 0, 10, 10);
    auto detour = [&](Point in, int inSide, Point out, int outSide) {
        return Router::detourAroundObstacle(box, {in, 0, 0, inSide}, {out, 0, 0, outSide});
    };
    expectRoute({{5, 0}, {10, 0}, {10, 5}}, detour({5, 0}, 0, {10, 5}, 1));
    expectRoute({{7, 0}, {10, 0}, {10, 10}, {7, 10}}, detour({7, 0}, 0, {7, 10}, 2));
    expectRoute({{5, 0}, {0, 0}, {0, 10}, {5, 10}}, detour({5, 0}, 0, {5, 10}, 2));
    expectRoute({{0, 5}, {0, 10}, {10, 10}, {10, 5}}, detour({0, 5}, 3, {10, 5}, 1));
    expectRoute({{4, 0}, {6, 0}}, detour({4, 0}, 0, {6, 0}, 0));
}

TEST(RouterUnions, ObstaclesCloserThanOneAndAHalfMarginsArePassedAsOne) {
    // Grown rectangles overlapping by 4 (nodes 12 apart, margin 8) meet once each is shrunk by
    // 2; by less they stay apart. Clusters join through a third, in the order of first members.
    auto unions = Router::collectUnions({{40, 40, 20, 20}, {56, 40, 20, 20}}, 8);
    ASSERT_EQ(1u, unions.size());
    EXPECT_EQ(Rect(40, 40, 36, 20), unions[0].bounds);
    EXPECT_EQ(2u, Router::collectUnions({{40, 40, 20, 20}, {56.5, 40, 20, 20}}, 8).size());
    unions = Router::collectUnions(
        {{0, 0, 10, 10}, {100, 0, 10, 10}, {30, 0, 10, 10}, {4, 0, 30, 10}}, 8);
    ASSERT_EQ(2u, unions.size());
    EXPECT_EQ((std::vector<int>{0, 2, 3}), unions[0].members);
    EXPECT_EQ(Rect(0, 0, 40, 10), unions[0].bounds);

    // The sweep joins what testing every pair joins.
    std::mt19937 random(11);
    std::uniform_real_distribution<double> at(0, 300), size(4, 40);
    for (int n = 0; n < 50; ++n) {
        std::vector<Rect> rects;
        for (int i = 0; i < 40; ++i)
            rects.emplace_back(at(random), at(random), size(random), size(random));
        std::vector<int> label(rects.size());
        for (std::size_t i = 0; i < rects.size(); ++i)
            label[i] = static_cast<int>(i);
        for (bool changed = true; changed;) {
            changed = false;
            for (std::size_t i = 0; i < rects.size(); ++i)
                for (std::size_t j = 0; j < rects.size(); ++j)
                    if (label[j] > label[i] && Rect::inflate(rects[i], -2, -2)
                                                   .intersectsWith(Rect::inflate(rects[j], -2, -2)))
                        label[j] = label[i], changed = true;
        }
        std::vector<int> expected;
        for (const auto& u : Router::collectUnions(rects, 8))
            for (int m : u.members)
                EXPECT_EQ(label[static_cast<std::size_t>(u.members[0])],
                          label[static_cast<std::size_t>(m)]);
        for (std::size_t i = 0; i < rects.size(); ++i)
            if (label[i] == static_cast<int>(i)) expected.push_back(label[i]);
        EXPECT_EQ(expected.size(), Router::collectUnions(rects, 8).size());
    }
}

TEST(RouterDetours, RoutesBendAroundObstaclesAndKeepNeededUTurns) {
    const Route straight{{0, 50}, {100, 50}};
    // Passed below on a tie; the U-turn stays since its shortcut would cross the node.
    expectRoute({{0, 50}, {40, 50}, {40, 60}, {60, 60}, {60, 50}, {100, 50}},
                Router::routeAroundObstacles(straight, {{40, 40, 20, 20}}, {}, 8));
    // Two nodes 12 apart are passed as one.
    expectRoute(
        {{0, 50}, {40, 50}, {40, 60}, {76, 60}, {76, 50}, {100, 50}},
        Router::routeAroundObstacles(straight, {{40, 40, 20, 20}, {56, 40, 20, 20}}, {}, 8));
    // Farther apart, one by one, and the U-turn up between them is cut short below the gap.
    expectRoute(
        {{0, 50}, {40, 50}, {40, 60}, {60, 60}, {60, 60}, {90, 60}, {90, 50}, {100, 50}},
        Router::routeAroundObstacles(straight, {{40, 40, 20, 20}, {70, 40, 20, 20}}, {}, 8));
    // Touching a side is no crossing; a leg ending inside has no exit to pair with.
    expectRoute({{0, 40}, {100, 40}},
                Router::routeAroundObstacles({{0, 40}, {100, 40}}, {{40, 40, 20, 20}}, {}, 8));
    expectRoute({{0, 50}, {50, 50}},
                Router::routeAroundObstacles({{0, 50}, {50, 50}}, {{40, 40, 20, 20}}, {}, 8));
}

TEST(RouterDetours, ClustersWhoseMarginsInterleaveArePassedAsOne) {
    // Nodes 15 apart: margins overlapping by 1, too little to be joined. The route turns inside
    // the lower one's margin, so the way round it ends inside the upper one's margin, and the
    // route would go on through the upper node. The two are passed as one instead.
    const Rect lower{82, 82, 36, 36}, upper{82, 47, 36, 36};
    ASSERT_EQ(2u, Router::collectUnions({lower, upper}, 8).size());
    expectRoute(
        {{200, 100}, {118, 100}, {118, 47}, {100, 47}, {100, 0}},
        Router::routeAroundObstacles({{200, 100}, {100, 100}, {100, 0}}, {lower, upper}, {}, 8));
}

TEST(RouterSimplify, CutsUTurnsShortUnlessTheShortcutHitsANode) {
    // Down 10, right 20, up 30: the first leg is the shorter, so a, b and c become (c.x, a.y).
    const Route uTurn{{0, 0}, {10, 0}, {10, 10}, {30, 10}, {30, -20}, {50, -20}, {60, -20}};
    Route route = uTurn;
    Router::simplifyRoute(route, {}, 8);
    expectRoute({{0, 0}, {30, 0}, {30, -20}, {50, -20}, {60, -20}}, route);
    route = uTurn;
    Router::simplifyRoute(route, {{15, -5, 10, 10}}, 8);
    expectRoute(uTurn, route);
    // With the last leg the shorter, b, c and d become (a.x, d.y).
    route = {{0, 0}, {10, 0}, {10, 30}, {30, 30}, {30, 20}, {50, 20}, {60, 20}};
    Router::simplifyRoute(route, {}, 8);
    expectRoute({{0, 0}, {10, 0}, {10, 20}, {50, 20}, {60, 20}}, route);
    // A node (shrunk by 1) is hit by a leg inside it, not by one along its side.
    EXPECT_TRUE(Router::segmentHitsNodes({1, 1}, {15, 1}, {{0, 0, 16, 16}}, 8));
    EXPECT_FALSE(Router::segmentHitsNodes({-5, 1}, {20, 1}, {{0, 0, 16, 16}}, 8));
}

TEST(RouterGeometry, BadNumbersGiveARouteAndNoFault) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_GE(
        Router::templateRoute({nan, nan, nan, nan}, {0, 0}, {inf, 0, 1, 1}, {1, 1}, nan).size(),
        2u);
    EXPECT_EQ(2u, Router::collectUnions({{nan, 0, 10, 10}, {0, 0, 10, 10}}, 8).size());
    EXPECT_EQ(2u, Router::routeAroundObstacles({{0, 0}, {nan, 0}}, {{0, 0, 1, 1}}, {}, 8).size());
    EXPECT_EQ(2u,
              Router::detourAroundObstacle({0, 0, 10, 10}, {{0, 0}, 0, 0, 7}, {{10, 5}, 0, 0, -1})
                  .size());
}
