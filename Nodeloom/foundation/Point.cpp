#include "Nodeloom/foundation/Point.h"

#include <cmath>

#include "Nodeloom/foundation/NumberText.h"

namespace nodeloom {

double Point::distance(const Point& p) const {
    return std::sqrt(distanceSquared(p));
}

double Point::distanceSquared(const Point& p) const {
    return (x - p.x) * (x - p.x) + (y - p.y) * (y - p.y);
}

Point Point::middle(const Point& p) const {
    return Point((x + p.x) * 0.5, (y + p.y) * 0.5);
}

bool Point::equalEpsilon(const Point& p) const {
    return std::fabs(p.x - x) < 0.00001 && std::fabs(p.y - y) < 0.00001;
}

Point Point::fromString(std::string_view text) {
    const size_t comma = text.find(',');
    if (comma == std::string_view::npos) return Point(doubleValue(text), 0.0);
    std::string_view second = text.substr(comma + 1);
    second = second.substr(0, second.find(','));
    return Point(doubleValue(text.substr(0, comma)), doubleValue(second));
}

std::string Point::toString() const {
    return doubleText(x) + ", " + doubleText(y);
}

}  // namespace nodeloom
