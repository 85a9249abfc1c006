#include <gtest/gtest.h>

#include <memory>

#include "MediatorTestSupport.h"
#include "Nodeloom/document/Constraints.h"
#include "Nodeloom/document/ContainerConstraints.h"
#include "Nodeloom/document/DiagramMediator.h"
#include "Nodeloom/document/KeepInsideParentConstraintRule.h"
#include "Nodeloom/document/Selection.h"
#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/items/DragState.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

// The rules in force are shared by the whole process: each test starts from a fresh drag and
// leaves the list as it found it.
class KeepInside : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = ContainerConstraints::containerConstraints();
        ContainerConstraints::dragEnded();
        d = std::make_shared<Diagram>();
        d->setAlignToGrid(false);
        parent = addNode(d, Rect(0, 0, 100, 100));
        child = addNode(d, Rect(10, 10, 20, 20));
        child->attachToNode(parent, AttachToNode::topLeft);
        auto constraints = std::make_shared<Constraints>();
        constraints->setKeepInsideParent(true);
        child->setConstraints(constraints);
    }
    void TearDown() override {
        ContainerConstraints::dragEnded();
        ContainerConstraints::setContainerConstraints(saved_);
    }

    static std::shared_ptr<KeepInsideParentConstraintRule> rule() {
        return std::dynamic_pointer_cast<KeepInsideParentConstraintRule>(
            ContainerConstraints::containerConstraints().front());
    }

    // A drag of the child alone: its new rectangle is stored first, then the rules run.
    Rect dragChild(NodeHandleType type, const Rect& to) {
        DragState drag(child, std::make_shared<NodeAdjustmentHandle>(child, type));
        child->_setBounds(to);
        ContainerConstraints::applyTo(child, &drag);
        return child->bounds();
    }

    // A drag of the selection through the mediator, from (0, 0) to the point.
    Rect dragSelection(NodeHandleType type, Point to) {
        child->setSelected(true);
        DiagramMediator mediator(d->selection());
        DragState drag(d->selection(), std::make_shared<NodeAdjustmentHandle>(d->selection(), type));
        drag.setOriginalStates(mediator.originalStates());
        drag.setCurrentPoint(to);
        mediator.setIst(&drag);
        mediator.updateDependents();
        return child->bounds();
    }

    std::shared_ptr<Diagram> d;
    std::shared_ptr<DiagramNode> parent;
    std::shared_ptr<DiagramNode> child;

private:
    ContainerConstraints::RuleList saved_;
};

}  // namespace

TEST_F(KeepInside, ADraggedNodeStaysInsideItsMaster) {
    ASSERT_EQ(ContainerConstraints::containerConstraints().size(), 1u);
    ASSERT_NE(rule(), nullptr);
    // A move pushes the node back with its size kept, the left and top edges first.
    EXPECT_EQ(dragChild(NodeHandleType::move, Rect(90, 10, 20, 20)), Rect(80, 10, 20, 20));
    EXPECT_EQ(dragChild(NodeHandleType::move, Rect(-5, 95, 20, 20)), Rect(0, 80, 20, 20));
    EXPECT_EQ(dragChild(NodeHandleType::move, Rect(-10, 10, 120, 20)), Rect(0, 10, 120, 20));
    EXPECT_EQ(dragChild(NodeHandleType::move, Rect(0, 0, 100, 100)), Rect(0, 0, 100, 100));
    // A resize stops the dragged edge and holds the opposite one.
    EXPECT_EQ(dragChild(NodeHandleType::resizeLeft, Rect(-5, 10, 35, 20)), Rect(0, 10, 30, 20));
    EXPECT_EQ(dragChild(NodeHandleType::resizeBottomRight, Rect(50, 60, 60, 50)),
              Rect(50, 60, 50, 40));
}

TEST_F(KeepInside, ASelectionDragResizesFromTheRectanglesItBeganWith) {
    // A record from an earlier drag of the child alone is gone once that drag has ended.
    dragChild(NodeHandleType::move, Rect(10, 10, 20, 20));
    ContainerConstraints::dragEnded();
    EXPECT_FALSE(rule()->original(child).has_value());
    child->_setBounds(Rect(40, 10, 20, 20));

    EXPECT_EQ(dragSelection(NodeHandleType::resizeLeft, Point(-50, 0)), Rect(0, 10, 60, 20));
    EXPECT_EQ(rule()->original(child), std::optional<Rect>(Rect(40, 10, 20, 20)));
    ContainerConstraints::dragEnded();

    child->_setBounds(Rect(40, 10, 20, 20));
    EXPECT_EQ(dragSelection(NodeHandleType::move, Point(70, -30)), Rect(80, 0, 20, 20));
}

TEST_F(KeepInside, RecordsNeitherKeepNodesAliveNorOutliveTheDrag) {
    std::weak_ptr<DiagramNode> gone;
    {
        auto other = std::make_shared<DiagramNode>();
        DragState drag(other, std::make_shared<NodeAdjustmentHandle>(other, NodeHandleType::move));
        rule()->getArgsFrom(&drag);
        EXPECT_TRUE(rule()->original(other).has_value());
        gone = other;
    }
    EXPECT_TRUE(gone.expired());

    dragChild(NodeHandleType::move, Rect(10, 10, 20, 20));
    EXPECT_NE(rule()->handle(), nullptr);
    ContainerConstraints::dragEnded();
    EXPECT_EQ(rule()->handle(), nullptr);
    EXPECT_FALSE(rule()->original(child).has_value());
}

TEST_F(KeepInside, LeavesNodesItCannotOrMayNotHold) {
    const auto keepInside = rule();
    const Rect outside(150, 10, 20, 20);
    child->constraints()->setKeepInsideParent(false);
    EXPECT_EQ(dragChild(NodeHandleType::move, outside), outside);
    child->constraints()->setKeepInsideParent(true);

    ContainerConstraints::setContainerConstraints({});
    EXPECT_EQ(dragChild(NodeHandleType::move, outside), outside);
    ContainerConstraints::setContainerConstraints({nullptr});
    EXPECT_EQ(dragChild(NodeHandleType::move, outside), outside);
    ContainerConstraints::setContainerConstraints({keepInside});

    // No handle to go by, no master, no drag.
    rule()->applyConstraintRule(child);
    EXPECT_EQ(child->bounds(), outside);
    child->detach();
    EXPECT_EQ(dragChild(NodeHandleType::move, outside), outside);
    ContainerConstraints::applyTo(child, nullptr);
    ContainerConstraints::applyTo(nullptr, nullptr);
    EXPECT_EQ(child->bounds(), outside);
}
