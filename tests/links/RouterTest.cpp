#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
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

// A link whose ends sit on the two nodes at the border points nearest to the given points.
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

// Whether an axis-parallel leg passes through the open inside of the rectangle.
bool crossesInside(Point p, Point q, const Rect& r) {
    const double left = std::max(std::min(p.x, q.x), r.x);
    const double right = std::min(std::max(p.x, q.x), r.right());
    const double top = std::max(std::min(p.y, q.y), r.y);
    const double bottom = std::min(std::max(p.y, q.y), r.bottom());
    if (p.x == q.x) return r.x < p.x && p.x < r.right() && top < bottom;
    if (p.y == q.y) return r.y < p.y && p.y < r.bottom() && left < right;
    return true;
}

// Nodes of random sizes on a grid, each at a random place in its cell but at least twice the
// margin from the nodes of the cells next to it. Each node links to a random node at most two
// cells away, and one node in ten to any node.
struct GridDocument {
    std::shared_ptr<Diagram> diagram = std::make_shared<Diagram>();
    std::vector<std::shared_ptr<DiagramNode>> nodes;

    GridDocument(int count, unsigned seed) {
        const int columns = static_cast<int>(std::ceil(std::sqrt(count)));
        const int rows = (count + columns - 1) / columns;
        constexpr double pitch = 60, gap = 16;
        std::mt19937 random(seed);
        std::uniform_real_distribution<double> size(12, 30), unit(0, 1);
        for (int i = 0; i < count; ++i) {
            const double w = size(random), h = size(random);
            const double x = (i % columns) * pitch + unit(random) * (pitch - gap - w);
            const double y = (i / columns) * pitch + unit(random) * (pitch - gap - h);
            nodes.push_back(addNode(*diagram, Rect(x, y, w, h)));
        }
        std::uniform_int_distribution<int> step(-2, 2), any(0, count - 1);
        auto link = [&](int i, int j) {
            const Point ci = nodes[i]->bounds().center(), cj = nodes[j]->bounds().center();
            addLink(*diagram, nodes[i], cj, nodes[j], ci)->setAutoRoute(true);
        };
        for (int i = 0; i < count; ++i) {
            int j = i;
            while (j == i || j >= count) {
                const int c = std::clamp(i % columns + step(random), 0, columns - 1);
                const int r = std::clamp(i / columns + step(random), 0, rows - 1);
                j = r * columns + c;
            }
            link(i, j);
        }
        for (int n = 0; n < count / 10; ++n) {
            const int i = any(random), j = any(random);
            if (i != j) link(i, j);
        }
    }
};

}  // namespace

TEST(Router, TwoFacingNodesMeetHalfway) {
    auto diagram = std::make_shared<Diagram>();
    auto a = addNode(*diagram, {0, 0, 20, 20});
    auto b = addNode(*diagram, {60, 0, 20, 20});
    auto link = addLink(*diagram, a, {20, 10}, b, {60, 10});
    EXPECT_EQ(8.0, diagram->routeMargin());
    const auto router = diagram->linkRouter();
    ASSERT_TRUE(router);
    EXPECT_EQ(router, diagram->linkRouter());
    EXPECT_EQ(diagram.get(), router->diagram());

    expectRoute({{20, 10}, {40, 10}, {40, 10}, {60, 10}}, router->routeLink(link));
    // Routing alone leaves the link as it was.
    EXPECT_EQ((Route{{20, 10}, {60, 10}}), link->controlPoints());

    // The margin is read from the document at every route.
    diagram->setRouteMargin(4);
    link->connectEnd(b, true, Point(70, 0), false);
    expectRoute({{20, 10}, {40, 10}, {40, -4}, {70, -4}, {70, 0}}, router->routeLink(link));
    EXPECT_EQ(4.0, router->cm());
}

TEST(Router, NodesInTheWayArePassedAroundUnlessTheyAreNoObstacles) {
    auto diagram = std::make_shared<Diagram>();
    auto a = addNode(*diagram, {0, 0, 20, 20});
    auto b = addNode(*diagram, {100, 0, 20, 20});
    auto c = addNode(*diagram, {50, -10, 20, 40});
    auto link = addLink(*diagram, a, {20, 10}, b, {100, 10});
    const auto router = diagram->linkRouter();

    const Route around{{20, 10}, {42, 10}, {42, 38}, {78, 38}, {78, 10}, {100, 10}};
    expectRoute(around, router->routeLink(link));
    EXPECT_EQ(std::vector<std::shared_ptr<DiagramNode>>{c},
              router->findObstacles(link, router->routeLink(link)));

    c->setObstacle(false);
    expectRoute({{20, 10}, {60, 10}, {60, 10}, {100, 10}}, router->routeLink(link));
    c->setObstacle(true);

    // Turned a quarter, the node's box stands across the route the other way.
    c->setBounds(Rect(40, 0, 40, 20));
    c->setRotationAngle(90);
    expectRoute(around, router->routeLink(link));

    // A container holding an end node is no obstacle of the link; other containers are.
    auto container = std::make_shared<ContainerNode>();
    container->setBounds(Rect(-10, -30, 200, 80));
    diagram->addItem(container);
    a->setAttachment(std::make_shared<ContainerAttachment>(container, a));
    expectRoute(around, router->routeLink(link));
    a->setAttachment(nullptr);
    EXPECT_EQ(2u, router->findObstacles(link, around).size());
}

TEST(Router, NodesMetOnlyOnTheWayAroundAreAvoidedToo) {
    auto diagram = std::make_shared<Diagram>();
    auto a = addNode(*diagram, {-20, 90, 20, 20});
    auto b = addNode(*diagram, {200, 90, 20, 20});
    addNode(*diagram, {90, 90, 20, 20});
    auto link = addLink(*diagram, a, {0, 100}, b, {200, 100});
    // Alone, the node in the way is passed below.
    expectRoute({{0, 100}, {82, 100}, {82, 118}, {118, 118}, {118, 100}, {200, 100}},
                diagram->linkRouter()->routeLink(link));

    // A node just below lies outside the box of the straight route, so it is not looked for at
    // first, but the way below runs through it: both are then passed, as one, above.
    auto below = addNode(*diagram, {95, 112, 20, 20});
    const Route route = diagram->linkRouter()->routeLink(link);
    expectRoute({{0, 100}, {82, 100}, {82, 82}, {123, 82}, {123, 100}, {200, 100}}, route);
    EXPECT_TRUE(diagram->linkRouter()->findObstacles(link, route).size() == 1);
    EXPECT_NE(below, diagram->linkRouter()->findObstacles(link, route).front());
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

    // A node in the way is passed as for any end.
    addNode(*diagram, {50, 0, 20, 20});
    expectRoute({{20, 10}, {42, 10}, {42, -8}, {78, -8}, {78, 2}, {100, 2}, {100, 10}},
                diagram->linkRouter()->routeLink(link));

    // Neither end on a node.
    auto loose = std::make_shared<DiagramLink>();
    loose->setControlPoints({{200, 0}, {300, 50}});
    const Route free = diagram->linkRouter()->routeLink(loose);
    EXPECT_EQ(Point(200, 0), free.front());
    EXPECT_EQ(Point(300, 50), free.back());
}

TEST(Router, BadLinksGiveShortRoutes) {
    auto diagram = std::make_shared<Diagram>();
    addNode(*diagram, {0, 0, 20, 20});
    const auto router = diagram->linkRouter();
    EXPECT_TRUE(router->routeLink(nullptr).empty());

    const double nan = std::numeric_limits<double>::quiet_NaN();
    auto link = std::make_shared<DiagramLink>();
    link->setControlPoints({{nan, 0}, {10, 10}});
    EXPECT_EQ(2u, router->routeLink(link).size());
    link->setControlPoints({});
    EXPECT_GE(router->routeLink(link).size(), 2u);
    router->routeLinkSet({nullptr, link});

    Router orphan(nullptr);
    link->setControlPoints({{0, 0}, {100, 0}});
    EXPECT_EQ(4u, orphan.routeLink(link).size());
    EXPECT_TRUE(orphan.findObstacles(link, {{0, 0}, {100, 0}}).empty());
}

TEST(Router, ASetIsRoutedSeparatedAndApplied) {
    auto diagram = std::make_shared<Diagram>();
    auto a = addNode(*diagram, {0, 0, 20, 40});
    auto b = addNode(*diagram, {100, 0, 20, 40});
    addNode(*diagram, {50, 5, 20, 30});
    auto upper = addLink(*diagram, a, {20, 10}, b, {100, 10});
    auto lower = addLink(*diagram, a, {20, 12}, b, {100, 12});
    const auto router = diagram->linkRouter();

    // Alone, both pass above the node in the middle along the same lines.
    const Route alone = router->routeLink(upper);
    expectRoute({{20, 10}, {42, 10}, {42, -3}, {78, -3}, {78, 10}, {100, 10}}, alone);
    EXPECT_EQ(-3, router->routeLink(lower)[2].y);

    // Together, the runs are spread 3 apart, nested without crossing; listing a link twice
    // changes nothing.
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
    auto far1 = addNode(*diagram, {0, 300, 20, 20});
    auto far2 = addNode(*diagram, {100, 300, 20, 20});
    auto near = addLink(*diagram, a, {20, 10}, b, {100, 10});
    auto manual = addLink(*diagram, a, {20, 15}, b, {100, 15});
    auto away = addLink(*diagram, far1, {20, 310}, far2, {100, 310});
    near->setAutoRoute(true);
    away->setAutoRoute(true);

    // A rectangle within the margin of the link's box (grown by its stroke) selects it; one
    // farther away does not.
    diagram->rerouteLinks({Rect(40, 18, 10, 10)});
    EXPECT_EQ(4u, near->controlPoints().size());
    EXPECT_EQ(2u, manual->controlPoints().size());
    EXPECT_EQ(2u, away->controlPoints().size());

    diagram->rerouteLinks({Rect(40, 319.5, 10, 10)});
    EXPECT_EQ(2u, away->controlPoints().size());
    diagram->rerouteLinks({});
    diagram->rerouteLinks({Rect(std::numeric_limits<double>::quiet_NaN(), 0, 1, 1)});
    EXPECT_EQ(2u, away->controlPoints().size());
    diagram->rerouteLinks({Rect(40, 319, 10, 10)});
    EXPECT_EQ(4u, away->controlPoints().size());

    // Removing an obstacle node routes the links around it again.
    auto c = addNode(*diagram, {50, -10, 20, 40});
    diagram->rerouteLinks({c->bounds()});
    EXPECT_EQ(6u, near->controlPoints().size());
    diagram->removeItem(c);
    EXPECT_EQ(4u, near->controlPoints().size());
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

    // Five legs become a Bezier link of 3 x 5 - 2 points through the route's corners.
    for (int pass = 0; pass < 3; ++pass) {
        diagram->rerouteLinks({a->bounds()});
        const auto& points = link->controlPoints();
        ASSERT_EQ(13u, points.size()) << "pass " << pass;
        EXPECT_EQ(route[0], points[0]);
        EXPECT_EQ(route[1], points[1]);
        EXPECT_EQ(route[1], points[2]);
        EXPECT_EQ(route[5], points[12]);
    }
}

TEST(Router, KeepsNoNodeOrLinkAliveBetweenRoutes) {
    auto diagram = std::make_shared<Diagram>();
    auto a = addNode(*diagram, {0, 0, 20, 20});
    auto b = addNode(*diagram, {100, 0, 20, 20});
    auto link = addLink(*diagram, a, {20, 10}, b, {100, 10});
    link->setAutoRoute(true);
    std::weak_ptr<DiagramNode> obstacle;
    std::weak_ptr<DiagramLink> gone;
    {
        auto c = addNode(*diagram, {50, -10, 20, 40});
        auto d = addNode(*diagram, {0, 100, 20, 20});
        auto other = addLink(*diagram, d, {20, 110}, b, {110, 20});
        other->setAutoRoute(true);
        diagram->rerouteLinks({c->bounds(), d->bounds()});
        obstacle = c;
        gone = other;
        diagram->removeItem(c);
        diagram->removeItem(d);
    }
    EXPECT_TRUE(obstacle.expired());
    EXPECT_TRUE(gone.expired());
    diagram->rerouteLinks({a->bounds()});
    EXPECT_EQ(4u, link->controlPoints().size());
}

TEST(RouterDocuments, NoRouteCrossesAnObstacleNode) {
    for (int count : {100, 1000}) {
        SCOPED_TRACE(count);
        GridDocument doc(count, 3);
        const auto& links = doc.diagram->links();
        doc.diagram->linkRouter()->routeLinkSet(links);

        for (const auto& link : links) {
            const auto& points = link->controlPoints();
            ASSERT_GE(points.size(), 2u);
            for (std::size_t i = 1; i < points.size(); ++i) {
                ASSERT_TRUE(points[i].x == points[i - 1].x || points[i].y == points[i - 1].y);
                for (const auto& node : doc.nodes) {
                    if (node == link->origin() || node == link->destination()) continue;
                    ASSERT_FALSE(crossesInside(points[i - 1], points[i], node->bounds()))
                        << "leg " << i << " through " << node->bounds().toString();
                }
            }
        }
    }
}

TEST(RouterDocuments, TheIndexFindsWhatTheScanFinds) {
    GridDocument doc(400, 9);
    doc.nodes[5]->setObstacle(false);
    doc.nodes[17]->setRotationAngle(30);
    const auto router = doc.diagram->linkRouter();
    const ObstacleIndex index(doc.diagram->nodes(), router->cm());

    std::vector<int> found;
    for (const auto& link : doc.diagram->links()) {
        const Route route = router->routeLink(link);
        std::vector<std::shared_ptr<DiagramNode>> indexed;
        const auto scanned = router->findObstacles(link, route);
        double left = route[0].x, top = route[0].y, right = left, bottom = top;
        for (const Point& p : route) {
            left = std::min(left, p.x), right = std::max(right, p.x);
            top = std::min(top, p.y), bottom = std::max(bottom, p.y);
        }
        index.query(Rect::fromLTRB(left, top, right, bottom), found);
        for (int i : found) {
            const auto& node = doc.diagram->nodes()[static_cast<std::size_t>(
                index.entries()[static_cast<std::size_t>(i)].position)];
            if (node != link->origin() && node != link->destination()) indexed.push_back(node);
        }
        ASSERT_EQ(scanned, indexed);
    }

    // Areas of every size, also beyond the nodes, and touching ones.
    std::mt19937 random(2);
    std::uniform_real_distribution<double> at(-100, 1300), extent(0, 400);
    for (int n = 0; n < 500; ++n) {
        const Rect area(at(random), at(random), extent(random) * (n % 3), extent(random));
        index.query(area, found);
        std::vector<int> scanned;
        for (std::size_t i = 0; i < index.entries().size(); ++i)
            if (index.entries()[i].bounds.intersectsWith(area))
                scanned.push_back(static_cast<int>(i));
        ASSERT_EQ(scanned, found);
    }
    const Rect edge = index.entries()[0].bounds;
    index.query(Rect(edge.right(), edge.bottom(), 0, 0), found);
    EXPECT_NE(std::find(found.begin(), found.end(), 0), found.end());
}
