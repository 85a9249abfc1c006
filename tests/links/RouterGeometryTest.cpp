#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "Nodeloom/foundation/Matrix.h"
#include "Nodeloom/links/Router.h"

using namespace nodeloom;

namespace {

using Route = std::vector<Point>;

void expectRoute(const Route& expected, const Route& actual, double tolerance = 1e-9) {
    ASSERT_EQ(expected.size(), actual.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(expected[i].x, actual[i].x, tolerance) << "point " << i;
        EXPECT_NEAR(expected[i].y, actual[i].y, tolerance) << "point " << i;
    }
}

bool isOrthogonal(const Route& route) {
    for (std::size_t i = 1; i < route.size(); ++i)
        if (route[i].x != route[i - 1].x && route[i].y != route[i - 1].y) return false;
    return true;
}

struct TemplateCase {
    std::string key;
    Rect r2;
    Point p1;
    Point p2;
    Route expected;
};

// Origin (0, 0, 20, 20), margin 8, destination 20 by 20 at x 60: xm is 40. One row for every
// branch of every template.
const std::vector<TemplateCase>& templateCases() {
    static const std::vector<TemplateCase> cases{
        {"rl", {60, 0, 20, 20}, {20, 10}, {60, 10}, {{20, 10}, {40, 10}, {40, 10}, {60, 10}}},
        {"rt",
         {60, 0, 20, 20},
         {20, 10},
         {70, 0},
         {{20, 10}, {40, 10}, {40, -8}, {70, -8}, {70, 0}}},
        {"rt", {60, 40, 20, 20}, {20, 10}, {70, 40}, {{20, 10}, {70, 10}, {70, 40}}},
        {"rb",
         {60, 0, 20, 20},
         {20, 10},
         {70, 20},
         {{20, 10}, {40, 10}, {40, 28}, {70, 28}, {70, 20}}},
        {"rb", {60, -50, 20, 20}, {20, 10}, {70, -30}, {{20, 10}, {70, 10}, {70, -30}}},
        {"rr", {60, 40, 20, 20}, {20, 10}, {80, 50}, {{20, 10}, {88, 10}, {88, 50}, {80, 50}}},
        {"rr",
         {60, 0, 20, 20},
         {20, 10},
         {80, 10},
         {{20, 10}, {40, 10}, {40, 28}, {88, 28}, {88, 10}, {80, 10}}},
        {"bl",
         {60, 0, 20, 20},
         {10, 20},
         {60, 10},
         {{10, 20}, {10, 28}, {40, 28}, {40, 10}, {60, 10}}},
        {"bl", {60, 40, 20, 20}, {10, 20}, {60, 50}, {{10, 20}, {10, 50}, {60, 50}}},
        {"bt",
         {60, 0, 20, 20},
         {10, 20},
         {70, 0},
         {{10, 20}, {10, 28}, {40, 28}, {40, -8}, {70, -8}, {70, 0}}},
        {"bt", {60, 40, 20, 20}, {10, 20}, {70, 40}, {{10, 20}, {10, 30}, {70, 30}, {70, 40}}},
        {"bb", {60, 40, 20, 20}, {10, 20}, {70, 60}, {{10, 20}, {10, 68}, {70, 68}, {70, 60}}},
        {"br",
         {60, 0, 20, 20},
         {10, 20},
         {80, 10},
         {{10, 20}, {10, 28}, {88, 28}, {88, 10}, {80, 10}}},
        {"br",
         {60, 40, 20, 20},
         {10, 20},
         {80, 50},
         {{10, 20}, {10, 30}, {88, 30}, {88, 50}, {80, 50}}},
        {"tl",
         {60, 0, 20, 20},
         {10, 0},
         {60, 10},
         {{10, 0}, {10, -8}, {40, -8}, {40, 10}, {60, 10}}},
        {"tl", {60, -50, 20, 20}, {10, 0}, {60, -40}, {{10, 0}, {10, -40}, {60, -40}}},
        {"tt", {60, -30, 20, 20}, {10, 0}, {70, -30}, {{10, 0}, {10, -38}, {70, -38}, {70, -30}}},
        {"tb",
         {60, 0, 20, 20},
         {10, 0},
         {70, 20},
         {{10, 0}, {10, -8}, {40, -8}, {40, 28}, {70, 28}, {70, 20}}},
        {"tb", {60, -50, 20, 20}, {10, 0}, {70, -30}, {{10, 0}, {10, -15}, {70, -15}, {70, -30}}},
        {"tr",
         {60, 0, 20, 20},
         {10, 0},
         {80, 10},
         {{10, 0}, {10, -8}, {88, -8}, {88, 10}, {80, 10}}},
        {"tr",
         {60, -50, 20, 20},
         {10, 0},
         {80, -40},
         {{10, 0}, {10, -15}, {88, -15}, {88, -40}, {80, -40}}},
        {"ll", {60, 40, 20, 20}, {0, 10}, {60, 50}, {{0, 10}, {-8, 10}, {-8, 50}, {60, 50}}},
        {"ll",
         {60, 0, 20, 20},
         {0, 10},
         {60, 10},
         {{0, 10}, {-8, 10}, {-8, -8}, {40, -8}, {40, 10}, {60, 10}}},
        {"lt", {60, 0, 20, 20}, {0, 10}, {70, 0}, {{0, 10}, {-8, 10}, {-8, -8}, {70, -8}, {70, 0}}},
        {"lt",
         {60, 40, 20, 20},
         {0, 10},
         {70, 40},
         {{0, 10}, {-8, 10}, {-8, 30}, {70, 30}, {70, 40}}},
        {"lb",
         {60, 0, 20, 20},
         {0, 10},
         {70, 20},
         {{0, 10}, {-8, 10}, {-8, 28}, {70, 28}, {70, 20}}},
        {"lb",
         {60, -50, 20, 20},
         {0, 10},
         {70, -30},
         {{0, 10}, {-8, 10}, {-8, -15}, {70, -15}, {70, -30}}},
        {"lr",
         {60, 40, 20, 20},
         {0, 10},
         {80, 50},
         {{0, 10}, {-8, 10}, {-8, 30}, {88, 30}, {88, 50}, {80, 50}}},
        {"lr",
         {60, 0, 20, 20},
         {0, 10},
         {80, 10},
         {{0, 10}, {-8, 10}, {-8, -8}, {88, -8}, {88, 10}, {80, 10}}},
        {"lr",
         {60, -50, 20, 20},
         {0, 10},
         {80, -40},
         {{0, 10}, {-8, 10}, {-8, -15}, {88, -15}, {88, -40}, {80, -40}}},
    };
    return cases;
}

const Rect origin20{0, 0, 20, 20};

}  // namespace

TEST(RouterTemplates, EveryBranchOfEveryTemplate) {
    const auto& templates = Router::sideRouteTemplates();
    ASSERT_EQ(16u, templates.size());
    for (const char* key : {"rl", "rt", "rb", "rr", "bl", "bt", "bb", "br", "tl", "tt", "tb", "tr",
                            "ll", "lt", "lb", "lr"})
        EXPECT_EQ(1u, templates.count(key)) << key;

    for (const TemplateCase& c : templateCases()) {
        SCOPED_TRACE(c.key + " to " + c.r2.toString());
        // The sides the router would pick are the ones the row is written for.
        ASSERT_EQ(c.key[0], Router::nearestSide(origin20, c.p1));
        ASSERT_EQ(c.key[1], Router::nearestSide(c.r2, c.p2));
        expectRoute(c.expected, templates.find(c.key)->second(origin20, c.p1, c.r2, c.p2, 8));
        // Every destination of the table lies to the right, so no turn is made.
        expectRoute(c.expected, Router::templateRoute(origin20, c.p1, c.r2, c.p2, 8));
    }
}

TEST(RouterTemplates, NearestSidePrefersTopThenRightBottomLeft) {
    EXPECT_EQ('t', Router::nearestSide(origin20, {0, 0}));
    EXPECT_EQ('t', Router::nearestSide(origin20, {20, 0}));
    EXPECT_EQ('r', Router::nearestSide(origin20, {20, 20}));
    EXPECT_EQ('b', Router::nearestSide(origin20, {0, 20}));
    EXPECT_EQ('t', Router::nearestSide(origin20, {10, 10}));
    EXPECT_EQ('l', Router::nearestSide(origin20, {-5, 12}));
    EXPECT_EQ('r', Router::nearestSide(origin20, {30, 19}));
    EXPECT_EQ('b', Router::nearestSide(origin20, {12, 24}));
    // Outside beyond a corner, the distance to a side is to its end.
    EXPECT_EQ('r', Router::nearestSide(origin20, {23, 30}));
    EXPECT_EQ('t', Router::nearestSide(Rect(5, 5, 0, 0), {5, 5}));
}

TEST(RouterTemplates, TurnsTheSceneSoThatTheDestinationLiesToTheRight) {
    // The same two facing nodes in the four directions give the same straight route.
    expectRoute({{10, 60}, {10, 40}, {10, 40}, {10, 20}},
                Router::templateRoute({0, 60, 20, 20}, {10, 60}, origin20, {10, 20}, 8));
    expectRoute({{10, 20}, {10, 40}, {10, 40}, {10, 60}},
                Router::templateRoute(origin20, {10, 20}, {0, 60, 20, 20}, {10, 60}, 8));
    expectRoute({{60, 10}, {40, 10}, {40, 10}, {20, 10}},
                Router::templateRoute({60, 0, 20, 20}, {60, 10}, origin20, {20, 10}, 8));
    // Destination above, link between the right sides: turned, both are bottom sides, routed
    // round below them and turned back.
    expectRoute({{20, 70}, {28, 70}, {28, 10}, {20, 10}},
                Router::templateRoute({0, 60, 20, 20}, {20, 70}, origin20, {20, 10}, 8));
}

TEST(RouterTemplates, TurnEqualsARotationAboutTheOriginCentre) {
    // The route turned about (0, 0) is the route turned about the origin's centre, as a plain
    // rotation gives it, without its rounding.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> coordinate(-200, 200), size(1, 60), along(0, 1);
    auto onOutline = [&](const Rect& r) {
        const double t = along(random);
        switch (random() % 4) {
            case 0:
                return Point(r.x + t * r.width, r.y);
            case 1:
                return Point(r.right(), r.y + t * r.height);
            case 2:
                return Point(r.x + t * r.width, r.bottom());
            default:
                return Point(r.x, r.y + t * r.height);
        }
    };
    for (int n = 0; n < 2000; ++n) {
        const Rect r1(coordinate(random), coordinate(random), size(random), size(random));
        const Rect r2(coordinate(random), coordinate(random), size(random), size(random));
        const Point p1 = onOutline(r1), p2 = onOutline(r2);

        const Point c1 = r1.center(), c2 = r2.center();
        const double dx = c2.x - c1.x, dy = c2.y - c1.y;
        const double angle =
            std::fabs(dx) <= std::fabs(dy) ? (dy > 0 ? 90 : 270) : (dx >= 0 ? 0 : 180);
        Matrix turn, back;
        turn.rotateAt(-angle, c1);
        back.rotateAt(angle, c1);
        const Rect a = turn.transform(r1), b = turn.transform(r2);
        const Point q1 = turn.transform(p1), q2 = turn.transform(p2);
        const std::string key{Router::nearestSide(a, q1), Router::nearestSide(b, q2)};
        Route expected = Router::sideRouteTemplates().find(key)->second(a, q1, b, q2, 8);
        for (Point& p : expected)
            p = back.transform(p);

        // Points on a corner may pick another side after rounding; compare the rest.
        const Route actual = Router::templateRoute(r1, p1, r2, p2, 8);
        if (actual.size() != expected.size()) continue;
        expectRoute(expected, actual, 1e-6);
        EXPECT_EQ(p1, actual.front());
        EXPECT_EQ(p2, actual.back());
        EXPECT_TRUE(isOrthogonal(actual));
    }
}

TEST(RouterCrossings, OnlyProperCrossingsOfHorizontalAndVerticalSegments) {
    EXPECT_EQ(Point(5, 3), Router::intersectOrthogonalSegments({0, 3}, {10, 3}, {5, 0}, {5, 10}));
    EXPECT_EQ(Point(5, 3), Router::intersectOrthogonalSegments({5, 0}, {5, 10}, {10, 3}, {0, 3}));
    // A leg that ends on the side reaches it.
    EXPECT_EQ(Point(10, 5),
              Router::intersectOrthogonalSegments({0, 5}, {10, 5}, {10, 0}, {10, 10}));
    // A leg through a corner, along a side, parallel or of no length does not cross it.
    EXPECT_FALSE(Router::intersectOrthogonalSegments({0, 0}, {20, 0}, {10, 0}, {10, 10}));
    EXPECT_FALSE(Router::intersectOrthogonalSegments({0, 0}, {20, 0}, {5, 0}, {15, 0}));
    EXPECT_FALSE(Router::intersectOrthogonalSegments({0, 0}, {0, 20}, {5, 0}, {5, 10}));
    EXPECT_FALSE(Router::intersectOrthogonalSegments({5, 5}, {5, 5}, {0, 5}, {10, 5}));
    EXPECT_FALSE(Router::intersectOrthogonalSegments({5, 5}, {5, 5}, {5, 0}, {5, 10}));

    const auto found = Router::findIntersections({-10, 5}, {30, 5}, {0, 0, 20, 10}, 3, 2);
    ASSERT_EQ(2u, found.size());
    EXPECT_EQ(Point(20, 5), found[0].point);
    EXPECT_EQ(1, found[0].side);
    EXPECT_EQ(Point(0, 5), found[1].point);
    EXPECT_EQ(3, found[1].side);
    EXPECT_EQ(3, found[1].node);
    EXPECT_EQ(2, found[1].segment);
}

TEST(RouterDetours, FewerCornersThenShorterThenDecreasingCorners) {
    const Rect box(0, 0, 10, 10);
    auto at = [](Point p, int side) { return Router::Intersection{p, 0, 0, side}; };
    // Top to right: one corner the increasing way.
    expectRoute({{5, 0}, {10, 0}, {10, 5}},
                Router::detourAroundObstacle(box, at({5, 0}, 0), at({10, 5}, 1)));
    // Top to left: one corner the decreasing way.
    expectRoute({{5, 0}, {0, 0}, {0, 5}},
                Router::detourAroundObstacle(box, at({5, 0}, 0), at({0, 5}, 3)));
    // Top to bottom: two corners each way; the shorter wins, the decreasing way on a tie.
    expectRoute({{7, 0}, {10, 0}, {10, 10}, {7, 10}},
                Router::detourAroundObstacle(box, at({7, 0}, 0), at({7, 10}, 2)));
    expectRoute({{3, 0}, {0, 0}, {0, 10}, {3, 10}},
                Router::detourAroundObstacle(box, at({3, 0}, 0), at({3, 10}, 2)));
    expectRoute({{5, 0}, {0, 0}, {0, 10}, {5, 10}},
                Router::detourAroundObstacle(box, at({5, 0}, 0), at({5, 10}, 2)));
    // Left to right, entering from the left: the tie goes below.
    expectRoute({{0, 5}, {0, 10}, {10, 10}, {10, 5}},
                Router::detourAroundObstacle(box, at({0, 5}, 3), at({10, 5}, 1)));
    expectRoute({{4, 0}, {6, 0}}, Router::detourAroundObstacle(box, at({4, 0}, 0), at({6, 0}, 0)));
}

TEST(RouterUnions, ObstaclesCloserThanOneAndAHalfMarginsArePassedAsOne) {
    // Grown rectangles overlapping by 4 (nodes 12 apart with margin 8) touch once each is shrunk
    // by 2; overlapping by less they stay apart.
    auto unions = Router::collectUnions({{40, 40, 20, 20}, {56, 40, 20, 20}, {200, 0, 10, 10}}, 8);
    ASSERT_EQ(2u, unions.size());
    EXPECT_EQ(Rect(40, 40, 36, 20), unions[0].bounds);
    EXPECT_EQ((std::vector<int>{0, 1}), unions[0].members);
    EXPECT_EQ(Rect(200, 0, 10, 10), unions[1].bounds);

    unions = Router::collectUnions({{40, 40, 20, 20}, {56.5, 40, 20, 20}}, 8);
    EXPECT_EQ(2u, unions.size());

    // Joined through a third, in the order of their first members.
    unions = Router::collectUnions(
        {{0, 0, 10, 10}, {100, 0, 10, 10}, {30, 0, 10, 10}, {4, 0, 30, 10}}, 8);
    ASSERT_EQ(2u, unions.size());
    EXPECT_EQ((std::vector<int>{0, 2, 3}), unions[0].members);
    EXPECT_EQ(Rect(0, 0, 40, 10), unions[0].bounds);
    EXPECT_EQ((std::vector<int>{1}), unions[1].members);
}

TEST(RouterUnions, SweepFindsTheClustersThatEveryPairTestFinds) {
    std::mt19937 random(11);
    // Grown rectangles are at least twice the margin wide; 4 is the least that shrinking leaves.
    std::uniform_real_distribution<double> coordinate(0, 300), size(4, 40);
    for (int n = 0; n < 50; ++n) {
        std::vector<Rect> rects;
        for (int i = 0; i < 40; ++i)
            rects.emplace_back(coordinate(random), coordinate(random), size(random), size(random));
        // Every pair, joined transitively by repeated passes.
        std::vector<int> label(rects.size());
        for (std::size_t i = 0; i < rects.size(); ++i)
            label[i] = static_cast<int>(i);
        for (bool changed = true; changed;) {
            changed = false;
            for (std::size_t i = 0; i < rects.size(); ++i)
                for (std::size_t j = 0; j < rects.size(); ++j) {
                    const Rect a = Rect::inflate(rects[i], -2, -2);
                    const Rect b = Rect::inflate(rects[j], -2, -2);
                    if (a.intersectsWith(b) && label[j] > label[i]) {
                        label[j] = label[i];
                        changed = true;
                    }
                }
        }
        for (const auto& u : Router::collectUnions(rects, 8))
            for (int m : u.members)
                EXPECT_EQ(label[static_cast<std::size_t>(u.members[0])],
                          label[static_cast<std::size_t>(m)]);
        std::size_t clusters = 0;
        for (std::size_t i = 0; i < rects.size(); ++i)
            clusters += label[i] == static_cast<int>(i);
        EXPECT_EQ(clusters, Router::collectUnions(rects, 8).size());
    }
}

TEST(RouterDetours, RouteBendsAroundObstaclesAndKeepsNeededUTurns) {
    // One obstacle across a straight route: passed below (the tie of equal ways), and the
    // U-turn around it stays since its shortcut would cross it.
    expectRoute({{0, 50}, {40, 50}, {40, 60}, {60, 60}, {60, 50}, {100, 50}},
                Router::routeAroundObstacles({{0, 50}, {100, 50}}, {{40, 40, 20, 20}}, {}, 8));

    // Two obstacles 12 apart with margin 8 are passed as one.
    expectRoute({{0, 50}, {40, 50}, {40, 60}, {76, 60}, {76, 50}, {100, 50}},
                Router::routeAroundObstacles({{0, 50}, {100, 50}},
                                             {{40, 40, 20, 20}, {56, 40, 20, 20}}, {}, 8));

    // Farther apart, one by one; the U-turn up between them is then cut short below the gap.
    expectRoute({{0, 50}, {40, 50}, {40, 60}, {60, 60}, {60, 60}, {90, 60}, {90, 50}, {100, 50}},
                Router::routeAroundObstacles({{0, 50}, {100, 50}},
                                             {{40, 40, 20, 20}, {70, 40, 20, 20}}, {}, 8));

    // A route that only touches an obstacle's side is left alone.
    expectRoute({{0, 40}, {100, 40}},
                Router::routeAroundObstacles({{0, 40}, {100, 40}}, {{40, 40, 20, 20}}, {}, 8));

    // A leg that ends inside an obstacle has no exit to pair with: it is not bent.
    expectRoute({{0, 50}, {50, 50}},
                Router::routeAroundObstacles({{0, 50}, {50, 50}}, {{40, 40, 20, 20}}, {}, 8));
}

TEST(RouterDetours, ClustersWhoseMarginsInterleaveArePassedAsOne) {
    // Two nodes 15 apart (margins overlapping by 1, too little to be joined) on a route that
    // turns inside the lower one's margin: its way round leaves the route in the upper one's
    // margin, which would then be crossed through the node. The two are passed as one instead.
    const Rect lower{82, 82, 36, 36};  // node (90, 90, 20, 20)
    const Rect upper{82, 47, 36, 36};  // node (90, 55, 20, 20)
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

    // A node across the shortcut (shrunk by 1) keeps the U-turn.
    route = uTurn;
    Router::simplifyRoute(route, {{15, -5, 10, 10}}, 8);
    expectRoute(uTurn, route);

    // Up 30 after down 10 is the longer; with the last leg shorter, b, c and d become one.
    const Route other{{0, 0}, {10, 0}, {10, 30}, {30, 30}, {30, 20}, {50, 20}, {60, 20}};
    route = other;
    Router::simplifyRoute(route, {}, 8);
    expectRoute({{0, 0}, {10, 0}, {10, 20}, {50, 20}, {60, 20}}, route);

    // Routes of fewer than six points are kept.
    route = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 20}};
    Router::simplifyRoute(route, {}, 8);
    EXPECT_EQ(5u, route.size());

    // Only a segment reaching into the shrunk node or crossing its side hits it.
    const std::vector<Rect> node{{0, 0, 16, 16}};  // shrunk: (1, 1, 14, 14)
    EXPECT_TRUE(Router::segmentHitsNodes({-5, 8}, {5, 8}, node, 8));
    EXPECT_TRUE(Router::segmentHitsNodes({3, 3}, {6, 3}, node, 8));
    EXPECT_TRUE(Router::segmentHitsNodes({1, 1}, {15, 1}, node, 8));
    EXPECT_FALSE(Router::segmentHitsNodes({-5, 1}, {0.5, 1}, node, 8));
    EXPECT_FALSE(Router::segmentHitsNodes({-5, 1}, {20, 1}, node, 8));
    EXPECT_FALSE(Router::segmentHitsNodes({-5, 0.5}, {20, 0.5}, node, 8));
}

TEST(RouterGeometry, BadNumbersGiveARouteAndNoFault) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_GE(Router::templateRoute(origin20, {nan, 0}, {60, 0, 20, 20}, {60, 10}, 8).size(), 2u);
    EXPECT_GE(
        Router::templateRoute({nan, nan, nan, nan}, {0, 0}, {inf, 0, 1, 1}, {1, 1}, nan).size(),
        2u);
    const auto unions = Router::collectUnions({{nan, 0, 10, 10}, {0, 0, 10, 10}}, 8);
    EXPECT_EQ(2u, unions.size());
    Route route{{0, 0}, {nan, 0}, {nan, 10}, {30, 10}, {30, -20}, {50, -20}, {60, -20}};
    Router::simplifyRoute(route, {{inf, 0, 1, 1}}, 8);
    EXPECT_GE(route.size(), 2u);
    EXPECT_EQ(2u, Router::routeAroundObstacles({{0, 0}, {nan, 0}}, {{0, 0, 1, 1}}, {}, 8).size());
    const Router::Intersection odd{{0, 0}, 0, 0, 7};
    EXPECT_FALSE(Router::detourAroundObstacle({0, 0, 10, 10}, odd, {{10, 5}, 0, 0, -1}).empty());
}
