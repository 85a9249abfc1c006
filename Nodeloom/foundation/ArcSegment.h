#pragma once

#include "Nodeloom/foundation/ShapeSegment.h"

namespace nodeloom {

// A piece of the ellipse inscribed in (x, y, w, h), from angle a over sweep s (degrees, clockwise
// on the screen); XML element "arc".
class ArcSegment : public ShapeSegment {
public:
    ArcSegment() = default;
    ArcSegment(double x, double y, double w, double h, double a, double s)
        : x_(x), y_(y), w_(w), h_(h), a_(a), s_(s) {}

    void draw(Canvas& canvas) override;
    void addToPath(GraphicsPath& path) override;
    [[nodiscard]] bool loadFromXml(const std::shared_ptr<XmlElement>& element) override;

    // A whole ellipse over the whole shape box, which shapes draw as one smooth ellipse of the
    // target rectangle rather than degree by degree. Position and start angle do not matter.
    bool isFullEllipse() const;

    double x() const { return x_; }
    void setX(double v) { x_ = v; }
    double y() const { return y_; }
    void setY(double v) { y_ = v; }
    double w() const { return w_; }
    void setW(double v) { w_ = v; }
    double h() const { return h_; }
    void setH(double v) { h_ = v; }
    double a() const { return a_; }
    void setA(double v) { a_ = v; }
    double s() const { return s_; }
    void setS(double v) { s_ = v; }

private:
    double x_ = 0.0;
    double y_ = 0.0;
    double w_ = 0.0;
    double h_ = 0.0;
    double a_ = 0.0;
    double s_ = 0.0;
};

}  // namespace nodeloom
