#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/ArcSegment.h"
#include "Nodeloom/foundation/BezierSegment.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/GraphicsPath.h"
#include "Nodeloom/foundation/LineSegment.h"
#include "Nodeloom/foundation/Matrix.h"
#include "Nodeloom/foundation/RoundRectSegment.h"
#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Pixels.h"

using namespace nodeloom;
using Log = std::vector<std::string>;

namespace {

std::shared_ptr<XmlElement> parse(const std::string& xml) {
    const auto path = std::filesystem::temp_directory_path() / "nodeloom-shape-test.xml";
    std::ofstream(path) << xml;
    XmlDomBuilder builder;
    const bool whole = builder.parseFile(path);
    std::filesystem::remove(path);
    return whole ? builder.root() : nullptr;
}

std::shared_ptr<Shape> shapeFrom(const std::string& xml) {
    auto shape = std::make_shared<Shape>();
    XmlContext context;
    EXPECT_TRUE(shape->loadFromXml(parse(xml), context));
    return shape;
}

std::string line(double x1, double y1, double x2, double y2) {
    auto point = [](double x, double y) {
        return "<p x='" + std::to_string(x) + "' y='" + std::to_string(y) + "'/>";
    };
    return "<line>" + point(x1, y1) + point(x2, y2) + "</line>";
}

std::string square(double x, double y, double w, double h) {
    return line(x, y, x + w, y) + line(x + w, y, x + w, y + h) + line(x + w, y + h, x, y + h) +
           line(x, y + h, x, y);
}

void clear(Pixels& px) {
    cairo_save(px.cr());
    cairo_set_operator(px.cr(), CAIRO_OPERATOR_CLEAR);
    cairo_paint(px.cr());
    cairo_restore(px.cr());
}

std::shared_ptr<SolidColorBrush> solid(double r, double g, double b) {
    return std::make_shared<SolidColorBrush>(std::make_shared<Color>(r, g, b));
}

// Logs the path-building calls a shape makes (a run of line steps as one entry), and draws them.
class RecordingCanvas : public Canvas {
public:
    using Canvas::Canvas;
    Log log;

    void note(const std::string& entry) {
        if (entry != "line" || log.empty() || log.back() != "line") log.push_back(entry);
    }
    void pathStart() override {
        note("start");
        Canvas::pathStart();
    }
    void pathMoveTo(const Point& p) override {
        note("move " + p.toString());
        Canvas::pathMoveTo(p);
    }
    void pathLineTo(const Point& p) override {
        note("line");
        Canvas::pathLineTo(p);
    }
    void pathEllipse(const Rect& r) override {
        note("ellipse " + r.toString());
        Canvas::pathEllipse(r);
    }
    void pathCloseFigure() override {
        note("close");
        Canvas::pathCloseFigure();
    }
    void pathDraw() override {
        note("draw");
        Canvas::pathDraw();
    }
    void pathStroke() override {
        note("stroke");
        Canvas::pathStroke();
    }
};

}  // namespace

TEST(ShapeSegments, ReadTheirValuesLenientlyAndLeaveMalformedOnesOut) {
    Shape shape;
    const auto segments = shape.loadSegments(parse(R"(<shape><outline>
        <line><a x=" 12.5" y="abc"/><b x="7px" y="-3"/></line>
        <circle x="1"/>
        <arc x="1" y="2" arc-width="30" arc-height="40" start="90" sweep="-45"/>
        <bezier><p x="0" y="0"/><p x="1" y="2"/><p x="3" y="4"/><p x="5" y="6"/></bezier>
        <round-rectangle x="5" y="6" w="70" h="80" r="3"/>
        <line><p x="1" y="1"/></line>
        <line><p x="1" y="1"/><p x="2"/></line>
        <bezier><p x="0" y="0"/><p x="1" y="2"/><p x="3" y="4"/></bezier>
        <arc x="1" y="2" arc-width="30" arc-height="40" start="90"/>
        <round-rectangle x="5" y="6" w="70" h="80"/>
    </outline></shape>)"),
                                             "outline");
    ASSERT_EQ(segments.size(), 4u);
    const auto line = std::dynamic_pointer_cast<LineSegment>(segments[0]);
    const auto arc = std::dynamic_pointer_cast<ArcSegment>(segments[1]);
    const auto bezier = std::dynamic_pointer_cast<BezierSegment>(segments[2]);
    const auto round = std::dynamic_pointer_cast<RoundRectSegment>(segments[3]);
    ASSERT_TRUE(line && arc && bezier && round);
    EXPECT_EQ(line->startPoint(), Point(12.5, 0));
    EXPECT_EQ(line->endPoint(), Point(7, -3));
    EXPECT_EQ(Rect(arc->x(), arc->y(), arc->w(), arc->h()), Rect(1, 2, 30, 40));
    EXPECT_EQ(arc->a(), 90);
    EXPECT_EQ(arc->s(), -45);
    EXPECT_EQ(bezier->p3(), Point(3, 4));
    EXPECT_EQ(bezier->p4(), Point(5, 6));
    EXPECT_EQ(round->h(), 80);
    EXPECT_EQ(round->r(), 3);

    EXPECT_TRUE(shape.loadSegments(nullptr, "outline").empty());
    EXPECT_TRUE(shape.loadSegments(parse("<shape/>"), "outline").empty());
    LineSegment untouched(Point(1, 1), Point(2, 2));
    EXPECT_FALSE(untouched.loadFromXml(nullptr));
    EXPECT_FALSE(untouched.loadFromXml(parse("<line><p x='9' y='9'/></line>")));
    EXPECT_EQ(untouched.startPoint(), Point(1, 1));
}

TEST(ShapeSegments, OutlineGeometryUsesPlainRectangles) {
    GraphicsPath path;
    RoundRectSegment(0, 0, 100, 100, 20).addToPath(path);
    Matrix percent;
    percent.translate(10, 20);
    percent.scale(2, 1);
    path.flatten(percent);
    EXPECT_EQ(path.getPoints(), (std::vector<Point>{Point(10, 20), Point(210, 20), Point(210, 120),
                                                    Point(10, 120), Point(10, 20)}));

    EXPECT_TRUE(ArcSegment(30, -10, 100, 100, 45, 360).isFullEllipse());
    EXPECT_FALSE(ArcSegment(0, 0, 100, 100, 0, 359.9).isFullEllipse());
    EXPECT_FALSE(ArcSegment(0, 0, 100, 99, 0, 360).isFullEllipse());
}

TEST(ShapeLoading, ReadsOutlineDecorationsAndFilledGroupsButNoShapeWithoutId) {
    const auto shape =
        shapeFrom("<shape id='Box'><outline>" + square(0, 0, 100, 100) + "</outline><decorations>" +
                  line(0, 50, 100, 50) + "</decorations><shape-decorations><first><decorations>" +
                  square(10, 10, 20, 20) + R"(</decorations>
                <brush Type="Solid"><Color>#FF0000FF</Color></brush></first>
            <group><decorations>)" +
                  line(0, 0, 1, 1) +
                  R"(</decorations></group>
            <group><brush Type="Unknown"/></group>
        </shape-decorations></shape>)");
    EXPECT_EQ(shape->id(), "Box");
    EXPECT_EQ(shape->outline().size(), 4u);
    EXPECT_EQ(shape->decorations().size(), 1u);
    ASSERT_EQ(shape->filledDecorations().size(), 3u);
    EXPECT_EQ(shape->filledDecorations()[0].size(), 4u);
    EXPECT_TRUE(shape->filledDecorations()[2].empty());
    ASSERT_EQ(shape->brushes().size(), 3u);
    const auto blue = std::dynamic_pointer_cast<SolidColorBrush>(shape->brushes()[0]);
    ASSERT_TRUE(blue);
    EXPECT_TRUE(*blue->color() == Color(0, 0, 1));
    EXPECT_FALSE(shape->brushes()[1] || shape->brushes()[2]);
    EXPECT_EQ(shape->linkSegmentInset(), 100.0);

    Shape nameless;
    XmlContext context;
    EXPECT_FALSE(nameless.loadFromXml(
        parse("<shape><outline>" + square(0, 0, 1, 1) + "</outline></shape>"), context));
    EXPECT_FALSE(nameless.loadFromXml(parse("<shape id=''/>"), context));
    EXPECT_FALSE(nameless.loadFromXml(nullptr, context));
    EXPECT_TRUE(nameless.id().empty() && nameless.outline().empty());
}

TEST(ShapeDrawing, JoinedSegmentsMakeOneFigureAndAFullEllipseFillsTheTarget) {
    Pixels px(100, 100);
    RecordingCanvas canvas(px.cr());
    canvas.setBrush(solid(0, 0, 0));
    // The last line starts a hair away from where the figure ends: a new sub-figure.
    shapeFrom("<shape id='s'><outline>" + line(0, 0, 50, 0) + line(50, 0, 50, 50) +
              line(50, 50.0001, 0, 50) + "</outline></shape>")
        ->draw(canvas, Rect(0, 0, 100, 100), false, false);
    EXPECT_EQ(canvas.log, (Log{"start", "move 0.0, 0.0", "line", "move 50.0, 50.0001", "line",
                               "close", "draw"}));
    EXPECT_FALSE(canvas.pathMatrix());

    canvas.log.clear();
    clear(px);
    Shape ellipse;
    ellipse.outline().push_back(std::make_shared<ArcSegment>(30, 40, 100, 100, 0, 360));
    ellipse.draw(canvas, Rect(10, 20, 60, 40), false, false);
    EXPECT_EQ(canvas.log, (Log{"start", "ellipse 10.0, 20.0, 60.0, 40.0", "close", "draw"}));
    EXPECT_EQ(px.alpha(40, 40), 255);
    EXPECT_EQ(px.alpha(12, 22), 0);

    canvas.log.clear();
    ellipse.outline()[0] = std::make_shared<ArcSegment>(0, 0, 100, 100, 0, 359.9);
    ellipse.draw(canvas, Rect(10, 20, 60, 40), false, false);
    EXPECT_EQ(canvas.log, (Log{"start", "move 100.0, 50.0", "line", "close", "draw"}));
}

TEST(ShapeDrawing, DrawsOutlineThenGroupsThenDecorationsAndKeepsTheLastGroupBrush) {
    Pixels px(100, 100);
    RecordingCanvas canvas(px.cr());
    const auto callerBrush = solid(0, 1, 0);
    const auto groupBrush = solid(1, 0, 0);
    canvas.setBrush(callerBrush);
    Shape shape;
    shape.decorations() = {std::make_shared<LineSegment>(Point(0, 50), Point(100, 50)), nullptr};
    shape.filledDecorations() = {{},
                                 {std::make_shared<LineSegment>(Point(0, 0), Point(50, 0)),
                                  std::make_shared<LineSegment>(Point(50, 0), Point(0, 50))}};
    shape.brushes() = {callerBrush, groupBrush};
    shape.draw(canvas, Rect(0, 0, 100, 100), false, false);
    // No outline begins no path; the empty group only changes the brush.
    EXPECT_EQ(canvas.log, (Log{"start", "move 0.0, 0.0", "line", "close", "draw", "start",
                               "move 0.0, 50.0", "line", "stroke", "start", "stroke"}));
    EXPECT_EQ(canvas.currentBrush(), groupBrush);
    EXPECT_EQ(px.red(10, 10), 255);
    EXPECT_EQ(px.alpha(60, 20), 0);
}

TEST(ShapeDrawing, OverlapsOfOneFigureLeaveHoles) {
    Pixels px(100, 100);
    Canvas canvas(px.cr());
    canvas.setBrush(solid(0, 0, 0));
    shapeFrom("<shape id='s'><outline>" + square(0, 0, 60, 60) + square(40, 40, 60, 60) +
              "</outline></shape>")
        ->draw(canvas, Rect(0, 0, 100, 100), false, false);
    EXPECT_EQ(px.alpha(20, 20), 255);
    EXPECT_EQ(px.alpha(80, 80), 255);
    EXPECT_EQ(px.alpha(50, 50), 0);
}

// Shapes built by code may hold fewer brushes than filled groups, empty segment entries or
// values that are not finite; none of it may crash or paint outside the figure.
TEST(ShapeDrawing, MissingBrushesEmptyEntriesAndNonFiniteValuesAreTolerated) {
    Pixels px(100, 100);
    RecordingCanvas canvas(px.cr());
    const auto callerBrush = solid(0, 0, 1);
    canvas.setBrush(callerBrush);
    Shape shape;
    shape.outline() = {nullptr};
    shape.filledDecorations() = {{nullptr, std::make_shared<RoundRectSegment>(10, 10, 30, 30, 2)},
                                 {std::make_shared<RoundRectSegment>(60, 60, 30, 30, 2)}};
    shape.draw(canvas, Rect(0, 0, 100, 100), false, false);
    EXPECT_EQ(px.blue(25, 25), 255);
    EXPECT_EQ(px.blue(75, 75), 255);
    EXPECT_EQ(canvas.currentBrush(), callerBrush);

    clear(px);
    canvas.log.clear();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    shape.draw(canvas, Rect(0, 0, nan, 10), false, false);
    shape.draw(canvas, Rect(inf, 0, 10, 10), true, true);
    EXPECT_TRUE(canvas.log.empty());
    EXPECT_EQ(px.ink().count, 0);

    shape.filledDecorations().clear();
    shape.outline() = {std::make_shared<LineSegment>(Point(nan, 0), Point(100, 0)),
                       std::make_shared<LineSegment>(Point(100, 0), Point(100, 100)),
                       std::make_shared<LineSegment>(Point(100, 100), Point(0, 100))};
    shape.draw(canvas, Rect(0, 0, 50, 50), false, false);
    EXPECT_GT(px.ink().count, 0);
    EXPECT_EQ(px.alpha(75, 75), 0);
}
