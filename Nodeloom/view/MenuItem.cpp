#include "Nodeloom/view/MenuItem.h"

#include <cmath>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/platform/GraphicsContext.h"

namespace nodeloom {

MenuItem::MenuItem(Passkey key, const Rect& frame) : View(key, frame) {}

MenuItem::~MenuItem() = default;

std::shared_ptr<MenuItem> MenuItem::create(std::shared_ptr<Image> img, Size iSize,
                                           std::shared_ptr<Color> strokeColor, double strokeWidth,
                                           std::shared_ptr<Brush> fillBrush, Size imageSize) {
    auto item = std::make_shared<MenuItem>(Passkey(), Rect(0, 0, iSize.width, iSize.height));
    item->iSize_ = item->bounds().size();
    item->imageWidth_ = imageSize.width;
    item->imageHeight_ = imageSize.height;
    item->strokeColor_ = strokeColor ? std::move(strokeColor) : Colors::Black();
    item->setStrokeWidth(strokeWidth);
    item->fillBrush_ = std::move(fillBrush);
    item->onHoverStrokeColor_ = item->strokeColor_;
    item->onHoverFillBrush_ = item->fillBrush_;
    item->setBackgroundColor(std::make_shared<Color>(0, 0, 0, 0));

    // The icon keeps its own size, centred on the button.
    auto icon = platform::ImageView::create(std::move(img));
    const Rect iconFrame = icon->frame();
    icon->setFrame(Rect((item->iSize_.width - imageSize.width) / 2,
                        (item->iSize_.height - imageSize.height) / 2, iconFrame.width,
                        iconFrame.height));
    item->insertSubview(icon, 0);
    item->image_ = std::move(icon);
    return item;
}

void MenuItem::setStrokeColor(std::shared_ptr<Color> color) {
    strokeColor_ = std::move(color);
    setNeedsDisplay();
}

void MenuItem::setStrokeWidth(double width) {
    if (!std::isfinite(width) || width < 0) return;
    strokeWidth_ = width;
    setNeedsDisplay();
}

void MenuItem::setFillBrush(std::shared_ptr<Brush> brush) {
    fillBrush_ = std::move(brush);
    setNeedsDisplay();
}

void MenuItem::setOnHoverStrokeColor(std::shared_ptr<Color> color) {
    onHoverStrokeColor_ = std::move(color);
    setNeedsDisplay();
}

void MenuItem::setOnHoverFillBrush(std::shared_ptr<Brush> brush) {
    onHoverFillBrush_ = std::move(brush);
    setNeedsDisplay();
}

void MenuItem::setHovered(bool hovered) {
    if (hovered == hovered_) return;
    hovered_ = hovered;
    setNeedsDisplay();
}

void MenuItem::draw(const Rect&) {
    Canvas* canvas = platform::GraphicsContext::current();
    if (!canvas) return;
    canvas->saveState();
    const std::shared_ptr<Color>& stroke = hovered_ ? onHoverStrokeColor_ : strokeColor_;
    std::shared_ptr<Brush> brush = hovered_ ? onHoverFillBrush_ : fillBrush_;
    if (!brush) brush = std::make_shared<SolidColorBrush>(std::make_shared<Color>(0, 0, 0, 0));
    canvas->setBrush(std::move(brush));
    canvas->setStroke(stroke ? *stroke : *Colors::Black());
    // The canvas takes a width of exactly 0 as one device pixel in its own unit.
    canvas->setStrokeThickness(strokeWidth_);
    canvas->drawEllipse(Rect(1, 1, iSize_.width - 2, iSize_.height - 2));
    canvas->restoreState();
}

}  // namespace nodeloom
