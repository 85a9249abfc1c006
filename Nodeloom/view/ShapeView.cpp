#include "Nodeloom/view/ShapeView.h"

#include <array>
#include <string_view>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/platform/GraphicsContext.h"

namespace nodeloom {

ShapeView::ShapeView(Passkey key, const Rect& frame) : View(key, frame) {}

ShapeView::~ShapeView() = default;

std::shared_ptr<ShapeView> ShapeView::create(const Rect& frame) {
    return std::make_shared<ShapeView>(Passkey(), frame);
}

Rect ShapeView::targetRect(const std::string& shapeId) {
    static constexpr std::array<std::string_view, 5> wide{"Rect", "Ellipse", "Rectangle",
                                                          "RoundRect", "Prysm"};
    for (const std::string_view id : wide) {
        if (shapeId == id) return Rect(2.5, 7.5, 25, 15);
    }
    return Rect(5, 5, 20, 20);
}

void ShapeView::draw(const Rect& rect) {
    Canvas* canvas = platform::GraphicsContext::current();
    if (canvas == nullptr) return;
    canvas->setBrush(std::make_shared<SolidColorBrush>(Colors::Transparent()));
    canvas->fillRect(rect);
    canvas->setStroke(*Colors::Black());
    canvas->setBrush(std::make_shared<SolidColorBrush>(Colors::White()));
    if (const auto& drawn = shape()) drawn->draw(*canvas, targetRect(drawn->id()), false, false);
}

}  // namespace nodeloom
