#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace nodeloom {

namespace platform {
class ImageSurface;
}

// A picture that a host builds from base64 text or from an image surface. Images compare by
// identity.
class Image {
public:
    explicit Image(std::shared_ptr<platform::ImageSurface> img) : image_(std::move(img)) {}

    // The picture read from strict base64 (no line breaks or blanks) of an image file; null when
    // the text is not base64 or its bytes are not a picture.
    static std::shared_ptr<Image> fromData(const std::string& data);

    // Pixel sizes; 0 without a picture.
    int getWidth() const;
    int getHeight() const;

    const std::shared_ptr<platform::ImageSurface>& image() const { return image_; }
    void setImage(std::shared_ptr<platform::ImageSurface> img) { image_ = std::move(img); }

    std::size_t hashValue() const;

private:
    std::shared_ptr<platform::ImageSurface> image_;
};

}  // namespace nodeloom
