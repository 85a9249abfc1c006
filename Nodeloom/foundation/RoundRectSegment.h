#pragma once

#include "Nodeloom/foundation/ShapeSegment.h"

namespace nodeloom {

// A rectangle (x, y, w, h) with corners rounded by r; XML element "round-rectangle". The
// rectangle is in shape percent, the radius in document units so that corners keep their size
// however large the node is. As outline geometry it is the plain rectangle.
class RoundRectSegment : public ShapeSegment {
public:
    RoundRectSegment() = default;
    RoundRectSegment(double x, double y, double w, double h, double r)
        : x_(x), y_(y), w_(w), h_(h), r_(r) {}

    void draw(Canvas& canvas) override;
    void addToPath(GraphicsPath& path) override;
    [[nodiscard]] bool loadFromXml(const std::shared_ptr<XmlElement>& element) override;

    double x() const { return x_; }
    void setX(double v) { x_ = v; }
    double y() const { return y_; }
    void setY(double v) { y_ = v; }
    double w() const { return w_; }
    void setW(double v) { w_ = v; }
    double h() const { return h_; }
    void setH(double v) { h_ = v; }
    double r() const { return r_; }
    void setR(double v) { r_ = v; }

private:
    double x_ = 0.0;
    double y_ = 0.0;
    double w_ = 0.0;
    double h_ = 0.0;
    double r_ = 0.0;
};

}  // namespace nodeloom
