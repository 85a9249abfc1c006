#pragma once

#include <array>
#include <vector>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

// A 2D affine transform [e0, e1, e2, e3, e4, e5] mapping (x, y) to
// (e0·x + e2·y + e4, e1·x + e3·y + e5). The operations that change a matrix apply their
// transform to a point before the existing one.
struct Matrix {
    std::array<double, 6> elements{1.0, 0.0, 0.0, 1.0, 0.0, 0.0};

    constexpr Matrix() = default;
    constexpr explicit Matrix(const std::array<double, 6>& e) : elements(e) {}

    void translate(double dx, double dy);
    void scale(double sx, double sy);
    // Angle in degrees; a positive angle turns clockwise on the screen (y down).
    void rotateAt(double angle, double pivotX, double pivotY);
    void rotateAt(double angle, const Point& pivot);
    void rotateAt(double angle);
    void scaleAtCenter(double sx, double sy, const Rect& rect);

    // Maps the source rectangle onto the target rectangle.
    static Matrix mapCoordinateSystem(const Rect& source, const Rect& target);

    Point transform(const Point& p) const;
    void transform(std::vector<Point>& points) const;
    // Only the corners (x, y) and (x + width, y + height) are mapped; the result is the rectangle
    // they span, which under a rotation is not the bounding box of all four corners.
    Rect transform(const Rect& r) const;

    // The transform that applies a, then b.
    static Matrix multiply(const Matrix& a, const Matrix& b);

    friend bool operator==(const Matrix& a, const Matrix& b) = default;
};

}  // namespace nodeloom
