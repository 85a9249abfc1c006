#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/GraphicsPath.h"
#include "Pixels.h"

using namespace nodeloom;

namespace {

std::vector<Point> flattened(GraphicsPath& path, double error = 10.0) {
    path.flatten(Matrix(), error);
    return path.getPoints();
}

}  // namespace

TEST(GraphicsPath, RectangleCornersComeBackOnceAndClose) {
    GraphicsPath path;
    EXPECT_TRUE(flattened(path).empty());
    path.addRect(Rect(0, 0, 10, 20));
    EXPECT_EQ(path.getPoints(), (std::vector<Point>{{0, 0}, {10, 0}, {10, 20}, {0, 20}, {0, 0}}));
    GraphicsPath dot;
    dot.addRect(Rect(3, 4, 0, 0));
    EXPECT_EQ(dot.getPoints(), (std::vector<Point>{{3, 4}}));
}

TEST(GraphicsPath, FlatteningReplacesArcsAndBeziersByLines) {
    GraphicsPath bezier;
    bezier.addBezier({{0, 0}, {0, 10}, {10, 10}, {10, 0}, {99, 99}});
    const auto points = flattened(bezier);
    ASSERT_EQ(points.size(), 11u);  // ten lines
    EXPECT_EQ(points.front(), Point(0, 0));
    EXPECT_NEAR(points.back().x, 10, 0.01);  // the sample just below t = 1
    EXPECT_NE(points.back(), Point(10, 0));

    GraphicsPath withDefault, withTen;
    for (GraphicsPath* p : {&withDefault, &withTen}) {
        p->addArc(Rect(0, 0, 20, 10), 30, 45);
        p->addBezier({{0, 0}, {5, 5}, {6, 6}, {9, 1}});
    }
    withDefault.flatten(Matrix());
    EXPECT_EQ(withDefault.getPoints(), flattened(withTen, 10.0));

    GraphicsPath zero, back, forth;
    zero.addArc(Rect(0, 0, 10, 10), 45, 0.9);
    EXPECT_TRUE(flattened(zero).empty());
    back.addArc(Rect(0, 0, 100, 100), 90, -90);
    forth.addArc(Rect(0, 0, 100, 100), 0, 90);
    const auto arc = flattened(back);
    EXPECT_EQ(arc, flattened(forth));
    ASSERT_EQ(arc.size(), 91u);  // whole degrees, in increasing angle
    EXPECT_NEAR(arc.front().x, 100, 1e-9);
    EXPECT_NEAR(arc.back().y, 100, 1e-9);
}

TEST(GraphicsPath, TransformMapsPiecesInPlace) {
    GraphicsPath path;
    path.addLine(Point(1, 0), Point(2, 0));
    path.addArc(Rect(0, 0, 10, 20), 30, 60);
    auto line = path.graphicsPathShapes()[0];
    Matrix rotate;
    rotate.rotateAt(90);
    path.transform(rotate);
    EXPECT_NEAR(dynamic_cast<GraphicsPathLine&>(*line).p1().y, 1, 1e-12);
    auto& arc = dynamic_cast<GraphicsPathArc&>(*path.graphicsPathShapes()[1]);
    EXPECT_EQ(arc.startAngle(), 30);
    EXPECT_NEAR(arc.rect().x, -20, 1e-12);
    EXPECT_NEAR(arc.rect().width, 20, 1e-12);
    path.flatten(Matrix());
    EXPECT_EQ(path.graphicsPathShapes()[0], line);  // the same piece object
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
        EXPECT_GE(path.graphicsPathShapes().size(), 1u) << error;
        EXPECT_LE(path.graphicsPathShapes().size(), 20000u) << error;
    }
    // Below one, a bezier still becomes one line from its start to its end.
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
    path.addArc(Rect(0, 0, 10, 10), 0, 90);
    path.addToCanvas(canvas);
    EXPECT_NEAR(canvas.getPathEnd().x, 5, 1e-12);
    EXPECT_NEAR(canvas.getPathEnd().y, 10, 1e-12);
    cairo_path_t* copy = cairo_copy_path(px.cr());
    int moves = 0;
    for (int i = 0; i < copy->num_data; i += copy->data[i].header.length)
        moves += copy->data[i].header.type == CAIRO_PATH_MOVE_TO;
    cairo_path_destroy(copy);
    EXPECT_EQ(moves, 1);
}
