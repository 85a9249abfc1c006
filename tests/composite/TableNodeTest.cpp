#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Nodeloom/composite/ScrollBar.h"
#include "Nodeloom/composite/TableConnectionPoint.h"
#include "Nodeloom/composite/TableNode.h"
#include "Nodeloom/document/ChangeItemCommand.h"
#include "Nodeloom/document/CompositeCommand.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/document/RemoveItemCommand.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/foundation/Style.h"
#include "Nodeloom/foundation/Theme.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/Router.h"
#include "composite/TableTestSupport.h"
#include "tests/UndoTestSupport.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

// A document with a 2-column, 5-row table (caption 5, rows 6: rows start at y 5, 11, 17, ...)
// and a shape node to its right.
struct TableDocument {
    explicit TableDocument(bool undo = false) : d(std::make_shared<Diagram>()) {
        d->setUndoEnabled(undo);
        table = d->factory()->createTableNode(0, 0, 50, 60, 2, 5);
        node = d->factory()->createShapeNode(100, 0, 20, 20);
    }
    std::shared_ptr<Diagram> d;
    std::shared_ptr<TableNode> table;
    std::shared_ptr<ShapeNode> node;
};

bool listed(const Row::LinkList& list, const std::shared_ptr<DiagramLink>& link) {
    return countOf(list, link) == 1;
}

}  // namespace

// --- Model --------------------------------------------------------------------------------

TEST(TableModel, BoundsKeepTheHeightOfTheRowsThatFitWholly) {
    auto table = makeTable({6, 20, 6}, 1, Rect(0, 0, 40, 50));
    table->_setBounds(Rect(0, 0, 40, 20));  // 15 below the caption: the 20 row is skipped
    EXPECT_DOUBLE_EQ(table->heightOfCompleteVisibleItems(), 12);
    table->rows()[1]->setHeight(1);
    table->_setBounds(Rect(30, 30, 40, 20));  // a move alone measures nothing
    EXPECT_DOUBLE_EQ(table->heightOfCompleteVisibleItems(), 12);

    // The factory stores the bounds through the same path.
    auto d = std::make_shared<Diagram>();
    auto made = d->factory()->createTableNode(0, 0, 40, 20, 2, 3);
    made->_setBounds(Rect(0, 0, 40, 25));
    EXPECT_DOUBLE_EQ(made->heightOfCompleteVisibleItems(), 18);
}

TEST(TableModel, CopiedCellSharesBrushAndColour) {
    Cell source;
    source.setTextColor(std::make_shared<Color>(0, 0, 0));
    source.setBrush(std::make_shared<SolidColorBrush>());
    Cell copy(source);
    source.textColor()->setRed(1);
    EXPECT_EQ(copy.textColor()->red(), 1);
    EXPECT_EQ(copy.brush(), source.brush());

    // A kind of cell makes fresh cells of its kind, not copies.
    source.setText("kept");
    const std::shared_ptr<CellProtocol> fresh = source.makeDefault();
    const auto cell = std::dynamic_pointer_cast<Cell>(fresh);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->text(), "");
    EXPECT_EQ(cell->brush(), nullptr);
}

TEST(TableModel, ThemeStyleFallsBackToDiagramNode) {
    auto table = std::make_shared<TableNode>();
    auto theme = std::make_shared<Theme>();
    auto nodeStyle = std::make_shared<Style>();
    theme->styles()["DiagramNode"] = nodeStyle;
    const auto any = [](const Style&) { return true; };
    EXPECT_EQ(table->resolveInheritedStyle(any, theme), nodeStyle);
    auto tableStyle = std::make_shared<Style>();
    theme->styles()["TableNode"] = tableStyle;
    EXPECT_EQ(table->resolveInheritedStyle(any, theme), tableStyle);
}

// --- Structure ------------------------------------------------------------------------------

TEST(TableStructure, InsertedRowsAndColumnsKeepTheOldCellsAndRows) {
    auto table = makeTable({6, 8}, 2, Rect(0, 0, 50, 50));
    const auto a = table->cell(0, 0), b = table->cell(1, 1);
    const auto row1 = table->rows()[1];

    table->insertRow(2);
    ASSERT_EQ(table->rows().size(), 3u);
    EXPECT_EQ(table->cell(0, 0), a);
    EXPECT_EQ(table->cell(1, 1), b);
    EXPECT_TRUE(table->cell(0, 2));
    EXPECT_DOUBLE_EQ(table->rows()[2]->height(), 6);

    table->insertRow(0);
    EXPECT_EQ(table->cell(0, 1), a);
    EXPECT_EQ(table->cell(1, 2), b);
    EXPECT_EQ(table->rows()[2], row1);
    EXPECT_NE(table->cell(0, 0), a);

    table->columns()[1].width = 30;
    table->insertColumn(1);
    ASSERT_EQ(table->columns().size(), 3u);
    EXPECT_EQ(table->cell(2, 2), b);
    EXPECT_DOUBLE_EQ(table->columns()[2].width, 30);
    EXPECT_DOUBLE_EQ(table->columns()[1].width, 18);

    // Out of range: nothing.
    table->insertColumn(-1);
    table->deleteRow(4);
    EXPECT_EQ(table->columns().size(), 3u);
    EXPECT_EQ(table->rows().size(), 4u);
}

TEST(TableStructure, DeletionsShiftTheRestAndKeepSpans) {
    auto table = makeTable({6, 6, 6}, 3, Rect(0, 0, 60, 50));
    table->cell(0, 2)->setColumnSpan(2);
    const auto last = table->cell(2, 2);
    table->deleteColumn(1);
    EXPECT_EQ(table->cell(1, 2), last);
    EXPECT_EQ(table->cell(0, 2)->columnSpan(), 2);
    table->deleteRow(0);
    EXPECT_EQ(table->cell(1, 1), last);

    auto thin = makeTable({6, 6}, 1, Rect(0, 0, 60, 50));
    thin->deleteColumn(0);
    EXPECT_TRUE(thin->columns().empty());
    EXPECT_EQ(thin->rows().size(), 2u);
    EXPECT_FALSE(thin->cell(0, 0));
}

TEST(TableStructure, RedimRebuildsAndCountsNegativeSizesAsNone) {
    auto table = makeTable({9, 9}, 2, Rect(0, 0, 60, 50));
    table->cell(0, 0)->setText("old");
    table->setHasHeaderRows(true);
    table->redimTable(3, 4);
    EXPECT_EQ(table->columns().size(), 3u);
    ASSERT_EQ(table->rows().size(), 4u);
    EXPECT_DOUBLE_EQ(table->rows()[0]->height(), 6);
    EXPECT_EQ(table->cell(0, 0)->text(), "");
    EXPECT_TRUE(table->cell(2, 3));
    EXPECT_FALSE(table->hasHeaderRows());

    table->redimTable(-2, -1);
    EXPECT_TRUE(table->columns().empty());
    EXPECT_TRUE(table->rows().empty());

    auto d = std::make_shared<Diagram>();
    auto made = d->factory()->createTableNode(Rect(0, 0, 40, 40), -3, 2);
    EXPECT_TRUE(made->columns().empty());
    EXPECT_EQ(made->rows().size(), 2u);
}

// A table larger than a file may hold is refused by every change of size, which then leaves the
// table as it was, links and cells included; a table at the limit can still lose rows.
TEST(TableStructure, SizesPastTheCellLimitChangeNothing) {
    TableDocument doc;
    auto link = doc.d->factory()->createDiagramLink(doc.table, 2, doc.node);
    doc.table->cell(1, 2)->setText("kept");
    doc.table->setHasHeaderRows(true);
    const std::string before = doc.d->saveToXmlString();
    const auto unchanged = [&](const std::string& what) {
        EXPECT_EQ(doc.d->saveToXmlString(), before) << what;
        EXPECT_EQ(doc.table->columns().size(), 2u) << what;
        EXPECT_EQ(doc.table->rows().size(), 5u) << what;
        EXPECT_EQ(doc.table->cell(1, 2)->text(), "kept") << what;
        EXPECT_EQ(originRow(link), 2) << what;
        EXPECT_TRUE(doc.table->hasHeaderRows()) << what;
    };
    constexpr int most = static_cast<int>(TableNode::maxLoadedCells);
    for (const auto& [columns, rows] : std::vector<std::pair<int, int>>{
             {INT_MAX, 1}, {1, INT_MAX}, {INT_MAX, 0}, {0, INT_MAX}, {INT_MAX, INT_MAX},
             {most + 1, 0}, {1001, 1000}}) {
        doc.table->redimTable(columns, rows);
        unchanged(std::to_string(columns) + " x " + std::to_string(rows));
    }

    auto wide = makeTable({}, most, Rect(0, 0, 40, 40));
    wide->insertColumn(0);
    wide->insertColumn(most);
    EXPECT_EQ(wide->columns().size(), static_cast<std::size_t>(most));
    wide->deleteColumn(0);
    EXPECT_EQ(wide->columns().size(), static_cast<std::size_t>(most - 1));
    wide->insertColumn(0);
    EXPECT_EQ(wide->columns().size(), static_cast<std::size_t>(most));
}

// A null entry in the public row list counts as a default row that holds no links: it is
// drawn, hit, scrolled past, saved and brought back by undo as one, and a link drawn to it ends
// on the table as a whole.
TEST(TableStructure, ANullRowCountsAsADefaultRowThatHoldsNoLinks) {
    TableDocument doc(true);
    auto& factory = *doc.d->factory();
    doc.table->rows()[1]->setHeight(10);
    for (int r : {2, 3}) doc.table->cell(0, r)->setText("row " + std::to_string(r));
    doc.table->rows()[2] = nullptr;
    auto onRow = factory.createDiagramLink(doc.table, 3, doc.node);
    EXPECT_EQ(onRow->startPoint(), Point(50, 30));

    // Rows 0 (6), 1 (10), the null one (6), 3, 4 below the caption of 5.
    EXPECT_EQ(doc.table->getRowRect(2), Rect(0, 21, 50, 6));
    EXPECT_EQ(doc.table->getRowRect(3), Rect(0, 27, 50, 6));
    EXPECT_EQ(doc.table->rowFromPoint(Point(10, 23)), 2);
    EXPECT_EQ(doc.d->getNodeAt(Point(10, 23), false), doc.table);
    EXPECT_DOUBLE_EQ(doc.table->getMaxScrollPos(), 34);
    TextRecordingCanvas canvas;
    doc.table->drawLocal(canvas, RenderOptions());
    ASSERT_EQ(canvas.texts["row 2"].size(), 1u);
    ASSERT_EQ(canvas.texts["row 3"].size(), 1u);
    EXPECT_DOUBLE_EQ(canvas.texts["row 3"][0].y - canvas.texts["row 2"][0].y, 6);
    Canvas whole(MeasureUnit::Millimeter());
    doc.d->draw(whole, doc.d->bounds());

    auto toNull = factory.createDiagramLink(doc.node, doc.table, 2);
    ASSERT_TRUE(toNull);
    EXPECT_EQ(destinationRow(toNull), -1);
    EXPECT_EQ(countOf(doc.table->incomingLinks(), toNull), 1);
    EXPECT_EQ(doc.table->getAllLinks().size(), 2u);
    doc.table->setCurrentScrollPos(3);
    doc.table->setCurrentScrollPos(0);
    EXPECT_EQ(originRow(onRow), 3);
    EXPECT_EQ(onRow->startPoint(), Point(50, 30));

    // Read back, the null row is a default row, and the document reads as it was saved.
    const std::string saved = doc.d->saveToXmlString();
    const auto path = std::filesystem::temp_directory_path() /
                      ("nodeloom-null-row-" + std::to_string(::getpid()) + ".xml");
    ASSERT_TRUE(doc.d->saveToXml(path));
    auto copy = std::make_shared<Diagram>();
    const bool loaded = copy->loadFromXml(path);
    std::filesystem::remove(path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(copy->saveToXmlString(), saved);

    // Changes of structure and their undo keep the null entry where it was.
    const auto um = doc.d->undoManager();
    um->startComposite();
    doc.d->recordItemStates({doc.table, onRow, toNull});
    doc.table->insertRow(0);
    doc.table->deleteRow(5);
    um->commitComposite();
    EXPECT_FALSE(doc.table->rows()[3]);
    um->undo();
    EXPECT_FALSE(doc.table->rows()[2]);
    EXPECT_EQ(originRow(onRow), 3);
    EXPECT_EQ(doc.d->saveToXmlString(), saved);
    um->redo();
    EXPECT_FALSE(doc.table->rows()[3]);
    doc.table->deleteRow(3);
    EXPECT_EQ(doc.table->rows().size(), 4u);
}

TEST(TableStructure, ScrollRowStaysWithinTheRows) {
    auto table = makeTable({6, 6, 6, 6}, 1, Rect(0, 0, 40, 40));
    table->setCurrentScrollPos(4);
    table->deleteRow(0);
    EXPECT_EQ(table->currentScrollRow(), 3);
    table->redimTable(1, 1);
    EXPECT_EQ(table->currentScrollRow(), 1);
}

TEST(TableStructure, RowEditsRenumberAndMoveTheLinksOnRows) {
    TableDocument doc;
    auto link = doc.d->factory()->createDiagramLink(doc.node, doc.table, 3);
    ASSERT_EQ(destinationRow(link), 3);
    EXPECT_DOUBLE_EQ(link->endPoint().y, 5 + 3 * 6 + 3);
    EXPECT_DOUBLE_EQ(link->endPoint().x, 50);  // the side facing the node

    doc.table->insertRow(0);
    EXPECT_EQ(destinationRow(link), 4);
    EXPECT_TRUE(listed(doc.table->rows()[4]->incomingLinks(), link));
    EXPECT_DOUBLE_EQ(link->endPoint().y, 5 + 4 * 6 + 3);

    doc.table->deleteRow(2);
    EXPECT_EQ(destinationRow(link), 3);
    EXPECT_DOUBLE_EQ(link->endPoint().y, 5 + 3 * 6 + 3);
}

// Far from the origin a row is a small fraction of the coordinates; its ends still move with it
// by whole rows, never staying behind as if the move were rounding.
TEST(TableStructure, FarAwayTablesMoveTheirRowEndsByWholeRows) {
    for (const double far : {1e4, 8.7e9, 1e13}) {
        SCOPED_TRACE(far);
        TableDocument doc;
        doc.table->setBounds(Rect(far / 300, far, 50, 60));
        doc.node->setBounds(Rect(far / 300 + 100, far, 20, 20));
        auto link = doc.d->factory()->createDiagramLink(doc.node, doc.table, 3);
        const auto middle = [&](int shown) { return far + 5 + shown * 6 + 3; };
        ASSERT_DOUBLE_EQ(link->endPoint().y, middle(3));

        doc.table->insertRow(0);
        EXPECT_EQ(destinationRow(link), 4);
        EXPECT_DOUBLE_EQ(link->endPoint().y, middle(4));
        doc.table->setCurrentScrollPos(2);
        EXPECT_DOUBLE_EQ(link->endPoint().y, middle(2));
        doc.table->deleteRow(0);
        EXPECT_DOUBLE_EQ(link->endPoint().y, middle(1));
        EXPECT_DOUBLE_EQ(link->destinationConnection()->relativePosition().y, 50);
    }
}

TEST(TableStructure, DeleteRowRemovesEachLinkOnceAndUndoBringsItBackOnce) {
    TableDocument doc(true);
    auto& factory = *doc.d->factory();
    auto loop = factory.createDiagramLink(doc.table, 1, doc.table, 1);
    auto fromNode = factory.createDiagramLink(doc.node, doc.table, 1);
    auto kept = factory.createDiagramLink(doc.table, 3, doc.node);
    const auto um = doc.d->undoManager();

    um->startComposite();
    auto state = doc.table->saveState();
    doc.table->deleteRow(1);
    um->executeCommand(std::make_shared<ChangeItemCommand>(doc.d, doc.table, state));
    um->commitComposite();

    EXPECT_EQ(doc.d->links().size(), 1u);
    EXPECT_EQ(originRow(kept), 2);
    auto step = std::dynamic_pointer_cast<CompositeCommand>(um->undoHistory().back());
    ASSERT_TRUE(step);
    int removals = 0;
    for (const auto& c : step->commands()) removals += std::dynamic_pointer_cast<RemoveItemCommand>(c) ? 1 : 0;
    EXPECT_EQ(removals, 2);

    um->undo();
    EXPECT_EQ(doc.d->links().size(), 3u);
    EXPECT_EQ(countOf(doc.d->links(), loop), 1);
    const auto& row1 = *doc.table->rows()[1];
    EXPECT_TRUE(listed(row1.incomingLinks(), loop));
    EXPECT_TRUE(listed(row1.outgoingLinks(), loop));
    EXPECT_TRUE(listed(row1.incomingLinks(), fromNode));
    EXPECT_EQ(originRow(kept), 3);
    EXPECT_TRUE(listed(doc.table->rows()[3]->outgoingLinks(), kept));
}

TEST(TableStructure, RedimTurnsRowEndsIntoNodeEndsWhereTheyAre) {
    TableDocument doc;
    auto link = doc.d->factory()->createDiagramLink(doc.node, doc.table, 4);
    const Point end = link->endPoint();
    doc.table->redimTable(2, 2);
    EXPECT_EQ(destinationRow(link), -1);
    EXPECT_TRUE(listed(doc.table->incomingLinks(), link));
    EXPECT_EQ(link->endPoint(), end);
    doc.table->_setBounds(Rect(10, 0, 50, 60));
    link->updateEndsFromConnections();
    EXPECT_DOUBLE_EQ(link->endPoint().x, end.x + 10);
}

// --- Geometry and drawing -------------------------------------------------------------------

TEST(TableGeometry, RowsUnderPointsAndRowRectangles) {
    auto table = makeTable({6, 6, 6, 6}, 1, Rect(10, 20, 40, 20));  // rows area 15 high
    EXPECT_EQ(table->rowFromPoint(Point(0, 22)), -1);  // caption; x does not count
    EXPECT_EQ(table->rowFromPoint(Point(0, 26)), 0);
    EXPECT_EQ(table->rowFromPoint(Point(0, 50)), -1);
    table->setCurrentScrollPos(1);
    EXPECT_EQ(table->rowFromPoint(Point(12, 26)), 1);

    EXPECT_EQ(table->getRowRect(0), Rect(10, 20, 40, 0));   // scrolled out above
    EXPECT_EQ(table->getRowRect(2), Rect(10, 31, 40, 6));
    EXPECT_EQ(table->getRowRect(3), Rect(10, 40, 40, 0));   // its middle is below the node
    EXPECT_EQ(table->getRowRect(7), table->bounds());
}

TEST(TableGeometry, SpanningCellsAreFoundFromTheirOwnPlaceOn) {
    auto table = makeTable({6, 6, 6}, 4, Rect(0, 0, 80, 40));
    const auto wide = table->cell(0, 1);
    wide->setColumnSpan(2);
    const auto tall = table->cell(2, 0);
    tall->setRowSpan(3);
    EXPECT_EQ(table->cellSpanningColumn(1, 0), wide);
    EXPECT_EQ(table->cellSpanningColumn(1, 1), wide);
    EXPECT_FALSE(table->cellSpanningColumn(1, 3));
    EXPECT_EQ(table->cellSpanningRow(2, 2), tall);
    EXPECT_FALSE(table->cellSpanningRow(2, 1));
    EXPECT_FALSE(table->cellSpanningRow(9, std::numeric_limits<int>::max()));
}

TEST(TableDrawing, LastColumnReachesTheEdgeAndSpansCoverTheirCells) {
    auto table = makeTable({6, 6}, 4, Rect(0, 0, 150, 40));
    const double widths[] = {10, 20, 30, 40};
    for (int c = 0; c < 4; ++c) {
        table->columns()[static_cast<std::size_t>(c)].width = widths[c];
        for (int r = 0; r < 2; ++r)
            table->cell(c, r)->setText(std::to_string(c) + "," + std::to_string(r));
    }
    table->cell(1, 0)->setColumnSpan(2);
    table->cell(3, 0)->setColumnSpan(5);  // cut at the last column
    table->cell(3, 0)->setRowSpan(5);     // and at the last row
    table->setText("caption");

    TextRecordingCanvas canvas;
    table->drawLocal(canvas, RenderOptions());
    // Text rectangles are inset by 1 millimetre on each side.
    ASSERT_EQ(canvas.texts["1,0"].size(), 1u);
    EXPECT_DOUBLE_EQ(canvas.texts["1,0"][0].width, 50 - 2);
    EXPECT_EQ(canvas.texts.count("2,0"), 0u);
    EXPECT_DOUBLE_EQ(canvas.texts["3,1"].size(), 0u);
    EXPECT_DOUBLE_EQ(canvas.texts["3,0"][0].width, 150 - 60 - 2);
    EXPECT_DOUBLE_EQ(canvas.texts["3,0"][0].height, 12);
    EXPECT_DOUBLE_EQ(canvas.texts["0,1"][0].y, 11);
    EXPECT_EQ(canvas.texts["caption"].size(), 1u);

    TextRecordingCanvas plain;
    auto two = makeTable({6}, 2, Rect(0, 0, 100, 40));
    two->cell(1, 0)->setText("second");
    two->setCaptionHeight(0);
    two->setText("caption");
    two->drawLocal(plain, RenderOptions());
    EXPECT_DOUBLE_EQ(plain.texts["second"][0].width, 82 - 2);
    EXPECT_DOUBLE_EQ(plain.texts["second"][0].y, 0);
    EXPECT_EQ(plain.texts.count("caption"), 0u);
}

// --- Scrolling --------------------------------------------------------------------------------

TEST(TableScrolling, CountsTheRowsInView) {
    auto table = makeTable({6, 6, 6}, 1, Rect(0, 0, 40, 15));
    EXPECT_EQ(table->getNumberOfLastVisibleItems(), 2);
    EXPECT_DOUBLE_EQ(table->getHeightOfCompletelyVisibleItems(), 1);
    EXPECT_DOUBLE_EQ(table->getMaxScrollPos(), 18);
}

TEST(TableScrolling, PositionsAreTruncatedKeptInRangeAndMoveTheLinks) {
    TableDocument doc;
    auto link = doc.d->factory()->createDiagramLink(doc.node, doc.table, 3);
    link->setControlPoints({link->startPoint(), Point(80, 40), link->endPoint()});
    doc.table->setCurrentScrollPos(2.9);
    EXPECT_EQ(doc.table->currentScrollRow(), 2);
    EXPECT_DOUBLE_EQ(link->endPoint().y, 5 + 6 + 3);
    EXPECT_EQ(link->controlPoints()[1], Point(80, 40));  // not routed: inner points stay

    doc.table->setCurrentScrollPos(std::numeric_limits<double>::quiet_NaN());
    doc.table->setCurrentScrollPos(std::numeric_limits<double>::infinity());
    EXPECT_EQ(doc.table->currentScrollRow(), 2);
    doc.table->setCurrentScrollPos(1e300);
    EXPECT_EQ(doc.table->currentScrollRow(), 4);  // the last row
    doc.table->setCurrentScrollPos(-4);
    EXPECT_EQ(doc.table->currentScrollRow(), 0);
}

TEST(TableScrolling, EndsOnRowsOutOfViewGatherOnTheEdgesWithoutLosingTheirPlace) {
    TableDocument doc;
    auto link = doc.d->factory()->createDiagramLink(doc.node, doc.table, 1);
    link->setAutoRoute(true);
    doc.table->setCurrentScrollPos(3);
    EXPECT_DOUBLE_EQ(link->endPoint().y, 0);  // on the top edge
    const Point rel = link->destinationConnection()->relativePosition();
    EXPECT_TRUE(std::isfinite(rel.x) && std::isfinite(rel.y));
    EXPECT_DOUBLE_EQ(rel.y, 50);
    doc.table->setCurrentScrollPos(0);
    EXPECT_DOUBLE_EQ(link->endPoint().y, 5 + 6 + 3);
}

TEST(TableScrolling, TheBarReachesTheLastRowInOneUndoStep) {
    // Five rows of 6 under a caption of 5 in a table 15 high: two rows show at the end, so the
    // thumb is 2 long with stops 0, 2, 4 and 6 on a free track of 6; the last is the last row.
    auto d = std::make_shared<Diagram>();
    auto table = d->factory()->createTableNode(0, 0, 40, 15, 1, 5);
    auto node = d->factory()->createShapeNode(100, 0, 20, 20);
    auto link = d->factory()->createDiagramLink(node, table, 4);
    d->setUndoEnabled(true);
    const std::string before = d->saveToXmlString();
    const auto bar = table->scrollBar();
    ASSERT_TRUE(bar);
    bar->setYScrollPosition(0);
    bar->onTouchDown(Point(38, 6));
    bar->onTouchMove(Point(38, 100));
    bar->onTouchUp(Point(38, 100));
    EXPECT_EQ(table->currentScrollRow(), 4);
    EXPECT_DOUBLE_EQ(link->endPoint().y, 5 + 3);  // the last row is the first shown
    const std::string scrolled = d->saveToXmlString();
    ASSERT_EQ(d->undoManager()->undoHistory().size(), 1u);

    d->undo();
    EXPECT_EQ(table->currentScrollRow(), 0);
    EXPECT_EQ(d->saveToXmlString(), before);
    d->redo();
    EXPECT_EQ(table->currentScrollRow(), 4);
    EXPECT_EQ(d->saveToXmlString(), scrolled);
}

TEST(TableScrolling, EveryLinkOnARowIsRepaintedAndKeepsItsShape) {
    TableDocument doc;
    auto& factory = *doc.d->factory();
    auto curve = factory.createDiagramLink(doc.node, doc.table, 3);
    curve->setShape(LinkShape::bezier);
    curve->setControlPoints(
        {curve->startPoint(), Point(90, 10), Point(70, 30), curve->endPoint()});
    auto routed = factory.createDiagramLink(doc.table, 4, doc.node);
    routed->setShape(LinkShape::bezier);
    routed->setAutoRoute(true);
    int repaints = 0;
    doc.d->repaint().add([&](Object&, RepaintEventArgs&) { ++repaints; });

    doc.table->setCurrentScrollPos(1);
    EXPECT_GT(repaints, 0);
    // Not routed: the end follows its row, the tangents stay.
    ASSERT_EQ(curve->controlPoints().size(), 4u);
    EXPECT_EQ(curve->controlPoints()[1], Point(90, 10));
    EXPECT_EQ(curve->controlPoints()[2], Point(70, 30));
    EXPECT_DOUBLE_EQ(curve->endPoint().y, 5 + 2 * 6 + 3);
    // Routed: the route made into a curve once, as applying it does.
    const std::vector<Point> points = routed->controlPoints();
    routed->applyPoints(doc.d->linkRouter()->routeLink(routed), 0, 0, false, false);
    EXPECT_EQ(routed->controlPoints(), points);
    EXPECT_EQ(points.size() % 3, 1u);
}

TEST(TableScrolling, TheScrollBarTakesTheFingerOnlyWhenScrollable) {
    auto d = std::make_shared<Diagram>();
    auto table = d->factory()->createTableNode(0, 0, 40, 30, 1, 10);
    const Point onBar(39, 20);
    EXPECT_NE(table->hitTestManipulators(onBar), table->scrollBar());
    table->setScrollable(true);
    EXPECT_EQ(table->hitTestManipulators(onBar), table->scrollBar());
    EXPECT_FALSE(table->hitTestManipulators(Point(10, 20)));
}

// --- Links to rows ------------------------------------------------------------------------------

TEST(TableLinks, EndsAreMadeOnRowsAndAlignedToTheirEdges) {
    TableDocument doc;
    auto link = std::make_shared<DiagramLink>();
    auto caption = doc.table->createConnectionPoint(link, Point(10, 2), true);
    EXPECT_EQ(caption->row(), -1);
    auto onRow = doc.table->createConnectionPoint(link, Point(10, 13), true);
    EXPECT_EQ(onRow->row(), 1);
    link->setDestinationConnection(onRow);
    onRow->alignToNode(Point(30, 0));
    EXPECT_EQ(link->endPoint(), Point(50, 14));
    EXPECT_EQ(onRow->relativePosition(), Point(100, 50));
    onRow->addLinkToNode();
    onRow->addLinkToNode();
    EXPECT_EQ(doc.table->rows()[1]->incomingLinks().size(), 1u);
    EXPECT_TRUE(doc.table->incomingLinks().empty());
}

TEST(TableLinks, TheTableReportsRowLinksOnceAndRemovesThemWithItself) {
    TableDocument doc;
    auto& factory = *doc.d->factory();
    auto loop = factory.createDiagramLink(doc.table, 0, doc.table, 1);
    auto whole = factory.createDiagramLink(doc.node, doc.table, -1);
    EXPECT_EQ(destinationRow(whole), -1);
    auto all = doc.table->getAllLinks();
    EXPECT_EQ(all.size(), 2u);
    EXPECT_EQ(countOf(all, loop), 1);
    EXPECT_EQ(doc.table->getAllIncomingLinks().size(), 2u);
    EXPECT_EQ(doc.table->getAllOutgoingLinks().size(), 1u);

    auto between = factory.createDiagramLink(doc.table, doc.table);
    EXPECT_EQ(originRow(between), -1);
    EXPECT_EQ(destinationRow(between), -1);

    doc.d->removeItem(doc.table);
    EXPECT_TRUE(doc.d->links().empty());
}

// A host records the table and its links before it deletes the row: undo then puts the removed
// links back before the table has its rows again.
TEST(TableStructure, UndoingARowDeletionPutsEveryLinkBackOnItsRow) {
    for (int deleted = 0; deleted < 5; ++deleted) {
        SCOPED_TRACE("row " + std::to_string(deleted));
        TableDocument doc(true);
        auto& factory = *doc.d->factory();
        const std::vector<std::shared_ptr<DiagramLink>> links{
            factory.createDiagramLink(doc.node, doc.table, 1),
            factory.createDiagramLink(doc.table, 4, doc.node),
            factory.createDiagramLink(doc.node, doc.table, 3),
            factory.createDiagramLink(doc.table, 0, doc.table, 2),
            factory.createDiagramLink(doc.node, doc.table, -1)};
        std::vector<std::pair<int, int>> rows;
        for (const auto& l : links) rows.emplace_back(originRow(l), destinationRow(l));
        const std::string before = documentText(*doc.d);
        const auto um = doc.d->undoManager();

        um->startComposite();
        std::vector<std::shared_ptr<DiagramItem>> recorded{doc.table};
        recorded.insert(recorded.end(), links.begin(), links.end());
        doc.d->recordItemStates(recorded);
        doc.table->deleteRow(deleted);
        um->commitComposite();
        const std::string after = documentText(*doc.d);

        um->undo();
        for (std::size_t i = 0; i < links.size(); ++i) {
            EXPECT_EQ(originRow(links[i]), rows[i].first) << i;
            EXPECT_EQ(destinationRow(links[i]), rows[i].second) << i;
        }
        for (int r = 0; r < 5; ++r) {
            for (const auto& l : doc.table->rows()[static_cast<std::size_t>(r)]->incomingLinks())
                EXPECT_EQ(destinationRow(l), r);
        }
        EXPECT_TRUE(sameText(documentText(*doc.d), before));
        um->redo();
        EXPECT_TRUE(sameText(documentText(*doc.d), after));
        um->undo();
        EXPECT_TRUE(sameText(documentText(*doc.d), before));
    }
}
