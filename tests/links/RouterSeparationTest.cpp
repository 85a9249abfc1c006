#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/Router.h"

using namespace nodeloom;

namespace {

using Route = std::vector<Point>;

// Separates the routes as a router with margin 8 does and returns them.
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

// Every pair of legs tested, clusters joined transitively: the plain form of the separation.
std::vector<Route> separatedByEveryPair(std::vector<Route> routes, double cm) {
    struct Leg {
        std::size_t route;
        int index;
    };
    for (bool horizontal : {true, false}) {
        std::vector<Leg> legs;
        for (std::size_t r = 0; r < routes.size(); ++r)
            for (int i = 1; i + 1 < static_cast<int>(routes[r].size()); ++i) {
                const Point s = routes[r][i], e = routes[r][i + 1];
                if (s != e && (s.y == e.y) == horizontal) legs.push_back({r, i});
            }
        auto start = [&](const Leg& l) { return routes[l.route][l.index]; };
        auto end = [&](const Leg& l) { return routes[l.route][l.index + 1]; };
        auto across = [&](const Leg& l) { return horizontal ? start(l).y : start(l).x; };
        std::stable_sort(legs.begin(), legs.end(),
                         [&](const Leg& a, const Leg& b) { return across(a) < across(b); });
        std::vector<std::vector<Leg>> toMove;
        for (std::size_t g0 = 0; g0 < legs.size();) {
            std::size_t g1 = g0;
            while (g1 < legs.size() && across(legs[g1]) == across(legs[g0]))
                ++g1;
            std::vector<int> label(g1 - g0);
            for (std::size_t i = 0; i < label.size(); ++i)
                label[i] = static_cast<int>(i);
            auto lo = [&](const Leg& l) {
                return horizontal ? std::min(start(l).x, end(l).x) : std::min(start(l).y, end(l).y);
            };
            auto hi = [&](const Leg& l) {
                return horizontal ? std::max(start(l).x, end(l).x) : std::max(start(l).y, end(l).y);
            };
            for (bool changed = true; changed;) {
                changed = false;
                for (std::size_t i = 0; i < label.size(); ++i)
                    for (std::size_t j = 0; j < label.size(); ++j) {
                        const Leg &a = legs[g0 + i], &b = legs[g0 + j];
                        if (!(hi(a) <= lo(b) || hi(b) <= lo(a)) && label[j] > label[i]) {
                            label[j] = label[i];
                            changed = true;
                        }
                    }
            }
            for (std::size_t c = 0; c < label.size(); ++c) {
                if (label[c] != static_cast<int>(c)) continue;
                std::vector<Leg> cluster;
                for (std::size_t i = 0; i < label.size(); ++i)
                    if (label[i] == static_cast<int>(c)) cluster.push_back(legs[g0 + i]);
                if (cluster.size() > 1) toMove.push_back(cluster);
            }
            g0 = g1;
        }
        for (auto& cluster : toMove) {
            std::stable_sort(cluster.begin(), cluster.end(), [&](const Leg& a, const Leg& b) {
                const Point fa = routes[a.route][0], fb = routes[b.route][0];
                if (horizontal) return fa.y < fb.y;
                if (fa.x != fb.x) return fa.x < fb.x;
                const bool aUp = end(a).y < start(a).y, bUp = end(b).y < start(b).y;
                if (aUp != bUp) return aUp;
                return aUp ? start(a).y < start(b).y : start(a).y > start(b).y;
            });
            const double k = static_cast<double>(cluster.size());
            const double spread = std::min(cm * 0.125 * (k - 1) * 3.0, cm * 0.5);
            const double c = across(cluster[0]);
            const double step = spread / (k - 1);
            for (std::size_t j = 0; j < cluster.size(); ++j) {
                const double at = c - spread / 2 + static_cast<double>(j) * step;
                for (int i : {cluster[j].index, cluster[j].index + 1})
                    (horizontal ? routes[cluster[j].route][i].y : routes[cluster[j].route][i].x) =
                        at;
            }
        }
    }
    return routes;
}

}  // namespace

TEST(RouterSeparation, OverlappingRunsOnOneLineAreSpreadAcrossIt) {
    // Two runs at y 50 overlapping in x: 3 apart, the route that starts higher taking the
    // smaller y.
    auto routes = separated({{{0, 10}, {10, 10}, {10, 50}, {60, 50}, {60, 100}},
                             {{5, 0}, {20, 0}, {20, 50}, {80, 50}, {80, 100}}});
    EXPECT_EQ(Point(10, 51.5), routes[0][2]);
    EXPECT_EQ(Point(60, 51.5), routes[0][3]);
    EXPECT_EQ(Point(20, 48.5), routes[1][2]);
    EXPECT_EQ(Point(80, 48.5), routes[1][3]);

    // Three runs: the spread is capped at half the margin, so they lie 2 apart.
    routes = separated({{{0, 0}, {0, 50}, {100, 50}, {100, 90}},
                        {{0, 10}, {10, 10}, {10, 50}, {90, 50}, {90, 90}},
                        {{0, 20}, {20, 20}, {20, 50}, {80, 50}, {80, 90}}});
    EXPECT_EQ(48, routes[0][1].y);
    EXPECT_EQ(50, routes[1][2].y);
    EXPECT_EQ(52, routes[2][2].y);

    // Runs that only touch end to end, or lie on different lines, stay.
    const std::vector<Route> apart{{{0, 0}, {0, 50}, {40, 50}, {40, 90}},
                                   {{70, 0}, {70, 50}, {40.0, 50}, {40, 0}},
                                   {{0, 5}, {5, 5}, {5, 51}, {30, 51}, {30, 90}}};
    EXPECT_EQ(apart, separated(apart));
}

TEST(RouterSeparation, TheFirstLegStaysAndTheLastCarriesTheEndPoint) {
    // Both routes run from their start along y 50: the first legs are never moved.
    const std::vector<Route> starts{{{0, 50}, {100, 50}, {100, 90}}, {{10, 50}, {90, 50}, {90, 0}}};
    EXPECT_EQ(starts, separated(starts));

    // Their last legs overlap: the end points move across the line with them.
    const auto routes = separated({{{50, 0}, {50, 20}, {0, 20}, {0, 80}, {100, 80}},
                                   {{60, 10}, {60, 30}, {10, 30}, {10, 80}, {90, 80}}});
    EXPECT_EQ(Point(100, 78.5), routes[0].back());
    EXPECT_EQ(Point(0, 78.5), routes[0][3]);
    EXPECT_EQ(Point(90, 81.5), routes[1].back());
}

TEST(RouterSeparation, VerticalRunsOrderByStartThenUpwardsFirst) {
    // Both routes start at x 0: the one running up comes first (smaller x), whatever the order
    // of the routes.
    const Route up{{0, 100}, {30, 100}, {30, 20}, {60, 20}};
    const Route down{{0, 0}, {30, 0}, {30, 80}, {60, 80}};
    for (bool upFirst : {true, false}) {
        const auto routes = upFirst ? separated({up, down}) : separated({down, up});
        const Route& u = routes[upFirst ? 0 : 1];
        const Route& d = routes[upFirst ? 1 : 0];
        EXPECT_EQ(28.5, u[1].x);
        EXPECT_EQ(28.5, u[2].x);
        EXPECT_EQ(31.5, d[1].x);
    }
    // With different starts, the smaller start x first.
    const auto routes = separated({{{10, 0}, {30, 0}, {30, 80}, {60, 80}}, up});
    EXPECT_EQ(31.5, routes[0][1].x);
    EXPECT_EQ(28.5, routes[1][1].x);
}

TEST(RouterSeparation, ALegOfNoLengthIsNotMoved) {
    // The straight route between facing nodes holds a leg of no length; another run along the
    // same line around it must not tilt the legs next to it.
    const auto routes = separated(
        {{{20, 10}, {40, 10}, {40, 10}, {60, 10}}, {{0, -20}, {30, -20}, {30, 10}, {60, 10}}});
    const Route& straight = routes[0];
    for (std::size_t i = 1; i < straight.size(); ++i)
        EXPECT_TRUE(straight[i].x == straight[i - 1].x || straight[i].y == straight[i - 1].y)
            << "leg " << i;
    EXPECT_EQ(Point(40, 10), straight[1]);
    EXPECT_EQ(Point(60, 11.5), straight[3]);
    EXPECT_EQ(Point(60, 8.5), routes[1][3]);
}

TEST(RouterSeparation, SameResultAsTestingEveryPairOfLegs) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> lattice(0, 12), length(3, 8);
    for (int n = 0; n < 200; ++n) {
        std::vector<Route> routes;
        for (int r = 0; r < 12; ++r) {
            Route route{{lattice(random) * 10.0, lattice(random) * 10.0}};
            const int legs = length(random);
            for (int i = 0; i < legs; ++i) {
                Point p = route.back();
                ((i + r) % 2 ? p.x : p.y) = lattice(random) * 10.0;
                route.push_back(p);
            }
            routes.push_back(route);
        }
        ASSERT_EQ(separatedByEveryPair(routes, 8), separated(routes)) << "case " << n;
    }
}

TEST(RouterSeparation, BadEntriesAreSkipped) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Router router(nullptr);
    auto a = std::make_shared<DiagramLink>();
    auto b = std::make_shared<DiagramLink>();
    auto c = std::make_shared<DiagramLink>();
    router.linkRoutes()[a] =
        std::make_shared<ArrayRef<Point>>(Route{{0, 0}, {0, 50}, {nan, 50}, {40, 90}});
    router.linkRoutes()[b] =
        std::make_shared<ArrayRef<Point>>(Route{{5, 0}, {5, 50}, {30, 50}, {30, 90}});
    router.linkRoutes()[c] = std::make_shared<ArrayRef<Point>>(Route{{1, 1}});
    // A link listed twice counts once, and a link without a route or null is passed over.
    router.separateSegments({a, b, b, nullptr, c, std::make_shared<DiagramLink>()});
    EXPECT_EQ(50, router.linkRoutes()[b]->array()[2].y);
    EXPECT_EQ(3, router.linkSegments()[a]->count());
    EXPECT_EQ(0, router.linkSegments()[c]->count());
}
