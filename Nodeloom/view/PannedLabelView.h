#pragma once

#include <memory>
#include <utility>

#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/platform/Label.h"

namespace nodeloom {

class Shape;
class ShapeView;

// The name label of a palette row.
class PannedLabelView : public platform::Label {
public:
    static std::shared_ptr<PannedLabelView> create(const Rect& frame);

    PannedLabelView(Passkey key, const Rect& frame);
    ~PannedLabelView() override;

    // Kept for the host; the palette does not use them.
    const std::shared_ptr<Shape>& shape() const { return shape_; }
    void setShape(std::shared_ptr<Shape> shape) { shape_ = std::move(shape); }
    const std::shared_ptr<ShapeView>& shapeCopy() const { return shapeCopy_; }
    void setShapeCopy(std::shared_ptr<ShapeView> view) { shapeCopy_ = std::move(view); }
    const std::shared_ptr<ShapeView>& drag() const { return drag_; }
    void setDrag(std::shared_ptr<ShapeView> view) { drag_ = std::move(view); }

private:
    std::shared_ptr<Shape> shape_;
    std::shared_ptr<ShapeView> shapeCopy_;
    std::shared_ptr<ShapeView> drag_;
};

}  // namespace nodeloom
