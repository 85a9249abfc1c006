#pragma once

#include <cairo.h>

#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Size.h"

namespace nodeloom {

// A rectangle in document units: (x, y) is the top-left corner when width and height are not
// negative. It is never normalised implicitly; the member tests read the stored fields.
struct Rect {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;

    constexpr Rect() = default;
    constexpr Rect(double x, double y, double width, double height)
        : x(x), y(y), width(width), height(height) {}
    constexpr Rect(const Point& location, const Size& size)
        : x(location.x), y(location.y), width(size.width), height(size.height) {}
    // Cairo's rectangles may carry a negative extent; like the platform rectangles this type
    // stands in for, the extent is taken by its magnitude while the origin is kept as stored.
    explicit Rect(const cairo_rectangle_t& r);
    cairo_rectangle_t toCairoRect() const;

    // No field is infinite or NaN.
    bool isFinite() const {
        return std::isfinite(x) && std::isfinite(y) && std::isfinite(width) && std::isfinite(height);
    }

    double left() const { return x; }
    double top() const { return y; }
    double right() const { return x + width; }
    double bottom() const { return y + height; }

    Size size() const { return Size(width, height); }
    void setSize(const Size& s) {
        width = s.width;
        height = s.height;
    }
    Point getLocation() const { return Point(x, y); }
    Point topLeft() const { return Point(x, y); }
    Point center() const { return Point(x + width * 0.5, y + height * 0.5); }
    Point getCenter() const { return center(); }
    Point topRight() const { return Point(x + width, y); }
    Point bottomLeft() const { return Point(x, y + height); }
    Point bottomRight() const { return Point(x + width, y + height); }
    Point getBottomRight() const { return bottomRight(); }
    Point middleLeft() const { return Point(x, y + height * 0.5); }
    Point middleRight() const { return Point(x + width, y + height * 0.5); }
    Point topMiddle() const { return Point(x + width * 0.5, y); }
    Point bottomMiddle() const { return Point(x + width * 0.5, y + height); }
    // Top-left, top-right, bottom-right, bottom-left.
    std::vector<Point> getCornerPoints() const;

    // Inclusive on every edge.
    bool containsPoint(const Point& p) const;
    // Strict on every edge: a rectangle does not contain itself.
    bool contains(const Rect& r) const;
    // Rectangles that only touch intersect.
    bool intersectsWith(const Rect& r) const;
    // The overlap, or the zero rectangle when the two do not intersect.
    Rect intersect(const Rect& r) const;
    Rect union_(const std::optional<Rect>& r) const;
    static Rect union_(const std::optional<Rect>& a, const Rect& b);

    void inflate(double dx, double dy);
    static Rect inflate(const Rect& r, double dx, double dy);
    void offset(double dx, double dy);
    // Same centre, both sides multiplied by the factor.
    Rect scaledRect(double factor) const;

    static Rect fromPoints(const Point& a, const Point& b);
    // Not normalised: right < left gives a negative width.
    static Rect fromLTRB(double left, double top, double right, double bottom);

    // Reads "x, y, width, height" as documents store it: blanks are dropped anywhere, commas
    // separate fields (empty fields do not count), the first four fields are read leniently and
    // any field that is missing reads as 0.
    static Rect fromString(std::string_view text);
    // "10.0, 20.0, 50.0, 40.0"
    std::string toString() const;

    // Debugging aid: prints left, top, right and bottom on one line of the standard output.
    void printMe() const;

    friend bool operator==(const Rect& a, const Rect& b) = default;
};

inline bool isFinite(const Rect& r) { return r.isFinite(); }

}  // namespace nodeloom
