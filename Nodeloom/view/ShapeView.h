#pragma once

#include <memory>
#include <string>
#include <utility>

#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/platform/View.h"

namespace nodeloom {

class Shape;

// Draws one node shape in black on white inside a 30 by 30 point view: wide shapes (rectangles,
// ellipses, prisms) in a 25 by 15 box, every other shape in a 20 by 20 square, both centred.
class ShapeView : public platform::View {
public:
    static std::shared_ptr<ShapeView> create(const Rect& frame);

    ShapeView(Passkey key, const Rect& frame);
    ~ShapeView() override;

    // The shape drawn; null draws nothing.
    const std::shared_ptr<Shape>& shape() const { return shape_; }
    void setShape(std::shared_ptr<Shape> shape) { shape_ = std::move(shape); }
    // Kept for the host; the palette does not use them.
    const std::shared_ptr<ShapeView>& shapeCopy() const { return shapeCopy_; }
    void setShapeCopy(std::shared_ptr<ShapeView> view) { shapeCopy_ = std::move(view); }
    const std::shared_ptr<ShapeView>& drag() const { return drag_; }
    void setDrag(std::shared_ptr<ShapeView> view) { drag_ = std::move(view); }

    // The box a shape of this identifier is drawn in, in the view's coordinates.
    static Rect targetRect(const std::string& shapeId);

    void draw(const Rect& rect) override;

private:
    std::shared_ptr<Shape> shape_;
    std::shared_ptr<ShapeView> shapeCopy_;
    std::shared_ptr<ShapeView> drag_;
};

}  // namespace nodeloom
