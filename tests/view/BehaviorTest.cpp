#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/composite/TableNode.h"
#include "Nodeloom/composite/TreeViewNode.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/view/BehaviorBase.h"
#include "Nodeloom/view/CreateLinkController.h"
#include "Nodeloom/view/CreateNodeController.h"
#include "Nodeloom/view/DrawSelectionController.h"
#include "Nodeloom/view/ModifyLinkController.h"
#include "Nodeloom/view/ModifyNodeController.h"
#include "Nodeloom/view/ModifySelectionController.h"
#include "Nodeloom/view/PanController.h"
#include "view/TouchRoadSupport.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

// What lies under the finger where a drag starts.
enum Under { emptySpace, aNode, nodeHandle, linkHandle, nodeAndLinkSelected };

// A letter for the kind of controller: N create node, L create link, S modify selection,
// K modify link, M modify node, D draw selection, P pan, - none.
char kindOf(const std::shared_ptr<TouchInputController>& c) {
    if (!c) return '-';
    if (dynamic_cast<CreateNodeController*>(c.get())) return 'N';
    if (dynamic_cast<CreateLinkController*>(c.get())) return 'L';
    if (dynamic_cast<ModifySelectionController*>(c.get())) return 'S';
    if (dynamic_cast<ModifyLinkController*>(c.get())) return 'K';
    if (dynamic_cast<ModifyNodeController*>(c.get())) return 'M';
    if (dynamic_cast<DrawSelectionController*>(c.get())) return 'D';
    if (dynamic_cast<PanController*>(c.get())) return 'P';
    return '?';
}

// Two nodes and a link between them; the finger starts a drag through the dispatcher.
struct Scene : Road {
    std::shared_ptr<ShapeNode> a, b, c;
    std::shared_ptr<DiagramLink> link;

    Scene() {
        Factory& f = *diagram->factory();
        a = f.createShapeNode(Rect(20, 20, 60, 60));
        b = f.createShapeNode(Rect(200, 60, 60, 60));
        c = f.createShapeNode(Rect(20, 140, 40, 40));
        link = f.createDiagramLink(a, b);
    }
    // The controller a one-finger drag from the point gets.
    std::shared_ptr<TouchInputController> dragFrom(Point p) {
        auto t = touch(1, p);
        dispatcher().setTouchesCount(1);
        dispatcher().onTouchDown(t, p);
        dispatcher().onTouchMove(t, Point(p.x + 8, p.y));
        auto result = controller();
        dispatcher().onTouchCancel(t, Point(p.x + 8, p.y));
        return result;
    }
    std::shared_ptr<TouchInputController> drag(Under under) {
        switch (under) {
            case emptySpace:
                return dragFrom(Point(150, 20));
            case aNode:
                return dragFrom(Point(35, 50));
            case nodeHandle:
                a->setSelected(true);
                return dragFrom(Point(80, 80));
            case linkHandle:
                link->setSelected(true);
                return dragFrom(link->controlPoints().back());
            case nodeAndLinkSelected:
                c->setSelected(true);
                link->setSelected(true);
                return dragFrom(link->controlPoints().back());
        }
        return nullptr;
    }
};

}  // namespace

TEST(Behaviors, EachModeOffersItsControllerForWhatLiesUnderTheFinger) {
    // Columns: empty space, a node, a selected node's handle, a selected link's handle, the
    // link's handle while a node is selected too.
    const std::vector<std::pair<Behavior, std::string>> table = {
        {Behavior::modify, "--SKS"},        {Behavior::drawShapes, "NNSKS"},
        {Behavior::drawLinks, "DLSKS"},     {Behavior::linkShapes, "NLSKS"},
        {Behavior::linkTables, "NLSKS"},    {Behavior::drawTables, "NNSKS"},
        {Behavior::doNothing, "-----"},     {Behavior::custom, "-----"},
        {Behavior::drawContainers, "NNSKS"}, {Behavior::linkContainers, "NLSKS"},
        {Behavior::pan, "PPPPP"},           {Behavior::drawTreeViews, "NNSKS"},
        {Behavior::linkTreeViews, "NLSKS"}, {Behavior::selectOnly, "D-SSS"},
        {Behavior::panAndModify, "PPSKS"},  {Behavior::moveNodes, "-MS--"},
    };
    for (const auto& [behavior, expected] : table) {
        std::string got;
        for (int under = emptySpace; under <= nodeAndLinkSelected; ++under) {
            Scene s;
            s.view->setBehavior(behavior);
            got += kindOf(s.drag(static_cast<Under>(under)));
            EXPECT_TRUE(s.dispatcher().manipulators().empty());
            EXPECT_EQ(s.nesting(), 0);
        }
        EXPECT_EQ(got, expected) << "mode " << static_cast<int>(behavior);
    }
}

TEST(Behaviors, NewNodesAndLinksAreOfTheModesClassesAndStartWhereTheFingerDid) {
    const std::vector<std::pair<Behavior, std::string>> table = {
        {Behavior::drawShapes, "std:ShapeNode"},         {Behavior::linkShapes, "std:ShapeNode"},
        {Behavior::drawTables, "std:TableNode"},         {Behavior::linkTables, "std:TableNode"},
        {Behavior::drawContainers, "std:ContainerNode"}, {Behavior::linkContainers, "std:ContainerNode"},
        {Behavior::drawTreeViews, "std:TreeViewNode"},   {Behavior::linkTreeViews, "std:TreeViewNode"},
    };
    for (const auto& [behavior, classId] : table) {
        Scene s;
        s.view->setBehavior(behavior);
        auto create = std::dynamic_pointer_cast<CreateNodeController>(s.drag(emptySpace));
        ASSERT_NE(create, nullptr);
        EXPECT_EQ(create->nodeType().name(), classId);
        auto made = create->nodeType().getInstance();
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->getClassId(), classId);
    }
    Scene s;
    auto link = std::dynamic_pointer_cast<CreateLinkController>(s.drag(aNode));
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->origin(), s.a);
    EXPECT_EQ(link->linkType().getInstance()->getClassId(), "std:DiagramLink");

    // drawLinks draws a loose link from empty space where the document allows them.
    Scene loose;
    loose.diagram->setAllowUnconnectedLinks(true);
    loose.view->setBehavior(Behavior::drawLinks);
    auto fromNowhere = std::dynamic_pointer_cast<CreateLinkController>(loose.drag(emptySpace));
    ASSERT_NE(fromNowhere, nullptr);
    EXPECT_EQ(fromNowhere->origin(), nullptr);
}

TEST(Behaviors, MoveNodesMovesTheGrabbedNodeAloneUnlessItIsSelected) {
    Scene s;
    s.view->setBehavior(Behavior::moveNodes);
    s.c->setSelected(true);
    auto alone = std::dynamic_pointer_cast<ModifyNodeController>(s.drag(aNode));
    ASSERT_NE(alone, nullptr);
    EXPECT_EQ(alone->node(), s.a);
    auto handle = std::dynamic_pointer_cast<NodeAdjustmentHandle>(alone->adjustmentHandle());
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->nodeHandleType(), NodeHandleType::move);
    // A handle of a selected node moves the selection, whatever handle it is.
    auto all = std::dynamic_pointer_cast<ModifySelectionController>(s.drag(nodeHandle));
    ASSERT_NE(all, nullptr);
    handle = std::dynamic_pointer_cast<NodeAdjustmentHandle>(all->adjustmentHandle());
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->nodeHandleType(), NodeHandleType::move);
    EXPECT_EQ(all->selection().size(), 2u);
}

TEST(Behaviors, SelectorsAskTheirBehaviourAndTheViewsDocumentOfTheMoment) {
    Road r;
    r.view->setBehavior(Behavior::modify);
    auto behavior = r.view->currentBehavior();
    auto node = r.diagram->factory()->createShapeNode(Rect(10, 10, 20, 20));
    auto link = r.diagram->factory()->createDiagramLink(
        node, r.diagram->factory()->createShapeNode(Rect(80, 10, 20, 20)));
    const auto ask = [&](const TouchInputState& state) {
        std::string kinds;
        for (const auto& selector : behavior->controllers()) kinds += kindOf(selector(state));
        return kinds;
    };
    // A handle reported with an item of another kind, or with none, gets no controller.
    TouchInputState state;
    state.setPointedHandle(std::make_shared<LinkAdjustmentHandle>(link));
    state.setPointedItem(node);
    EXPECT_EQ(ask(state), "---");
    state.setPointedItem(nullptr);
    EXPECT_EQ(ask(state), "---");
    state.setPointedHandle(std::make_shared<NodeAdjustmentHandle>(node, NodeHandleType::move));
    state.setPointedItem(link);
    EXPECT_EQ(ask(state), "---");
    state.setPointedItem(node);
    EXPECT_EQ(ask(state), "--M");

    // The selectors work on the document the view shows now.
    auto other = std::make_shared<Diagram>();
    r.view->setDiagram(other);
    auto moved = std::dynamic_pointer_cast<ModifyNodeController>(behavior->controllers()[2](state));
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(moved->diagram(), other);

    // A list kept after its behaviour was replaced offers nothing.
    const auto kept = behavior->controllers();
    r.view->setBehavior(Behavior::pan);
    behavior.reset();
    for (const auto& selector : kept) EXPECT_EQ(selector(state), nullptr);
    EXPECT_EQ(r.dispatcher().controllerSelectors().size(), 1u);
}

TEST(Behaviors, ModesComeFromTheirRawValuesOnly) {
    EXPECT_FALSE(fromRaw<Behavior>(6));
    EXPECT_FALSE(fromRaw<Behavior>(29));
    EXPECT_FALSE(fromRaw<Behavior>(-1));
    EXPECT_EQ(fromRaw<Behavior>(27), Behavior::panAndModify);
    Road r;
    for (const int raw : {6, 15, 100}) {
        auto made = createBehavior(static_cast<Behavior>(raw), r.view);
        ASSERT_NE(made, nullptr);
        EXPECT_TRUE(made->controllers().empty());
    }
}
