#pragma once

#include <initializer_list>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "Nodeloom/foundation/Point.h"

namespace nodeloom {

class Canvas;
class GraphicsPath;
class XmlElement;

// One piece of a node shape, in percent of the rectangle the shape is drawn into.
class ShapeSegment {
public:
    ShapeSegment() = default;
    virtual ~ShapeSegment();

    // Appends the segment to the canvas's current path, moving first only where the path does
    // not already end at the segment's start, so that joined segments form one figure.
    virtual void draw(Canvas& canvas);
    // Appends the segment's geometry to a path that becomes a node's outline.
    virtual void addToPath(GraphicsPath& path);
    // Reads the segment from its element. False when the element lacks a coordinate the segment
    // needs; the segment is then left as it was and the caller drops it.
    [[nodiscard]] virtual bool loadFromXml(const std::shared_ptr<XmlElement>& element);

protected:
    ShapeSegment(const ShapeSegment&) = default;
    ShapeSegment& operator=(const ShapeSegment&) = default;

    // The element's child elements; character data kept as text nodes is not a point.
    static std::vector<std::shared_ptr<XmlElement>> childElements(const XmlElement& element);
    // The attribute read leniently (text that is not a number reads as 0); nothing when the
    // attribute is missing or its number is not finite.
    static std::optional<double> readNumber(const XmlElement& element, std::string_view name);
    // The point held by the attributes "x" and "y" of the element.
    static std::optional<Point> readPoint(const XmlElement& element);
    // Starts a new figure at p unless the canvas's path already ends exactly there.
    static void moveIfNeeded(Canvas& canvas, const Point& p);
    static bool allFinite(std::initializer_list<double> values);
};

}  // namespace nodeloom
