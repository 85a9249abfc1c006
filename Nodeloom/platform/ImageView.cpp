#include "Nodeloom/platform/ImageView.h"

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/ImageAlign.h"
#include "Nodeloom/platform/GraphicsContext.h"
#include "Nodeloom/platform/ImageSurface.h"

namespace nodeloom::platform {

namespace {

Rect frameFor(const std::shared_ptr<Image>& image) {
    if (!image || !image->image()) return Rect();
    const Size size = image->image()->size();
    return Rect(0, 0, size.width, size.height);
}

}  // namespace

ImageView::ImageView(Passkey key, const Rect& frame) : View(key, frame) {}

ImageView::~ImageView() = default;

std::shared_ptr<ImageView> ImageView::create() {
    return std::make_shared<ImageView>(Passkey(), Rect());
}

std::shared_ptr<ImageView> ImageView::create(std::shared_ptr<Image> image) {
    auto view = std::make_shared<ImageView>(Passkey(), frameFor(image));
    view->image_ = std::move(image);
    return view;
}

void ImageView::setImage(std::shared_ptr<Image> image) {
    if (image == image_) return;
    image_ = std::move(image);
    setNeedsDisplay();
}

std::shared_ptr<Image> ImageView::imageFromFile(std::string_view path) {
    if (path.empty()) return nullptr;
    std::ifstream in{std::string(path), std::ios::binary};
    if (!in) return nullptr;
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    auto surface = ImageSurface::fromData(bytes);
    if (!surface) return nullptr;
    return std::make_shared<Image>(std::move(surface));
}

void ImageView::draw(const Rect&) {
    Canvas* canvas = GraphicsContext::current();
    if (!canvas || !image_ || !image_->image()) return;
    canvas->drawImage(image_->image(), bounds(), ImageAlign::stretch);
}

}  // namespace nodeloom::platform
