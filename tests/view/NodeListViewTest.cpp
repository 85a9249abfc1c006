#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/foundation/ShapeLibrary.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/platform/Coder.h"
#include "Nodeloom/platform/Label.h"
#include "Nodeloom/platform/PanGestureRecognizer.h"
#include "Nodeloom/platform/TableViewCell.h"
#include "Nodeloom/view/CellView.h"
#include "Nodeloom/view/NodeListView.h"
#include "Nodeloom/view/NodeListViewController.h"
#include "Nodeloom/view/PannedLabelView.h"
#include "Nodeloom/view/ShapeView.h"
#include "foundation/Pixels.h"
#include "view/ViewTestSupport.h"

using namespace nodeloom;
using platform::IndexPath;

namespace {

// The shared library as a document loads it.
ShapeLibrary& library() {
    std::make_shared<Diagram>();
    return *Diagram::defaultShapes();
}

std::shared_ptr<ShapeNode> templateOf(const std::string& shapeId) {
    auto node = std::make_shared<ShapeNode>();
    node->setShape(library().shapeFromId(shapeId));
    return node;
}

std::string rowName(NodeListView& list, int row) {
    auto cell = std::dynamic_pointer_cast<CellView>(list.cellForRowAtIndexPath(IndexPath(0, row)));
    return cell ? cell->lblShapeName()->text() : "<none>";
}

// A palette at the left of the window beside a diagram view at window (200, 0), the document in
// points at zoom 200.
struct Palette : test::Screen {
    Palette() : test::Screen(Rect(200, 0, 200, 300)) {
        list = NodeListView::create(Rect(0, 0, 150, 300));
        window->addSubview(list);
        list->setItems({templateOf("Ellipse"), templateOf("Decision"), templateOf("Star")});
        list->setDiagramView(view);
        view->diagram()->setMeasureUnit(MeasureUnit::Point());
        view->setZoomLevel(200);
        list->layoutIfNeeded();
    }
    ~Palette() { list->removeFromSuperview(); }
    // The row in view (asked of the list, a row answers with a new cell).
    std::shared_ptr<CellView> row(int r) {
        return std::dynamic_pointer_cast<CellView>(
            list->visibleCells().at(static_cast<std::size_t>(r)));
    }
    // The window point of a row's drawing.
    static Point onShape(int r) { return Point(20, 20 + 44.0 * r); }

    std::shared_ptr<NodeListView> list;
};

}  // namespace

TEST(NodeListView, RowsListTheTemplatesOrElseTheLibraryByIdentifier) {
    auto list = NodeListView::create(Rect(0, 0, 150, 300));
    const auto& shapes = library().shapes();
    ASSERT_GT(shapes.size(), 10u);
    EXPECT_EQ(list->numberOfRowsInSection(0), static_cast<int>(shapes.size()));
    std::vector<std::string> names;
    for (int r = 0; r < list->numberOfRowsInSection(0); ++r)
        names.push_back(rowName(*list, r));
    std::vector<std::string> ids;
    for (const auto& [id, shape] : shapes)
        ids.push_back(id);
    EXPECT_EQ(names, ids);

    list->setItems({templateOf("Star"), templateOf("Ellipse")});
    list->setTitle("Shapes");
    list->reloadData();
    list->layoutIfNeeded();
    EXPECT_EQ(list->numberOfRowsInSection(0), 2);
    EXPECT_EQ(list->headerTitle(0), "Shapes");
    EXPECT_EQ(rowName(*list, 0), "Star");
    EXPECT_EQ(rowName(*list, 1), "Ellipse");
    EXPECT_EQ(list->cellForRowAtIndexPath(IndexPath(0, 2)), nullptr);

    // A template without a shape shows an empty row instead of failing.
    list->setItems({std::make_shared<ShapeNode>(), templateOf("Star")});
    list->items()[0]->setShape(nullptr);
    EXPECT_EQ(rowName(*list, 0), "");
}

TEST(NodeListView, HiddenNamesKeepTheRowsInPlace) {
    auto list = NodeListView::create(Rect(0, 0, 150, 300));
    list->setItems({templateOf("Star"), templateOf("Ellipse"), templateOf("Decision")});
    list->setAreNamesVisible(false);
    list->setFont(platform::Font("Arial", 12));
    list->reloadData();
    list->layoutIfNeeded();
    const auto cells = list->visibleCells();
    ASSERT_EQ(cells.size(), 3u);
    const std::vector<std::string> order{"Star", "Ellipse", "Decision"};
    for (std::size_t i = 0; i < cells.size(); ++i) {
        auto cell = std::dynamic_pointer_cast<CellView>(cells[i]);
        ASSERT_NE(cell, nullptr);
        EXPECT_FALSE(cell->isLabelVisible());
        EXPECT_TRUE(cell->lblShapeName()->hidden());
        EXPECT_EQ(cell->lblShapeName()->text(), order[i]);
        EXPECT_EQ(cell->lblShapeName()->font().size, 12);
        EXPECT_EQ(cell->frame(), Rect(0, 44.0 * static_cast<double>(i), 150, 44));
    }
}

TEST(NodeListView, WideShapesDrawInAFlatBoxOthersInASquare) {
    auto drawn = [](const std::string& id) {
        auto view = ShapeView::create(Rect(0, 0, 30, 30));
        view->setShape(library().shapeFromId(id));
        Pixels px(30, 30);
        view->render(px.cr());
        return px.ink();
    };
    for (const char* id : {"Rect", "Ellipse"}) {
        const auto box = drawn(id);
        EXPECT_NEAR(box.left, 2, 1) << id;
        EXPECT_NEAR(box.right, 28, 1) << id;
        EXPECT_NEAR(box.top, 7, 1) << id;
        EXPECT_NEAR(box.bottom, 23, 1) << id;
    }
    const auto square = drawn("Cross");
    EXPECT_NEAR(square.left, 4, 1);
    EXPECT_NEAR(square.right, 26, 1);
    EXPECT_NEAR(square.top, 4, 1);
    EXPECT_NEAR(square.bottom, 26, 1);
    EXPECT_EQ(drawn("NoSuchShape").count, 0);
}

TEST(NodeListView, ADropAddsANodeTwentyPointsWideUnderTheFinger) {
    Palette p;
    std::vector<std::shared_ptr<DiagramNode>> seen;
    const auto diagram = p.view->diagram();
    diagram->nodeCreated().add([&](Object&, NodeEventArgs& args) {
        EXPECT_TRUE(diagram->contains(*args.node()));
        seen.push_back(args.node());
    });
    const auto cell = p.row(0);
    const Rect home = cell->shapeView()->frame();

    p.down(1, Palette::onShape(0));
    p.move(1, Point(100, 100));
    EXPECT_EQ(CellView::activeDrags(), 1);
    ASSERT_NE(cell->shapeCopy(), nullptr);
    EXPECT_EQ(cell->shapeCopy()->frame(), home);
    p.move(1, Point(120, 110));
    EXPECT_EQ(cell->shapeView()->center(), Point(120, 110));
    p.move(1, Point(300, 150));
    p.up(1, Point(300, 150));

    ASSERT_EQ(seen.size(), 1u);
    auto node = std::dynamic_pointer_cast<ShapeNode>(seen[0]);
    ASSERT_NE(node, nullptr);
    const Point c = p.view->clientToDoc(Point(100, 150));
    EXPECT_EQ(node->bounds(), Rect(c.x - 5, c.y - 5, 10, 10));
    EXPECT_EQ(node->strokeThickness(), 0.3);
    EXPECT_EQ(node->shape()->id(), "Ellipse");
    EXPECT_EQ(cell->shapeView()->frame(), home);
    EXPECT_EQ(cell->shapeCopy(), nullptr);
    EXPECT_EQ(CellView::activeDrags(), 0);
    EXPECT_TRUE(p.view->needsDisplay());

    // At zoom 100 the node is 20 by 20.
    p.view->setZoomLevel(100);
    p.down(2, Palette::onShape(1));
    p.move(2, Point(250, 60));
    p.up(2, Point(250, 60));
    ASSERT_EQ(diagram->nodes().size(), 2u);
    EXPECT_EQ(diagram->nodes()[1]->bounds().width, 20);

    // A node that a repaint handler takes out again as it comes was not created.
    diagram->repaint() += [raw = diagram.get()](Object&, RepaintEventArgs&) {
        if (raw->nodes().size() > 2) raw->removeItem(raw->nodes()[2]);
    };
    p.down(3, Palette::onShape(1));
    p.move(3, Point(250, 60));
    p.up(3, Point(250, 60));
    EXPECT_EQ(diagram->nodes().size(), 2u);
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(CellView::activeDrags(), 0);
}

TEST(NodeListView, OnlyOneDragRunsAtATime) {
    Palette p;
    const auto diagram = p.view->diagram();
    p.down(1, Palette::onShape(0), 2, Palette::onShape(1));
    p.window->fingersMove({{1, Point(100, 100)}, {2, Point(110, 140)}});
    EXPECT_EQ(CellView::activeDrags(), 2);
    EXPECT_EQ(p.row(1)->shapeCopy(), nullptr);
    p.window->fingersMove({{1, Point(300, 100)}, {2, Point(310, 140)}});
    p.up(1, Point(300, 100));
    p.up(2, Point(310, 140));
    EXPECT_TRUE(diagram->nodes().empty());
    EXPECT_EQ(CellView::activeDrags(), 0);

    // The next drag of the abandoned row carries its drawing on and drops it.
    p.down(3, Palette::onShape(0));
    p.move(3, Point(260, 100));
    p.up(3, Point(260, 100));
    EXPECT_EQ(diagram->nodes().size(), 1u);
}

TEST(NodeListView, CancelledOrFailedDragsDoNotBlockTheNext) {
    Palette p;
    const auto diagram = p.view->diagram();
    p.down(1, Palette::onShape(0));
    p.move(1, Point(100, 100));
    p.cancel(1);
    EXPECT_EQ(CellView::activeDrags(), 0);

    p.row(1)->panRec()->drive(platform::GestureRecognizerState::began, Point(20, 64));
    p.row(1)->panRec()->drive(platform::GestureRecognizerState::failed, Point(20, 64));
    EXPECT_EQ(CellView::activeDrags(), 0);

    p.down(2, Palette::onShape(2));
    p.move(2, Point(280, 100));
    p.up(2, Point(280, 100));
    ASSERT_EQ(diagram->nodes().size(), 1u);
    EXPECT_EQ(std::dynamic_pointer_cast<ShapeNode>(diagram->nodes()[0])->shape()->id(), "Star");
}

TEST(NodeListView, ADropWithoutADiagramViewAddsNothing) {
    Palette p;
    p.list->setDiagramView(nullptr);
    p.down(1, Palette::onShape(0));
    p.move(1, Point(300, 100));
    p.up(1, Point(300, 100));
    EXPECT_TRUE(p.view->diagram()->nodes().empty());
    EXPECT_EQ(CellView::activeDrags(), 0);

    // A row outside any palette drops nothing either.
    auto loose = CellView::create(platform::TableViewCellStyle::default_, "cell");
    loose->panRec()->drive(platform::GestureRecognizerState::began, Point(20, 20));
    loose->panRec()->drive(platform::GestureRecognizerState::ended, Point(20, 20));
    EXPECT_EQ(CellView::activeDrags(), 0);
    EXPECT_TRUE(p.view->diagram()->nodes().empty());
}

TEST(NodeListView, ArchivedListsAndRowsAreMadeWithoutWiring) {
    EXPECT_EQ(NodeListView::create(platform::Coder()), nullptr);
    auto list = NodeListView::create(platform::Coder(Rect(0, 0, 100, 200)));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->dataSource(), list);
    auto archived = CellView::create(platform::Coder(Rect(0, 0, 100, 44)));
    EXPECT_TRUE(archived->gestureRecognizers().empty());
    EXPECT_EQ(archived->shapeView()->superview(), nullptr);

    // A selected row takes one finger only.
    auto cell = CellView::create(platform::TableViewCellStyle::default_, "cell");
    cell->setSelected(true, false);
    EXPECT_EQ(cell->panRec()->maximumNumberOfTouches(), 1);
}

TEST(NodeListViewController, ShowsOneSectionWithARowPerNode) {
    auto controller = NodeListViewController::create(platform::TableViewStyle::plain);
    auto table = controller->tableView();
    table->setFrame(Rect(0, 0, 320, 480));
    table->layoutIfNeeded();
    EXPECT_EQ(table->numberOfSections(), 1);
    EXPECT_EQ(table->headerTitle(0), "No Title");
    EXPECT_EQ(table->numberOfRowsInSection(0), 0);

    controller->setNodes({std::make_shared<DiagramNode>(), std::make_shared<DiagramNode>(),
                          std::make_shared<DiagramNode>()});
    table->reloadData();
    table->layoutIfNeeded();
    ASSERT_EQ(table->visibleCells().size(), 3u);
    for (const auto& cell : table->visibleCells())
        EXPECT_EQ(cell->textLabel()->text(), "");  // nothing registered: empty rows

    table->registerClass<platform::TableViewCell>("NodeCell");
    table->reloadData();
    table->layoutIfNeeded();
    ASSERT_EQ(table->visibleCells().size(), 3u);
    for (const auto& cell : table->visibleCells()) {
        EXPECT_EQ(cell->reuseIdentifier(), "NodeCell");
        EXPECT_EQ(cell->textLabel()->text(), "No Text");
    }

    EXPECT_EQ(NodeListViewController::create("Nodes", platform::Bundle::main())->nibName(),
              "Nodes");
    EXPECT_TRUE(NodeListViewController::create(platform::Coder())->nodes().empty());
}
