#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/view/CreateLinkController.h"
#include "Nodeloom/view/CreateNodeController.h"
#include "Nodeloom/view/DiagramView.h"
#include "Nodeloom/view/DrawSelectionController.h"
#include "Nodeloom/view/ModifyLinkController.h"
#include "Nodeloom/view/ModifyNodeController.h"
#include "Nodeloom/view/ModifySelectionController.h"
#include "Nodeloom/view/PanOrZoomController.h"
#include "tests/view/ControllerTestSupport.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

struct RandomDoc : Doc {
    std::mt19937 random;

    explicit RandomDoc(unsigned seed) : random(seed) {
        diagram->setAllowSelfLoops(seed % 2 == 0);
        diagram->setAllowUnconnectedLinks(seed % 3 == 0);
        for (int i = 0; i < 2; ++i)
            factory.createContainerNode(Rect(number(0, 150), number(0, 150), 60, 50));
        for (int i = 0; i < 8; ++i)
            factory.createShapeNode(
                Rect(number(0, 200), number(0, 200), number(5, 30), number(5, 30)));
        for (int i = 0; i < 8; ++i)
            factory.createDiagramLink(anyNode(), anyNode());
    }
    double number(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    }
    std::size_t index(std::size_t size) {
        return std::uniform_int_distribution<std::size_t>(0, size - 1)(random);
    }
    Point point() { return Point(number(-20, 240), number(-20, 240)); }
    std::shared_ptr<DiagramNode> anyNode() {
        return diagram->nodes()[index(diagram->nodes().size())];
    }
    std::shared_ptr<DiagramLink> anyLink() {
        return diagram->links()[index(diagram->links().size())];
    }
    NodeHandleType anyHandle() { return static_cast<NodeHandleType>(index(9)); }
    void drag(TouchInputController& c, Point from) {
        test::drag(c, from, point(), 1 + static_cast<int>(index(4)));
    }
};

// The document's text without the counter of z-indexes handed out: undoing a creation does not
// hand its index out again.
std::string text(Diagram& d) {
    std::string t = d.saveToXmlString();
    const std::size_t from = t.find("<ItemCounter>");
    if (from != std::string::npos) t.erase(from, t.find('<', from + 1) - from);
    return t;
}

}  // namespace

TEST(RandomDrags, EachUndoneGivesBackTheDocumentAndEachModifyingDragIsOneStep) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        RandomDoc doc(seed);
        auto view = DiagramView::create(Rect(0, 0, 300, 200));
        view->setDiagram(doc.diagram);
        int linkModifications = 0;
        doc.diagram->linkModifying().add(
            [&](Object&, LinkValidationEventArgs&) { ++linkModifications; });
        const auto shapeType = std::make_shared<ShapeNode>()->getClassType();
        const auto linkType = std::make_shared<DiagramLink>()->getClassType();

        for (int round = 0; round < 30; ++round) {
            const std::string saved = text(*doc.diagram);
            const std::size_t before = doc.history();
            const int asked = linkModifications;
            const std::size_t kind = doc.index(7);
            SCOPED_TRACE("seed " + std::to_string(seed) + " round " + std::to_string(round) +
                         " kind " + std::to_string(kind));
            bool oneStep = false;
            switch (kind) {
                case 0: {
                    auto node = doc.anyNode();
                    ModifyNodeController c(doc.diagram, node, handle(node, doc.anyHandle()));
                    doc.drag(c, node->bounds().center());
                    oneStep = true;
                    break;
                }
                case 1: {
                    doc.diagram->clearSelection();
                    for (int i = 0; i < 3; ++i)
                        doc.anyNode()->setSelected(true);
                    auto grabbed = doc.diagram->selectedNodes().front();
                    ModifySelectionController c(doc.diagram, handle(grabbed, doc.anyHandle()));
                    doc.drag(c, grabbed->bounds().center());
                    oneStep = true;
                    break;
                }
                case 2: {
                    auto link = doc.anyLink();
                    const int i = static_cast<int>(doc.index(link->controlPoints().size()));
                    ModifyLinkController c(doc.diagram, link, pointHandle(link, i));
                    doc.drag(c, link->controlPoints()[i]);
                    break;
                }
                case 3: {
                    CreateNodeController c(doc.diagram, shapeType);
                    doc.drag(c, doc.point());
                    break;
                }
                case 4: {
                    CreateLinkController c(doc.diagram, nullptr, linkType);
                    doc.drag(c, doc.anyNode()->bounds().center());
                    break;
                }
                case 5: {
                    DrawSelectionController c(doc.diagram);
                    doc.drag(c, doc.point());
                    break;
                }
                default: {
                    PanOrZoomController c(view);
                    const Point a = doc.point(), b = doc.point();
                    c.onTouchDown(a, b);
                    c.onTouchMove(doc.point(), doc.point());
                    c.onTouchUp(a, b);
                    break;
                }
            }
            EXPECT_EQ(doc.nesting(), 0);
            if (oneStep || linkModifications > asked) {
                EXPECT_EQ(doc.history(), before + 1);
            }
            EXPECT_LE(doc.history(), before + 1);
            if (doc.history() == before) {
                if (kind <= 2) {
                    EXPECT_TRUE(text(*doc.diagram) == saved);
                }
                continue;
            }
            doc.diagram->undo();
            EXPECT_TRUE(text(*doc.diagram) == saved);
            doc.diagram->redo();
        }
    }
}
