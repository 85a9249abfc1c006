#include "Nodeloom/view/RadialMenu.h"

#include <cmath>
#include <numbers>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/platform/Bundle.h"
#include "Nodeloom/platform/ImageSurface.h"
#include "Nodeloom/platform/ImageView.h"

namespace nodeloom {

namespace {

// Byte offsets of the UTF-8 characters of s, with s.size() appended.
std::vector<std::size_t> characterStarts(std::string_view s) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) starts.push_back(i);
    }
    starts.push_back(s.size());
    return starts;
}

}  // namespace

RadialMenu::RadialMenu(Passkey key, const Rect& frame) : View(key, frame) {}

RadialMenu::~RadialMenu() = default;

std::shared_ptr<RadialMenu> RadialMenu::create(const Rect& frame) {
    auto menu = std::make_shared<RadialMenu>(Passkey(), frame);
    menu->setBackgroundColor(std::make_shared<Color>(0, 0, 0, 0));
    return menu;
}

std::shared_ptr<RadialMenu> RadialMenu::create(const platform::Coder& coder) {
    const std::shared_ptr<View> archived = View::create(coder);
    if (!archived) return nullptr;
    auto menu = std::make_shared<RadialMenu>(Passkey(), archived->frame());
    menu->setBackgroundColor(archived->backgroundColor());
    menu->setHidden(archived->hidden());
    return menu;
}

void RadialMenu::setPosition(VisualizationPosition position) {
    position_ = position;
    setNeedsDisplay();
}

Color RadialMenu::background() const {
    const std::shared_ptr<Color>& color = backgroundColor();
    if (!color) return Color(0, 0, 0, 0);
    return Color(color->alpha(), color->red(), color->green(), color->blue());
}

void RadialMenu::setBackground(const Color& color) {
    setBackgroundColor(
        std::make_shared<Color>(color.alpha(), color.red(), color.green(), color.blue()));
}

void RadialMenu::setWidth(double width) {
    if (!(width > 0) || !std::isfinite(width)) return;
    Rect f = frame();
    f.width = width;
    setFrame(f);
}

void RadialMenu::setHeight(double height) {
    if (!(height > 0) || !std::isfinite(height)) return;
    Rect f = frame();
    f.height = height;
    setFrame(f);
}

std::shared_ptr<MenuItem> RadialMenu::addItem(std::shared_ptr<Image> image, Action function) {
    if (!image) return nullptr;
    const double w = image->image() ? image->image()->size().width : 0;
    const double h = image->image() ? image->image()->size().height : 0;
    auto fill = std::make_shared<SolidColorBrush>(std::make_shared<Color>(50.0 / 255, 0, 0, 0));
    auto item = MenuItem::create(image, Size(w + 18, h + 18), Colors::Black(), 2, std::move(fill),
                                 Size(w, h));
    addSubview(item);
    items_.push_back(item);
    dict_[std::move(image)] = std::move(function);
    setNeedsDisplay();
    return item;
}

std::shared_ptr<MenuItem> RadialMenu::addItem(std::string_view name, Action function) {
    const std::size_t dot = name.find('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 >= name.size()) return nullptr;
    const std::string_view base = name.substr(0, dot);
    const std::string_view type = name.substr(dot + 1);
    std::string path = platform::Bundle::library().pathForResource(base, type);
    if (path.empty()) path = platform::Bundle::main().pathForResource(base, type);
    auto image = platform::ImageView::imageFromFile(path);
    if (!image) return nullptr;
    return addItem(std::move(image), std::move(function));
}

void RadialMenu::removeItem(int index) {
    if (index < 0 || index >= static_cast<int>(items_.size())) return;
    const std::shared_ptr<MenuItem> item = items_[static_cast<std::size_t>(index)];
    if (item->image()) dict_.erase(item->image()->image());
    item->removeFromSuperview();
    items_.erase(items_.begin() + index);
    if (selected_ == item) selected_ = nullptr;
    if (defaultItem_ == item) defaultItem_ = nullptr;
    setNeedsDisplay();
}

std::optional<std::string> RadialMenu::substringFromTo(std::string_view s, int a, int b) {
    const std::vector<std::size_t> starts = characterStarts(s);
    const int count = static_cast<int>(starts.size()) - 1;
    if (a < 0 || a > b || b >= count) return std::nullopt;
    const std::size_t from = starts[static_cast<std::size_t>(a)];
    const std::size_t to = starts[static_cast<std::size_t>(b) + 1];
    return std::string(s.substr(from, to - from));
}

void RadialMenu::layoutItems() {
    const std::size_t n = items_.size();
    if (n == 0) return;
    int start = -180;
    switch (position_) {
        case VisualizationPosition::left: start = 90; break;
        case VisualizationPosition::right: start = -90; break;
        case VisualizationPosition::top: start = -180; break;
        case VisualizationPosition::bottom: start = 0; break;
    }
    const int step = n > 1 ? 180 / static_cast<int>(n - 1) : 0;
    const double w = width();
    const double h = height();
    for (std::size_t i = 0; i < n; ++i) {
        const double theta = (start + static_cast<int>(i) * step) * std::numbers::pi / 180;
        const std::shared_ptr<MenuItem>& item = items_[i];
        const Rect f = item->frame();
        item->setFrame(Rect(w / 2 + w / 2 * std::cos(theta) - item->imageWidth() / 2,
                            h / 2 + h / 2 * std::sin(theta) - item->imageHeight() / 2, f.width,
                            f.height));
        item->setNeedsDisplay();
    }
}

void RadialMenu::draw(const Rect& rect) {
    View::draw(rect);
    layoutItems();
}

}  // namespace nodeloom
