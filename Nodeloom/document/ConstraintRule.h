#pragma once

#include <memory>

namespace nodeloom {

class DiagramNode;
class DragState;

// A limit on how a node may be moved or resized by touch, enforced after each step of a drag.
// A caller applies a rule to a node only when isRuleAppliable says so, first handing it the
// driving controller through getArgsFrom when needMoreArgs asks for it. The base rule concerns
// no node and does nothing.
//
// Rules are made by the library only; a host reorders or replaces the list in force
// (ContainerConstraints) but does not construct rules of the library's kinds.
class ConstraintRule {
public:
    virtual ~ConstraintRule();

    ConstraintRule(const ConstraintRule&) = delete;
    ConstraintRule& operator=(const ConstraintRule&) = delete;

    virtual bool isRuleAppliable(const std::shared_ptr<DiagramNode>& node);
    virtual bool needMoreArgs();
    // Takes what the rule needs from the controller of the drag; null gives nothing.
    virtual void getArgsFrom(DragState* args);
    // Changes the node's stored bounds to satisfy the rule, without repainting or moving the
    // items that depend on the node: the caller does both.
    virtual void applyConstraintRule(const std::shared_ptr<DiagramNode>& node);
    // Called when a drag ends or is cancelled, so that nothing taken from it outlives it.
    virtual void dragEnded();

protected:
    ConstraintRule() = default;
};

}  // namespace nodeloom
