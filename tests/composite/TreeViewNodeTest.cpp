#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <unistd.h>
#include <unordered_set>

#include "Nodeloom/composite/ScrollBar.h"
#include "Nodeloom/composite/TreeItemExpander.h"
#include "Nodeloom/composite/TreeViewConnectionPoint.h"
#include "Nodeloom/composite/TreeViewItemEditor.h"
#include "Nodeloom/composite/TreeViewNode.h"
#include "Nodeloom/composite/TreeViewNodeState.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/RenderOptions.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/platform/ImageSurface.h"
#include "composite/TableTestSupport.h"
#include "Nodeloom/document/UndoManager.h"
#include "tests/UndoTestSupport.h"

using namespace nodeloom;
using namespace nodeloom::test;
namespace fs = std::filesystem;

namespace {

std::shared_ptr<TreeViewItem> item(const std::string& label,
                                   std::initializer_list<std::shared_ptr<TreeViewItem>> kids = {}) {
    auto i = std::make_shared<TreeViewItem>();
    i->setLabel(label);
    for (const auto& k : kids) i->children().push_back(k);
    return i;
}

struct Tree {
    // A (B (D), C) and E, in a document in millimetres.
    Tree() : d(std::make_shared<Diagram>()) {
        d->setMeasureUnit(MeasureUnit::Millimeter());
        node = d->factory()->createTreeViewNode(10, 20, 40, 60);
        D = item("D");
        B = item("B", {D});
        C = item("C");
        A = item("A", {B, C});
        E = item("E");
        node->rootItems() = {A, E};
        draw();
    }
    void draw() {
        TextRecordingCanvas canvas;
        node->drawLocal(canvas, RenderOptions());
    }
    std::shared_ptr<Diagram> d;
    std::shared_ptr<TreeViewNode> node;
    std::shared_ptr<TreeViewItem> A, B, C, D, E;
};

std::string labels(const TreeViewItem::ItemList& items) {
    std::string s;
    for (const auto& i : items) s += i->label();
    return s;
}

std::shared_ptr<TreeViewNode> firstTree(const Diagram& d) {
    for (const auto& n : d.nodes())
        if (auto t = std::dynamic_pointer_cast<TreeViewNode>(n)) return t;
    return nullptr;
}

std::shared_ptr<XmlElement> itemElement(const std::shared_ptr<XmlElement>& items,
                                        std::optional<std::string> parent) {
    auto e = items->addChild("Item");
    if (parent) e->attributes()["Parent"] = *parent;
    e->addChild("Label")->addChild("", std::to_string(items->children().size() - 1));
    return e;
}

}  // namespace

// --- Model -----------------------------------------------------------------------------------

TEST(TreeView, ShownRowsFollowTheExpandedFlagsAndWalksVisitEveryItem) {
    Tree t;
    EXPECT_EQ(labels(t.node->getVisibleItems()), "ABDCE");
    EXPECT_EQ(t.node->countItems(), 5);
    t.B->setExpanded(false);
    EXPECT_EQ(labels(t.node->getVisibleItems()), "ABCE");
    t.A->setExpanded(false);
    t.B->setExpanded(true);
    EXPECT_EQ(labels(t.node->getVisibleItems()), "AE");
    EXPECT_EQ(t.node->countItems(), 2);
    EXPECT_DOUBLE_EQ(t.A->getSubtreeHeight(), 8.0);
    std::string all;
    t.node->forAllItems([&all](TreeViewItem& i) { all += i.label(); });
    EXPECT_EQ(all, "ABDCE");

    std::unordered_set<TreeViewItem> keys;  // by identity, whatever the labels
    auto twin = item("A");
    EXPECT_FALSE(*twin == *t.A);
    EXPECT_TRUE(*t.A == *t.A);
    EXPECT_NE(twin->hashValue(), t.A->hashValue());
}

// --- Geometry, drawing and scrolling ----------------------------------------------------------

TEST(TreeView, RowsAreLaidOutWhileDrawingAndLocatedFromTheHeights) {
    Tree t;
    EXPECT_EQ(t.A->bounds(), Rect(2, 5, 38, 8));
    EXPECT_EQ(t.B->bounds(), Rect(6, 13, 34, 8));
    EXPECT_EQ(t.D->bounds(), Rect(10, 21, 30, 8));
    EXPECT_EQ(t.E->bounds(), Rect(2, 37, 38, 8));
    const Rect icon = t.A->getIconRect(1.0);
    EXPECT_DOUBLE_EQ(icon.x, 2.0);
    EXPECT_NEAR(icon.y, 7.9, 1e-12);
    EXPECT_NEAR(icon.width, 2.2, 1e-12);
    EXPECT_EQ(t.node->clipRect(), Rect(0, 5, 40, 55));
    EXPECT_EQ(t.node->getItemRect(*t.A), Rect(10, 27, 40, 8));
    EXPECT_EQ(t.node->getItemRect(*t.E), Rect(10, 59, 40, 8));
    t.A->setExpanded(false);
    EXPECT_EQ(t.node->getItemRect(*t.D), Rect(10, 27, 40, 8));  // the collapsed ancestor's row
    EXPECT_EQ(t.node->getItemRect(*t.E), Rect(10, 35, 40, 8));
    EXPECT_EQ(t.node->getItemRect(*item("X")), Rect());
    Rect found;
    t.A->locateItem(*t.D, Rect(0, 0, 5, 5), Rect(1, 2, 3, 4), true, found, 0);
    EXPECT_EQ(found, Rect(1, 2, 3, 4));

    // A row scrolled wholly above the rows is not drawn and counts only before the first row.
    auto fresh = t.d->factory()->createTreeViewNode(0, 0, 40, 30);
    fresh->rootItems() = {item("P"), item("Q")};
    fresh->setScrollPosition(8);
    TextRecordingCanvas canvas;
    fresh->drawLocal(canvas, RenderOptions());
    EXPECT_EQ(fresh->firstDrawn(), 1);
    EXPECT_FALSE(canvas.texts.count("P"));
    EXPECT_EQ(canvas.texts["Q"].size(), 1u);
    fresh->drawLocal(canvas, RenderOptions());
    EXPECT_EQ(fresh->firstDrawn(), 1);
}

TEST(TreeView, TheScrollRangeKeepsTheEmptyHeightUntilTheNodeShrinks) {
    Tree t;
    EXPECT_DOUBLE_EQ(t.node->getMaxScrollPos(), 40 + 15);  // five rows and 15 below them
    t.node->setBounds(Rect(10, 20, 40, 80));
    t.draw();
    EXPECT_DOUBLE_EQ(t.node->getMaxScrollPos(), 40 + 35);
    t.node->setBounds(Rect(10, 20, 40, 50));
    EXPECT_DOUBLE_EQ(t.node->maxWhite(), 35);  // from the last drawing
    t.draw();
    t.node->setBounds(Rect(10, 20, 40, 45));
    EXPECT_DOUBLE_EQ(t.node->getMaxScrollPos(), 40 + 5);

    t.node->setCurrentScrollPos(std::numeric_limits<double>::quiet_NaN());
    EXPECT_DOUBLE_EQ(t.node->scrollPosition(), 0.0);

    // Without rows the range is the empty height 0, and the bar cannot move the rows.
    auto empty = t.d->factory()->createTreeViewNode(0, 0, 40, 30);
    TextRecordingCanvas canvas;
    empty->drawLocal(canvas, RenderOptions());
    empty->setBounds(Rect(0, 0, 40, 20));
    EXPECT_DOUBLE_EQ(empty->getMaxScrollPos(), 0.0);
    const Rect bar = empty->scrollBar()->globalBounds();
    empty->scrollBar()->onTouchDown(Point(bar.x + 1, bar.y + 3));
    empty->scrollBar()->onTouchMove(Point(bar.x + 1, bar.y + 9));
    empty->scrollBar()->onTouchUp(Point(bar.x + 1, bar.y + 9));
    EXPECT_DOUBLE_EQ(empty->scrollPosition(), 0.0);
}

TEST(TreeView, HitTestsFindTheBarThenTheBoxOfARowWithChildren) {
    Tree t;
    const Rect bar = t.node->scrollBar()->globalBounds();
    EXPECT_EQ(t.node->hitTestManipulators(bar.center()), t.node->scrollBar());
    auto box = std::dynamic_pointer_cast<TreeItemExpander>(
        t.node->hitTestManipulators(Point(10 + 3, 20 + 9)));
    ASSERT_TRUE(box);
    EXPECT_EQ(box->treeItem(), t.A);
    EXPECT_TRUE(box->hitTest(Point(13, 29)));  // document coordinates
    EXPECT_FALSE(std::dynamic_pointer_cast<TreeItemExpander>(
        t.node->hitTestManipulators(Point(10 + 3, 20 + 41))));  // E has no children
    box->onClick(Point());
    EXPECT_FALSE(t.A->expanded());
    EXPECT_EQ(t.node->countItems(), 2);
}

// --- XML -------------------------------------------------------------------------------------

TEST(TreeViewXml, ItemsAreWrittenInPreOrderWithTheirParentsAndReadBack) {
    Tree t;
    t.node->rootItems().pop_back();
    t.B->setExpanded(false);
    t.node->setImage(platform::ImageSurface::create(4, 4));
    t.D->setFontName("Serif");
    t.D->setFontSize(3.5);
    t.D->setFontUnit(MeasureUnit::Point());
    t.C->setLabelBrush(std::make_shared<SolidColorBrush>(std::make_shared<Color>(1.0, 0.0, 0.0)));
    auto e = std::make_shared<XmlElement>("Node");
    XmlContext context;
    t.node->saveToXml(e, context);
    const auto items = e->getChild("Items");
    ASSERT_TRUE(items);
    std::string parents;
    for (const auto& c : items->children()) parents += c->attributes().at("Parent") + " ";
    EXPECT_EQ(parents, "-1 0 1 0 ");
    EXPECT_EQ(t.D->index(), 2);
    EXPECT_FALSE(items->children()[0]->getChild("FontUnit"));

    auto copy = reloaded(*t.d);
    ASSERT_TRUE(copy);
    auto read = firstTree(*copy);
    ASSERT_TRUE(read);
    EXPECT_EQ(labels(read->flatItemList()), "ABDC");
    ASSERT_EQ(read->rootItems().size(), 1u);
    const auto& a = read->rootItems()[0];
    EXPECT_EQ(labels(a->children()), "BC");
    EXPECT_FALSE(a->children()[0]->expanded());
    const auto& d = a->children()[0]->children()[0];
    EXPECT_EQ(d->fontName(), "Serif");
    EXPECT_DOUBLE_EQ(d->fontSize(), 3.5);
    EXPECT_EQ(d->fontUnit(), MeasureUnit::Point());
    EXPECT_TRUE(a->children()[1]->labelBrush());
    EXPECT_TRUE(read->image());
    EXPECT_DOUBLE_EQ(read->captionHeight(), 5.0);
}

TEST(TreeViewXml, OlderFormsAndBadParentsAreRead) {
    auto e = std::make_shared<XmlElement>("Node");
    e->addChild("Caption")->addChild("", "Files");
    auto items = e->addChild("Items");
    itemElement(items, "-1");
    auto font = itemElement(items, "0")->addChild("LabelFont");
    font->addChild("Name")->addChild("", "Mono");
    font->addChild("Unit")->addChild("", std::to_string(MeasureUnit::Point()->id()));
    itemElement(items, std::nullopt);
    itemElement(items, "x1");
    itemElement(items, "7");
    itemElement(items, "5");  // itself: not earlier
    itemElement(items, "1");
    auto node = std::make_shared<TreeViewNode>();
    XmlContext context;
    node->loadFromXml(e, context);
    EXPECT_EQ(node->text(), "Files");
    EXPECT_DOUBLE_EQ(node->captionHeight(), 0.0);
    EXPECT_EQ(labels(node->rootItems()), "02345");
    EXPECT_EQ(labels(node->rootItems()[0]->children()), "1");
    EXPECT_EQ(labels(node->flatItemList()[1]->children()), "6");
    const auto& first = node->flatItemList()[0];
    EXPECT_DOUBLE_EQ(first->height(), 0.0);
    EXPECT_FALSE(first->expanded());
    EXPECT_EQ(node->flatItemList()[1]->fontName(), "Mono");
    EXPECT_EQ(node->flatItemList()[1]->fontUnit(), MeasureUnit::Point());
}

// --- Links to items ---------------------------------------------------------------------------

TEST(TreeViewLinks, AnEndAlignedToTheNodeSitsOnTheSideOfItsRow) {
    Tree t;
    auto other = t.d->factory()->createShapeNode(100, 100, 20, 10);
    auto link = std::make_shared<DiagramLink>();
    link->setControlPoints({other->bounds().center(), t.node->getItemRect(*t.D).center()});
    link->setOriginConnection(other->createConnectionPoint(link, link->startPoint(), false));
    link->setDestinationConnection(
        std::make_shared<TreeViewConnectionPoint>(t.node, link, true, t.D));
    t.d->addItem(link);

    // As a layout leaves it: the end on the node's right side, beside another row.
    link->setControlPoints({Point(110, 105), Point(50, 75)});
    link->alignEndsToRows();
    EXPECT_EQ(link->endPoint(), Point(50, t.node->getItemRect(*t.D).center().y));
    // From the left the end goes to the left edge; and it keeps to its row as the rows move.
    link->setControlPoints({Point(-50, 105), Point(12, 75)});
    link->alignEndsToRows();
    EXPECT_EQ(link->endPoint(), Point(10, t.node->getItemRect(*t.D).center().y));
    t.node->setCurrentScrollPos(3);
    EXPECT_DOUBLE_EQ(link->endPoint().y, t.node->getItemRect(*t.D).center().y);
    EXPECT_DOUBLE_EQ(link->endPoint().x, 10);
}

TEST(TreeViewLinks, EndsSitOnRowsFollowThemAndSurviveSaving) {
    Tree t;
    auto second = t.d->factory()->createTreeViewNode(100, 20, 40, 60);
    auto F = item("F");
    second->rootItems() = {F};
    auto link = t.d->factory()->createDiagramLink(t.node, t.D, second, F);
    auto plain = t.d->factory()->createDiagramLink(t.node, nullptr, t.node, t.B);
    const auto dropped = t.node->createConnectionPoint(link, Point(30, 20 + 14), true);
    EXPECT_EQ(std::dynamic_pointer_cast<TreeViewConnectionPoint>(dropped)->item(), t.B);
    EXPECT_EQ(countOf(t.D->outgoingLinks(), link), 1);
    EXPECT_EQ(countOf(F->incomingLinks(), link), 1);
    EXPECT_TRUE(t.node->outgoingLinks().size() == 1 && t.node->incomingLinks().empty());
    const auto all = t.node->getAllLinks();
    EXPECT_EQ(all.size(), 2u);
    EXPECT_EQ(t.node->getAllOutgoingLinks().size(), 2u);
    EXPECT_EQ(countOf(all, link), 1);

    // Collapsing A through its box puts D's end on A's row at once.
    const double before = link->startPoint().y;
    auto box = t.node->hitTestManipulators(Point(13, 29));
    ASSERT_TRUE(box);
    box->onClick(Point());
    const Rect aRow = t.node->getItemRect(*t.A);
    EXPECT_LT(link->startPoint().y, before);
    EXPECT_GE(link->startPoint().y, 20.0);
    const double after = link->startPoint().y;
    // At the middle of the row, whatever size the rows were last drawn at.
    EXPECT_NEAR(after, std::max(20.0, aRow.y + aRow.height / 2), 1e-9);
    // Scrolled far, the ends stay on the node's edges.
    t.node->setCurrentScrollPos(-500);
    EXPECT_DOUBLE_EQ(link->startPoint().y, 80.0);
    t.node->setCurrentScrollPos(500);
    EXPECT_DOUBLE_EQ(link->startPoint().y, 20.0);
    t.node->setCurrentScrollPos(0);
    EXPECT_DOUBLE_EQ(link->startPoint().y, after);

    auto copy = reloaded(*t.d);
    ASSERT_TRUE(copy);
    auto read = firstTree(*copy);
    ASSERT_TRUE(read);
    const auto& flat = read->flatItemList();
    ASSERT_EQ(flat.size(), 5u);
    EXPECT_EQ(flat[2]->outgoingLinks().size(), 1u);  // D
    EXPECT_EQ(flat[1]->incomingLinks().size(), 1u);  // B
    EXPECT_EQ(read->outgoingLinks().size(), 1u);
    EXPECT_EQ(plain->originConnection()->row(), -1);

    // A row the node never read has no item: the end stays on the node.
    auto end = std::make_shared<TreeViewConnectionPoint>(t.node, link, true, t.A);
    end->setRow(3);
    EXPECT_FALSE(end->item());
    end->setRow(0);
    EXPECT_FALSE(end->item());
    EXPECT_EQ(flat[2]->outgoingLinks()[0]->originConnection()->row(), 2);

    // The tree read back, never drawn, puts its ends where the drawn one that was saved does,
    // at every scroll.
    const auto readLink = flat[2]->outgoingLinks()[0];
    for (const double pos : {5.0, 0.0, 30.0}) {
        t.node->setCurrentScrollPos(pos);
        read->setCurrentScrollPos(pos);
        EXPECT_EQ(readLink->startPoint(), link->startPoint()) << pos;
    }
}

TEST(TreeViewLinks, ALinkThatDoesNotRouteItselfKeepsItsCurveWhenTheRowsMove) {
    Tree t;
    auto other = t.d->factory()->createTreeViewNode(100, 20, 40, 60);
    auto link = t.d->factory()->createDiagramLink(t.node, t.C, other, nullptr);
    link->setShape(LinkShape::bezier);
    link->setControlPoints({link->startPoint(), Point(70, 0), Point(80, 60), link->endPoint()});
    int repaints = 0;
    t.d->repaint().add([&](Object&, RepaintEventArgs&) { ++repaints; });
    const double start = link->startPoint().y;
    for (const double pos : {8.0, 4.0}) {
        t.node->setCurrentScrollPos(pos);
        ASSERT_EQ(link->controlPoints().size(), 4u);
        EXPECT_EQ(link->controlPoints()[1], Point(70, 0));
        EXPECT_EQ(link->controlPoints()[2], Point(80, 60));
    }
    // The end follows its row, at the row's middle.
    EXPECT_LT(link->startPoint().y, start);
    EXPECT_NEAR(link->startPoint().y, t.node->getItemRect(*t.C).center().y, 1e-9);
    EXPECT_GT(repaints, 0);
}

// --- Editing and undo state --------------------------------------------------------------------

TEST(TreeViewEditing, LabelEditsRaiseTheTreeItemEventsWithTheItem) {
    Tree t;
    std::vector<std::string> seen;
    t.d->treeItemEditing().add([&](Object&, EditTreeItemTextEventArgs& a) {
        seen.push_back("editing " + a.item()->label() + " " + a.oldText() + ">" + a.newText());
    });
    t.d->treeItemEdited().add([&](Object&, EditTreeItemTextEventArgs& a) {
        seen.push_back("edited " + a.item()->label());
    });
    TreeViewItemEditor editor(t.B, t.node);
    EXPECT_EQ(editor.getEditRect(nullptr, Point()), Rect(16, 33, 34, 8));
    editor.raiseItemTextEditing("B", "Bee");
    editor.setEditedText("Bee");
    editor.raiseItemTextEdited("B", "Bee");
    EXPECT_EQ(seen, (std::vector<std::string>{"editing B B>Bee", "edited Bee"}));
    EXPECT_EQ(editor.getEditedItem(), t.node);
    EXPECT_EQ(t.node->getEditRect(nullptr, Point()), Rect(10, 20, 40, 5));
    TreeViewItemEditor loose(t.B, std::make_shared<TreeViewNode>());
    loose.raiseItemTextEdited("a", "b");
    EXPECT_EQ(seen.size(), 2u);
}

TEST(TreeViewState, RestoreBringsBackStructureAndValuesAndSkipsUnknownItems) {
    Tree t;
    const auto state = t.node->saveState();
    t.node->rootItems().erase(t.node->rootItems().begin());
    t.node->rootItems().push_back(item("new"));
    t.E->setLabel("changed");
    t.E->setExpanded(false);
    t.B->children().clear();
    t.node->setCaptionHeight(9);
    t.node->setScrollPosition(4);
    t.node->restoreState(*state);
    EXPECT_EQ(labels(t.node->rootItems()), "AE");
    EXPECT_EQ(labels(t.B->children()), "D");
    EXPECT_TRUE(t.E->expanded());
    EXPECT_DOUBLE_EQ(t.node->captionHeight(), 5.0);
    EXPECT_DOUBLE_EQ(t.node->scrollPosition(), 0.0);

    auto& s = dynamic_cast<TreeViewNodeState&>(*state);
    s.itemStates.erase(t.A.get());
    t.A->setLabel("kept");
    t.D->setLabel("kept too");
    t.node->restoreState(s);
    EXPECT_EQ(t.A->label(), "kept");
    EXPECT_EQ(t.D->label(), "kept too");
}

TEST(TreeView, AChainOfAHundredThousandItemsIsWalkedWithoutDeepRecursion) {
    Tree t;
    auto root = item("r");
    TreeViewItem* last = root.get();
    for (int i = 0; i < 100000; ++i) {
        auto next = std::make_shared<TreeViewItem>();
        last->children().push_back(next);
        last = next.get();
    }
    t.node->rootItems() = {root};
    EXPECT_EQ(t.node->countItems(), 100001);
    t.draw();
    EXPECT_EQ(t.node->getItemRect(*last).y, 20 + 2 + 5 + 100000 * 8.0);
    const auto state = t.node->saveState();
    t.node->restoreState(*state);
    auto copy = reloaded(*t.d);
    ASSERT_TRUE(copy);
    EXPECT_EQ(firstTree(*copy)->countItems(), 100001);
}

// Taking a row out takes the links on it and on its subtree's rows out too, undoably; a link
// whose row is gone would otherwise stay in the document with nowhere to end.
TEST(TreeViewLinks, RemovingAnItemRemovesTheLinksOnItsSubtreeAndUndoBringsAllBack) {
    Tree t;
    t.d->setUndoEnabled(true);
    auto& factory = *t.d->factory();
    auto other = factory.createShapeNode(100, 20, 20, 20);
    auto onD = factory.createDiagramLink(t.node, t.D, t.node, t.E);
    auto fromB = factory.createDiagramLink(t.node, t.B, t.node, t.C);
    auto onE = factory.createDiagramLink(t.node, t.E, t.node, t.A);
    auto toB = factory.createDiagramLink(std::static_pointer_cast<DiagramNode>(other),
                                         std::static_pointer_cast<DiagramNode>(t.node));
    const std::string before = snapshot(*t.d);
    const auto um = t.d->undoManager();
    const std::size_t steps = um->undoHistory().size();

    um->startComposite();
    t.d->recordItemStates({t.node});
    EXPECT_TRUE(t.node->removeItem(t.B));
    um->commitComposite();
    EXPECT_EQ(um->undoHistory().size(), steps + 1);
    EXPECT_EQ(labels(t.A->children()), "C");
    EXPECT_EQ(t.d->links().size(), 2u);
    EXPECT_TRUE(t.E->incomingLinks().empty());
    EXPECT_FALSE(t.d->contains(*onD));
    EXPECT_FALSE(t.d->contains(*fromB));
    EXPECT_EQ(countOf(t.C->incomingLinks(), fromB), 0);
    for (const auto& link : t.node->getAllLinks()) EXPECT_TRUE(t.d->contains(*link));
    const std::string after = snapshot(*t.d);

    um->undo();
    EXPECT_TRUE(sameText(snapshot(*t.d), before));
    EXPECT_EQ(t.D->outgoingLinks(), TreeViewItem::LinkList{onD});
    EXPECT_EQ(countOf(t.C->incomingLinks(), fromB), 1);
    um->redo();
    EXPECT_TRUE(sameText(snapshot(*t.d), after));
    um->undo();

    // A root goes the same way; an item not in the tree changes nothing.
    EXPECT_TRUE(t.node->removeItem(t.E));
    EXPECT_FALSE(t.d->contains(*onE));
    EXPECT_FALSE(t.node->removeItem(item("stranger")));
    EXPECT_FALSE(t.node->removeItem(nullptr));
    EXPECT_TRUE(t.d->contains(*toB));
}

// The host may edit rootItems() and children() directly. Once the tree is saved, drawn or
// removed, an end on an item that left it sits on the node itself, where its point is; an undo
// that puts the item back puts the end back on it.
namespace {

// Items made in one block, one at a time, as an allocator that hands a freed block out again at
// once makes them; the count and weak references live apart, as with `new`.
alignas(std::max_align_t) unsigned char itemBlock[sizeof(TreeViewItem)];

std::shared_ptr<TreeViewItem> itemInTheBlock() {
    return std::shared_ptr<TreeViewItem>(new (itemBlock) TreeViewItem(),
                                         [](TreeViewItem* item) { item->~TreeViewItem(); });
}

}  // namespace

TEST(TreeViewLinks, AnItemAtALinkedItemsFormerAddressIsStillFollowed) {
    Tree t;
    auto& factory = *t.d->factory();
    auto other = factory.createTreeViewNode(100, 20, 20, 20);
    std::weak_ptr<TreeViewItem> gone;
    {
        auto first = itemInTheBlock();
        gone = first;
        t.node->rootItems().push_back(first);
        t.draw();
        auto link = factory.createDiagramLink(t.node, first, other, nullptr);
        t.d->removeItem(link);
        std::erase(t.node->rootItems(), first);
    }
    ASSERT_TRUE(gone.expired());
    auto second = itemInTheBlock();
    // Linked before the tree is drawn again, so the tree has not yet looked at its linked items.
    t.node->rootItems().push_back(second);
    auto link = factory.createDiagramLink(t.node, second, other, nullptr);
    std::erase(t.node->rootItems(), second);
    t.draw();
    EXPECT_TRUE(second->outgoingLinks().empty());
    EXPECT_EQ(link->originConnection()->node(), t.node);
    EXPECT_EQ(countOf(t.node->outgoingLinks(), link), 1);
}

TEST(TreeViewLinks, EndsOnItemsTakenOutByHandMoveToTheNode) {
    Tree t;
    t.d->setUndoEnabled(true);
    auto& factory = *t.d->factory();
    // A tree without items stands for any node.
    auto other = factory.createTreeViewNode(100, 20, 20, 20);
    auto fromD = factory.createDiagramLink(t.node, t.D, other, nullptr);
    auto onB = factory.createDiagramLink(t.node, t.B, t.node, t.C);
    const std::string before = snapshot(*t.d);
    const Point start = fromD->startPoint();

    const auto um = t.d->undoManager();
    um->startComposite();
    t.d->recordItemStates({t.node, fromD, onB});
    t.A->children().erase(t.A->children().begin());  // B, with D under it
    um->commitComposite();

    auto copy = reloaded(*t.d);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->links().size(), 2u);
    const auto end = std::dynamic_pointer_cast<TreeViewConnectionPoint>(fromD->originConnection());
    ASSERT_TRUE(end);
    EXPECT_FALSE(end->item());
    EXPECT_EQ(end->node(), t.node);
    EXPECT_EQ(fromD->startPoint(), start);
    EXPECT_TRUE(t.D->outgoingLinks().empty() && t.B->outgoingLinks().empty());
    EXPECT_EQ(countOf(t.node->outgoingLinks(), fromD), 1);
    EXPECT_EQ(countOf(t.C->incomingLinks(), onB), 1);
    const std::string after = snapshot(*t.d);

    um->undo();
    EXPECT_TRUE(sameText(snapshot(*t.d), before));
    EXPECT_EQ(t.D->outgoingLinks(), TreeViewItem::LinkList{fromD});
    EXPECT_TRUE(t.node->outgoingLinks().empty());
    um->redo();
    EXPECT_TRUE(sameText(snapshot(*t.d), after));

    // An item moved to another tree and drawn there: the first tree's end lets it go.
    auto second = factory.createTreeViewNode(200, 20, 40, 60);
    auto onE = factory.createDiagramLink(t.node, t.E, other, nullptr);
    std::erase(t.node->rootItems(), t.E);
    second->rootItems().push_back(t.E);
    t.draw();
    EXPECT_TRUE(t.E->outgoingLinks().empty());
    EXPECT_EQ(onE->originConnection()->node(), t.node);
    EXPECT_EQ(onE->originConnection()->row(), -1);

    // Removing the node takes every link that ends on it, those of items it lost included.
    auto onA = factory.createDiagramLink(t.node, t.A, other, nullptr);
    t.node->rootItems().clear();
    t.d->removeItem(t.node);
    for (const auto& link : t.d->links()) {
        EXPECT_TRUE(t.d->contains(*link->origin()));
        EXPECT_TRUE(t.d->contains(*link->destination()));
    }
    EXPECT_FALSE(t.d->contains(*onA));
    EXPECT_FALSE(t.d->contains(*onE));
}

// An end moved onto the node is the node's like any other: it follows the node, leaves with it,
// and comes back with it, whether a draw, a scroll, a save or the move itself moved it; undo
// and redo of the item's removal move it between the item and the node. The same holds where the
// host rebuilt the tree and nothing holds the items it took out: the ends are the node's at once.
TEST(TreeViewLinks, AnEndMovedToTheNodeFollowsItAndLeavesAndReturnsWithIt) {
    // Each link as the positions of its end nodes among the document's nodes.
    const auto ends = [](Diagram& d) {
        std::vector<std::pair<long, long>> pairs;
        const auto at = [&d](const std::shared_ptr<DiagramNode>& n) {
            return static_cast<long>(std::find(d.nodes().begin(), d.nodes().end(), n) -
                                     d.nodes().begin());
        };
        for (const auto& link : d.links())
            pairs.emplace_back(at(link->origin()), at(link->destination()));
        return pairs;
    };
    for (int run = 0; run < 8; ++run) {
        // Moved by a draw, a scroll, a save or the move itself; the items held or dropped.
        const int way = run % 4;
        const bool dropped = run >= 4;
        SCOPED_TRACE(std::to_string(way) + (dropped ? " dropped" : " held"));
        Tree t;
        t.d->setUndoEnabled(true);
        auto& factory = *t.d->factory();
        // A tree without items stands for any node.
        auto other = factory.createTreeViewNode(100, 20, 20, 20);
        auto fromD = factory.createDiagramLink(t.node, t.D, other, nullptr);
        auto toE = factory.createDiagramLink(other, nullptr, t.node, t.E);
        auto dToC = factory.createDiagramLink(t.node, t.D, t.node, t.C);
        auto stays = factory.createDiagramLink(std::static_pointer_cast<DiagramNode>(other),
                                               factory.createShapeNode(150, 20, 20, 20));
        const auto wanted = ends(*t.d);
        const auto um = t.d->undoManager();
        if (dropped) {
            // Rebuilt by hand, without a step: a nested list loses B, with D under it, and E
            // leaves, or the root list is cleared and gets a new item; nothing holds the items
            // taken out.
            std::vector<std::weak_ptr<TreeViewItem>> gone{t.B, t.D, t.E};
            t.A->children().erase(t.A->children().begin());
            if (way % 2 == 0) {
                gone.insert(gone.end(), {t.A, t.C});
                t.node->rootItems().clear();
                t.node->rootItems().push_back(item("F"));
            } else {
                std::erase(t.node->rootItems(), t.E);
            }
            t.A = t.B = t.C = t.D = t.E = nullptr;
            for (const auto& weak : gone) ASSERT_TRUE(weak.expired());
        } else {
            um->startComposite();
            t.d->recordItemStates({t.node, fromD, toE, dToC});
            t.A->children().erase(t.A->children().begin());  // B, with D under it
            std::erase(t.node->rootItems(), t.E);
            um->commitComposite();
        }
        if (way == 0) t.draw();
        if (way == 1) t.node->setCurrentScrollPos(1);
        if (way == 2) {
            auto copy = reloaded(*t.d);
            ASSERT_TRUE(copy);
            EXPECT_EQ(ends(*copy), wanted);
        }
        const Point start = fromD->startPoint();
        const Point end = toE->endPoint();
        const Point loop = dToC->startPoint();
        t.node->setBounds(Rect(15, 27, 40, 60));
        EXPECT_EQ(fromD->startPoint(), Point(start.x + 5, start.y + 7));
        EXPECT_EQ(toE->endPoint(), Point(end.x + 5, end.y + 7));
        EXPECT_EQ(dToC->startPoint(), Point(loop.x + 5, loop.y + 7));
        EXPECT_EQ(countOf(t.node->outgoingLinks(), fromD), 1);
        EXPECT_EQ(countOf(t.node->outgoingLinks(), dToC), 1);
        EXPECT_EQ(countOf(t.node->incomingLinks(), toE), 1);
        if (!dropped) {
            EXPECT_TRUE(t.D->outgoingLinks().empty() && t.E->incomingLinks().empty());
        }
        const std::string moved = snapshot(*t.d);
        {
            auto copy = reloaded(*t.d);
            ASSERT_TRUE(copy);
            EXPECT_EQ(ends(*copy), wanted);
        }

        t.d->removeItem(t.node);
        EXPECT_TRUE(t.d->links() == std::vector<std::shared_ptr<DiagramLink>>{stays});
        EXPECT_TRUE(other->outgoingLinks() == DiagramNode::LinkList{stays});
        EXPECT_TRUE(other->incomingLinks().empty());
        auto copy = reloaded(*t.d);
        ASSERT_TRUE(copy);
        EXPECT_EQ(copy->links().size(), 1u);
        const std::string removed = snapshot(*t.d);

        um->undo();
        EXPECT_TRUE(sameText(snapshot(*t.d), moved));
        EXPECT_EQ(t.node->getAllLinks().size(), 3u);
        EXPECT_EQ(countOf(other->incomingLinks(), fromD), 1);
        EXPECT_EQ(ends(*t.d), wanted);
        if (!dropped) {
            um->undo();
            EXPECT_TRUE(t.node->outgoingLinks().empty() && t.node->incomingLinks().empty());
            EXPECT_EQ(t.D->outgoingLinks().size(), 2u);
            EXPECT_EQ(countOf(t.E->incomingLinks(), toE), 1);

            um->redo();
            t.draw();
            EXPECT_EQ(countOf(t.node->outgoingLinks(), dToC), 1);
            EXPECT_EQ(countOf(t.node->outgoingLinks(), fromD), 1);
            EXPECT_TRUE(t.D->outgoingLinks().empty());
            EXPECT_TRUE(sameText(snapshot(*t.d), moved));
        }
        um->redo();
        EXPECT_TRUE(sameText(snapshot(*t.d), removed));
        EXPECT_TRUE(other->incomingLinks().empty());
    }
}
