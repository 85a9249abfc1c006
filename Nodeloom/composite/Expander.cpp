#include "Nodeloom/composite/Expander.h"

#include <utility>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/items/DiagramNode.h"

namespace nodeloom {

Expander::Expander(std::weak_ptr<DiagramItem> item)
    : Manipulator(std::move(item)),
      backgroundBrush_(std::make_shared<SolidColorBrush>(std::make_shared<Color>(1.0, 1.0, 1.0))),
      strokeBrush_(std::make_shared<SolidColorBrush>(std::make_shared<Color>(0.0, 0.0, 0.0))),
      innerBrush_(std::make_shared<SolidColorBrush>(std::make_shared<Color>(0.0, 0.0, 0.0))) {}

bool Expander::expanded() const {
    return false;
}

void Expander::setBackgroundBrush(std::shared_ptr<SolidColorBrush> brush) {
    if (brush) backgroundBrush_ = std::move(brush);
}

void Expander::setStrokeBrush(std::shared_ptr<SolidColorBrush> brush) {
    if (brush) strokeBrush_ = std::move(brush);
}

void Expander::setInnerBrush(std::shared_ptr<SolidColorBrush> brush) {
    if (brush) innerBrush_ = std::move(brush);
}

Rect Expander::localBounds() const {
    const std::shared_ptr<DiagramItem> owner = item();
    if (auto* node = dynamic_cast<DiagramNode*>(owner.get())) {
        const Rect n = node->bounds();
        return Rect(bounds_.x - n.x, bounds_.y - n.y, bounds_.width, bounds_.height);
    }
    return bounds_;
}

void Expander::draw(Canvas& canvas) {
    const std::shared_ptr<DiagramItem> owner = item();
    if (dynamic_cast<DiagramNode*>(owner.get()) == nullptr || !owner->diagram()) return;

    const Rect b = bounds_;
    if (b.width > 0 && b.height > 0) {
        auto gradient = std::make_shared<LinearGradientBrush>(
            std::make_shared<Color>(1.0, 1.0, 1.0),
            std::make_shared<Color>(198.0 / 255, 206.0 / 255, 218.0 / 255), 60.0);
        canvas.setBrush(gradient);
        canvas.fillRect(b);
    }
    canvas.setStroke(Color(0.5, 0.5, 0.5));
    canvas.setStrokeThickness(MeasureUnit::Pixel()->convert(1.0, canvas.measureUnit(), &canvas));
    canvas.drawRect(b);

    canvas.setStroke(Color(0.0, 0.0, 0.0));
    const double q = b.width * 0.25;
    canvas.drawLine(b.x + q, b.y + b.height / 2, b.x + b.width - q, b.y + b.height / 2);
    if (!expanded()) {
        canvas.drawLine(b.x + b.width / 2, b.y + q, b.x + b.width / 2, b.y + b.height - q);
    }
}

bool Expander::hitTest(const Point& point) {
    const Rect r = globalBounds();
    return r.x <= point.x && point.x <= r.x + r.width && r.y <= point.y &&
           point.y <= r.y + r.height;
}

}  // namespace nodeloom
