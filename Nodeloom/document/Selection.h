#pragma once

#include <memory>

#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/items/DiagramItem.h"

namespace nodeloom {

class Diagram;

// The frame of a selection: a plain rectangle item that the document makes on first use and that
// the rubber-band selection drags open. Which items are selected is each item's own flag.
class Selection : public DiagramItem {
public:
    // Black frame, zero rectangle, tied to the document (which may be null).
    explicit Selection(const std::shared_ptr<Diagram>& diagram);

    // Never null: a null colour is refused.
    const std::shared_ptr<Color>& strokeColor() const { return strokeColor_; }
    void setStrokeColor(std::shared_ptr<Color> color);
    // In document units; a rectangle with a number that is not finite is refused.
    const Rect& bounds() const { return bounds_; }
    void setBounds(const Rect& bounds);

private:
    std::shared_ptr<Color> strokeColor_;
    Rect bounds_;
};

}  // namespace nodeloom
