#include "Nodeloom/platform/TextView.h"

#include <cmath>
#include <utility>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/Style.h"
#include "Nodeloom/platform/GraphicsContext.h"

namespace nodeloom::platform {

TextView::TextView(Passkey key, const Rect& frame) : View(key, frame) {}

TextView::~TextView() = default;

std::shared_ptr<TextView> TextView::create() {
    return create(Rect());
}

std::shared_ptr<TextView> TextView::create(const Rect& frame) {
    return std::make_shared<TextView>(Passkey(), frame);
}

void TextView::setText(std::string text) {
    if (text == text_) return;
    text_ = std::move(text);
    setNeedsDisplay();
}

void TextView::setFont(const Font& font) {
    if (!std::isfinite(font.size) || font.size <= 0) return;
    font_ = font;
    setNeedsDisplay();
}

void TextView::draw(const Rect&) {
    Canvas* canvas = GraphicsContext::current();
    if (canvas == nullptr || text_.empty()) return;
    canvas->setFont(font_.name, font_.size, MeasureUnit::Point());
    canvas->setTextColor(Colors::Black());
    canvas->drawText(text_, bounds(), HorizontalAlignment::left, VerticalAlignment::top, false,
                     false, false);
}

}  // namespace nodeloom::platform
