#pragma once

#include <optional>
#include <vector>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

// Intersections of lines, segments, rectangles, ellipses and polygons, Bézier flattening and
// rectangle helpers.
namespace Utilities {

Point getBezierPt(const std::vector<Point>& points, int segment, double t);
// Samples the cubic points[startIdx .. startIdx + 3] at t = 0, 1/quality, 2/quality, ... while
// t <= 1, t being accumulated. Empty when those points do not exist or quality is not positive.
std::vector<Point> approxBezier(const std::vector<Point>& points, int startIdx, int quality);

// Absent when the lines are parallel or both vertical.
std::optional<Point> lineIntersect(const Point& m1, const Point& m2, const Point& n1,
                                   const Point& n2);
// Whether the segments meet; pt receives the crossing of their lines whenever it exists.
bool segmentIntersect(const Point& s1, const Point& s2, const Point& l1, const Point& l2,
                      Point& pt);
// Where the segment pt1-pt2 crosses the rectangle's border.
void getRectIntr(const Rect& rect, const Point& pt1, const Point& pt2, Point& pt);
// Where the line through pt1 and pt2 meets the ellipse inscribed in the rectangle, preferring the
// crossing inside the box spanned by pt1 and pt2; not-a-number when the line misses it.
void getEllipseIntr(const Rect& rect, const Point& pt1, const Point& pt2, Point& pt);
// The crossing of the segment pt1-pt2 with the closed polygon that lies nearest to pt2.
std::optional<Point> getPolygonIntr(const std::vector<Point>& polygon, const Point& pt1,
                                    const Point& pt2);

Rect normalizeRect(const Rect& r);
// Inclusive, with the rectangle normalised first.
bool pointInRect(const Point& p, const Rect& rc);
void inflate(Rect& r, double size);
void inflate(Rect& r, double sx, double sy);
std::optional<Rect> unionRects(const std::optional<Rect>& rc1, const std::optional<Rect>& rc2);

}  // namespace Utilities

}  // namespace nodeloom
