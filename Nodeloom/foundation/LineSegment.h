#pragma once

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/ShapeSegment.h"

namespace nodeloom {

// A straight piece of a shape; XML element "line" with a start and an end point child.
class LineSegment : public ShapeSegment {
public:
    LineSegment() = default;
    LineSegment(const Point& startPoint, const Point& endPoint)
        : startPoint_(startPoint), endPoint_(endPoint) {}

    void draw(Canvas& canvas) override;
    void addToPath(GraphicsPath& path) override;
    [[nodiscard]] bool loadFromXml(const std::shared_ptr<XmlElement>& element) override;

    const Point& startPoint() const { return startPoint_; }
    void setStartPoint(const Point& p) { startPoint_ = p; }
    const Point& endPoint() const { return endPoint_; }
    void setEndPoint(const Point& p) { endPoint_ = p; }

private:
    Point startPoint_;
    Point endPoint_;
};

}  // namespace nodeloom
