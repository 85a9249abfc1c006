#include "Nodeloom/items/AnchorPoint.h"

#include <cmath>
#include <iostream>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/Matrix.h"

namespace nodeloom {

template <>
std::optional<MarkStyle> fromRaw<MarkStyle>(int raw) {
    if (raw < 0 || raw > 5) return std::nullopt;
    return static_cast<MarkStyle>(raw);
}

template <>
std::optional<ShowAnchors> fromRaw<ShowAnchors>(int raw) {
    switch (raw) {
        case 0:
            return ShowAnchors::always;
        case 1:
            return ShowAnchors::never;
        case 2:
            return ShowAnchors::auto_;
        case 4:
            return ShowAnchors::selected;
        default:
            return std::nullopt;
    }
}

// A coordinate that is not finite is taken as 0, as a file that holds one is read.
AnchorPoint::AnchorPoint(double x, double y)
    : x_(isFinite(x) ? x : 0.0), y_(isFinite(y) ? y : 0.0), color_(Colors::Black()) {}

AnchorPoint::AnchorPoint(double x, double y, bool allowIncoming, bool allowOutgoing)
    : x_(isFinite(x) ? x : 0.0),
      y_(isFinite(y) ? y : 0.0),
      allowIncoming_(allowIncoming),
      allowOutgoing_(allowOutgoing),
      color_(Colors::Black()) {}

AnchorPoint::AnchorPoint(double x, double y, bool allowIncoming, bool allowOutgoing,
                         MarkStyle markStyle)
    : AnchorPoint(x, y, allowIncoming, allowOutgoing) {
    markStyle_ = markStyle;
}

AnchorPoint::AnchorPoint(double x, double y, bool allowIncoming, bool allowOutgoing,
                         MarkStyle markStyle, std::shared_ptr<Color> color)
    : AnchorPoint(x, y, allowIncoming, allowOutgoing, markStyle) {
    setColor(std::move(color));
}

AnchorPoint::AnchorPoint(double x, double y, bool allowIncoming, bool allowOutgoing,
                         std::shared_ptr<Color> color, int col)
    : AnchorPoint(x, y, allowIncoming, allowOutgoing) {
    setColor(std::move(color));
    col_ = col;
}

AnchorPoint::AnchorPoint(double x, double y, bool allowIncoming, bool allowOutgoing,
                         std::shared_ptr<Color> color, int col, std::any tag)
    : AnchorPoint(x, y, allowIncoming, allowOutgoing, std::move(color), col) {
    tag_ = std::move(tag);
}

void AnchorPoint::setColor(std::shared_ptr<Color> color) {
    if (color) color_ = std::move(color);
}

void AnchorPoint::draw(Canvas& canvas, const Rect& nodeBounds, const Point& pivot, double angle,
                       double markSize) const {
    if (markStyle_ == MarkStyle::node || markStyle_ == MarkStyle::custom) {
        std::cout << "not implemented yet" << std::endl;
        return;
    }

    const double px = xUnit_ == UnitType::percentage ? nodeBounds.width * x_ / 100 : x_;
    const double py = yUnit_ == UnitType::percentage ? nodeBounds.height * y_ / 100 : y_;
    Point c(nodeBounds.x + px, nodeBounds.y + py);
    if (angle != 0) {
        Matrix m;
        m.rotateAt(angle, pivot);
        c = m.transform(c);
    }
    const double r = markSize / 2;

    canvas.setStroke(*color_);
    // A thickness of 0 is the canvas's own spelling of one device pixel in its unit.
    canvas.setStrokeThickness(0);

    switch (markStyle_) {
        case MarkStyle::cross:
            canvas.drawLine(c.x - r, c.y, c.x + r, c.y);
            canvas.drawLine(c.x, c.y - r, c.x, c.y + r);
            break;
        case MarkStyle::x:
            canvas.drawLine(c.x - r, c.y - r, c.x + r, c.y + r);
            canvas.drawLine(c.x + r, c.y - r, c.x - r, c.y + r);
            break;
        case MarkStyle::circle:
            canvas.drawEllipse(c.x - r, c.y - r, markSize, markSize);
            break;
        case MarkStyle::rectangle:
            canvas.setBrush(std::make_shared<SolidColorBrush>(Colors::Transparent()));
            canvas.drawRect(c.x - r, c.y - r, markSize, markSize);
            break;
        case MarkStyle::node:
        case MarkStyle::custom:
            break;
    }
}

}  // namespace nodeloom
