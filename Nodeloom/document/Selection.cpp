#include "Nodeloom/document/Selection.h"

#include <cmath>
#include <utility>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Colors.h"

namespace nodeloom {

Selection::Selection(const std::shared_ptr<Diagram>& diagram) : strokeColor_(Colors::Black()) {
    setDiagram(diagram);
}

void Selection::setStrokeColor(std::shared_ptr<Color> color) {
    if (color) strokeColor_ = std::move(color);
}

void Selection::setBounds(const Rect& bounds) {
    if (std::isfinite(bounds.x) && std::isfinite(bounds.y) && std::isfinite(bounds.width) &&
        std::isfinite(bounds.height)) {
        bounds_ = bounds;
    }
}

}  // namespace nodeloom
