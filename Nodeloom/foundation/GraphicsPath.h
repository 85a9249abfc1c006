#pragma once

#include <memory>
#include <vector>

#include "Nodeloom/foundation/Matrix.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

class Canvas;

// One piece of a graphics path.
class GraphicsPathShape {
public:
    virtual ~GraphicsPathShape() = default;
    // Appends the piece to the canvas's current path; first is true for the path's first piece.
    virtual void addToCanvas(Canvas& canvas, bool first) = 0;
};

class GraphicsPathLine : public GraphicsPathShape {
public:
    GraphicsPathLine(const Point& p1, const Point& p2) : p1_(p1), p2_(p2) {}
    void addToCanvas(Canvas& canvas, bool first) override;

    const Point& p1() const { return p1_; }
    void setP1(const Point& p) { p1_ = p; }
    const Point& p2() const { return p2_; }
    void setP2(const Point& p) { p2_ = p; }

private:
    Point p1_;
    Point p2_;
};

// The part of the ellipse inscribed in rect from startAngle over sweepAngle (degrees, growing
// clockwise on the screen).
class GraphicsPathArc : public GraphicsPathShape {
public:
    GraphicsPathArc(const Rect& rect, double startAngle, double sweepAngle)
        : rect_(rect), startAngle_(startAngle), sweepAngle_(sweepAngle) {}
    void addToCanvas(Canvas& canvas, bool first) override;

    const Rect& rect() const { return rect_; }
    void setRect(const Rect& r) { rect_ = r; }
    double startAngle() const { return startAngle_; }
    void setStartAngle(double a) { startAngle_ = a; }
    double sweepAngle() const { return sweepAngle_; }
    void setSweepAngle(double a) { sweepAngle_ = a; }

private:
    Rect rect_;
    double startAngle_;
    double sweepAngle_;
};

// A cubic bezier: start point, two control points and end point; further points are kept but
// not used.
class GraphicsPathBezier : public GraphicsPathShape {
public:
    explicit GraphicsPathBezier(std::vector<Point> points) : points_(std::move(points)) {}
    void addToCanvas(Canvas& canvas, bool first) override;

    const std::vector<Point>& points() const { return points_; }
    std::vector<Point>& points() { return points_; }
    void setPoints(std::vector<Point> points) { points_ = std::move(points); }

private:
    std::vector<Point> points_;
};

// One open figure of lines, elliptical arcs and cubic beziers in document coordinates. Pieces
// are shared, not copied: transforming changes them in place.
class GraphicsPath {
public:
    GraphicsPath() = default;
    virtual ~GraphicsPath() = default;

    virtual void addLine(const Point& p1, const Point& p2);
    // Four lines clockwise on the screen from the top-left corner.
    virtual void addRect(const Rect& rect);
    virtual void addArc(const Rect& rect, double startAngle, double sweepAngle);
    virtual void addBezier(const std::vector<Point>& points);
    // Starts a new current path on the canvas and appends every piece.
    virtual void addToCanvas(Canvas& canvas);
    virtual void flatten(const Matrix& matrix);
    // Transforms the path, then replaces arcs and beziers by straight lines; error is the number
    // of lines per bezier.
    virtual void flatten(const Matrix& matrix, double error);
    // The corners of the line pieces, each once along a joined chain.
    virtual std::vector<Point> getPoints() const;
    virtual void transform(const Matrix& matrix);
    virtual void startFigure();

    using Pieces = std::vector<std::shared_ptr<GraphicsPathShape>>;
    const Pieces& graphicsPathShapes() const { return shapes_; }
    Pieces& graphicsPathShapes() { return shapes_; }
    void setGraphicsPathShapes(Pieces shapes) { shapes_ = std::move(shapes); }

private:
    Pieces shapes_;
};

}  // namespace nodeloom
