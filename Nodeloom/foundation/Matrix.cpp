#include "Nodeloom/foundation/Matrix.h"

#include <cmath>
#include <numbers>

namespace nodeloom {

void Matrix::translate(double dx, double dy) {
    auto& e = elements;
    e[4] += e[0] * dx + e[2] * dy;
    e[5] += e[1] * dx + e[3] * dy;
}

void Matrix::scale(double sx, double sy) {
    auto& e = elements;
    e[0] *= sx;
    e[1] *= sx;
    e[2] *= sy;
    e[3] *= sy;
}

void Matrix::rotateAt(double angle, double pivotX, double pivotY) {
    translate(pivotX, pivotY);
    const double r = angle * std::numbers::pi / 180;
    const double s = std::sin(r);
    const double c = std::cos(r);
    auto& e = elements;
    const double e0 = e[0], e1 = e[1], e2 = e[2], e3 = e[3];
    e[0] = c * e0 - s * e1;
    e[1] = s * e0 + c * e1;
    e[2] = c * e2 - s * e3;
    e[3] = s * e2 + c * e3;
    translate(-pivotX, -pivotY);
}

void Matrix::rotateAt(double angle, const Point& pivot) {
    rotateAt(angle, pivot.x, pivot.y);
}

void Matrix::rotateAt(double angle) {
    rotateAt(angle, 0.0, 0.0);
}

void Matrix::scaleAtCenter(double sx, double sy, const Rect& rect) {
    const Point c = rect.center();
    translate(c.x, c.y);
    scale(sx, sy);
    translate(-c.x, -c.y);
}

Matrix Matrix::mapCoordinateSystem(const Rect& source, const Rect& target) {
    Matrix m;
    m.translate(target.x, target.y);
    m.scale(target.width / source.width, target.height / source.height);
    m.translate(-source.x, -source.y);
    return m;
}

Point Matrix::transform(const Point& p) const {
    const auto& e = elements;
    return Point(e[0] * p.x + e[2] * p.y + e[4], e[1] * p.x + e[3] * p.y + e[5]);
}

void Matrix::transform(std::vector<Point>& points) const {
    for (Point& p : points)
        p = transform(p);
}

Rect Matrix::transform(const Rect& r) const {
    return Rect::fromPoints(transform(Point(r.x, r.y)),
                            transform(Point(r.x + r.width, r.y + r.height)));
}

Matrix Matrix::multiply(const Matrix& a, const Matrix& b) {
    const auto& x = a.elements;
    const auto& y = b.elements;
    return Matrix({x[0] * y[0] + x[1] * y[2], x[0] * y[1] + x[1] * y[3], x[2] * y[0] + x[3] * y[2],
                   x[2] * y[1] + x[3] * y[3], x[4] * y[0] + x[5] * y[2] + y[4],
                   x[4] * y[1] + x[5] * y[3] + y[5]});
}

}  // namespace nodeloom
