#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/Router.h"

using namespace nodeloom;

namespace {

using Route = std::vector<Point>;

// The routes after a router with margin 8 has spread them apart.
std::vector<Route> separated(const std::vector<Route>& routes) {
    Router router(nullptr);
    std::vector<std::shared_ptr<DiagramLink>> links;
    for (const Route& r : routes) {
        links.push_back(std::make_shared<DiagramLink>());
        router.linkRoutes()[links.back()] = std::make_shared<ArrayRef<Point>>(r);
    }
    router.separateSegments(links);
    std::vector<Route> result;
    for (const auto& link : links)
        result.push_back(router.linkRoutes()[link]->array());
    return result;
}

// The plain form: legs sorted by line, every pair of a line tested, clusters joined
// transitively, then spread.
std::vector<Route> separatedByEveryPair(std::vector<Route> routes) {
    struct Leg {
        std::size_t route;
        int i;
    };
    for (bool horizontal : {true, false}) {
        auto at = [&](const Leg& l, int k) { return routes[l.route][l.i + k]; };
        auto across = [&](const Leg& l) { return horizontal ? at(l, 0).y : at(l, 0).x; };
        auto along = [&](const Leg& l, int k) { return horizontal ? at(l, k).x : at(l, k).y; };
        auto overlap = [&](const Leg& a, const Leg& b) {
            return std::max(along(a, 0), along(a, 1)) > std::min(along(b, 0), along(b, 1)) &&
                   std::max(along(b, 0), along(b, 1)) > std::min(along(a, 0), along(a, 1));
        };
        std::vector<Leg> legs;
        for (std::size_t r = 0; r < routes.size(); ++r)
            for (int i = 1; i + 1 < static_cast<int>(routes[r].size()); ++i)
                if (routes[r][i] != routes[r][i + 1] &&
                    (routes[r][i].y == routes[r][i + 1].y) == horizontal)
                    legs.push_back({r, i});
        std::stable_sort(legs.begin(), legs.end(),
                         [&](const Leg& a, const Leg& b) { return across(a) < across(b); });
        std::vector<int> label(legs.size());
        for (std::size_t i = 0; i < legs.size(); ++i)
            label[i] = static_cast<int>(i);
        for (bool changed = true; changed;) {
            changed = false;
            for (std::size_t i = 0; i < legs.size(); ++i)
                for (std::size_t j = 0; j < legs.size(); ++j)
                    if (label[j] > label[i] && across(legs[i]) == across(legs[j]) &&
                        overlap(legs[i], legs[j]))
                        label[j] = label[i], changed = true;
        }
        std::vector<std::vector<Leg>> clusters(legs.size());
        for (std::size_t i = 0; i < legs.size(); ++i)
            clusters[static_cast<std::size_t>(label[i])].push_back(legs[i]);
        for (auto& cluster : clusters) {
            if (cluster.size() < 2) continue;
            std::stable_sort(cluster.begin(), cluster.end(), [&](const Leg& a, const Leg& b) {
                const Point fa = routes[a.route][0], fb = routes[b.route][0];
                if (horizontal || fa.x != fb.x) return horizontal ? fa.y < fb.y : fa.x < fb.x;
                const bool aUp = at(a, 1).y < at(a, 0).y, bUp = at(b, 1).y < at(b, 0).y;
                if (aUp != bUp) return aUp;
                return aUp ? at(a, 0).y < at(b, 0).y : at(a, 0).y > at(b, 0).y;
            });
            const double k = static_cast<double>(cluster.size()), c = across(cluster[0]);
            const double spread = std::min(8 * 0.125 * (k - 1) * 3.0, 8 * 0.5);
            const double step = spread / (k - 1);
            for (std::size_t j = 0; j < cluster.size(); ++j)
                for (int i : {cluster[j].i, cluster[j].i + 1}) {
                    Point& p = routes[cluster[j].route][static_cast<std::size_t>(i)];
                    (horizontal ? p.y : p.x) = c - spread / 2 + static_cast<double>(j) * step;
                }
        }
    }
    return routes;
}

}  // namespace

TEST(RouterSeparation, OverlappingRunsOnOneLineAreSpreadAcrossIt) {
    // Two runs at y 50: 3 apart, the route that starts higher taking the smaller y.
    auto routes = separated({{{0, 10}, {10, 10}, {10, 50}, {60, 50}, {60, 100}},
                             {{5, 0}, {20, 0}, {20, 50}, {80, 50}, {80, 100}}});
    EXPECT_EQ(Point(10, 51.5), routes[0][2]);
    EXPECT_EQ(Point(80, 48.5), routes[1][3]);
    // Three: the spread is capped at half the margin, so they lie 2 apart.
    routes = separated({{{0, 0}, {0, 50}, {100, 50}, {100, 90}},
                        {{0, 10}, {10, 10}, {10, 50}, {90, 50}, {90, 90}},
                        {{0, 20}, {20, 20}, {20, 50}, {80, 50}, {80, 90}}});
    EXPECT_EQ(48, routes[0][1].y);
    EXPECT_EQ(50, routes[1][2].y);
    EXPECT_EQ(52, routes[2][2].y);
    // Runs that only touch end to end, first legs, and runs on other lines stay.
    const std::vector<Route> apart{{{0, 0}, {0, 50}, {40, 50}, {40, 90}},
                                   {{70, 0}, {70, 50}, {40, 50}, {40, 0}},
                                   {{0, 51}, {100, 51}, {100, 0}},
                                   {{10, 51}, {90, 51}, {90, 0}}};
    EXPECT_EQ(apart, separated(apart));
}

TEST(RouterSeparation, LastLegsCarryTheEndPointsAndVerticalRunsGoUpwardsFirst) {
    auto routes = separated({{{50, 0}, {50, 20}, {0, 20}, {0, 80}, {100, 80}},
                             {{60, 10}, {60, 30}, {10, 30}, {10, 80}, {90, 80}}});
    EXPECT_EQ(Point(100, 78.5), routes[0].back());
    EXPECT_EQ(Point(0, 78.5), routes[0][3]);
    EXPECT_EQ(Point(90, 81.5), routes[1].back());

    // Starting at the same x, the route running up comes first (smaller x) in either order.
    const Route up{{0, 100}, {30, 100}, {30, 20}, {60, 20}};
    const Route down{{0, 0}, {30, 0}, {30, 80}, {60, 80}};
    EXPECT_EQ(28.5, separated({up, down})[0][1].x);
    EXPECT_EQ(28.5, separated({down, up})[1][2].x);
}

TEST(RouterSeparation, ALegOfNoLengthIsNotMoved) {
    // The straight route between facing nodes holds a leg of no length, inside a run of another
    // route on the same line; moving it would tilt the legs next to it.
    const auto routes = separated(
        {{{20, 10}, {40, 10}, {40, 10}, {60, 10}}, {{0, -20}, {30, -20}, {30, 10}, {60, 10}}});
    EXPECT_EQ((Route{{20, 10}, {40, 10}, {40, 11.5}, {60, 11.5}}), routes[0]);
    EXPECT_EQ(Point(60, 8.5), routes[1][3]);
}

TEST(RouterSeparation, SameResultAsTestingEveryPairOfLegs) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> lattice(0, 12), length(3, 8);
    for (int n = 0; n < 200; ++n) {
        std::vector<Route> routes;
        for (int r = 0; r < 12; ++r) {
            Route route{{lattice(random) * 10.0, lattice(random) * 10.0}};
            for (int i = 0, legs = length(random); i < legs; ++i) {
                Point p = route.back();
                ((i + r) % 2 ? p.x : p.y) = lattice(random) * 10.0;
                route.push_back(p);
            }
            routes.push_back(route);
        }
        ASSERT_EQ(separatedByEveryPair(routes), separated(routes)) << "case " << n;
    }
}

TEST(RouterSeparation, BadEntriesAreSkipped) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Router router(nullptr);
    auto a = std::make_shared<DiagramLink>(), b = std::make_shared<DiagramLink>();
    router.linkRoutes()[a] =
        std::make_shared<ArrayRef<Point>>(Route{{0, 0}, {0, 50}, {nan, 50}, {40, 90}});
    router.linkRoutes()[b] =
        std::make_shared<ArrayRef<Point>>(Route{{5, 0}, {5, 50}, {30, 50}, {30, 90}});
    // A link listed twice counts once; null and links without a route are passed over.
    router.separateSegments({a, b, b, nullptr, std::make_shared<DiagramLink>()});
    EXPECT_EQ(50, router.linkRoutes()[b]->array()[2].y);
    EXPECT_EQ(3, router.linkSegments()[a]->count());
}

TEST(RouterSeparation, OneAxisAtATimeOverSegmentsTheCallerKeeps) {
    Router router(nullptr);
    auto a = std::make_shared<DiagramLink>(), b = std::make_shared<DiagramLink>();
    const auto routeA =
        std::make_shared<ArrayRef<Point>>(Route{{0, 0}, {50, 0}, {50, 100}, {100, 100}});
    const auto routeB =
        std::make_shared<ArrayRef<Point>>(Route{{0, 10}, {50, 10}, {50, 90}, {90, 90}});
    // Segments a caller put together: besides the vertical legs, a first leg, places the route
    // does not have and a segment of no route, all passed over.
    router.linkSegments()[a] = std::make_shared<Router::SegmentList>(std::vector<Segment>{
        {7, routeA}, {1, routeA}, {-1, routeA}, {0, routeA}, {1, nullptr}, {3, routeA}});
    router.linkSegments()[b] = std::make_shared<Router::SegmentList>(
        std::vector<Segment>{{1, routeB}, {2, routeB}, {0, routeB}});
    router.separateSegmentsOnAxis({a, b, nullptr}, true);
    EXPECT_EQ((Route{{0, 0}, {50, 0}, {50, 100}, {100, 100}}), routeA->array());
    // Both run down from x 0: the one starting lower comes first.
    router.separateSegmentsOnAxis({a, b, a}, false);
    EXPECT_EQ((Route{{0, 0}, {51.5, 0}, {51.5, 100}, {100, 100}}), routeA->array());
    EXPECT_EQ((Route{{0, 10}, {48.5, 10}, {48.5, 90}, {90, 90}}), routeB->array());
}
