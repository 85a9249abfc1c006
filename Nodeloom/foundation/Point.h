#pragma once

#include <cmath>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace nodeloom {

// A position in document units; x grows to the right, y downwards.
struct Point {
    double x = 0.0;
    double y = 0.0;

    constexpr Point() = default;
    constexpr Point(double x, double y) : x(x), y(y) {}

    static Point empty() { return Point(); }

    double distance(const Point& p) const;
    double distanceSquared(const Point& p) const;
    Point middle(const Point& p) const;
    // Both coordinates closer than 0.00001.
    bool equalEpsilon(const Point& p) const;
    // Neither coordinate is infinite or NaN.
    bool isFinite() const { return std::isfinite(x) && std::isfinite(y); }

    // Reads "x, y": the text is split at every comma, the first two pieces are read leniently and
    // further pieces are ignored; a missing piece reads as 0.
    static Point fromString(std::string_view text);
    // "12.5, 40.0"
    std::string toString() const;

    friend bool operator==(const Point& a, const Point& b) = default;
    friend Point operator-(const Point& a, const Point& b) { return Point(a.x - b.x, a.y - b.y); }
};

// Free forms of the finiteness test, so that one spelling serves numbers, points and rectangles.
inline bool isFinite(double value) { return std::isfinite(value); }
inline bool isFinite(const Point& p) { return p.isFinite(); }

}  // namespace nodeloom

template <>
struct std::hash<nodeloom::Point> {
    std::size_t operator()(const nodeloom::Point& p) const noexcept {
        // Adding 0.0 turns -0.0 into 0.0, which compares equal and so must hash alike.
        const std::size_t hx = std::hash<double>()(p.x + 0.0);
        const std::size_t hy = std::hash<double>()(p.y + 0.0);
        return hx ^ (hy + 0x9e3779b97f4a7c15ULL + (hx << 6) + (hx >> 2));
    }
};
