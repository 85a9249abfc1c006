#include "Nodeloom/items/DiagramItemState.h"

namespace nodeloom {

DiagramItemState::DiagramItemState()
    : textColor_(std::make_shared<Color>(1.0, 1.0, 1.0, 1.0)),
      stroke_(std::make_shared<Color>(1.0, 1.0, 1.0, 1.0)) {}

DiagramItemState::~DiagramItemState() = default;

}  // namespace nodeloom
