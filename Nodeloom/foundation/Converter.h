#pragma once

#include <memory>
#include <string>

#include "Nodeloom/foundation/Color.h"

namespace nodeloom {

namespace platform {
class ImageSurface;
}

// Text forms of images and colours.
class Converter {
public:
    Converter() = delete;

    // The image's PNG form as base64 on one line; empty when there is no image or it has no PNG
    // form.
    static std::string fromImage(const std::shared_ptr<platform::ImageSurface>& image);
    static std::string fromColor(const Color& color);
};

}  // namespace nodeloom
