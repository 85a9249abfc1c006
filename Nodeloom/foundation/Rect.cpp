#include "Nodeloom/foundation/Rect.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Nodeloom/foundation/NumberText.h"

namespace nodeloom {

Rect::Rect(const cairo_rectangle_t& r)
    : x(r.x), y(r.y), width(std::fabs(r.width)), height(std::fabs(r.height)) {}

cairo_rectangle_t Rect::toCairoRect() const {
    return cairo_rectangle_t{x, y, width, height};
}

std::vector<Point> Rect::getCornerPoints() const {
    return {topLeft(), topRight(), bottomRight(), bottomLeft()};
}

bool Rect::containsPoint(const Point& p) const {
    return x <= p.x && p.x <= x + width && y <= p.y && p.y <= y + height;
}

bool Rect::contains(const Rect& r) const {
    return x < r.x && r.x + r.width < x + width && y < r.y && r.y + r.height < y + height;
}

bool Rect::intersectsWith(const Rect& r) const {
    return !(y + height < r.y || r.y + r.height < y || r.x + r.width < x || x + width < r.x);
}

Rect Rect::intersect(const Rect& r) const {
    if (!intersectsWith(r)) return Rect();
    const double left = std::max(x, r.x);
    const double top = std::max(y, r.y);
    return Rect(left, top, std::min(x + width, r.x + r.width) - left,
                std::min(y + height, r.y + r.height) - top);
}

Rect Rect::union_(const std::optional<Rect>& r) const {
    if (!r) return *this;
    const double left = std::min(x, r->x);
    const double top = std::min(y, r->y);
    return Rect(left, top, std::max(x + width, r->x + r->width) - left,
                std::max(y + height, r->y + r->height) - top);
}

Rect Rect::union_(const std::optional<Rect>& a, const Rect& b) {
    if (!a) return b;
    return a->union_(b);
}

void Rect::inflate(double dx, double dy) {
    x -= dx;
    y -= dy;
    width += 2 * dx;
    height += 2 * dy;
}

Rect Rect::inflate(const Rect& r, double dx, double dy) {
    Rect copy = r;
    copy.inflate(dx, dy);
    return copy;
}

void Rect::offset(double dx, double dy) {
    x += dx;
    y += dy;
}

Rect Rect::scaledRect(double factor) const {
    return Rect(x + width * 0.5 - width * factor * 0.5, y + height * 0.5 - height * factor * 0.5,
                width * factor, height * factor);
}

Rect Rect::fromPoints(const Point& a, const Point& b) {
    const double left = std::min(a.x, b.x);
    const double top = std::min(a.y, b.y);
    return Rect(left, top, std::max(a.x, b.x) - left, std::max(a.y, b.y) - top);
}

Rect Rect::fromLTRB(double left, double top, double right, double bottom) {
    return Rect(left, top, right - left, bottom - top);
}

Rect Rect::fromString(std::string_view text) {
    // Field texts are collected as documents store them; only the first four matter, so the
    // rest of the text is only scanned, never stored.
    std::string fields[4];
    size_t fieldCount = 0;
    size_t counter = 0;
    for (char c : text) {
        if (c == ' ') continue;
        if (c == ',') {
            ++counter;
            continue;
        }
        if (counter < fieldCount) {
            if (counter < 4) fields[counter] += c;
        } else {
            if (fieldCount < 4) fields[fieldCount] += c;
            ++fieldCount;
        }
    }
    return Rect(doubleValue(fields[0]), doubleValue(fields[1]), doubleValue(fields[2]),
                doubleValue(fields[3]));
}

std::string Rect::toString() const {
    return doubleText(x) + ", " + doubleText(y) + ", " + doubleText(width) + ", " +
           doubleText(height);
}

void Rect::printMe() const {
    std::printf("%s %s %s %s\n", doubleText(x).c_str(), doubleText(y).c_str(),
                doubleText(x + width).c_str(), doubleText(y + height).c_str());
}

}  // namespace nodeloom
