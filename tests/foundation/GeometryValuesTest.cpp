#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <unordered_set>

#include "Nodeloom/foundation/Matrix.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/foundation/Vector.h"

using namespace nodeloom;

namespace {
void expectNear(const Point& actual, const Point& expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-9);
    EXPECT_NEAR(actual.y, expected.y, 1e-9);
}
}  // namespace

TEST(Point, MeasuresAndCompares) {
    const Point a(0, 0), b(3, 4);
    EXPECT_EQ(a.distance(b), 5.0);
    EXPECT_EQ(a.distanceSquared(b), 25.0);
    EXPECT_EQ(a.middle(b), Point(1.5, 2.0));
    EXPECT_FALSE(Point(0, 0).equalEpsilon(Point(0.00001, 0)));
    EXPECT_TRUE(Point(0, 0).equalEpsilon(Point(0.000009, -0.000009)));
}

TEST(Point, ZeroAndNegativeZeroHashAlike) {
    std::unordered_set<Point> set{Point(0.0, -0.0)};
    EXPECT_TRUE(set.count(Point(-0.0, 0.0)));
    EXPECT_FALSE(set.count(Point(0.0, 1.0)));
}

TEST(Point, TextForm) {
    EXPECT_EQ(Point(12.5, 40).toString(), "12.5, 40.0");
    EXPECT_EQ(Point::fromString("12.5, 40.0"), Point(12.5, 40));
    EXPECT_EQ(Point::fromString("1,2,3"), Point(1, 2));
    EXPECT_EQ(Point::fromString("7"), Point(7, 0));
    EXPECT_EQ(Point::fromString(""), Point());
    EXPECT_EQ(Point::fromString("a, b"), Point());
}

TEST(Rect, CornersRunClockwiseFromTopLeft) {
    EXPECT_EQ(Rect(10, 20, 50, 40).getCornerPoints(),
              (std::vector<Point>{{10, 20}, {60, 20}, {60, 60}, {10, 60}}));
}

TEST(Rect, ContainmentIsInclusiveForPointsAndStrictForRectangles) {
    const Rect r(0, 0, 10, 10);
    EXPECT_FALSE(r.contains(r));
    EXPECT_TRUE(r.contains(Rect(1, 1, 8, 8)));
    EXPECT_FALSE(r.contains(Rect(0, 1, 8, 8)));
    EXPECT_TRUE(r.containsPoint(Point(10, 10)));
    EXPECT_TRUE(r.containsPoint(Point(0, 0)));
    EXPECT_FALSE(r.containsPoint(Point(10.0001, 5)));
    // Not normalised: a negative extent contains nothing.
    EXPECT_FALSE(Rect(10, 10, -10, -10).containsPoint(Point(5, 5)));
}

TEST(Rect, IntersectionAndUnion) {
    const Rect a(0, 0, 10, 10);
    EXPECT_TRUE(a.intersectsWith(Rect(10, 0, 5, 5)));
    EXPECT_EQ(a.intersect(Rect(10, 0, 5, 5)), Rect(10, 0, 0, 5));
    EXPECT_FALSE(a.intersectsWith(Rect(11, 0, 5, 5)));
    EXPECT_EQ(a.intersect(Rect(20, 20, 5, 5)), Rect());
    EXPECT_EQ(a.intersect(Rect(5, -5, 10, 10)), Rect(5, 0, 5, 5));

    EXPECT_EQ(a.union_(std::nullopt), a);
    EXPECT_EQ(Rect::union_(std::nullopt, a), a);
    EXPECT_EQ(a.union_(Rect(20, -5, 5, 5)), Rect(0, -5, 25, 15));
    EXPECT_EQ(Rect::union_(Rect(20, -5, 5, 5), a), Rect(0, -5, 25, 15));
}

TEST(Rect, ConstructionHelpers) {
    EXPECT_EQ(Rect::inflate(Rect(0, 0, 1, 1), -1, 1), Rect(1, -1, -1, 3));
    EXPECT_EQ(Rect(0, 0, 10, 20).scaledRect(2), Rect(-5, -10, 20, 40));
    EXPECT_EQ(Rect::fromPoints(Point(10, 0), Point(0, 5)), Rect(0, 0, 10, 5));
    EXPECT_EQ(Rect::fromLTRB(10, 0, 0, 5), Rect(10, 0, -10, 5));
}

TEST(Rect, TextForm) {
    const Rect expected(10, 20, 50, 40);
    EXPECT_EQ(expected.toString(), "10.0, 20.0, 50.0, 40.0");
    EXPECT_EQ(Rect(-0.5, 1e-7, 3, 1e21).toString(), "-0.5, 1e-07, 3.0, 1e+21");
    EXPECT_EQ(Rect::fromString("10.0, 20.0, 50.0, 40.0"), expected);
    EXPECT_EQ(Rect::fromString("10,20,50,40"), expected);
    EXPECT_EQ(Rect::fromString("1 0, 20, 50, 40"), expected);
    EXPECT_EQ(Rect::fromString("10, 20, 50, 40, 99"), expected);
    EXPECT_EQ(Rect::fromString("1,,2,3,4"), Rect(1, 2, 3, 4));
    EXPECT_EQ(Rect::fromString(",1,2,3,4"), Rect(1, 2, 3, 4));
    EXPECT_EQ(Rect::fromString("abc, 20, 50, 40"), Rect(0, 20, 50, 40));
    EXPECT_EQ(Rect::fromString("1, 2"), Rect(1, 2, 0, 0));
    EXPECT_EQ(Rect::fromString(""), Rect());
    const Rect odd(-1.25, 0.1, 1e300, 3.0 / 7.0);
    EXPECT_EQ(Rect::fromString(odd.toString()), odd);
}

TEST(Rect, CairoRectangleKeepsOriginAndTakesExtentMagnitude) {
    const cairo_rectangle_t c{5, 6, -7, 8};
    EXPECT_EQ(Rect(c), Rect(5, 6, 7, 8));
    const cairo_rectangle_t back = Rect(1, 2, 3, 4).toCairoRect();
    EXPECT_EQ(Rect(back), Rect(1, 2, 3, 4));
}

TEST(Rect, PrintMeWritesEdges) {
    testing::internal::CaptureStdout();
    Rect(1, 2, 3, 4.5).printMe();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "1.0 2.0 4.0 6.5\n");
}

TEST(Vector, Arithmetic) {
    const Vector v(Point(1, 1), Point(4, 5));
    EXPECT_EQ(v, Vector(3, 4));
    EXPECT_EQ(v.length(), 5.0);
    EXPECT_EQ(Vector::left(Vector(1, 0)), Vector(0, -1));
    EXPECT_EQ(Vector::right(Vector(1, 0)), Vector(0, 1));
    EXPECT_EQ(Vector::multiply(v, Vector(2, 1)), 10.0);
    EXPECT_EQ(v - Vector(1, 1), Vector(2, 3));
    EXPECT_EQ(Point(1, 1) + v, Point(4, 5));
}

TEST(Vector, ScalingASharedVectorLeavesOtherHoldersAlone) {
    auto first = std::make_shared<Vector>(1, 2);
    auto second = first;
    first *= 3;
    EXPECT_EQ(*first, Vector(3, 6));
    EXPECT_EQ(*second, Vector(1, 2));
    first /= 3;
    EXPECT_EQ(*first, Vector(1, 2));
    EXPECT_NE(first, second);

    std::shared_ptr<Vector> none;
    none *= 2;
    EXPECT_EQ(none, nullptr);

    Vector value(1, 1);
    Vector copy = value;
    value *= 2;
    EXPECT_EQ(value, Vector(2, 2));
    EXPECT_EQ(copy, Vector(1, 1));
}

TEST(Matrix, TranslateAndScaleApplyBeforeTheExistingTransform) {
    Matrix m;
    m.translate(5, 0);
    m.scale(2, 2);
    EXPECT_EQ(m.transform(Point(1, 1)), Point(7, 2));
    Matrix n;
    n.scale(2, 2);
    n.translate(5, 0);
    EXPECT_EQ(n.transform(Point(1, 1)), Point(12, 2));
}

TEST(Matrix, RotationTurnsClockwiseOnScreen) {
    Matrix m;
    m.rotateAt(90);
    expectNear(m.transform(Point(1, 0)), Point(0, 1));
    Matrix p;
    p.rotateAt(90, Point(10, 10));
    expectNear(p.transform(Point(20, 10)), Point(10, 20));
    Matrix q;
    q.rotateAt(90, 10, 10);
    EXPECT_EQ(p, q);
}

TEST(Matrix, RectangleTransformSpansOnlyTwoCorners) {
    Matrix m;
    m.rotateAt(45);
    const Rect r = m.transform(Rect(0, 0, 10, 10));
    EXPECT_NEAR(r.x, 0, 1e-9);
    EXPECT_NEAR(r.y, 0, 1e-9);
    EXPECT_NEAR(r.width, 0, 1e-9);
    EXPECT_NEAR(r.height, std::sqrt(200.0), 1e-9);
}

TEST(Matrix, MapsOneRectangleOntoAnother) {
    const Matrix m = Matrix::mapCoordinateSystem(Rect(0, 0, 100, 100), Rect(10, 20, 50, 40));
    EXPECT_EQ(m.transform(Point(0, 0)), Point(10, 20));
    EXPECT_EQ(m.transform(Point(100, 100)), Point(60, 60));
    std::vector<Point> points{{50, 50}, {100, 0}};
    m.transform(points);
    EXPECT_EQ(points, (std::vector<Point>{{35, 40}, {60, 20}}));

    Matrix s;
    s.scaleAtCenter(2, 3, Rect(0, 0, 10, 10));
    EXPECT_EQ(s.transform(Point(5, 5)), Point(5, 5));
    EXPECT_EQ(s.transform(Point(10, 10)), Point(15, 20));
}

TEST(Matrix, ProductAppliesFirstThenSecond) {
    Matrix a;
    a.rotateAt(30, 3, 4);
    a.scale(2, 0.5);
    Matrix b;
    b.translate(-7, 2);
    b.rotateAt(-75);
    const Matrix r = Matrix::multiply(a, b);
    for (const Point p : {Point(0, 0), Point(1, 2), Point(-5, 9)})
        expectNear(r.transform(p), b.transform(a.transform(p)));
    EXPECT_EQ(Matrix::multiply(Matrix(), Matrix()), Matrix());
}
