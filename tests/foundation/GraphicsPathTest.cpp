#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/GraphicsPath.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Pixels.h"

using namespace nodeloom;

namespace {

std::vector<Point> flattened(GraphicsPath& path, double error = 10.0) {
    path.flatten(Matrix(), error);
    return path.getPoints();
}

std::size_t lineCount(const GraphicsPath& path) {
    std::size_t n = 0;
    for (const auto& piece : path.graphicsPathShapes())
        n += dynamic_cast<GraphicsPathLine*>(piece.get()) != nullptr;
    return n;
}

}  // namespace

TEST(GraphicsPath, RectangleCornersComeBackOnceAndClose) {
    GraphicsPath path;
    path.startFigure();
    EXPECT_TRUE(path.getPoints().empty());
    path.addRect(Rect(0, 0, 10, 20));
    EXPECT_EQ(path.getPoints(), (std::vector<Point>{{0, 0}, {10, 0}, {10, 20}, {0, 20}, {0, 0}}));

    GraphicsPath dot;
    dot.addRect(Rect(3, 4, 0, 0));
    EXPECT_EQ(dot.getPoints(), (std::vector<Point>{{3, 4}}));
}

TEST(GraphicsPath, FlatteningReplacesArcsAndBeziersByLines) {
    GraphicsPath empty;
    empty.flatten(Matrix());
    EXPECT_TRUE(empty.graphicsPathShapes().empty());

    GraphicsPath bezier;
    bezier.addBezier({{0, 0}, {0, 10}, {10, 10}, {10, 0}, {99, 99}});
    bezier.flatten(Matrix());
    ASSERT_EQ(lineCount(bezier), 10u);
    const auto points = bezier.getPoints();
    EXPECT_EQ(points.front(), Point(0, 0));
    EXPECT_NEAR(points.back().x, 10, 0.01);  // the sample just below t = 1
    EXPECT_NE(points.back(), Point(10, 0));

    GraphicsPath withDefault, withTen;
    for (GraphicsPath* p : {&withDefault, &withTen}) {
        p->addArc(Rect(0, 0, 20, 10), 30, 45);
        p->addBezier({{0, 0}, {5, 5}, {6, 6}, {9, 1}});
    }
    withDefault.flatten(Matrix());
    withTen.flatten(Matrix(), 10.0);
    EXPECT_EQ(withDefault.getPoints(), withTen.getPoints());
}

TEST(GraphicsPath, ArcsFlattenInIncreasingAngleWholeDegreesOnly) {
    GraphicsPath zero;
    zero.addArc(Rect(0, 0, 10, 10), 45, 0);
    zero.addArc(Rect(0, 0, 10, 10), 45, 0.9);
    zero.flatten(Matrix());
    EXPECT_TRUE(zero.graphicsPathShapes().empty());

    GraphicsPath back, forth;
    back.addArc(Rect(0, 0, 100, 100), 90, -90);
    forth.addArc(Rect(0, 0, 100, 100), 0, 90);
    const auto a = flattened(back);
    EXPECT_EQ(a, flattened(forth));
    ASSERT_EQ(a.size(), 91u);
    EXPECT_NEAR(a.front().x, 100, 1e-9);
    EXPECT_NEAR(a.front().y, 50, 1e-9);
    EXPECT_NEAR(a.back().x, 50, 1e-9);
    EXPECT_NEAR(a.back().y, 100, 1e-9);

    GraphicsPath partial;
    partial.addArc(Rect(0, 0, 100, 100), 0, 10.5);
    partial.flatten(Matrix());
    EXPECT_EQ(lineCount(partial), 10u);
}

TEST(GraphicsPath, TransformMapsPiecesInPlace) {
    GraphicsPath path;
    path.addLine(Point(1, 0), Point(2, 0));
    path.addArc(Rect(0, 0, 10, 20), 30, 60);
    path.addBezier({{1, 1}, {2, 2}, {3, 3}, {4, 4}});
    auto line = path.graphicsPathShapes()[0];
    Matrix rotate;
    rotate.rotateAt(90);
    path.transform(rotate);
    auto* l = dynamic_cast<GraphicsPathLine*>(line.get());
    EXPECT_NEAR(l->p1().x, 0, 1e-12);
    EXPECT_NEAR(l->p1().y, 1, 1e-12);
    auto* arc = dynamic_cast<GraphicsPathArc*>(path.graphicsPathShapes()[1].get());
    EXPECT_EQ(arc->startAngle(), 30);
    EXPECT_EQ(arc->sweepAngle(), 60);
    EXPECT_NEAR(arc->rect().x, -20, 1e-12);
    EXPECT_NEAR(arc->rect().width, 20, 1e-12);
    EXPECT_NEAR(arc->rect().height, 10, 1e-12);
    auto* bezier = dynamic_cast<GraphicsPathBezier*>(path.graphicsPathShapes()[2].get());
    EXPECT_NEAR(bezier->points()[3].x, -4, 1e-12);

    // Flattening keeps line pieces as the same objects.
    path.flatten(Matrix());
    EXPECT_EQ(path.graphicsPathShapes()[0], line);
}

TEST(GraphicsPath, MalformedPiecesNeitherLoopNorReadOutOfRange) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double error : {0.0, 0.5, -3.0, nan, -1.0 / 0.0, 1.0 / 0.0, 1e300}) {
        GraphicsPath path;
        path.addBezier({{0, 0}, {1, 1}, {2, 2}, {3, 0}});
        path.addBezier({{0, 0}, {1, 1}});
        path.addBezier({});
        path.addArc(Rect(0, 0, 10, 10), 0, 1e300);
        path.addArc(Rect(0, 0, 10, 10), nan, 30);
        path.graphicsPathShapes().push_back(nullptr);
        path.flatten(Matrix(), error);
        EXPECT_GE(lineCount(path), 1u) << error;
        EXPECT_LE(lineCount(path), 20000u) << error;
    }
    // Below one, a bezier still becomes a line from its start to its end.
    GraphicsPath coarse;
    coarse.addBezier({{0, 0}, {1, 1}, {2, 2}, {3, 0}});
    EXPECT_EQ(flattened(coarse, 0.5), (std::vector<Point>{{0, 0}, {3, 0}}));

    Pixels px(10, 10);
    Canvas canvas(px.cr());
    GraphicsPath shortBezier;
    shortBezier.addBezier({{0, 0}, {1, 1}});
    shortBezier.graphicsPathShapes().push_back(nullptr);
    shortBezier.addToCanvas(canvas);
    EXPECT_FALSE(cairo_has_current_point(px.cr()));
}

TEST(GraphicsPath, AddedToACanvasAsOneJoinedFigure) {
    Pixels px(10, 10);
    Canvas canvas(px.cr());
    GraphicsPath path;
    path.addLine(Point(1, 1), Point(5, 1));
    path.addLine(Point(7, 7), Point(8, 8));  // joined, not moved to
    path.addBezier({{0, 0}, {8, 9}, {9, 9}, {9, 2}});
    path.addToCanvas(canvas);
    EXPECT_EQ(canvas.getPathEnd(), Point(9, 2));
    cairo_path_t* copy = cairo_copy_path(px.cr());
    int moves = 0;
    for (int i = 0; i < copy->num_data; i += copy->data[i].header.length)
        moves += copy->data[i].header.type == CAIRO_PATH_MOVE_TO;
    cairo_path_destroy(copy);
    EXPECT_EQ(moves, 1);

    // An arc steps through whole degrees along its ellipse.
    GraphicsPath arcFirst;
    arcFirst.addArc(Rect(0, 0, 10, 10), 0, 90);
    arcFirst.addToCanvas(canvas);
    EXPECT_NEAR(canvas.getPathEnd().x, 5, 1e-12);
    EXPECT_NEAR(canvas.getPathEnd().y, 10, 1e-12);
}
