#pragma once

#include <memory>
#include <string>

#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/platform/View.h"
#include "Nodeloom/view/PaletteSlots.h"

namespace nodeloom {

// Draws its shape (none while it has none) in black on white inside a 30 by 30 point view: wide
// shapes (rectangles, ellipses, prisms) in a 25 by 15 box, every other shape in a 20 by 20
// square, both centred.
class ShapeView : public platform::View, public PaletteSlots {
public:
    static std::shared_ptr<ShapeView> create(const Rect& frame);

    ShapeView(Passkey key, const Rect& frame);
    ~ShapeView() override;

    // The box a shape of this identifier is drawn in, in the view's coordinates.
    static Rect targetRect(const std::string& shapeId);

    void draw(const Rect& rect) override;
};

}  // namespace nodeloom
