#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <algorithm>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "Nodeloom/composite/TableConnectionPoint.h"
#include "Nodeloom/composite/TableNode.h"
#include "Nodeloom/composite/TableNodeState.h"
#include "Nodeloom/composite/TreeViewItem.h"
#include "Nodeloom/composite/TreeViewNode.h"
#include "Nodeloom/document/ChangeItemCommand.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/view/CreateLinkController.h"
#include "composite/TableTestSupport.h"
#include "tests/UndoTestSupport.h"

using namespace nodeloom;
using namespace nodeloom::test;
namespace fs = std::filesystem;

namespace {

std::shared_ptr<TableNode> firstTable(const Diagram& d) {
    for (const auto& node : d.nodes()) {
        if (auto table = std::dynamic_pointer_cast<TableNode>(node)) return table;
    }
    return nullptr;
}

// An element with (name, text) children, each text held as the parser holds it.
std::shared_ptr<XmlElement> element(
    const std::string& name,
    std::initializer_list<std::pair<std::string, std::string>> values = {}) {
    auto e = std::make_shared<XmlElement>(name);
    for (const auto& [n, text] : values) e->addChild(n)->addChild("", text);
    return e;
}

std::shared_ptr<TableNode> loadTable(const std::shared_ptr<XmlElement>& e) {
    auto table = std::make_shared<TableNode>();
    XmlContext context;
    table->loadFromXml(e, context);
    return table;
}

// Every link end on the table sits on a row that lists it, or on the table itself.
void expectEndsConsistent(TableNode& table, const Diagram& d) {
    for (const auto& link : d.links()) {
        for (const auto& end : {link->originConnection(), link->destinationConnection()}) {
            if (end->node().get() != &table) continue;
            const int row = end->row();
            ASSERT_LT(row, static_cast<int>(table.rows().size()));
            const auto& list =
                row >= 0 ? (end->incoming() ? table.rows()[static_cast<std::size_t>(row)]->incomingLinks()
                                            : table.rows()[static_cast<std::size_t>(row)]->outgoingLinks())
                         : (end->incoming() ? table.incomingLinks() : table.outgoingLinks());
            EXPECT_EQ(countOf(list, link), 1);
        }
    }
}

// The document text with its links in a fixed order and without the item counter: undoing the
// removal of a link puts it back at the end of the document's list and counts it again, which
// changes nothing the document shows.
std::string canonical(const std::string& text) {
    const std::string open = "        <Link ", close = "        </Link>\n";
    std::vector<std::string> links;
    std::string rest;
    std::size_t at = 0;
    while (true) {
        const std::size_t begin = text.find(open, at);
        if (begin == std::string::npos) break;
        const std::size_t end = text.find(close, begin) + close.size();
        rest += text.substr(at, begin - at);
        std::string link = text.substr(begin, end - begin);
        link.erase(link.find(" Id=\""), link.find("\" Version") - link.find(" Id=\"") + 1);
        links.push_back(link);
        at = end;
    }
    rest += text.substr(at);
    const std::size_t counter = rest.find("<ItemCounter>");
    if (counter != std::string::npos) rest.erase(counter, rest.find('\n', counter) - counter);
    std::sort(links.begin(), links.end());
    for (const auto& link : links) rest += link;
    return rest;
}

}  // namespace

TEST(TableXml, ASavedTableReadsBackWithItsRowsColumnsAndCells) {
    auto d = std::make_shared<Diagram>();
    auto table = d->factory()->createTableNode(0, 0, 60, 40, 2, 3);
    table->rows()[1]->setHeight(9);
    table->rows()[2]->setHeader(true);
    table->columns()[1] = Column{25, ColumnStyle::autoWidth};
    const auto cell = table->cell(1, 2);
    cell->setText("x<&>");
    cell->setColumnSpan(3);
    cell->setRowSpan(2);
    cell->setFontName("Serif");
    cell->setFontSize(7);
    cell->setTextColor(std::make_shared<Color>(1, 0, 0));
    cell->setBrush(std::make_shared<SolidColorBrush>(std::make_shared<Color>(0, 0, 1)));
    cell->setHorizontalTextAlignment(HorizontalAlignment::right);
    cell->setVerticalTextAlignment(VerticalAlignment::bottom);
    cell->setImageAlign(ImageAlign::tile);
    table->cell(0, 0)->setText("first");
    table->setCaptionHeight(8);
    table->setCaptionBackBrush(std::make_shared<SolidColorBrush>(std::make_shared<Color>(0, 1, 0)));
    table->setScrollable(true);
    table->setCellFrameStyle(CellFrameStyle::none);
    table->setHasHeaderRows(true);
    table->setCurrentScrollRow(1);

    auto copy = reloaded(*d);
    ASSERT_TRUE(copy);
    auto read = firstTable(*copy);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->rows().size(), 3u);
    EXPECT_DOUBLE_EQ(read->rows()[1]->height(), 9);
    EXPECT_TRUE(read->rows()[2]->header());
    EXPECT_DOUBLE_EQ(read->columns()[1].width, 25);
    EXPECT_EQ(read->columns()[1].columnStyle, ColumnStyle::autoWidth);
    const auto back = read->cell(1, 2);
    EXPECT_EQ(back->text(), "x<&>");
    EXPECT_EQ(back->columnSpan(), 3);
    EXPECT_EQ(back->rowSpan(), 2);
    EXPECT_EQ(back->fontName(), "Serif");
    EXPECT_DOUBLE_EQ(back->fontSize(), 7);
    ASSERT_TRUE(back->textColor());
    EXPECT_EQ(*back->textColor(), Color(1, 0, 0));
    ASSERT_TRUE(back->brush());
    EXPECT_EQ(*back->brush()->toColor(), Color(0, 0, 1));
    EXPECT_EQ(back->horizontalTextAlignment(), HorizontalAlignment::right);
    EXPECT_EQ(back->verticalTextAlignment(), VerticalAlignment::bottom);
    EXPECT_EQ(back->imageAlign(), ImageAlign::tile);
    EXPECT_FALSE(read->cell(0, 1)->textColor());
    EXPECT_EQ(read->cell(0, 0)->text(), "first");
    EXPECT_DOUBLE_EQ(read->captionHeight(), 8);
    ASSERT_TRUE(read->captionBackBrush());
    EXPECT_TRUE(read->scrollable());
    EXPECT_EQ(read->cellFrameStyle(), CellFrameStyle::simple);
    EXPECT_FALSE(read->hasHeaderRows());
    // Stored, so that the links read back where the scrolled rows put them.
    EXPECT_EQ(read->currentScrollRow(), 1);
    EXPECT_EQ(copy->saveToXmlString(), reloaded(*copy)->saveToXmlString());
}

TEST(TableXml, CellsAreWrittenRowByRowAndOnlySetColoursAreWritten) {
    auto table = makeTable({6, 6, 6}, 2, Rect(0, 0, 40, 40));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c) table->cell(c, r)->setText(std::to_string(c) + std::to_string(r));
    auto e = element("Node");
    XmlContext context;
    table->saveToXml(e, context);
    std::string order;
    for (const auto& cell : e->getChild("Cells")->children()) {
        order += cell->getChild("Text")->text() + " ";
        EXPECT_FALSE(cell->getChild("TextBrush"));
    }
    EXPECT_EQ(order, "00 10 01 11 02 12 ");
}

TEST(TableXml, OlderCellFormsAreRead) {
    auto cells = element("Cells");
    auto old = element("Cell", {{"Text", "a"}, {"FontFamily", "Sans"}, {"TextColor", "#FF00FF00"}});
    old->addChild(element("Font", {{"Name", "Mono"}, {"Size", "12"}}));
    old->addChild(element("TextFormat", {{"Alignment", "2"}, {"LineAlignment", "0"}}));
    cells->addChild(old);
    auto e = element("Node", {{"Text", "own"}, {"Caption", "stored"}});
    e->addChild(cells);
    e->addChild(element("Rows"));
    e->getChild("Rows")->addChild(element("Row", {{"Height", "7"}}));
    e->addChild(element("Columns"));
    e->getChild("Columns")->addChild(element("Column", {{"Width", "30"}}));

    auto table = loadTable(e);
    const auto cell = table->cell(0, 0);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->fontName(), "Mono");
    EXPECT_DOUBLE_EQ(cell->fontSize(), 12);
    EXPECT_EQ(*cell->textColor(), Color(0, 1, 0));
    EXPECT_EQ(cell->horizontalTextAlignment(), HorizontalAlignment::right);
    EXPECT_EQ(cell->verticalTextAlignment(), VerticalAlignment::top);
    EXPECT_EQ(cell->columnSpan(), 0);  // spans and caption height missing: 0
    EXPECT_DOUBLE_EQ(table->captionHeight(), 0);
    EXPECT_EQ(table->text(), "own");

    auto captionOnly = element("Node", {{"Caption", "stored"}});
    EXPECT_EQ(loadTable(captionOnly)->text(), "stored");
}

TEST(TableXml, MalformedTablesLoadWhatTheyCan) {
    auto empty = loadTable(element("Node", {{"CurrentScrollRow", "9"}}));
    EXPECT_TRUE(empty->rows().empty());
    EXPECT_TRUE(empty->columns().empty());
    EXPECT_EQ(empty->currentScrollRow(), 0);

    auto e = element("Node", {{"CurrentScrollRow", "7"}});
    e->addChild(element("Rows"));
    e->addChild(element("Columns"));
    for (int i = 0; i < 2; ++i) {
        e->getChild("Rows")->addChild(element("Row", {{"Height", "nan"}}));
        e->getChild("Columns")->addChild(element("Column", {{"ColumnStyle", "7"}}));
    }
    auto cells = element("Cells");
    cells->addChild(element("Cell", {{"ImageAlign", "99"}, {"TextAlignment", "5"}, {"Text", "only"}}));
    e->addChild(cells);
    auto table = loadTable(e);
    ASSERT_EQ(table->rows().size(), 2u);
    EXPECT_EQ(table->columns()[1].columnStyle, ColumnStyle::fixedWidth);
    EXPECT_EQ(table->currentScrollRow(), 2);
    EXPECT_EQ(table->cell(0, 0)->text(), "only");
    EXPECT_EQ(table->cell(0, 0)->imageAlign(), ImageAlign::fit);
    EXPECT_EQ(table->cell(0, 0)->horizontalTextAlignment(), HorizontalAlignment::left);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c) EXPECT_TRUE(table->cell(c, r));
}

TEST(TableXml, LinksOnRowsAreReconnectedToTheirRows) {
    auto d = std::make_shared<Diagram>();
    auto table = d->factory()->createTableNode(0, 0, 50, 60, 2, 5);
    auto node = d->factory()->createShapeNode(100, 0, 20, 20);
    d->factory()->createDiagramLink(node, table, 1);
    d->factory()->createDiagramLink(table, 0, table, 3);
    auto stray = d->factory()->createDiagramLink(table, 4, node);
    table->setCurrentScrollPos(1);  // stored: row 1 is shown first when read back
    std::string text = d->saveToXmlString();
    // A row the table does not have, as a file written elsewhere may hold.
    const std::string row4 = "<OriginRow>4</OriginRow>";
    ASSERT_NE(text.find(row4), std::string::npos);
    text.replace(text.find(row4), row4.size(), "<OriginRow>40</OriginRow>");
    const fs::path path = fs::temp_directory_path() /
                          ("nodeloom-table-rows-" + std::to_string(::getpid()) + ".xml");
    std::ofstream(path, std::ios::binary) << text;
    auto copy = std::make_shared<Diagram>();
    ASSERT_TRUE(copy->loadFromXml(path));
    fs::remove(path);

    auto read = firstTable(*copy);
    ASSERT_TRUE(read);
    expectEndsConsistent(*read, *copy);
    EXPECT_EQ(read->rows()[1]->incomingLinks().size(), 1u);
    EXPECT_EQ(read->rows()[0]->outgoingLinks().size(), 1u);
    EXPECT_EQ(read->rows()[3]->incomingLinks().size(), 1u);
    EXPECT_EQ(read->outgoingLinks().size(), 1u);
    const auto link = read->rows()[1]->incomingLinks()[0];
    EXPECT_EQ(read->currentScrollRow(), 1);
    EXPECT_DOUBLE_EQ(link->endPoint().y, 5 + 3);
    EXPECT_EQ(link->destinationConnection()->relativePosition(), Point(100, 50));
}

// A file that kept no first row was saved with its links where the scrolled rows put them: each
// end goes onto its row as read, and a cascading link follows it with its first segment straight.
TEST(TableXml, AnOlderFileSavedScrolledReadsBackWithItsLinksOnTheRows) {
    for (const double far : {0.0, 8.7e9}) {
        SCOPED_TRACE(far);
        auto d = std::make_shared<Diagram>();
        auto table = d->factory()->createTableNode(0, far, 50, 60, 2, 5);
        auto node = d->factory()->createShapeNode(100, far + 80, 20, 20);
        auto cascade = d->factory()->createDiagramLink(table, 2, node);
        cascade->setShape(LinkShape::cascading);
        cascade->setCascadeStartHorizontal(true);
        // Scrolled out of view, on the node's top edge.
        d->factory()->createDiagramLink(node, table, 0);
        table->setCurrentScrollPos(2);
        std::string text = d->saveToXmlString();
        const std::string scrolled = "<CurrentScrollRow>2</CurrentScrollRow>";
        ASSERT_NE(text.find(scrolled), std::string::npos);
        text.erase(text.find(scrolled), scrolled.size());
        const fs::path path = fs::temp_directory_path() /
                              ("nodeloom-table-older-" + std::to_string(::getpid()) + ".xml");
        std::ofstream(path, std::ios::binary) << text;
        auto copy = std::make_shared<Diagram>();
        ASSERT_TRUE(copy->loadFromXml(path));
        fs::remove(path);

        const auto read = firstTable(*copy);
        ASSERT_TRUE(read && read->rows()[2]->outgoingLinks().size() == 1u);
        const std::vector<Point> points = read->rows()[2]->outgoingLinks()[0]->controlPoints();
        ASSERT_GE(points.size(), 3u);
        EXPECT_DOUBLE_EQ(points[0].y, far + 5 + 6 + 6 + 3);
        EXPECT_EQ(points[1].y, points[0].y);
        ASSERT_EQ(read->rows()[0]->incomingLinks().size(), 1u);
        EXPECT_DOUBLE_EQ(read->rows()[0]->incomingLinks()[0]->endPoint().y, far + 5 + 3);
        // Read once, the document then writes as it was read.
        EXPECT_EQ(copy->saveToXmlString(), reloaded(*copy)->saveToXmlString());
    }
}

// An end put on a row's edge line away from its row is where the user left it, not where a
// table scrolled otherwise would have put it: it reads back there.
// So also far from the origin, where a row is a small fraction of the coordinates.
TEST(TableXml, AnEndSetOnARowEdgeAwayFromItsRowReadsBackWhereItWas) {
    for (const double far : {0.0, 8.7e9}) {
        SCOPED_TRACE(far);
        auto d = std::make_shared<Diagram>();
        auto table = d->factory()->createTableNode(0, far, 50, 60, 2, 5);
        auto node = d->factory()->createShapeNode(100, far, 20, 20);
        auto right = d->factory()->createDiagramLink(node, table, 1);
        auto left = d->factory()->createDiagramLink(table, 2, node);
        right->setControlPoint(right->controlPoints().size() - 1, Point(50, far + 26.5));
        left->setControlPoint(0, Point(0, far + 40));
        const std::string saved = d->saveToXmlString();
        auto copy = reloaded(*d);
        ASSERT_TRUE(copy);
        EXPECT_EQ(firstDifference(copy->saveToXmlString(), saved), "");
    }
}

// --- Undo state ---------------------------------------------------------------------------------

TEST(TableState, RestoreBringsBackTheTableButSharesItsRows) {
    auto table = makeTable({6, 6}, 2, Rect(0, 0, 40, 40));
    const auto rows = table->rows();
    const auto cell = table->cell(1, 1);
    auto state = table->saveState();
    table->insertRow(0);
    table->setCaptionHeight(12);
    table->setScrollable(true);
    table->rows()[1]->setHeight(20);  // row 0 before the insertion
    cell->setText("edited in place");
    table->restoreState(*state);
    EXPECT_EQ(table->rows(), rows);
    EXPECT_EQ(table->cell(1, 1), cell);
    EXPECT_DOUBLE_EQ(table->captionHeight(), 5);
    EXPECT_FALSE(table->scrollable());
    EXPECT_DOUBLE_EQ(table->rows()[0]->height(), 20);
    EXPECT_EQ(cell->text(), "");
}

TEST(TableState, RandomRowAndColumnEditsUndoToTheSavedDocument) {
    auto d = std::make_shared<Diagram>();
    d->setUndoEnabled(true);
    auto& factory = *d->factory();
    auto table = factory.createTableNode(0, 0, 60, 80, 3, 8);
    auto node = factory.createShapeNode(100, 0, 20, 20);
    for (int r = 0; r < 8; ++r) {
        if (r % 2 == 0) factory.createDiagramLink(node, table, r);
        else factory.createDiagramLink(table, r, node);
    }
    factory.createDiagramLink(table, 2, table, 2);
    factory.createDiagramLink(table, 1, table, 6);
    factory.createDiagramLink(node, table, -1);
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 3; ++c) table->cell(c, r)->setText(std::to_string(c * 10 + r));
    const auto um = d->undoManager();
    const std::string saved = canonical(d->saveToXmlString());

    std::mt19937 random(25);
    for (int step = 0; step < 60; ++step) {
        um->startComposite();
        std::vector<std::shared_ptr<Command>> changes;
        changes.push_back(std::make_shared<ChangeItemCommand>(d, table, table->saveState()));
        for (const auto& link : d->links())
            changes.push_back(std::make_shared<ChangeItemCommand>(d, link, link->saveState()));
        const int rows = static_cast<int>(table->rows().size());
        const int columns = static_cast<int>(table->columns().size());
        switch (random() % 5) {
            case 0: table->insertRow(static_cast<int>(random() % (rows + 1))); break;
            case 1: table->deleteRow(rows ? static_cast<int>(random() % rows) : 0); break;
            case 2: table->insertColumn(static_cast<int>(random() % (columns + 1))); break;
            case 3: table->deleteColumn(columns ? static_cast<int>(random() % columns) : 0); break;
            case 4: table->setCurrentScrollPos(random() % (rows + 1)); break;
        }
        for (const auto& change : changes) um->executeCommand(change);
        um->commitComposite();
        expectEndsConsistent(*table, *d);

        um->undo();
        expectEndsConsistent(*table, *d);
        ASSERT_EQ(canonical(d->saveToXmlString()), saved) << "step " << step;
    }
}

TEST(TableXml, TheTableDocumentOfTheCorpusReadsAndWritesUnchanged) {
    const fs::path path = NODELOOM_TEST_DATA_DIR "/documents/table.xml";
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    auto d = std::make_shared<Diagram>();
    ASSERT_TRUE(d->loadFromXml(path));
    auto table = firstTable(*d);
    ASSERT_TRUE(table);
    expectEndsConsistent(*table, *d);
    EXPECT_EQ(d->saveToXmlString(), text.str());
}

TEST(TableXml, OnlyRowAndColumnElementsCountAndAHugeTableIsRefused) {
    auto e = element("Node");
    auto rowsElement = element("Rows");
    auto columnsElement = element("Columns");
    rowsElement->addChild(element("Row", {{"Height", "7"}}));
    rowsElement->addChild(element("Junk"));
    columnsElement->addChild(element("Column"));
    columnsElement->addChild(element("Comment"));
    columnsElement->addChild(element("Column"));
    e->addChild(rowsElement);
    e->addChild(columnsElement);
    auto table = loadTable(e);
    EXPECT_EQ(table->rows().size(), 1u);
    EXPECT_DOUBLE_EQ(table->rows()[0]->height(), 7);
    EXPECT_EQ(table->columns().size(), 2u);

    // A few bytes per row and column would ask for more cells than the file could ever hold.
    auto d = std::make_shared<Diagram>();
    d->factory()->createShapeNode(10, 10, 20, 20);
    const std::string before = d->saveToXmlString();
    auto root = std::make_shared<XmlElement>("Diagram");
    auto node = root->addChild("Nodes")->addChild("Node");
    node->attributes()["Class"] = "std:TableNode";
    node->attributes()["Id"] = "0";
    auto rows = node->addChild("Rows");
    auto columns = node->addChild("Columns");
    for (int i = 0; i < 1001; ++i) {
        rows->addChild("Row");
        columns->addChild("Column");
    }
    EXPECT_FALSE(d->loadFromXml(root));
    EXPECT_EQ(d->saveToXmlString(), before);
    EXPECT_TRUE(loadTable(node)->rows().empty());

    // The product counts, not either number alone.
    columns->children().resize(2);
    EXPECT_TRUE(d->loadFromXml(root));
    ASSERT_TRUE(firstTable(*d));
    EXPECT_EQ(firstTable(*d)->rows().size(), 1001u);
}

// --- Reading back ------------------------------------------------------------------------------

// A document saved by a touch session, with a loop from a table row to another row of the same
// table whose ends the loop had put at the top of their rows.
TEST(TableXml, ASavedDocumentReadsBackAsItsOwnTextTheFirstTime) {
    const fs::path path = NODELOOM_TEST_DATA_DIR "/documents/table-row-self-loop.xml";
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    auto d = std::make_shared<Diagram>();
    ASSERT_TRUE(d->loadFromXml(path));
    EXPECT_EQ(firstDifference(d->saveToXmlString(), text.str()), "");
}

// Loops on tables and trees, ends set directly, undo and redo, scrolls and moves: after each step
// the document reads back as it was saved, and the copy read back then follows the next scroll
// or move exactly as the document does, so no end keeps a place other than the one its points
// show. The later seeds work far from the origin, where a row is a small fraction of the
// coordinates.
TEST(TableXml, RandomEditsReadBackAsSavedAndFollowAsTheDocumentDoes) {
    for (unsigned seed = 1; seed <= 9; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const double far = seed > 6 ? 8.7e9 : 0.0;
        std::mt19937 random(seed);
        const auto index = [&random](std::size_t n) { return static_cast<std::size_t>(random() % n); };
        auto d = std::make_shared<Diagram>();
        d->setUndoEnabled(true);
        auto& factory = *d->factory();
        std::vector<std::shared_ptr<TableNode>> tables;
        for (int t = 0; t < 2; ++t) {
            auto table = factory.createTableNode(20.0 + 120 * t, far + 40, 60, 50, 2, 6);
            table->setScrollable(true);
            tables.push_back(table);
        }
        auto tree = factory.createTreeViewNode(20, far + 150, 50, 60);
        for (int k = 0; k < 4; ++k) tree->rootItems().push_back(std::make_shared<TreeViewItem>());
        auto shape = factory.createShapeNode(250, far + 160, 30, 20);

        const auto um = d->undoManager();
        for (int step = 0; step < 40; ++step) {
            SCOPED_TRACE("step " + std::to_string(step));
            um->startComposite();
            std::vector<std::shared_ptr<Command>> changes;
            for (const auto& item : d->items())
                changes.push_back(std::make_shared<ChangeItemCommand>(d, item, item->saveState()));
            const auto& table = tables[index(tables.size())];
            const int rows = static_cast<int>(table->rows().size());
            const auto someLink = [&]() { return d->links()[index(d->links().size())]; };
            const unsigned op = d->links().empty() ? 0 : random() % 9;
            switch (op) {
                case 0: {  // row to another row, to the table or from the table, of one table
                    const int from = static_cast<int>(index(rows + 1)) - 1;
                    const int to = static_cast<int>(index(rows)) ;
                    auto link = index(2) ? factory.createDiagramLink(table, from, table, to)
                                         : factory.createDiagramLink(table, to, table, from);
                    if (index(2)) makeLoopAtTop(link);
                    break;
                }
                case 1: {  // item to its own tree, or item to item
                    const auto& items = tree->rootItems();
                    auto link = factory.createDiagramLink(
                        tree, items[index(items.size())], tree,
                        index(2) ? nullptr : items[index(items.size())]);
                    if (index(2)) makeLoopAtTop(link);
                    break;
                }
                case 2:
                case 3: {  // an end or an inner point set where the user put it
                    auto link = someLink();
                    const std::size_t n = link->controlPoints().size();
                    const std::size_t i = index(3) == 0 ? index(n) : (index(2) ? 0 : n - 1);
                    link->setControlPoint(i, Point(10.0 + index(300), far + 20 + index(250)));
                    break;
                }
                case 4: table->setCurrentScrollPos(static_cast<double>(index(rows + 1))); break;
                case 5: {
                    const Rect b = table->bounds();
                    table->setBounds(Rect(b.x + 7, b.y - 3, b.width, b.height + (index(2) ? 9 : -9)));
                    break;
                }
                case 6: tree->setCurrentScrollPos(static_cast<double>(index(3))); break;
                case 7: {
                    auto link = someLink();
                    std::vector<Point> points = link->controlPoints();
                    points.front() = Point(5.0 + index(200), far + 5 + index(200));
                    link->setControlPoints(points);
                    link->updateFromPoints();
                    break;
                }
                case 8: table->insertRow(static_cast<int>(index(rows + 1))); break;
            }
            for (const auto& change : changes) um->executeCommand(change);
            um->commitComposite();
            // A new link is added without undo, so only the steps that made none are undone.
            if (op > 1 && index(3) == 0) {
                um->undo();
                if (index(2)) um->redo();
            }

            const std::string saved = d->saveToXmlString();
            auto copy = reloaded(*d);
            ASSERT_TRUE(copy);
            ASSERT_EQ(firstDifference(copy->saveToXmlString(), saved), "");

            // The same scroll or move in both.
            const auto follow = [&](Diagram& in) {
                const auto t = std::dynamic_pointer_cast<TableNode>(
                    in.nodes()[static_cast<std::size_t>(step % 2)]);
                const auto v = std::dynamic_pointer_cast<TreeViewNode>(in.nodes()[2]);
                if (step % 3 == 0) t->setCurrentScrollPos((step / 3) % 3);
                if (step % 3 == 1) v->setCurrentScrollPos((step / 3) % 2);
                const Rect b = t->bounds();
                t->setBounds(Rect(b.x + 1, b.y + 2, b.width, b.height));
                const Rect vb = v->bounds();
                v->setBounds(Rect(vb.x - 1, vb.y + 1, vb.width, vb.height));
            };
            follow(*d);
            follow(*copy);
            ASSERT_EQ(firstDifference(copy->saveToXmlString(), d->saveToXmlString()), "");
        }
    }
}
