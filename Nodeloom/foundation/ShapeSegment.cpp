#include "Nodeloom/foundation/ShapeSegment.h"

#include <cmath>
#include <string>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/NumberText.h"
#include "Nodeloom/foundation/XmlElement.h"

namespace nodeloom {

ShapeSegment::~ShapeSegment() = default;

void ShapeSegment::draw(Canvas&) {}

void ShapeSegment::addToPath(GraphicsPath&) {}

bool ShapeSegment::loadFromXml(const std::shared_ptr<XmlElement>&) {
    return false;
}

std::vector<std::shared_ptr<XmlElement>> ShapeSegment::childElements(const XmlElement& element) {
    std::vector<std::shared_ptr<XmlElement>> result;
    for (const auto& child : element.children()) {
        if (child && !child->name().empty()) result.push_back(child);
    }
    return result;
}

std::optional<double> ShapeSegment::readNumber(const XmlElement& element, std::string_view name) {
    const auto& attributes = element.attributes();
    const auto it = attributes.find(std::string(name));
    if (it == attributes.end()) return std::nullopt;
    const double value = doubleValue(it->second);
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<Point> ShapeSegment::readPoint(const XmlElement& element) {
    const auto x = readNumber(element, "x");
    const auto y = readNumber(element, "y");
    if (!x || !y) return std::nullopt;
    return Point(*x, *y);
}

void ShapeSegment::moveIfNeeded(Canvas& canvas, const Point& p) {
    const Point end = canvas.getPathEnd();
    if (end.x != p.x || end.y != p.y) canvas.pathMoveTo(p);
}

bool ShapeSegment::allFinite(std::initializer_list<double> values) {
    for (const double v : values) {
        if (!std::isfinite(v)) return false;
    }
    return true;
}

}  // namespace nodeloom
