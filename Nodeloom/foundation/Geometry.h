#pragma once

#include <vector>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

// Distances, angles, polar coordinates, nearest points and Bézier evaluation. Angles are in
// degrees unless a name says radians; polar angles run anticlockwise on the screen (y down).
namespace Geometry {

double distance(const Point& p1, const Point& p2);
double distance(const Point& p, double x, double y);
double distanceSquared(const Point& p1, const Point& p2);
double distanceSquared(const Point& p, double x, double y);

double radians(double degrees);
double degrees(double radians);

// Flips a negative width or height so that the rectangle covers the same area.
Rect normalizeRectangle(const Rect& r);
// The position in percent of the rectangle's size, measured from its top-left corner.
Point calculateRelativePercentPosition(const Rect& r, const Point& pos);

// Angle in [-90, 270) and radius of the point about the centre; both 0 for the centre itself.
void cartesianToPolar(const Point& center, const Point& point, double& a, double& r);
void polarToCartesian(const Point& center, double a, double r, Point& point);

// The point at t of cubic segment k of a poly-Bézier (control points 3k to 3k + 3); the zero
// point when the list has no such segment.
Point getBezierPoint(const std::vector<Point>& points, int segment, double t);

// The point of the segment a-b nearest to p.
Point distancePoint(const Point& p, const Point& a, const Point& b);
double distanceToLineSegment(const Point& p, const Point& p1, const Point& p2);
// Not-a-number coordinates when both lines are vertical; parallel sloped lines are not tested.
Point lineIntersectNaN(const Point& m1, const Point& m2, const Point& n1, const Point& n2);

// The largest finite double when the list has no segment.
double distanceToPolyline(const Point& p, const std::vector<Point>& points);
// Distance to a poly-Bézier of consecutive cubics sharing their end points; the largest finite
// double when the list holds no whole cubic.
double distanceToBezier(const Point& p, const std::vector<Point>& bezierPoints);

}  // namespace Geometry

}  // namespace nodeloom
