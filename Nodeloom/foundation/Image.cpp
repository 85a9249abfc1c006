#include "Nodeloom/foundation/Image.h"

#include <functional>

#include "Nodeloom/platform/Base64.h"
#include "Nodeloom/platform/ImageSurface.h"

namespace nodeloom {

std::shared_ptr<Image> Image::fromData(const std::string& data) {
    const auto bytes = platform::Base64::decode(data);
    if (!bytes) return nullptr;
    auto surface = platform::ImageSurface::fromData(*bytes);
    if (!surface) return nullptr;
    return std::make_shared<Image>(std::move(surface));
}

int Image::getWidth() const {
    return image_ ? image_->pixelWidth() : 0;
}

int Image::getHeight() const {
    return image_ ? image_->pixelHeight() : 0;
}

std::size_t Image::hashValue() const {
    return std::hash<const Image*>()(this);
}

}  // namespace nodeloom
