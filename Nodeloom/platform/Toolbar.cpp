#include "Nodeloom/platform/Toolbar.h"

#include <algorithm>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/Style.h"
#include "Nodeloom/platform/GraphicsContext.h"

namespace nodeloom::platform {

BarButtonItem::BarButtonItem(std::string title, Style style, std::function<void()> action)
    : title_(std::move(title)), style_(style), action_(std::move(action)) {}

Toolbar::Toolbar(Passkey key, const Rect& frame) : View(key, frame) {}

Toolbar::~Toolbar() = default;

std::shared_ptr<Toolbar> Toolbar::create() {
    return create(Rect());
}

std::shared_ptr<Toolbar> Toolbar::create(const Rect& frame) {
    return std::make_shared<Toolbar>(Passkey(), frame);
}

void Toolbar::setItems(ItemList items, bool) {
    std::erase(items, nullptr);
    items_ = std::move(items);
    setNeedsDisplay();
}

void Toolbar::pressItem(int index) {
    if (index < 0 || index >= static_cast<int>(items_.size())) return;
    // A copy: the action may replace the items, or drop the toolbar with the view that holds it.
    const std::function<void()> action = items_[static_cast<std::size_t>(index)]->action();
    if (action) action();
}

void Toolbar::draw(const Rect&) {
    Canvas* canvas = GraphicsContext::current();
    if (canvas == nullptr || items_.empty()) return;
    const Rect b = bounds();
    const double width = b.width / static_cast<double>(items_.size());
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const BarButtonItem& item = *items_[i];
        canvas->setFont("Helvetica", 17.0, MeasureUnit::Point());
        canvas->setTextColor(item.tintColor() ? item.tintColor() : Colors::Black());
        canvas->drawText(item.title(),
                         Rect(b.x + width * static_cast<double>(i), b.y, width, b.height),
                         HorizontalAlignment::center, VerticalAlignment::center,
                         item.style() == BarButtonItem::Style::done, false, false);
    }
}

}  // namespace nodeloom::platform
