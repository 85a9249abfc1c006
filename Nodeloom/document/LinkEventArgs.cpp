#include "Nodeloom/document/LinkEventArgs.h"

#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/links/DiagramLink.h"  // Hook: document holds its links

namespace nodeloom {

LinkValidationEventArgs::LinkValidationEventArgs(std::shared_ptr<DiagramLink> link)
    : LinkEventArgs(std::move(link)), node_(std::make_shared<VirtualNode>()) {}

LinkValidationEventArgs::LinkValidationEventArgs(std::shared_ptr<DiagramLink> link,
                                                 Point pointerPosition, int adjustmentHandle)
    : LinkEventArgs(std::move(link), pointerPosition, adjustmentHandle),
      node_(std::make_shared<VirtualNode>()) {}

LinkValidationEventArgs::LinkValidationEventArgs(std::shared_ptr<DiagramLink> link,
                                                 Point pointerPosition, int adjustmentHandle,
                                                 std::shared_ptr<DiagramNode> node, int anchorIndex,
                                                 int tableRow)
    : LinkEventArgs(std::move(link), pointerPosition, adjustmentHandle),
      node_(node ? std::move(node) : std::make_shared<VirtualNode>()),
      anchorIndex_(anchorIndex),
      tableRow_(tableRow) {}

LinkValidationEventArgs::LinkValidationEventArgs(std::shared_ptr<DiagramLink> link,
                                                 Rect selectionRectangle)
    : LinkEventArgs(std::move(link)),
      node_(std::make_shared<VirtualNode>()),
      selectionRectangle_(selectionRectangle) {}

bool LinkValidationEventArgs::changingOrigin() const {
    return adjustmentHandle() == 0;
}

bool LinkValidationEventArgs::changingDestination() const {
    if (!link()) return false;
    const auto count = static_cast<long long>(link()->controlPoints().size());
    return count > 0 && adjustmentHandle() == count - 1;
}

std::shared_ptr<DiagramNode> LinkValidationEventArgs::origin() const {
    if (changingOrigin()) return node_;
    return link() ? link()->origin() : nullptr;
}

std::shared_ptr<DiagramNode> LinkValidationEventArgs::destination() const {
    if (changingDestination()) return node_;
    return link() ? link()->destination() : nullptr;
}

}  // namespace nodeloom
