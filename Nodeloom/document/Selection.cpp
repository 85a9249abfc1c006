#include "Nodeloom/document/Selection.h"

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
    if (bounds.isFinite()) bounds_ = bounds;
}

}  // namespace nodeloom
