#pragma once

#include <memory>

#include "Nodeloom/foundation/Point.h"

namespace nodeloom {

// A direction or offset. Every operation that yields a vector yields a new one; a holder that
// shares a vector through a std::shared_ptr keeps its components when another holder of the
// same object is rescaled with *= or /= (the scaled holder is made to refer to a new vector).
class Vector {
public:
    double x = 0.0;
    double y = 0.0;

    constexpr Vector() = default;
    constexpr Vector(double x, double y) : x(x), y(y) {}
    // The vector from p1 to p2.
    constexpr Vector(const Point& p1, const Point& p2) : x(p2.x - p1.x), y(p2.y - p1.y) {}
    constexpr explicit Vector(const Point& p) : x(p.x), y(p.y) {}

    double length() const;

    // A quarter turn anticlockwise on the screen (y down).
    static Vector left(const Vector& v) { return Vector(v.y, -v.x); }
    // A quarter turn clockwise on the screen.
    static Vector right(const Vector& v) { return Vector(-v.y, v.x); }
    // The dot product.
    static double multiply(const Vector& a, const Vector& b) { return a.x * b.x + a.y * b.y; }
    static Vector multiply(const Vector& v, double s) { return Vector(v.x * s, v.y * s); }
    static Vector multiply(double s, const Vector& v) { return Vector(v.x * s, v.y * s); }

    friend bool operator==(const Vector& a, const Vector& b) = default;
};

inline Vector operator*(const Vector& v, double s) {
    return Vector::multiply(v, s);
}
inline Vector operator*(double s, const Vector& v) {
    return Vector::multiply(s, v);
}
// Multiplies by the reciprocal, computed first.
inline Vector operator/(const Vector& v, double s) {
    const double k = 1.0 / s;
    return Vector(v.x * k, v.y * k);
}
inline Vector operator+(const Vector& a, const Vector& b) {
    return Vector(a.x + b.x, a.y + b.y);
}
inline Vector operator-(const Vector& a, const Vector& b) {
    return Vector(a.x - b.x, a.y - b.y);
}
inline Point operator+(const Point& p, const Vector& v) {
    return Point(p.x + v.x, p.y + v.y);
}
inline Point operator+(const Vector& v, const Point& p) {
    return Point(p.x + v.x, p.y + v.y);
}

inline Vector& operator*=(Vector& v, double s) {
    return v = v * s;
}
inline Vector& operator/=(Vector& v, double s) {
    return v = v / s;
}
// A shared vector is replaced, not changed: other holders keep the old object. A null holder
// stays null.
std::shared_ptr<Vector>& operator*=(std::shared_ptr<Vector>& v, double s);
std::shared_ptr<Vector>& operator/=(std::shared_ptr<Vector>& v, double s);

}  // namespace nodeloom
