#include "Nodeloom/foundation/Converter.h"

#include "Nodeloom/platform/Base64.h"
#include "Nodeloom/platform/ImageSurface.h"

namespace nodeloom {

std::string Converter::fromImage(const std::shared_ptr<platform::ImageSurface>& image) {
    if (!image) return std::string();
    const auto png = image->pngData();
    if (png.empty()) return std::string();
    return platform::Base64::encode(png);
}

std::string Converter::fromColor(const Color& color) {
    return color.toString();
}

}  // namespace nodeloom
