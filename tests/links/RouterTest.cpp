#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/ContainerAttachment.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/ObstacleIndex.h"
#include "Nodeloom/links/Router.h"

using namespace nodeloom;

namespace {

using Route = std::vector<Point>;

std::shared_ptr<DiagramNode> addNode(Diagram& diagram, const Rect& bounds) {
    auto node = std::make_shared<DiagramNode>();
    node->setBounds(bounds);
    diagram.addItem(node);
    return node;
}

// A link whose ends sit on the nodes' border points nearest to the given points.
std::shared_ptr<DiagramLink> addLink(Diagram& diagram, const std::shared_ptr<DiagramNode>& from,
                                     Point start, const std::shared_ptr<DiagramNode>& to,
                                     Point end) {
    auto link = std::make_shared<DiagramLink>();
    link->setControlPoints({start, end});
    link->connectEnd(from, false, start, false);
    link->connectEnd(to, true, end, false);
    diagram.addItem(link);
    return link;
}

void expectRoute(const Route& expected, const Route& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(expected[i].x, actual[i].x, 1e-9) << "point " << i;
        EXPECT_NEAR(expected[i].y, actual[i].y, 1e-9) << "point " << i;
    }
}

// Nodes of random sizes on a grid, each at a random place in its cell but at least twice the
// margin from the nodes of the cells next to it. Each node links to a random node at most two
// cells away, and one node in ten to any node.
std::shared_ptr<Diagram> gridDocument(int count, unsigned seed) {
    auto diagram = std::make_shared<Diagram>();
    const int columns = static_cast<int>(std::ceil(std::sqrt(count)));
    const int rows = (count + columns - 1) / columns;
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> size(12, 30), unit(0, 1);
    std::vector<std::shared_ptr<DiagramNode>> nodes;
    for (int i = 0; i < count; ++i) {
        const double w = size(random), h = size(random);
        nodes.push_back(
            addNode(*diagram, Rect((i % columns) * 60 + unit(random) * (44 - w),
                                   (i / columns) * 60 + unit(random) * (44 - h), w, h)));
    }
    auto link = [&](int i, int j) {
        const Point ci = nodes[i]->bounds().center(), cj = nodes[j]->bounds().center();
        addLink(*diagram, nodes[i], cj, nodes[j], ci)->setAutoRoute(true);
    };
    std::uniform_int_distribution<int> step(-2, 2), any(0, count - 1);
    for (int i = 0; i < count; ++i) {
        int j = i;
        while (j == i || j >= count)
            j = std::clamp(i / columns + step(random), 0, rows - 1) * columns +
                std::clamp(i % columns + step(random), 0, columns - 1);
        link(i, j);
    }
    for (int n = 0; n < count / 10; ++n)
        if (const int i = any(random), j = any(random); i != j) link(i, j);
    return diagram;
}

}  // namespace

TEST(Router, RoutesBetweenNodesAroundTheObstaclesOfTheDocument) {
    auto diagram = std::make_shared<Diagram>();
    auto a = addNode(*diagram, {0, 0, 20, 20});
    auto b = addNode(*diagram, {100, 0, 20, 20});
    auto link = addLink(*diagram, a, {20, 10}, b, {100, 10});
    const auto router = diagram->linkRouter();
    expectRoute({{20, 10}, {60, 10}, {60, 10}, {100, 10}}, router->routeLink(link));
    EXPECT_EQ((Route{{20, 10}, {100, 10}}), link->controlPoints());

    auto c = addNode(*diagram, {50, -10, 20, 40});
    const Route around{{20, 10}, {42, 10}, {42, 38}, {78, 38}, {78, 10}, {100, 10}};
    expectRoute(around, router->routeLink(link));
    EXPECT_EQ(std::vector<std::shared_ptr<DiagramNode>>{c}, router->findObstacles(link, around));
    c->setObstacle(false);
    expectRoute({{20, 10}, {60, 10}, {60, 10}, {100, 10}}, router->routeLink(link));
    c->setObstacle(true);

    // A container holding an end node is no obstacle of the link.
    auto container = std::make_shared<ContainerNode>();
    container->setBounds(Rect(-10, -30, 200, 80));
    diagram->addItem(container);
    a->setAttachment(std::make_shared<ContainerAttachment>(container, a));
    expectRoute(around, router->routeLink(link));
    a->setAttachment(nullptr);
    EXPECT_EQ(2u, router->findObstacles(link, around).size());

    // The margin is read from the document at every route.
    diagram->removeItem(container);
    diagram->removeItem(c);
    diagram->setRouteMargin(4);
    link->connectEnd(b, true, Point(110, 0), false);
    expectRoute({{20, 10}, {60, 10}, {60, -4}, {110, -4}, {110, 0}}, router->routeLink(link));
}

TEST(Router, NodesMetOnlyOnTheWayAroundAreAvoidedToo) {
    auto diagram = std::make_shared<Diagram>();
    auto a = addNode(*diagram, {-20, 90, 20, 20});
    auto b = addNode(*diagram, {200, 90, 20, 20});
    addNode(*diagram, {90, 90, 20, 20});
    auto link = addLink(*diagram, a, {0, 100}, b, {200, 100});
    expectRoute({{0, 100}, {82, 100}, {82, 118}, {118, 118}, {118, 100}, {200, 100}},
                diagram->linkRouter()->routeLink(link));
    // A node just below lies outside the box of the straight route and is not looked for at
    // first, but the way below runs through it: both are then passed, as one, above.
    addNode(*diagram, {95, 112, 20, 20});
    expectRoute({{0, 100}, {82, 100}, {82, 82}, {123, 82}, {123, 100}, {200, 100}},
                diagram->linkRouter()->routeLink(link));
}

TEST(Router, LooseEndsRouteFromTheirPoints) {
    auto diagram = std::make_shared<Diagram>();
    auto a = addNode(*diagram, {0, 0, 20, 20});
    auto link = std::make_shared<DiagramLink>();
    link->setControlPoints({{20, 10}, {100, 10}});
    link->connectEnd(a, false, Point(20, 10), false);
    diagram->addItem(link);
    ASSERT_FALSE(link->destination()->isRealNode());
    // The loose end is a rectangle of no size at (100, 10), wherever the virtual node lies.
    expectRoute({{20, 10}, {60, 10}, {60, 2}, {100, 2}, {100, 10}},
                diagram->linkRouter()->routeLink(link));
}

TEST(Router, BadLinksGiveShortRoutes) {
    auto diagram = std::make_shared<Diagram>();
    addNode(*diagram, {0, 0, 20, 20});
    const auto router = diagram->linkRouter();
    EXPECT_TRUE(router->routeLink(nullptr).empty());
    auto link = std::make_shared<DiagramLink>();
    // A point that is not finite never reaches the router: the link keeps the points it had.
    link->setControlPoints({{std::numeric_limits<double>::quiet_NaN(), 0}, {10, 10}});
    EXPECT_EQ(link->controlPoints(), (std::vector<Point>{Point(0, 0), Point(50, 50)}));
    EXPECT_GE(router->routeLink(link).size(), 2u);
    link->setControlPoints({});
    EXPECT_GE(router->routeLink(link).size(), 2u);
    router->routeLinkSet({nullptr, link});
    EXPECT_EQ(4u, Router(nullptr).routeLink(link).size());
}

TEST(Router, ASetIsRoutedSeparatedAndApplied) {
    auto diagram = std::make_shared<Diagram>();
    auto a = addNode(*diagram, {0, 0, 20, 40});
    auto b = addNode(*diagram, {100, 0, 20, 40});
    addNode(*diagram, {50, 5, 20, 30});
    auto upper = addLink(*diagram, a, {20, 10}, b, {100, 10});
    auto lower = addLink(*diagram, a, {20, 12}, b, {100, 12});
    const auto router = diagram->linkRouter();
    // Alone, both would pass above the middle node at y -3; together they are spread 3 apart,
    // nested without crossing.
    router->routeLinkSet({upper, lower, upper});
    EXPECT_TRUE(router->linkRoutes().empty());
    EXPECT_TRUE(router->linkSegments().empty());
    expectRoute({{20, 10}, {40.5, 10}, {40.5, -4.5}, {79.5, -4.5}, {79.5, 10}, {100, 10}},
                upper->controlPoints());
    expectRoute({{20, 12}, {43.5, 12}, {43.5, -1.5}, {76.5, -1.5}, {76.5, 12}, {100, 12}},
                lower->controlPoints());
}

TEST(Router, ReroutingTakesTheAutoRoutedLinksNearTheChange) {
    auto diagram = std::make_shared<Diagram>();
    auto a = addNode(*diagram, {0, 0, 20, 20});
    auto b = addNode(*diagram, {100, 0, 20, 20});
    auto near = addLink(*diagram, a, {20, 10}, b, {100, 10});
    auto manual = addLink(*diagram, a, {20, 15}, b, {100, 15});
    near->setAutoRoute(true);
    // The link's box, grown by its stroke of 1, reaches y 11: a rectangle within the margin of
    // it selects it, one farther away does not; nor does a bad one.
    diagram->rerouteLinks({Rect(40, 19.5, 10, 10), Rect(std::nan(""), 0, 1, 1)});
    EXPECT_EQ(2u, near->controlPoints().size());
    diagram->rerouteLinks({Rect(40, 19, 10, 10)});
    EXPECT_EQ(4u, near->controlPoints().size());
    EXPECT_EQ(2u, manual->controlPoints().size());

    // A new obstacle, then its removal, route the link around it and back.
    auto c = addNode(*diagram, {50, -10, 20, 40});
    diagram->rerouteLinks({c->bounds()});
    EXPECT_EQ(6u, near->controlPoints().size());
    diagram->removeItem(c);
    EXPECT_EQ(4u, near->controlPoints().size());
    EXPECT_EQ(2u, manual->controlPoints().size());

    // Switching routing off and on again is seen by the next reroute either way.
    near->setAutoRoute(false);
    auto d = addNode(*diagram, {50, -10, 20, 40});
    diagram->rerouteLinks({d->bounds()});
    EXPECT_EQ(4u, near->controlPoints().size());
    near->setAutoRoute(true);
    diagram->rerouteLinks({d->bounds()});
    EXPECT_EQ(6u, near->controlPoints().size());
    diagram->removeItem(near);
    diagram->removeItem(d);
    EXPECT_EQ(2u, manual->controlPoints().size());
}

TEST(Router, ReroutingLaysABezierLinkOutOnce) {
    auto diagram = std::make_shared<Diagram>();
    auto a = addNode(*diagram, {0, 0, 20, 20});
    auto b = addNode(*diagram, {100, 0, 20, 20});
    addNode(*diagram, {50, -10, 20, 40});
    auto link = addLink(*diagram, a, {20, 10}, b, {100, 10});
    link->setShape(LinkShape::bezier);
    link->setAutoRoute(true);
    const Route route = diagram->linkRouter()->routeLink(link);
    ASSERT_EQ(6u, route.size());
    // Five legs make a Bezier link of 3 x 5 - 2 points, each inner corner twice; every time.
    for (int pass = 0; pass < 2; ++pass) {
        diagram->rerouteLinks({a->bounds()});
        const auto& points = link->controlPoints();
        ASSERT_EQ(13u, points.size());
        EXPECT_EQ(route[1], points[1]);
        EXPECT_EQ(route[1], points[2]);
        EXPECT_EQ(route[5], points[12]);
    }
}

TEST(Router, KeepsNoNodeOrLinkAliveBetweenRoutes) {
    auto diagram = std::make_shared<Diagram>();
    auto a = addNode(*diagram, {0, 0, 20, 20});
    auto b = addNode(*diagram, {100, 0, 20, 20});
    addLink(*diagram, a, {20, 10}, b, {100, 10})->setAutoRoute(true);
    std::weak_ptr<DiagramNode> obstacle;
    std::weak_ptr<DiagramLink> other;
    {
        auto c = addNode(*diagram, {50, -10, 20, 40});
        auto d = addLink(*diagram, c, {60, 30}, b, {110, 20});
        d->setAutoRoute(true);
        diagram->rerouteLinks({c->bounds()});
        obstacle = c;
        other = d;
        diagram->removeItem(c);
    }
    EXPECT_TRUE(obstacle.expired());
    EXPECT_TRUE(other.expired());
}

TEST(RouterDocuments, NoRouteCrossesAnObstacleNode) {
    for (int count : {100, 1000}) {
        SCOPED_TRACE(count);
        const auto diagram = gridDocument(count, 3);
        diagram->linkRouter()->routeLinkSet(diagram->links());
        for (const auto& link : diagram->links()) {
            const auto& points = link->controlPoints();
            for (std::size_t i = 1; i < points.size(); ++i) {
                const Point p = points[i - 1], q = points[i];
                ASSERT_TRUE(p.x == q.x || p.y == q.y);
                for (const auto& node : diagram->nodes()) {
                    if (node == link->origin() || node == link->destination()) continue;
                    const Rect r = node->bounds();
                    const bool across =
                        p.x == q.x ? r.x < p.x && p.x < r.right() &&
                                         std::min(p.y, q.y) < r.bottom() && r.y < std::max(p.y, q.y)
                                   : r.y < p.y && p.y < r.bottom() &&
                                         std::min(p.x, q.x) < r.right() && r.x < std::max(p.x, q.x);
                    ASSERT_FALSE(across) << "leg " << i << " through " << r.toString();
                }
            }
        }
    }
}

TEST(RouterDocuments, TheIndexFindsWhatTheScanFinds) {
    const auto diagram = gridDocument(400, 9);
    diagram->nodes()[5]->setObstacle(false);
    diagram->nodes()[17]->setRotationAngle(30);
    const auto router = diagram->linkRouter();
    const ObstacleIndex index(diagram->nodes(), router->cm());
    std::mt19937 random(2);
    std::uniform_real_distribution<double> at(-100, 1300), extent(0, 400);
    std::vector<int> found;
    for (int n = 0; n < 1000; ++n) {
        // Areas of every size, some of no width, some beyond the nodes.
        const Rect area(at(random), at(random), extent(random) * (n % 3), extent(random));
        index.query(area, found);
        std::vector<int> scanned;
        for (std::size_t i = 0; i < index.entries().size(); ++i)
            if (index.entries()[i].bounds.intersectsWith(area))
                scanned.push_back(static_cast<int>(i));
        ASSERT_EQ(scanned, found);
    }
    // Through the router: a link routed in a set, with the index, gets the route it gets alone,
    // by scanning.
    for (const auto& link : diagram->links()) {
        const Route alone = router->routeLink(link);
        router->routeLinkSet({link});
        ASSERT_EQ(alone, link->controlPoints());
    }
}

namespace {

// The routes the plain way gives: each link routed alone, by scanning the nodes, and the routes
// spread through the router's tables; nothing is applied.
std::vector<Route> routedLinkByLink(Router& router,
                                    const std::vector<std::shared_ptr<DiagramLink>>& links) {
    router.linkRoutes().clear();
    for (const auto& link : links)
        router.linkRoutes()[link] = std::make_shared<ArrayRef<Point>>(router.routeLink(link));
    router.separateSegments(links);
    std::vector<Route> routes;
    for (const auto& link : links)
        routes.push_back(router.linkRoutes()[link]->array());
    router.linkRoutes().clear();
    router.linkSegments().clear();
    return routes;
}

}  // namespace

TEST(RouterDocuments, ASetGetsTheRoutesOfRoutingLinkByLinkAndSpreadingThem) {
    const std::pair<int, unsigned> documents[] = {{100, 1}, {1000, 3}, {600, 8}};
    for (const auto& [count, seed] : documents) {
        SCOPED_TRACE(count);
        const auto diagram = gridDocument(count, seed);
        // Nodes the routes treat apart: one no obstacle, one turned, one over many others, two
        // in a container, and a link with a loose end.
        const auto nodes = diagram->nodes();
        nodes[7]->setObstacle(false);
        nodes[11]->setRotationAngle(30);
        nodes[20]->setBounds(Rect(130, 250, 400, 300));
        auto container = std::make_shared<ContainerNode>();
        container->setBounds(nodes[31]->bounds().union_(nodes[32]->bounds()));
        diagram->addItem(container);
        for (int i : {31, 32})
            nodes[i]->setAttachment(std::make_shared<ContainerAttachment>(container, nodes[i]));
        auto loose = std::make_shared<DiagramLink>();
        loose->setControlPoints({nodes[40]->bounds().center(), {333, 222}});
        loose->connectEnd(nodes[40], false, nodes[40]->bounds().center(), false);
        loose->setAutoRoute(true);
        diagram->addItem(loose);
        const auto router = diagram->linkRouter();
        const std::vector<std::shared_ptr<DiagramLink>> links = diagram->links();
        // Twice: the second time from the routes of the first, as a host rerouting does.
        for (int pass = 0; pass < 2; ++pass) {
            const std::vector<Route> expected = routedLinkByLink(*router, links);
            std::size_t spread = 0;
            for (std::size_t i = 0; i < links.size(); ++i)
                spread += expected[i] != router->routeLink(links[i]);
            ASSERT_GT(spread, links.size() / 20) << "too few overlapping legs to tell";
            // Later repeats and null entries change nothing.
            std::vector<std::shared_ptr<DiagramLink>> listed{nullptr};
            listed.insert(listed.end(), links.begin(), links.end());
            for (std::size_t i = static_cast<std::size_t>(pass); i < links.size(); i += 3)
                listed.push_back(links[i]);
            router->routeLinkSet(listed);
            for (std::size_t i = 0; i < links.size(); ++i)
                ASSERT_EQ(expected[i], links[i]->controlPoints()) << "link " << i;
        }
    }
}

TEST(RouterDocuments, TheIndexFindsLargeAndFarNodesAsTheScanDoes) {
    const auto diagram = gridDocument(300, 4);
    // Larger than the grid takes cell by cell, far away, of no size, and over everything.
    addNode(*diagram, {-200, -200, 2000, 1500});
    addNode(*diagram, {5000, -3000, 10, 10});
    addNode(*diagram, {600, 600, 0, 0});
    const ObstacleIndex index(diagram->nodes(), 8);
    std::mt19937 random(6);
    std::uniform_real_distribution<double> at(-400, 1400), extent(0, 600);
    const double infinity = std::numeric_limits<double>::infinity();
    std::vector<Rect> areas{{-infinity, -infinity, infinity, infinity},
                            {0, 0, infinity, 10},
                            {4990, -3010, 5, 5},
                            {600, 600, 0, 0}};
    for (int n = 0; n < 500; ++n)
        areas.emplace_back(at(random), at(random), extent(random) * (n % 4), extent(random));
    std::vector<int> found;
    for (const Rect& area : areas) {
        index.query(area, found);
        std::vector<int> scanned;
        for (std::size_t i = 0; i < index.entries().size(); ++i)
            if (index.entries()[i].bounds.intersectsWith(area))
                scanned.push_back(static_cast<int>(i));
        ASSERT_EQ(scanned, found) << area.toString();
    }
}
