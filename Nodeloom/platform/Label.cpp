#include "Nodeloom/platform/Label.h"

#include <cmath>
#include <utility>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/Style.h"
#include "Nodeloom/platform/GraphicsContext.h"

namespace nodeloom::platform {

Label::Label(Passkey key, const Rect& frame)
    : View(key, frame), textColor_(std::make_shared<Color>(0.0, 0.0, 0.0)) {}

Label::~Label() = default;

std::shared_ptr<Label> Label::create() {
    return create(Rect());
}

std::shared_ptr<Label> Label::create(const Rect& frame) {
    return std::make_shared<Label>(Passkey(), frame);
}

void Label::setText(std::string text) {
    if (text == text_) return;
    text_ = std::move(text);
    setNeedsDisplay();
}

void Label::setFont(const Font& font) {
    if (!std::isfinite(font.size) || font.size <= 0) return;
    font_ = font;
    setNeedsDisplay();
}

void Label::setTextColor(std::shared_ptr<Color> color) {
    if (!color) return;
    textColor_ = std::move(color);
    setNeedsDisplay();
}

void Label::draw(const Rect&) {
    Canvas* canvas = GraphicsContext::current();
    if (canvas == nullptr || text_.empty()) return;
    canvas->setFont(font_.name, font_.size, MeasureUnit::Point());
    canvas->setTextColor(textColor_);
    canvas->drawText(text_, bounds(), HorizontalAlignment::left, VerticalAlignment::center, false,
                     false, false);
}

}  // namespace nodeloom::platform
