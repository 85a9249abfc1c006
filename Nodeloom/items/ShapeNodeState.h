#pragma once

#include <memory>
#include <utility>

#include "Nodeloom/foundation/ImageAlign.h"
#include "Nodeloom/items/DiagramNodeState.h"

namespace nodeloom {

namespace platform {
class ImageSurface;
}
class Shape;

// The undo snapshot of a shape node; shape and image are the node's own objects.
class ShapeNodeState : public DiagramNodeState {
public:
    ShapeNodeState() = default;

    const std::shared_ptr<Shape>& shape() const { return shape_; }
    void setShape(std::shared_ptr<Shape> shape) { shape_ = std::move(shape); }
    const std::shared_ptr<platform::ImageSurface>& image() const { return image_; }
    void setImage(std::shared_ptr<platform::ImageSurface> image) { image_ = std::move(image); }
    ImageAlign imageAlign() const { return imageAlign_; }
    void setImageAlign(ImageAlign align) { imageAlign_ = align; }
    bool transparent() const { return transparent_; }
    void setTransparent(bool transparent) { transparent_ = transparent; }
    bool flipX() const { return flipX_; }
    void setFlipX(bool flip) { flipX_ = flip; }
    bool flipY() const { return flipY_; }
    void setFlipY(bool flip) { flipY_ = flip; }

private:
    std::shared_ptr<Shape> shape_;
    std::shared_ptr<platform::ImageSurface> image_;
    ImageAlign imageAlign_ = ImageAlign::fit;
    bool transparent_ = false;
    bool flipX_ = false;
    bool flipY_ = false;
};

}  // namespace nodeloom
