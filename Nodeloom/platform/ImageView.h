#pragma once

#include <memory>
#include <string_view>

#include "Nodeloom/foundation/Image.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/platform/View.h"

namespace nodeloom::platform {

// A view that shows one picture stretched over its bounds. Made for a picture, it takes the
// picture's size in points.
class ImageView : public View {
public:
    static std::shared_ptr<ImageView> create();
    // The frame (0, 0) sized as the picture; an empty frame without one.
    static std::shared_ptr<ImageView> create(std::shared_ptr<Image> image);

    ImageView(Passkey key, const Rect& frame);
    ~ImageView() override;

    // Null for none; the view keeps its size when the picture changes.
    const std::shared_ptr<Image>& image() const { return image_; }
    void setImage(std::shared_ptr<Image> image);

    // The picture of a PNG (or other picture) file; null when the file cannot be read or holds
    // no picture.
    static std::shared_ptr<Image> imageFromFile(std::string_view path);

    void draw(const Rect& rect) override;

private:
    std::shared_ptr<Image> image_;
};

}  // namespace nodeloom::platform
