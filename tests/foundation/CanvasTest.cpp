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

std::shared_ptr<LinearGradientBrush> redToBlue(double angle) {
    return std::make_shared<LinearGradientBrush>(rgb(1, 0, 0), rgb(0, 0, 1), angle);
}

double scaleOf(cairo_t* cr) {
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    return m.xx;
}

}  // namespace

TEST(Canvas, StartsWithTheDocumentedState) {
    Pixels px(10, 10);
    Canvas canvas(px.cr());
    EXPECT_TRUE(*canvas.measureUnit() == *MeasureUnit::Point());
    EXPECT_EQ(canvas.fontName(), "ArialMT");
    EXPECT_DOUBLE_EQ(canvas.fontSize(), 4.0);
    EXPECT_TRUE(*canvas.textColor() == Color(1.0, 0.0, 0.0, 0.0));
    EXPECT_FALSE(canvas.currentBrush());
    EXPECT_FALSE(canvas.pathMatrix());
    EXPECT_EQ(canvas.pathEnd(), Point(0, 0));
    EXPECT_DOUBLE_EQ(scaleOf(px.cr()), 1.0);

    Canvas measuring(MeasureUnit::Millimeter());
    ASSERT_NE(measuring.context(), nullptr);
    EXPECT_TRUE(*measuring.measureUnit() == *MeasureUnit::Millimeter());
    EXPECT_DOUBLE_EQ(scaleOf(measuring.context()), 1.0);
}

TEST(Canvas, UnitChangeScalesTheContextOnce) {
    Pixels px(10, 10);
    Canvas canvas(px.cr());
    canvas.setMeasureUnit(MeasureUnit::Point());
    EXPECT_DOUBLE_EQ(scaleOf(px.cr()), 1.0);
    canvas.setMeasureUnit(MeasureUnit::Millimeter());
    EXPECT_NEAR(scaleOf(px.cr()), 72 / 25.4, 1e-12);
    canvas.setMeasureUnit(MeasureUnit::Point());
    EXPECT_NEAR(scaleOf(px.cr()), 1.0, 1e-12);
    canvas.setMeasureUnit(MeasureUnit::Inch());
    EXPECT_NEAR(scaleOf(px.cr()), 72.0, 1e-12);
    canvas.setMeasureUnit(nullptr);
    EXPECT_TRUE(*canvas.measureUnit() == *MeasureUnit::Inch());
}

TEST(Canvas, StrokeThicknessZeroIsOnePixel) {
    Pixels px(20, 20);
    Canvas canvas(px.cr());
    canvas.setStrokeThickness(0);
    EXPECT_DOUBLE_EQ(cairo_get_line_width(px.cr()), 1.0);
    canvas.setStroke(*Colors::Black());
    canvas.drawLine(Point(0, 10.5), Point(20, 10.5));
    EXPECT_TRUE(px.rowPainted(10));
    EXPECT_EQ(px.alpha(5, 10), 255);
    EXPECT_FALSE(px.rowPainted(9));
    EXPECT_FALSE(px.rowPainted(11));

    canvas.setMeasureUnit(MeasureUnit::Millimeter());
    canvas.setStrokeThickness(0);
    EXPECT_NEAR(cairo_get_line_width(px.cr()), 25.4 / 72, 1e-12);
    canvas.setStrokeThickness(kNaN);
    EXPECT_NEAR(cairo_get_line_width(px.cr()), 25.4 / 72, 1e-12);
}

TEST(Canvas, FontSizeIsHeldInTheCanvasUnit) {
    Canvas canvas(MeasureUnit::Millimeter());
    canvas.setFont("Arial", 12, MeasureUnit::Point());
    EXPECT_EQ(canvas.fontName(), "Arial");
    EXPECT_NEAR(canvas.fontSize(), 12 * 25.4 / 72, 1e-12);
    canvas.setFont("Arial", 12, MeasureUnit::fromId(0));
    EXPECT_DOUBLE_EQ(canvas.fontSize(), 12);
}

TEST(Canvas, RectanglesFillWithTheBrushAndStrokeWithThePen) {
    Pixels px(40, 40);
    Canvas canvas(px.cr());
    canvas.setStroke(*Colors::Red());
    canvas.setStrokeThickness(2);

    canvas.fillRect(Rect(0, 0, 10, 10));  // no brush yet
    EXPECT_EQ(px.paintedCount(), 0);

    canvas.setBrush(std::make_shared<SolidColorBrush>(rgb(0, 0, 1)));
    canvas.drawRect(Rect(10, 10, 20, 20));
    EXPECT_EQ(px.at(20, 20), 0xFF0000FFu);  // filled
    EXPECT_EQ(px.at(10, 20), 0xFFFF0000u);  // outline

    canvas.strokeRect(0, 0, 8, 8);
    EXPECT_EQ(px.alpha(4, 4), 0);
    EXPECT_EQ(px.at(0, 4), 0xFFFF0000u);
}

TEST(Canvas, EllipsesAndArcs) {
    Pixels px(60, 60);
    Canvas canvas(px.cr());
    canvas.setStroke(*Colors::Black());
    canvas.setBrush(std::make_shared<SolidColorBrush>(rgb(0, 1, 0)));

    canvas.drawEllipse(0, 0, 60, 60);  // chords only
    EXPECT_EQ(px.alpha(30, 30), 0);
    EXPECT_GT(px.alpha(59, 30), 0);

    Pixels filled(60, 60);
    Canvas c2(filled.cr());
    c2.setBrush(std::make_shared<SolidColorBrush>(rgb(0, 1, 0)));
    c2.drawEllipse(Rect(0, 0, 60, 60));
    EXPECT_EQ(filled.at(30, 30), 0xFF00FF00u);
    EXPECT_EQ(filled.alpha(2, 2), 0);

    Pixels arc(60, 60);
    Canvas c3(arc.cr());
    c3.drawArc(Rect(0, 0, 60, 60), 0, 0.5);
    EXPECT_EQ(arc.paintedCount(), 0);
    // From -90 to 0: the top-right quarter only.
    c3.drawArc(Rect(0, 0, 60, 60), 0, -90);
    EXPECT_GT(arc.paintedCount(), 0);
    const auto box = arc.ink();
    EXPECT_GE(box.left, 29);
    EXPECT_LE(box.bottom, 32);
}

TEST(Canvas, BezierNeedsThreePointsPerCurveAfterTheFirst) {
    Pixels px(40, 40);
    Canvas canvas(px.cr());
    const std::vector<Point> five{{0, 0}, {10, 30}, {30, 30}, {40, 0}, {20, 20}};
    canvas.drawBezier(five);
    canvas.drawBezier({five.begin(), five.begin() + 3});
    EXPECT_EQ(px.paintedCount(), 0);
    canvas.drawBezier({five.begin(), five.begin() + 4});
    EXPECT_GT(px.paintedCount(), 0);
}

TEST(Canvas, GradientFillFollowsTheAngleAnticlockwise) {
    auto colourAt = [](double angle, int x, int y) {
        Pixels px(100, 50);
        Canvas canvas(px.cr());
        canvas.setBrush(redToBlue(angle));
        canvas.fillRect(Rect(0, 0, 100, 50));
        return px.at(x, y);
    };
    // Angle 0 runs from the right edge (first colour) to the left edge.
    EXPECT_GT(colourAt(0, 99, 25) >> 16 & 0xFF, 240u);
    EXPECT_GT(colourAt(0, 0, 25) & 0xFF, 240u);
    // Angle 90 from the top down; 270 is 90 with the colours reversed.
    EXPECT_GT(colourAt(90, 50, 0) >> 16 & 0xFF, 240u);
    EXPECT_GT(colourAt(90, 50, 49) & 0xFF, 240u);
    EXPECT_GT(colourAt(270, 50, 49) >> 16 & 0xFF, 240u);
    EXPECT_GT(colourAt(270, 50, 0) & 0xFF, 240u);
    // Angle 180 runs from left to right.
    EXPECT_GT(colourAt(180, 0, 25) >> 16 & 0xFF, 240u);
    // A negative angle is brought into 0 to 360: -90 draws as 270.
    EXPECT_EQ(colourAt(-90, 50, 0), colourAt(270, 50, 0));
    EXPECT_EQ(colourAt(-90, 50, 49), colourAt(270, 50, 49));
    EXPECT_EQ(colourAt(-450, 50, 10), colourAt(270, 50, 10));
    EXPECT_EQ(colourAt(kNaN, 10, 25), colourAt(0, 10, 25));
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
    // Drawn as angle 90 with colours blue, green, red at 0, 0.4 and 1 from the top.
    EXPECT_GT(px.blue(5, 0), 250);
    EXPECT_GT(px.green(5, 40), 245);
    EXPECT_GT(px.red(5, 99), 245);
    EXPECT_TRUE(brush->equalsTo(*before));
    EXPECT_EQ(brush->colors()[0].get(), before->colors()[0].get());
}

TEST(Canvas, GradientPathPaintsOnlyAfterTheStart) {
    auto drawPath = [](double angle, Pixels& px) {
        Canvas canvas(px.cr());
        canvas.setStroke(*Colors::Transparent());
        canvas.setBrush(redToBlue(angle));
        GraphicsPath path;
        path.addRect(Rect(0, 0, 100, 20));
        canvas.drawPath(path);
    };
    Pixels along(100, 20);
    drawPath(0, along);
    // The axis runs 60 units right from the top-left corner; beyond it the last colour stays.
    EXPECT_GT(along.red(1, 10), 240);
    EXPECT_EQ(along.at(80, 10), 0xFF0000FFu);
    EXPECT_EQ(along.at(99, 19), 0xFF0000FFu);

    Pixels against(100, 20);
    drawPath(180, against);  // the whole path lies before the start
    EXPECT_EQ(against.paintedCount(), 0);
}

TEST(Canvas, SavedStateBringsBackColoursButNotTheBrush) {
    Pixels px(20, 10);
    Canvas canvas(px.cr());
    auto red = std::make_shared<SolidColorBrush>(rgb(1, 0, 0));
    auto blue = std::make_shared<SolidColorBrush>(rgb(0, 0, 1));
    canvas.setBrush(red);
    canvas.saveState();
    canvas.setBrush(blue);
    canvas.translateTransform(5, 0);
    canvas.restoreState();
    EXPECT_EQ(canvas.currentBrush(), blue);
    canvas.fillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(px.at(2, 5), 0xFFFF0000u);
    EXPECT_EQ(px.alpha(12, 5), 0);
}

TEST(Canvas, PathBuilderKeepsItsEndAndMatrix) {
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

    // Without a brush the path stays unpainted and current.
    canvas.pathDraw();
    EXPECT_TRUE(cairo_has_current_point(px.cr()));
    EXPECT_EQ(px.paintedCount(), 0);
    canvas.pathStroke();
    EXPECT_FALSE(cairo_has_current_point(px.cr()));
    EXPECT_GT(px.paintedCount(), 0);
}

TEST(Canvas, PathDrawFillsEvenOddAndStrokes) {
    Pixels px(40, 40);
    Canvas canvas(px.cr());
    canvas.setBrush(std::make_shared<SolidColorBrush>(rgb(0, 0, 1)));
    canvas.setStroke(*Colors::Transparent());
    canvas.pathStart();
    canvas.pathRoundRect(Rect(0, 0, 40, 40), 5);
    canvas.pathCloseFigure();
    canvas.pathEllipse(Rect(10, 10, 20, 20));
    canvas.pathDraw();
    EXPECT_EQ(px.at(5, 20), 0xFF0000FFu);
    EXPECT_EQ(px.alpha(20, 20), 0);  // hole by the even-odd rule
    EXPECT_LT(px.alpha(0, 0), 128);  // rounded corner
}

TEST(Canvas, ArcStepsOfAPathFollowThePathMatrix) {
    Pixels px(10, 10);
    Canvas canvas(px.cr());
    canvas.pathStart();
    canvas.pathMoveTo(Point(0, 0));
    canvas.pathArcTo(Rect(0, 0, 100, 100), 0, 90);
    EXPECT_NEAR(canvas.getPathEnd().x, 50, 1e-9);
    EXPECT_NEAR(canvas.getPathEnd().y, 100, 1e-9);
}

TEST(Canvas, ClipToPathLimitsLaterDrawing) {
    Pixels px(40, 40);
    Canvas canvas(px.cr());
    GraphicsPath path;
    path.addRect(Rect(0, 0, 20, 40));
    canvas.clipToPath(path);
    canvas.setBrush(std::make_shared<SolidColorBrush>(rgb(1, 0, 0)));
    canvas.fillRect(Rect(0, 0, 40, 40));
    EXPECT_EQ(px.at(10, 10), 0xFFFF0000u);
    EXPECT_EQ(px.alpha(30, 10), 0);
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
    canvas.pathLineTo(Point(1, kInf));
    canvas.pathBezierTo(Point(0, 0), Point(kNaN, 1), Point(2, 2));
    canvas.pathEllipse(Rect(0, 0, 0, 10));
    canvas.pathEllipse(Rect(0, 0, 1e-300, 1e-300));
    canvas.pathRoundRect(Rect(0, 0, kNaN, 1), 2);
    canvas.pathArcTo(Rect(0, 0, 10, 10), 0, kInf);
    canvas.drawArc(Rect(0, 0, 10, 10), kNaN, 90);
    canvas.drawArc(Rect(0, 0, 10, 10), 0, 1e300);
    canvas.clip(Rect(kNaN, 0, 1, 1));
    canvas.setPathMatrix(Matrix({kNaN, 0, 0, 1, 0, 0}));
    canvas.pathLineTo(Point(3, 3));
    canvas.setPathMatrix(std::nullopt);
    canvas.pathStroke();
    EXPECT_EQ(cairo_status(px.cr()), CAIRO_STATUS_SUCCESS);

    canvas.setBrush(std::make_shared<SolidColorBrush>(rgb(0, 1, 0)));
    canvas.setLineDashStyle({2, 1});
    canvas.fillRect(Rect(0, 0, 20, 20));
    EXPECT_EQ(px.at(10, 10), 0xFF00FF00u);
    EXPECT_EQ(cairo_status(px.cr()), CAIRO_STATUS_SUCCESS);
}

TEST(Canvas, FillingARectangleKeepsAnUnfinishedPath) {
    Pixels px(20, 20);
    Canvas canvas(px.cr());
    canvas.setBrush(std::make_shared<SolidColorBrush>(rgb(0, 1, 0)));
    canvas.pathStart();
    canvas.pathMoveTo(Point(1, 1));
    canvas.pathLineTo(Point(5, 5));
    canvas.fillRect(Rect(10, 10, 5, 5));
    canvas.strokeRect(Rect(10, 10, 5, 5));
    ASSERT_TRUE(cairo_has_current_point(px.cr()));
    double x, y;
    cairo_get_current_point(px.cr(), &x, &y);
    EXPECT_EQ(Point(x, y), Point(5, 5));
}

TEST(Canvas, TransformsApplyToLaterDrawing) {
    Pixels px(40, 40);
    Canvas canvas(px.cr());
    canvas.setBrush(std::make_shared<SolidColorBrush>(rgb(1, 0, 0)));
    canvas.saveState();
    canvas.rotateTransform(90, Point(20, 20));
    canvas.fillRect(Rect(20, 18, 20, 4));  // a bar to the right turns to point down
    canvas.restoreState();
    EXPECT_EQ(px.at(20, 35), 0xFFFF0000u);
    EXPECT_EQ(px.alpha(35, 20), 0);

    Pixels scaled(40, 40);
    Canvas c2(scaled.cr());
    c2.setBrush(std::make_shared<SolidColorBrush>(rgb(1, 0, 0)));
    c2.scaleAtCenter(2, 2, Rect(10, 10, 20, 20));
    c2.fillRect(Rect(15, 15, 10, 10));
    EXPECT_EQ(scaled.ink().left, 10);
    EXPECT_EQ(scaled.ink().right, 30);
}
