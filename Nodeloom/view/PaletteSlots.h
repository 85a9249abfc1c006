#pragma once

#include <memory>
#include <utility>

namespace nodeloom {

class Shape;
class ShapeView;

// The shape and the two drag views that the palette's drawing and label views both carry. The
// drawing view draws its shape; the rest is kept for the host and not used by the palette.
class PaletteSlots {
public:
    const std::shared_ptr<Shape>& shape() const { return shape_; }
    void setShape(std::shared_ptr<Shape> shape) { shape_ = std::move(shape); }
    const std::shared_ptr<ShapeView>& shapeCopy() const { return shapeCopy_; }
    void setShapeCopy(std::shared_ptr<ShapeView> view) { shapeCopy_ = std::move(view); }
    const std::shared_ptr<ShapeView>& drag() const { return drag_; }
    void setDrag(std::shared_ptr<ShapeView> view) { drag_ = std::move(view); }

protected:
    PaletteSlots() = default;
    ~PaletteSlots() = default;
    PaletteSlots(const PaletteSlots&) = default;
    PaletteSlots& operator=(const PaletteSlots&) = default;

private:
    std::shared_ptr<Shape> shape_;
    std::shared_ptr<ShapeView> shapeCopy_;
    std::shared_ptr<ShapeView> drag_;
};

}  // namespace nodeloom
