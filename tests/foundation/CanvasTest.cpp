#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/GraphicsPath.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Pixels.h"

using namespace nodeloom;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::shared_ptr<Color> rgb(double r, double g, double b) {
    return std::make_shared<Color>(r, g, b);
}
std::shared_ptr<SolidColorBrush> solid(double r, double g, double b) {
    return std::make_shared<SolidColorBrush>(rgb(r, g, b));
}

double scaleOf(cairo_t* cr) {
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    return m.xx;
}

// The colour at (x, y) of a 100 x 50 rectangle filled red to blue at the angle.
std::uint32_t gradientAt(double angle, int x, int y) {
    Pixels px(100, 50);
    Canvas canvas(px.cr());
    canvas.setBrush(std::make_shared<LinearGradientBrush>(rgb(1, 0, 0), rgb(0, 0, 1), angle));
    canvas.fillRect(Rect(0, 0, 100, 50));
    return px.at(x, y);
}

}  // namespace

TEST(Canvas, UnitChangeScalesTheContextOnce) {
    Pixels px(10, 10);
    Canvas canvas(px.cr());
    canvas.setMeasureUnit(MeasureUnit::Point());
    EXPECT_DOUBLE_EQ(scaleOf(px.cr()), 1.0);
    canvas.setMeasureUnit(MeasureUnit::Millimeter());
    EXPECT_NEAR(scaleOf(px.cr()), 72 / 25.4, 1e-12);
    canvas.setMeasureUnit(MeasureUnit::Point());
    canvas.setMeasureUnit(MeasureUnit::Inch());
    EXPECT_NEAR(scaleOf(px.cr()), 72.0, 1e-12);

    Canvas measuring(MeasureUnit::Millimeter());
    EXPECT_DOUBLE_EQ(scaleOf(measuring.context()), 1.0);
    measuring.setFont("Arial", 12, MeasureUnit::Point());
    EXPECT_NEAR(measuring.fontSize(), 12 * 25.4 / 72, 1e-12);
    measuring.setFont("Arial", 12, MeasureUnit::fromId(0));
    EXPECT_DOUBLE_EQ(measuring.fontSize(), 12);
}

TEST(Canvas, StrokeThicknessZeroIsOnePixel) {
    Pixels px(20, 20);
    Canvas canvas(px.cr());
    canvas.setStrokeThickness(0);
    EXPECT_DOUBLE_EQ(cairo_get_line_width(px.cr()), 1.0);
    canvas.drawLine(Point(0, 10.5), Point(20, 10.5));
    const auto box = px.ink();
    EXPECT_EQ(box.top, 10);
    EXPECT_EQ(box.bottom, 11);
    EXPECT_EQ(px.alpha(5, 10), 255);

    canvas.setMeasureUnit(MeasureUnit::Millimeter());
    canvas.setStrokeThickness(0);
    EXPECT_NEAR(cairo_get_line_width(px.cr()), 25.4 / 72, 1e-12);
}

TEST(Canvas, ShapesFillWithTheBrushAndStrokeWithThePen) {
    Pixels px(100, 40);
    Canvas canvas(px.cr());
    canvas.setStroke(*Colors::Red());
    canvas.setStrokeThickness(2);
    canvas.fillRect(Rect(0, 0, 10, 10));  // no brush yet
    EXPECT_EQ(px.ink().count, 0);

    canvas.setBrush(solid(0, 0, 1));
    canvas.drawRect(Rect(10, 10, 20, 20));
    EXPECT_EQ(px.at(20, 20), 0xFF0000FFu);
    EXPECT_EQ(px.at(10, 20), 0xFFFF0000u);
    canvas.strokeRect(0, 0, 8, 8);
    EXPECT_EQ(px.alpha(4, 4), 0);

    canvas.drawEllipse(40, 0, 30, 30);  // chords only
    EXPECT_EQ(px.alpha(55, 15), 0);
    canvas.drawEllipse(Rect(70, 0, 30, 30));
    EXPECT_EQ(px.at(85, 15), 0xFF0000FFu);
}

TEST(Canvas, ArcsAndBeziersDrawOnlyWholeSteps) {
    Pixels px(60, 60);
    Canvas canvas(px.cr());
    canvas.drawArc(Rect(0, 0, 60, 60), 0, 0.5);
    canvas.drawBezier({{0, 0}, {10, 30}, {30, 30}, {40, 0}, {20, 20}});
    EXPECT_EQ(px.ink().count, 0);
    canvas.drawArc(Rect(0, 0, 60, 60), 0, -90);  // the top-right quarter
    const auto box = px.ink();
    EXPECT_GE(box.left, 29);
    EXPECT_LE(box.bottom, 32);

    Pixels curve(40, 40);
    Canvas c2(curve.cr());
    c2.drawBezier({{0, 0}, {10, 30}, {30, 30}, {40, 0}});
    EXPECT_GT(curve.ink().count, 0);
}

TEST(Canvas, GradientFillFollowsTheAngleAnticlockwise) {
    EXPECT_GT(gradientAt(0, 99, 25) >> 16 & 0xFF, 240u);  // first colour at the right
    EXPECT_GT(gradientAt(0, 0, 25) & 0xFF, 240u);
    EXPECT_GT(gradientAt(90, 50, 0) >> 16 & 0xFF, 240u);  // at the top
    EXPECT_GT(gradientAt(180, 0, 25) >> 16 & 0xFF, 240u);
    EXPECT_GT(gradientAt(270, 50, 49) >> 16 & 0xFF, 240u);  // reversed: at the bottom
    EXPECT_GT(gradientAt(270, 50, 0) & 0xFF, 240u);
    // A negative angle is brought into 0 to 360 first.
    EXPECT_EQ(gradientAt(-90, 50, 0), gradientAt(270, 50, 0));
    EXPECT_EQ(gradientAt(-450, 50, 10), gradientAt(270, 50, 10));
    EXPECT_EQ(gradientAt(kNaN, 10, 25), gradientAt(0, 10, 25));
}

TEST(Canvas, ReversedGradientMirrorsThePositionsAndLeavesTheBrushAlone) {
    Pixels px(10, 100);
    Canvas canvas(px.cr());
    auto brush = std::make_shared<LinearGradientBrush>();
    brush->setColors({rgb(1, 0, 0), rgb(0, 1, 0), rgb(0, 0, 1)});
    brush->setPositions({0.2, 0.5, 0.9});
    brush->setAngle(270);
    auto before = std::make_shared<LinearGradientBrush>(*brush);
    canvas.setBrush(brush);
    canvas.fillRect(Rect(0, 0, 10, 100));
    // As angle 90 with blue, green and red at 0, 0.4 and 1 from the top.
    EXPECT_GT(px.blue(5, 0), 250);
    EXPECT_GT(px.green(5, 40), 245);
    EXPECT_GT(px.red(5, 99), 245);
    EXPECT_TRUE(brush->equalsTo(*before));
}

TEST(Canvas, GradientPathPaintsOnlyAfterTheStart) {
    auto draw = [](double angle, Pixels& px) {
        Canvas canvas(px.cr());
        canvas.setStroke(*Colors::Transparent());
        canvas.setBrush(std::make_shared<LinearGradientBrush>(rgb(1, 0, 0), rgb(0, 0, 1), angle));
        GraphicsPath path;
        path.addRect(Rect(0, 0, 100, 20));
        canvas.drawPath(path);
    };
    Pixels along(100, 20), against(100, 20);
    draw(0, along);
    // The axis runs 60 units from the top-left corner; beyond it the last colour stays.
    EXPECT_GT(along.red(1, 10), 240);
    EXPECT_EQ(along.at(80, 10), 0xFF0000FFu);
    draw(180, against);  // everything lies before the start
    EXPECT_EQ(against.ink().count, 0);
}

TEST(Canvas, SavedStateBringsBackColoursButNotTheBrush) {
    Pixels px(20, 10);
    Canvas canvas(px.cr());
    auto red = solid(1, 0, 0), blue = solid(0, 0, 1);
    canvas.setBrush(red);
    canvas.saveState();
    canvas.setBrush(blue);
    canvas.translateTransform(5, 0);
    canvas.restoreState();
    EXPECT_EQ(canvas.currentBrush(), blue);
    canvas.fillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(px.at(2, 5), 0xFFFF0000u);
    EXPECT_EQ(px.ink().right, 10);
}

TEST(Canvas, PathBuilderKeepsItsEndMatrixAndUnpaintedPath) {
    Pixels px(40, 40);
    Canvas canvas(px.cr());
    canvas.pathStart();
    EXPECT_TRUE(std::isinf(canvas.getPathEnd().x) && std::isinf(canvas.getPathEnd().y));
    Matrix m;
    m.translate(10, 10);
    canvas.setPathMatrix(m);
    canvas.pathMoveTo(Point(1, 2));
    EXPECT_EQ(canvas.getPathEnd(), Point(1, 2));
    canvas.pathLineTo(Point(20, 2));
    double x, y;
    cairo_get_current_point(px.cr(), &x, &y);
    EXPECT_EQ(Point(x, y), Point(30, 12));

    canvas.pathDraw();  // no brush: nothing painted, path still there
    EXPECT_TRUE(cairo_has_current_point(px.cr()));
    // Other figures drawn meanwhile leave the unfinished path alone.
    canvas.setBrush(solid(0, 1, 0));
    canvas.fillRect(Rect(0, 30, 5, 5));
    cairo_get_current_point(px.cr(), &x, &y);
    EXPECT_EQ(Point(x, y), Point(30, 12));
    canvas.pathStroke();
    EXPECT_FALSE(cairo_has_current_point(px.cr()));
}

TEST(Canvas, PathDrawFillsEvenOddAndStrokes) {
    Pixels px(40, 40);
    Canvas canvas(px.cr());
    canvas.setBrush(solid(0, 0, 1));
    canvas.setStroke(*Colors::Transparent());
    canvas.pathStart();
    canvas.pathRoundRect(Rect(0, 0, 40, 40), 5);
    canvas.pathCloseFigure();
    canvas.pathEllipse(Rect(10, 10, 20, 20));
    canvas.pathDraw();
    EXPECT_EQ(px.at(5, 20), 0xFF0000FFu);
    EXPECT_EQ(px.alpha(20, 20), 0);  // a hole by the even-odd rule
    EXPECT_LT(px.alpha(0, 0), 128);  // a rounded corner
}

TEST(Canvas, BadValuesNeverBlankTheRestOfTheDrawing) {
    Pixels px(20, 20);
    Canvas canvas(px.cr());
    canvas.restoreState();  // without a save
    canvas.scaleTransform(0);
    canvas.scaleTransform(kNaN);
    canvas.scaleAtCenter(0, 1, Rect(0, 0, 10, 10));
    canvas.translateTransform(kInf, 0);
    canvas.rotateTransform(kNaN);
    canvas.setLineDashStyle({0, 0});
    canvas.setLineDashStyle({1, -1});
    canvas.setStrokeThickness(kInf);
    canvas.drawLine(Point(kNaN, 0), Point(10, 10));
    canvas.drawPolyline({{0, 0}, {kInf, 3}});
    canvas.pathStart();
    canvas.pathMoveTo(Point(kNaN, kNaN));
    canvas.pathBezierTo(Point(0, 0), Point(kNaN, 1), Point(2, 2));
    canvas.pathEllipse(Rect(0, 0, 0, 10));
    canvas.pathEllipse(Rect(0, 0, 1e-300, 1e-300));
    canvas.pathRoundRect(Rect(0, 0, kNaN, 1), 2);
    canvas.pathArcTo(Rect(0, 0, 10, 10), 0, kInf);
    canvas.drawArc(Rect(0, 0, 10, 10), 0, 1e300);
    canvas.clip(Rect(kNaN, 0, 1, 1));
    canvas.setPathMatrix(Matrix({kNaN, 0, 0, 1, 0, 0}));
    canvas.pathLineTo(Point(3, 3));
    canvas.pathStroke();
    EXPECT_EQ(cairo_status(px.cr()), CAIRO_STATUS_SUCCESS);
    EXPECT_DOUBLE_EQ(scaleOf(px.cr()), 1.0);

    canvas.setBrush(solid(0, 1, 0));
    canvas.fillRect(Rect(0, 0, 20, 20));
    EXPECT_EQ(px.at(10, 10), 0xFF00FF00u);
}
