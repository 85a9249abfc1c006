#include "Nodeloom/links/DiagramLinkState.h"

#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/links/LinkLabel.h"

namespace nodeloom {

DiagramLinkState::DiagramLinkState() = default;
DiagramLinkState::~DiagramLinkState() = default;

}  // namespace nodeloom
