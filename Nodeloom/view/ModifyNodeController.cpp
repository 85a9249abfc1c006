#include "Nodeloom/view/ModifyNodeController.h"

#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/document/ChangeItemCommand.h"
#include "Nodeloom/document/CompositeCommand.h"
#include "Nodeloom/document/ContainerConstraints.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/DiagramMediator.h"
#include "Nodeloom/document/NodeEventArgs.h"
#include "Nodeloom/document/NodeFollowsSelectionRule.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom {

ModifyNodeController::ModifyNodeController(std::shared_ptr<Diagram> diagram,
                                           std::shared_ptr<DiagramNode> node,
                                           std::shared_ptr<AdjustmentHandle> handle)
    : ModifyController(std::move(diagram), node, std::move(handle)), node_(std::move(node)) {}

ModifyNodeController::~ModifyNodeController() {
    // Let go of mid-drag: ended as a cancel ends it, the rules' record of the drag included.
    abandonNodeDrag();
}

void ModifyNodeController::startDrag(Point point) {
    if (canceled_) return;
    ModifyController::startDrag(point);
    if (!node_) return;
    originalBounds_ = oldBounds_ = node_->bounds();
    oldPos_ = point;
    // The rules learn the drag's handle and start rectangles before its first step.
    const ContainerConstraints::RuleList rules = ContainerConstraints::containerConstraints();
    for (const auto& rule : rules) {
        if (rule && rule->isRuleAppliable(node_) && rule->needMoreArgs()) rule->getArgsFrom(this);
    }
    std::optional<Rect> swept;
    for (const auto& link : node_->links()) {
        if (link) swept = Rect::union_(swept, link->getBounds());
    }
    if (swept) invalidOldBounds_ = *swept;
}

void ModifyNodeController::continueDrag(Point point) {
    if (canceled_ || !node_) return;
    const std::shared_ptr<AdjustmentHandle> handleRef = adjustmentHandle();
    auto* handle = dynamic_cast<NodeAdjustmentHandle*>(handleRef.get());
    if (handle == nullptr) return;
    const std::shared_ptr<Diagram>& d = diagram();
    // A node that a handler took out of the document stays where it was taken out.
    if (!d || !d->contains(*node_)) return;
    // A resize snaps the finger; a move snaps the node's corner instead, so its size stays.
    const bool move = handle->nodeHandleType() == NodeHandleType::move;
    setCurrentPoint(move ? point : d->alignPointToGrid(point));
    dragNodeByHandle(node_, *d, originalBounds_, *handle, *this);
    mediator()->updateDependents();
    oldBounds_ = node_->bounds();

    const std::optional<Rect> affected = node_->getAffectedBounds(invalidOldBounds_);
    node_->invalidateLinkCrossings(affected);
    if (affected) invalidOldBounds_ = *affected;
    node_->cycleGuard().clear();
}

void ModifyNodeController::endDrag(Point point) {
    const std::shared_ptr<AdjustmentHandle> handleRef = adjustmentHandle();
    const auto* handle = dynamic_cast<const NodeAdjustmentHandle*>(handleRef.get());
    const std::shared_ptr<Diagram> d = diagram();
    if (handle == nullptr || !node_ || !d || !d->contains(*node_)) {
        // Nothing was changed, but a composite opened at the start must not stay open.
        ModifyController::endDrag(point);
        ContainerConstraints::dragEnded();
        return;
    }
    mediator()->setItems({});
    const NodeHandleType type = handle->nodeHandleType();
    const std::vector<std::shared_ptr<DiagramNode>> nodes{node_};
    notifyParentContainers(nodes, type);
    if (type == NodeHandleType::move) dropIntoContainer(*d, nodes, point);
    if (node_->obstacle()) d->rerouteLinks({oldBounds_, node_->bounds()});

    NodeValidationEventArgs args(node_, Point(0, 0), NodeHandleType::none);
    d->nodeModifying().raise(*d, args);
    if (args.cancel())
        rollBack();
    else
        ModifyController::endDrag(point);
    ContainerConstraints::dragEnded();
}

void ModifyNodeController::onCancel(Point point, Point positionB) {
    ModifyController::onCancel(point, positionB);
    ContainerConstraints::dragEnded();
}

void dropIntoContainer(Diagram& diagram, const std::vector<std::shared_ptr<DiagramNode>>& nodes,
                       Point point) {
    std::unordered_set<const DiagramItem*> moving;
    moving.reserve(nodes.size());
    for (const auto& node : nodes)
        moving.insert(node.get());
    const auto target =
        std::dynamic_pointer_cast<ContainerNode>(diagram.getItemAt(point, [&](DiagramItem& item) {
            return dynamic_cast<ContainerNode*>(&item) != nullptr && !moving.contains(&item) &&
                   diagram.isItemInteractive(item);
        }));
    if (!target) return;
    // The target grows to fit what it takes in, and its own containers grow with it, each taking
    // its links along. An item whose state the drag recorded at its start is not recorded again:
    // that state already covers the whole step.
    if (const std::shared_ptr<UndoManager> manager = diagram.undoManager()) {
        std::vector<std::shared_ptr<DiagramItem>> changed;
        std::unordered_set<const DiagramItem*> seen;
        if (const std::shared_ptr<CompositeCommand>& open = manager->currentComposite()) {
            for (const auto& command : open->commands()) {
                if (const auto* change = dynamic_cast<const ChangeItemCommand*>(command.get()))
                    seen.insert(change->item().get());
            }
        }
        const auto fresh = [&seen](const DiagramItem* item) { return seen.insert(item).second; };
        std::unordered_set<const DiagramNode*> walked;
        for (auto c = target; c && walked.insert(c.get()).second; c = c->container()) {
            if (!fresh(c.get())) continue;
            changed.push_back(c);
            for (const auto& link : c->getAllLinks())
                if (link && fresh(link.get())) changed.push_back(link);
        }
        diagram.recordItemStates(changed);
    }
    bool dropped = false;
    for (const auto& node : nodes) {
        // A node a handler removed, or a reload replaced, is not the document's to place.
        if (!node || node->container() == target || !diagram.contains(*node)) continue;
        target->add(node);
        if (node->container() == target) dropped = true;
    }
    if (dropped) target->resizeToFitChildren(false, std::nullopt);
}

void notifyParentContainers(const std::vector<std::shared_ptr<DiagramNode>>& nodes,
                            NodeHandleType handleType) {
    // Each container once, in the order first met, with its own children among the nodes.
    std::vector<std::pair<std::shared_ptr<ContainerNode>, ContainerNode::NodeList>> groups;
    std::unordered_map<const ContainerNode*, std::size_t> index;
    for (const auto& node : nodes) {
        if (!node) continue;
        std::shared_ptr<ContainerNode> container = node->container();
        if (!container) continue;
        const auto [it, fresh] = index.try_emplace(container.get(), groups.size());
        if (fresh) groups.emplace_back(std::move(container), ContainerNode::NodeList{});
        groups[it->second].second.push_back(node);
    }
    for (const auto& [container, children] : groups)
        container->onChildrenModified(children, handleType);
}

}  // namespace nodeloom
