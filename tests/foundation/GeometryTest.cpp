#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Nodeloom/foundation/Geometry.h"
#include "Nodeloom/foundation/Utilities.h"

using namespace nodeloom;

namespace {

constexpr double largest = std::numeric_limits<double>::max();

void expectNear(const Point& actual, const Point& expected, double tolerance = 1e-9) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
}

// Brute-force distance to one cubic, for checking the iterative search.
double sampledDistance(const Point& p, const std::vector<Point>& cubic) {
    double best = largest;
    for (int i = 0; i <= 20000; ++i)
        best =
            std::min(best, Geometry::distance(p, Geometry::getBezierPoint(cubic, 0, i / 20000.0)));
    return best;
}

}  // namespace

TEST(Geometry, NormalisingAndPercentPositions) {
    EXPECT_EQ(Geometry::normalizeRectangle(Rect(10, 10, -4, 5)), Rect(6, 10, 4, 5));
    EXPECT_EQ(Geometry::normalizeRectangle(Rect(10, 10, 4, -5)), Rect(10, 5, 4, 5));
    EXPECT_EQ(Geometry::calculateRelativePercentPosition(Rect(10, 10, 20, 40), Point(15, 50)),
              Point(25, 100));
}

TEST(Geometry, PolarCoordinatesRunAnticlockwiseOnScreen) {
    double a = -1, r = -1;
    Geometry::cartesianToPolar(Point(0, 0), Point(0, -10), a, r);
    EXPECT_EQ(a, 90);
    EXPECT_EQ(r, 10);
    Geometry::cartesianToPolar(Point(0, 0), Point(-10, 0), a, r);
    EXPECT_EQ(a, 180);
    Geometry::cartesianToPolar(Point(0, 0), Point(0, 10), a, r);
    EXPECT_EQ(a, -90);
    Geometry::cartesianToPolar(Point(3, 3), Point(3, 3), a, r);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(r, 0);

    Point p;
    Geometry::polarToCartesian(Point(0, 0), 90, 10, p);
    expectNear(p, Point(0, -10));
    Geometry::polarToCartesian(Point(5, 5), 45, 0.0000001, p);
    EXPECT_EQ(p, Point(5, 5));
    // Round trip.
    Geometry::cartesianToPolar(Point(1, 2), Point(-4, 7), a, r);
    Geometry::polarToCartesian(Point(1, 2), a, r, p);
    expectNear(p, Point(-4, 7));
}

TEST(Geometry, NearestPointOnSegment) {
    const Point a(0, 0), b(10, 0);
    EXPECT_EQ(Geometry::distancePoint(Point(5, 5), a, b), Point(5, 0));
    EXPECT_EQ(Geometry::distancePoint(Point(-3, 4), a, b), a);
    EXPECT_EQ(Geometry::distancePoint(Point(13, 4), a, b), b);
    EXPECT_EQ(Geometry::distancePoint(Point(3, 5), Point(0, 0), Point(0, 10)), Point(0, 5));
    EXPECT_EQ(Geometry::distancePoint(Point(3, 5), a, a), a);
    expectNear(Geometry::distancePoint(Point(0, 10), Point(0, 0), Point(10, 10)), Point(5, 5));
    EXPECT_EQ(Geometry::distanceToLineSegment(Point(13, 4), a, b), 5.0);
}

TEST(Geometry, DistanceToPolyline) {
    EXPECT_EQ(Geometry::distanceToPolyline(Point(0, 0), {Point(1, 1)}), largest);
    EXPECT_EQ(Geometry::distanceToPolyline(Point(0, 0), {}), largest);
    const std::vector<Point> path{{0, 0}, {10, 0}, {10, 10}};
    EXPECT_EQ(Geometry::distanceToPolyline(Point(12, 5), path), 2.0);
    EXPECT_EQ(Geometry::distanceToPolyline(Point(5, -3), path), 3.0);
}

TEST(Geometry, DistanceToBezier) {
    const std::vector<Point> cubic{{0, 0}, {0, 50}, {100, 50}, {100, 0}};
    EXPECT_EQ(Geometry::distanceToBezier(Point(0, 0), cubic), 0.0);
    EXPECT_LT(Geometry::distanceToBezier(Geometry::getBezierPoint(cubic, 0, 0.37), cubic), 0.004);
    EXPECT_EQ(Geometry::distanceToBezier(Point(0, 0), {{0, 0}, {1, 1}}), largest);
    EXPECT_EQ(Geometry::distanceToBezier(Point(0, 0), {{0, 0}, {1, 1}, {2, 2}}), largest);

    for (const Point p : {Point(50, 60), Point(-20, 10), Point(30, 20), Point(120, -40)})
        EXPECT_NEAR(Geometry::distanceToBezier(p, cubic), sampledDistance(p, cubic), 1e-3)
            << p.x << "," << p.y;

    // Two pieces: the nearer one decides; an eighth point without a whole piece is ignored.
    std::vector<Point> two = cubic;
    for (const Point q : {Point(100, -50), Point(200, -50), Point(200, 0), Point(0, 500)})
        two.push_back(q);
    const Point nearSecond(150, -30);
    const std::vector<Point> second{{100, 0}, {100, -50}, {200, -50}, {200, 0}};
    EXPECT_EQ(Geometry::distanceToBezier(nearSecond, two),
              Geometry::distanceToBezier(nearSecond, second));
    EXPECT_LT(Geometry::distanceToBezier(nearSecond, two),
              Geometry::distanceToBezier(nearSecond, cubic));
}

TEST(Geometry, BezierPointsAndFlattening) {
    const std::vector<Point> points{{0, 0},  {0, 30},  {30, 30}, {30, 0},
                                    {60, 0}, {60, 30}, {90, 30}};
    EXPECT_EQ(Geometry::getBezierPoint(points, 0, 0), Point(0, 0));
    EXPECT_EQ(Geometry::getBezierPoint(points, 0, 1), Point(30, 0));
    EXPECT_EQ(Geometry::getBezierPoint(points, 0, 0.5), Point(15, 22.5));
    EXPECT_EQ(Utilities::getBezierPt(points, 1, 1), Point(90, 30));
    EXPECT_EQ(Geometry::getBezierPoint(points, 2, 0.5), Point());
    EXPECT_EQ(Geometry::getBezierPoint(points, -1, 0.5), Point());

    const auto thirty = Utilities::approxBezier(points, 0, 30);
    ASSERT_EQ(thirty.size(), 31u);
    EXPECT_EQ(thirty.front(), Point(0, 0));
    expectNear(thirty.back(), Point(30, 0));
    EXPECT_EQ(Utilities::approxBezier(points, 0, 10).size(), 11u);
    const auto nine = Utilities::approxBezier(points, 0, 9);
    ASSERT_EQ(nine.size(), 9u);
    expectNear(nine.back(), Geometry::getBezierPoint(points, 0, 8.0 / 9.0));
    EXPECT_NEAR(Utilities::approxBezier(points, 3, 30).back().x, 90, 1e-9);

    EXPECT_TRUE(Utilities::approxBezier(points, 4, 30).empty());
    EXPECT_TRUE(Utilities::approxBezier(points, -1, 30).empty());
    EXPECT_TRUE(Utilities::approxBezier(points, 0, 0).empty());
    EXPECT_TRUE(Utilities::approxBezier(points, 0, -5).empty());
}

TEST(Utilities, LineIntersections) {
    EXPECT_EQ(Utilities::lineIntersect(Point(0, 0), Point(10, 10), Point(0, 10), Point(10, 0)),
              Point(5, 5));
    EXPECT_FALSE(Utilities::lineIntersect(Point(0, 0), Point(1, 1), Point(0, 1), Point(1, 2)));
    EXPECT_FALSE(Utilities::lineIntersect(Point(0, 0), Point(0, 1), Point(2, 0), Point(2, 1)));
    EXPECT_EQ(Utilities::lineIntersect(Point(2, 0), Point(2, 1), Point(0, 0), Point(1, 1)),
              Point(2, 2));
    const Point both =
        Geometry::lineIntersectNaN(Point(0, 0), Point(0, 1), Point(2, 0), Point(2, 1));
    EXPECT_TRUE(std::isnan(both.x) && std::isnan(both.y));

    Point pt(-1, -1);
    EXPECT_TRUE(
        Utilities::segmentIntersect(Point(0, 0), Point(10, 10), Point(0, 10), Point(10, 0), pt));
    EXPECT_EQ(pt, Point(5, 5));
    EXPECT_FALSE(
        Utilities::segmentIntersect(Point(0, 0), Point(1, 1), Point(2, 0), Point(3, -1), pt));
    EXPECT_EQ(pt, Point(1, 1));
    pt = Point(-1, -1);
    EXPECT_FALSE(
        Utilities::segmentIntersect(Point(0, 0), Point(1, 1), Point(0, 1), Point(1, 2), pt));
    EXPECT_EQ(pt, Point(-1, -1));
    // Segments that meet at an end point.
    EXPECT_TRUE(
        Utilities::segmentIntersect(Point(0, 0), Point(5, 5), Point(5, 5), Point(10, 0), pt));
}

TEST(Utilities, RectangleBorderCrossing) {
    const Rect r(0, 0, 100, 50);
    Point pt;
    Utilities::getRectIntr(r, Point(50, 25), Point(50, 200), pt);
    EXPECT_EQ(pt, Point(50, 50));
    Utilities::getRectIntr(r, Point(30, 25), Point(200, 25), pt);
    EXPECT_EQ(pt, Point(100, 25));
    Utilities::getRectIntr(r, Point(50, 25), Point(150, 75), pt);
    EXPECT_EQ(pt, Point(100, 50));
    Utilities::getRectIntr(r, Point(50, 25), Point(250, 45), pt);
    EXPECT_EQ(pt, Point(100, 30));
    Utilities::getRectIntr(r, Point(50, 25), Point(60, -75), pt);
    expectNear(pt, Point(52.5, 0));
}

// Segments that run up or to the left cross the top or left edge, not the opposite one.
TEST(Utilities, RectangleBorderCrossingTowardsTheOrigin) {
    const Rect r(0, 0, 100, 50);
    Point pt;
    Utilities::getRectIntr(r, Point(50, 25), Point(50, -100), pt);
    EXPECT_EQ(pt, Point(50, 0));
    Utilities::getRectIntr(r, Point(50, 25), Point(-100, 25), pt);
    EXPECT_EQ(pt, Point(0, 25));
    Utilities::getRectIntr(r, Point(50, 25), Point(-50, -25), pt);
    EXPECT_EQ(pt, Point(0, 0));
    Utilities::getRectIntr(r, Point(50, 25), Point(-150, 5), pt);
    expectNear(pt, Point(0, 20));
}

TEST(Utilities, EllipseCrossing) {
    const Rect r(0, 0, 100, 50);
    Point pt;
    Utilities::getEllipseIntr(r, Point(50, 25), Point(200, 25), pt);
    EXPECT_EQ(pt, Point(100, 25));
    Utilities::getEllipseIntr(r, Point(50, 25), Point(-200, 25), pt);
    EXPECT_EQ(pt, Point(0, 25));
    Utilities::getEllipseIntr(r, Point(50, 25), Point(50.00005, -100), pt);
    EXPECT_EQ(pt, Point(50, 0));
    Utilities::getEllipseIntr(r, Point(50, 25), Point(50, 100), pt);
    EXPECT_EQ(pt, Point(50, 50));
    // Along the diagonal of a circle.
    Utilities::getEllipseIntr(Rect(0, 0, 20, 20), Point(10, 10), Point(30, 30), pt);
    expectNear(pt, Point(10 + std::sqrt(50.0), 10 + std::sqrt(50.0)));
    Utilities::getEllipseIntr(r, Point(0, 200), Point(100, 210), pt);
    EXPECT_TRUE(std::isnan(pt.x));
}

TEST(Utilities, PolygonCrossingNearestTheEnd) {
    const std::vector<Point> square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    EXPECT_EQ(Utilities::getPolygonIntr(square, Point(5, 5), Point(20, 5)), Point(10, 5));
    EXPECT_EQ(Utilities::getPolygonIntr(square, Point(-5, 5), Point(20, 5)), Point(10, 5));
    EXPECT_EQ(Utilities::getPolygonIntr(square, Point(20, 5), Point(-5, 5)), Point(0, 5));
    EXPECT_EQ(Utilities::getPolygonIntr(square, Point(5, 5), Point(5, -20)), Point(5, 0));
    EXPECT_FALSE(Utilities::getPolygonIntr(square, Point(2, 2), Point(8, 8)));
    EXPECT_FALSE(Utilities::getPolygonIntr({}, Point(0, 0), Point(1, 1)));
    const std::vector<Point> triangle{{0, 0}, {10, 10}, {0, 20}};
    expectNear(*Utilities::getPolygonIntr(triangle, Point(2, 10), Point(20, 10)), Point(10, 10));
}

TEST(Utilities, RectangleHelpers) {
    EXPECT_EQ(Utilities::normalizeRect(Rect(10, 10, -4, -5)), Rect(6, 5, 4, 5));
    EXPECT_TRUE(Utilities::pointInRect(Point(6, 7), Rect(10, 10, -4, -5)));
    EXPECT_TRUE(Utilities::pointInRect(Point(10, 10), Rect(10, 10, -4, -5)));
    EXPECT_FALSE(Utilities::pointInRect(Point(11, 10), Rect(10, 10, -4, -5)));

    Rect r(0, 0, 10, 10);
    Utilities::inflate(r, 1);
    EXPECT_EQ(r, Rect(-1, -1, 12, 12));
    Utilities::inflate(r, 1, -1);
    EXPECT_EQ(r, Rect(-2, 0, 14, 10));

    const Rect a(0, 0, 10, 10), b(5, -5, 20, 5);
    EXPECT_EQ(Utilities::unionRects(std::nullopt, a), a);
    EXPECT_EQ(Utilities::unionRects(a, std::nullopt), a);
    EXPECT_FALSE(Utilities::unionRects(std::nullopt, std::nullopt));
    EXPECT_EQ(Utilities::unionRects(a, b), Rect(0, -5, 25, 15));
}
