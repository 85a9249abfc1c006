#include "Nodeloom/view/CreateNodeController.h"

#include <utility>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/NodeEventArgs.h"
#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/items/DiagramNode.h"

namespace nodeloom {

namespace {

std::shared_ptr<DiagramNode> makeNode(const Metatype<DiagramItem>& type) {
    return std::dynamic_pointer_cast<DiagramNode>(type.getInstance());
}

}  // namespace

CreateNodeController::CreateNodeController(const std::shared_ptr<Diagram>& diagram,
                                           const Metatype<DiagramItem>& nodeType)
    : SinglePointerController(diagram, makeNode(nodeType), nullptr), nodeType_(nodeType) {
    node_ = std::dynamic_pointer_cast<DiagramNode>(modifiedItem());
    setAdjustmentHandle(
        std::make_shared<NodeAdjustmentHandle>(node_, NodeHandleType::resizeBottomRight));
}

CreateNodeController::~CreateNodeController() = default;

void CreateNodeController::startDrag(Point point) {
    const Point a = diagram() ? diagram()->alignPointToGrid(point) : point;
    setStartPoint(a);
    originalBounds_ = Rect(a.x, a.y, 0, 0);
    if (node_) node_->_setBounds(originalBounds_);
}

void CreateNodeController::continueDrag(Point point) {
    const std::shared_ptr<AdjustmentHandle> handleRef = adjustmentHandle();
    auto* handle = dynamic_cast<NodeAdjustmentHandle*>(handleRef.get());
    const std::shared_ptr<Diagram>& d = diagram();
    if (handle == nullptr || !d) return;
    const Point a = d->alignPointToGrid(point);
    setCurrentPoint(a);
    if (!node_) return;
    // The handle follows the finger's corner, so the rectangle never turns inside out; on the
    // start's row or column the corner stays the last one.
    const Point s = startPoint();
    if (a.x < s.x && a.y < s.y)
        handle->setNodeHandleType(NodeHandleType::resizeTopLeft);
    else if (a.x < s.x && a.y > s.y)
        handle->setNodeHandleType(NodeHandleType::resizeBottomLeft);
    else if (a.x > s.x && a.y < s.y)
        handle->setNodeHandleType(NodeHandleType::resizeTopRight);
    else if (a.x > s.x && a.y > s.y)
        handle->setNodeHandleType(NodeHandleType::resizeBottomRight);
    node_->_setBounds(handle->updateBounds(originalBounds_, s, a));

    NodeValidationEventArgs args(node_);
    d->nodeCreating().raise(*d, args);
    if (args._cancelDrag()) dropNode();
}

void CreateNodeController::endDrag(Point) {
    const std::shared_ptr<Diagram> d = diagram();
    if (!node_ || !d) return;
    const std::shared_ptr<DiagramNode> node = node_;
    NodeValidationEventArgs check(node);
    d->nodeCreating().raise(*d, check);
    if (check.cancel()) {
        dropNode();
        return;
    }
    d->addItem(node);
    // A handler that took it out again as it came, or read the document anew meanwhile, left
    // nothing created.
    if (!d->contains(*node)) {
        dropNode();
        return;
    }
    if (node->obstacle() && node->diagram()) d->rerouteLinks({node->bounds()});
    NodeEventArgs created(node, Point(0, 0), NodeHandleType::none);
    d->nodeCreated().raise(*d, created);
}

void CreateNodeController::onCancel(Point, Point) {
    dropNode();
}

void CreateNodeController::draw(Canvas& canvas) {
    const std::shared_ptr<Diagram>& d = diagram();
    if (!node_ || !d || !d->renderOptions()) return;
    node_->draw(canvas, *d->renderOptions());
}

void CreateNodeController::dropNode() {
    node_.reset();
    setModifiedItem(nullptr);
}

}  // namespace nodeloom
