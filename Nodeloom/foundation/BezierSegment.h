#pragma once

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/ShapeSegment.h"

namespace nodeloom {

// A cubic curve from p1 to p4 with control points p2 and p3; XML element "bezier" with four
// point children.
class BezierSegment : public ShapeSegment {
public:
    BezierSegment() = default;
    BezierSegment(const Point& p1, const Point& p2, const Point& p3, const Point& p4)
        : p1_(p1), p2_(p2), p3_(p3), p4_(p4) {}

    void draw(Canvas& canvas) override;
    void addToPath(GraphicsPath& path) override;
    [[nodiscard]] bool loadFromXml(const std::shared_ptr<XmlElement>& element) override;

    const Point& p1() const { return p1_; }
    void setP1(const Point& p) { p1_ = p; }
    const Point& p2() const { return p2_; }
    void setP2(const Point& p) { p2_ = p; }
    const Point& p3() const { return p3_; }
    void setP3(const Point& p) { p3_ = p; }
    const Point& p4() const { return p4_; }
    void setP4(const Point& p) { p4_ = p; }

private:
    Point p1_;
    Point p2_;
    Point p3_;
    Point p4_;
};

}  // namespace nodeloom
