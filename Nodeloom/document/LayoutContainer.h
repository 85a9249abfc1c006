#pragma once

#include <memory>
#include <vector>

#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

class DiagramLink;

// What a layout arranges inside: the whole document, or the children of a container node.
// The names differ from `links()` and `bounds()` because both adopters already use those.
class LayoutContainer {
public:
    virtual ~LayoutContainer() = default;

    // The links the layout may route between the arranged nodes.
    virtual std::vector<std::shared_ptr<DiagramLink>> layoutLinks() const = 0;
    // The area the arranged nodes are placed in.
    virtual Rect layoutBounds() const = 0;

protected:
    LayoutContainer() = default;
    LayoutContainer(const LayoutContainer&) = default;
    LayoutContainer& operator=(const LayoutContainer&) = default;
};

}  // namespace nodeloom
