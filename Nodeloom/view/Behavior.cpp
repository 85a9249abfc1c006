#include "Nodeloom/view/Behavior.h"

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/composite/TableNode.h"
#include "Nodeloom/composite/TreeViewNode.h"
#include "Nodeloom/foundation/Metatype.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/view/DoNothingBehavior.h"
#include "Nodeloom/view/DrawLinksBehavior.h"
#include "Nodeloom/view/DrawNodesBehavior.h"
#include "Nodeloom/view/LinkNodesBehavior.h"
#include "Nodeloom/view/ModifyBehavior.h"
#include "Nodeloom/view/MoveNodesBehavior.h"
#include "Nodeloom/view/PanBehavior.h"
#include "Nodeloom/view/SelectionBehavior.h"

namespace nodeloom {

namespace {

// The class record of an item class, made without making an instance: a container made only to
// ask its class would switch the whole process to the container-aware tests.
template <typename T>
Metatype<DiagramItem> classOf(const char* classId) {
    return Metatype<DiagramItem>([] { return std::make_shared<T>(); }, classId);
}

Metatype<DiagramItem> nodeClass(Behavior behavior) {
    switch (behavior) {
        case Behavior::drawTables:
        case Behavior::linkTables:
            return classOf<TableNode>("std:TableNode");
        case Behavior::drawContainers:
        case Behavior::linkContainers:
            return classOf<ContainerNode>("std:ContainerNode");
        case Behavior::drawTreeViews:
        case Behavior::linkTreeViews:
            return classOf<TreeViewNode>("std:TreeViewNode");
        default:
            return classOf<ShapeNode>("std:ShapeNode");
    }
}

}  // namespace

std::shared_ptr<BehaviorBase> createBehavior(Behavior behavior,
                                             const std::shared_ptr<DiagramView>& view) {
    const Metatype<DiagramItem> linkClass = classOf<DiagramLink>("std:DiagramLink");
    switch (behavior) {
        case Behavior::modify:
            return std::make_shared<ModifyBehavior>(view);
        case Behavior::drawShapes:
        case Behavior::drawTables:
        case Behavior::drawContainers:
        case Behavior::drawTreeViews:
            return std::make_shared<DrawNodesBehavior>(view, nodeClass(behavior));
        case Behavior::drawLinks:
            return std::make_shared<DrawLinksBehavior>(view, linkClass);
        case Behavior::linkShapes:
        case Behavior::linkTables:
        case Behavior::linkContainers:
        case Behavior::linkTreeViews:
            return std::make_shared<LinkNodesBehavior>(view, nodeClass(behavior), linkClass);
        case Behavior::selectOnly:
            return std::make_shared<SelectionBehavior>(view);
        case Behavior::pan:
            return std::make_shared<PanBehavior>(view, false);
        case Behavior::panAndModify:
            return std::make_shared<PanBehavior>(view, true);
        case Behavior::moveNodes:
            return std::make_shared<MoveNodesBehavior>(view);
        case Behavior::doNothing:
        case Behavior::custom:
            break;
    }
    // Also a value made from a raw number no mode has.
    return std::make_shared<DoNothingBehavior>(view);
}

}  // namespace nodeloom
