#include <gtest/gtest.h>

#include <any>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Nodeloom/composite/TableNode.h"
#include "Nodeloom/composite/TreeViewNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/EditCellTextEventArgs.h"
#include "Nodeloom/document/EditLinkLabelEventArgs.h"
#include "Nodeloom/document/EditLinkTextEventArgs.h"
#include "Nodeloom/document/EditNodeTextEventArgs.h"
#include "Nodeloom/document/EditTreeItemTextEventArgs.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkLabel.h"
#include "Nodeloom/platform/NotificationCenter.h"
#include "Nodeloom/platform/TextView.h"
#include "Nodeloom/platform/Toolbar.h"
#include "Nodeloom/view/MenuItem.h"
#include "Nodeloom/view/RadialMenu.h"
#include "ViewTestSupport.h"
#include "tests/UndoTestSupport.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

// A view in a window over a document in points with undo on; at zoom 100 a document point is a
// view point.
struct Editing : Screen {
    explicit Editing(const Rect& frame = Rect(0, 0, 300, 200)) : Screen(frame) {
        d = view->diagram();
        d->setMeasureUnit(MeasureUnit::Point());
        d->setBounds(Rect(0, 0, 1000, 1000));
        d->setUndoEnabled(true);
        d->nodeTextEditing().add([this](Object&, EditNodeTextEventArgs& a) {
            editing.push_back(a.oldText() + ">" + a.newText());
        });
        d->nodeTextEdited().add([this](Object&, EditNodeTextEventArgs& a) {
            edited.push_back(a.oldText() + ">" + a.newText());
        });
    }
    std::shared_ptr<ShapeNode> node(const Rect& bounds, const std::string& text = "old") {
        auto n = d->factory()->createShapeNode(bounds);
        n->setText(text);
        return n;
    }
    platform::TextView& field() { return *view->editTextField(); }
    platform::Toolbar& toolbar() {
        return static_cast<platform::Toolbar&>(*field().inputAccessoryView());
    }
    void type(const std::string& text) { field().setText(text); }
    void done() { toolbar().pressItem(0); }
    void cancel() { toolbar().pressItem(1); }
    // What the text view of an edit at the point shows; the edit is cancelled.
    std::string editedText(const std::shared_ptr<DiagramItem>& item, Point p) {
        view->beginEdit(item, p);
        if (!view->editTextField()) return "<none>";
        const std::string text = field().text();
        view->cancelEdit();
        return text;
    }
    void keyboard(const Rect& frame) {
        platform::NotificationCenter::defaultCenter().post(
            platform::NotificationCenter::keyboardWillShowNotification,
            {{platform::NotificationCenter::keyboardFrameBeginUserInfoKey, std::any(frame)}});
    }
    std::size_t history() const { return d->undoManager()->undoHistory().size(); }

    std::shared_ptr<Diagram> d;
    std::vector<std::string> editing, edited;
};

// Types a new text over the item at the point and commits it, then checks that undo and redo
// bring the document back and forth.
void expectUndoableEdit(Editing& e, const std::shared_ptr<DiagramItem>& item, Point p,
                        const std::string& expectedOld) {
    const std::string before = e.d->saveToXmlString();
    const std::size_t steps = e.history();
    e.view->beginEdit(item, p);
    ASSERT_TRUE(e.view->editTextField());
    EXPECT_EQ(e.field().text(), expectedOld);
    e.type("retyped");
    e.done();
    const std::string after = e.d->saveToXmlString();
    EXPECT_NE(after, before);
    EXPECT_NE(after.find("retyped"), std::string::npos);
    EXPECT_EQ(e.history(), steps + 1);
    e.d->undoManager()->undo();
    EXPECT_EQ(e.d->saveToXmlString(), before);
    e.d->undoManager()->redo();
    EXPECT_EQ(e.d->saveToXmlString(), after);
}

}  // namespace

TEST(InplaceEdit, TheTextViewLiesOverTheItemWithItsToolbarFontAndFrame) {
    Editing e;
    auto thin = e.node(Rect(100, 50, 20, 60));
    e.view->beginEdit(thin, Point(110, 60));
    ASSERT_TRUE(e.view->editing());
    EXPECT_EQ(e.field().frame(), Rect(95, 50, 30, 60));
    EXPECT_EQ(e.field().text(), "old");
    EXPECT_EQ(e.field().font(), platform::Font("Arial", 13.5));
    EXPECT_EQ(e.field().superview(), e.view);
    EXPECT_TRUE(e.field().isFirstResponder());
    EXPECT_EQ(e.toolbar().frame(), Rect(0, 0, 400, 50));
    ASSERT_EQ(e.toolbar().items().size(), 2u);
    EXPECT_EQ(e.toolbar().items()[0]->title(), "Done");
    EXPECT_EQ(e.toolbar().items()[1]->title(), "Cancel");
    EXPECT_EQ(e.editing, std::vector<std::string>{"old>old"});
    e.cancel();

    auto flat = e.node(Rect(10, 10, 80, 20));
    e.view->beginEdit(flat, Point(20, 20));
    EXPECT_EQ(e.field().frame(), Rect(10, 5, 80, 30));
    e.cancel();
    for (const auto& [zoom, size] : std::map<double, double>{{300, 20}, {40, 7}, {120, 16.2}}) {
        e.view->setZoomLevel(zoom);
        e.view->beginEdit(thin, Point(110, 60));
        EXPECT_DOUBLE_EQ(e.field().font().size, size) << zoom;
        e.cancel();
    }
}

TEST(InplaceEdit, AViewInNoWindowSizesTheToolbarFromItself) {
    Editing e;
    e.view->removeFromSuperview();
    auto n = e.node(Rect(10, 10, 80, 40));
    e.view->beginEdit(n, Point(20, 20));
    ASSERT_TRUE(e.view->editTextField());
    EXPECT_EQ(e.toolbar().frame(), Rect(0, 0, 300, 50));
    e.type("new");
    e.done();
    EXPECT_EQ(n->text(), "new");
}

TEST(InplaceEdit, TheViewMovesClearOfTheKeyboardAndBack) {
    Editing e;
    const Rect rest(0, 0, 300, 200);
    auto low = e.node(Rect(100, 120, 60, 60));
    // No keyboard seen yet: nothing moves.
    e.view->beginEdit(low, Point(110, 130));
    EXPECT_EQ(e.view->frame(), rest);
    e.done();

    e.keyboard(Rect(0, 150, 400, 150));
    e.keyboard(Rect(0, 50, 400, 250));
    EXPECT_EQ(e.view->keyboardRect(), Rect(0, 150, 400, 150));
    e.view->beginEdit(low, Point(110, 130));
    // 30 points under the keyboard, and 10 to spare.
    EXPECT_EQ(e.view->frame(), Rect(0, -40, 300, 240));
    e.view->clearDisplayRequests();
    e.advance(0.29);
    EXPECT_FALSE(e.view->needsDisplay());
    e.advance(0.02);
    EXPECT_TRUE(e.view->needsDisplay());
    e.done();
    EXPECT_EQ(e.view->frame(), rest);

    // Wholly under the keyboard: its bottom edge comes 10 points above it.
    e.view->beginEdit(e.node(Rect(10, 160, 50, 30)), Point(20, 170));
    EXPECT_EQ(e.view->frame(), Rect(0, -50, 300, 250));
    e.cancel();
    EXPECT_EQ(e.view->frame(), rest);
    // Clear of the keyboard after an edit that was under it: the view stays.
    e.view->beginEdit(e.node(Rect(10, 10, 50, 40)), Point(20, 20));
    EXPECT_EQ(e.view->frame(), rest);
    e.done();
    // A cancel with no edit open leaves the view where it is.
    e.view->beginEdit(low, Point(110, 130));
    e.cancel();
    e.view->cancelEdit();
    EXPECT_EQ(e.view->frame(), rest);
    // A rectangle with no extent at the view's corner has nothing to clear: the earlier edit's
    // move is not made again.
    auto point = e.node(Rect(10, 10, 20, 20));
    point->_setBounds(Rect(0, 0, 0, 0));
    ASSERT_EQ(e.view->docToClientRect(point->getEditRect(nullptr, Point(0, 0))), Rect());
    e.view->beginEdit(point, Point(0, 0));
    EXPECT_TRUE(e.view->editing());
    EXPECT_EQ(e.view->frame(), rest);
    e.cancel();
    EXPECT_EQ(e.view->frame(), rest);
}

TEST(InplaceEdit, TheKeyboardIsMeasuredInTheViewsOwnCoordinates) {
    Editing e(Rect(0, 100, 300, 200));
    e.keyboard(Rect(0, 200, 400, 100));
    // The keyboard covers the view from its y 100 on, 20 points of the node.
    e.view->beginEdit(e.node(Rect(10, 60, 50, 60)), Point(20, 70));
    EXPECT_EQ(e.view->frame(), Rect(0, 70, 300, 230));
    e.done();
    EXPECT_EQ(e.view->frame(), Rect(0, 100, 300, 200));
}

TEST(InplaceEdit, CancelWritesNothingAndDoneAlwaysRaisesAndRecords) {
    Editing e;
    auto n = e.node(Rect(10, 10, 80, 40));
    const std::size_t steps = e.history();
    e.view->beginEdit(n, Point(20, 20));
    e.type("typed");
    e.cancel();
    EXPECT_EQ(n->text(), "old");
    EXPECT_TRUE(e.edited.empty());
    EXPECT_EQ(e.history(), steps);
    EXPECT_FALSE(e.view->editing());
    EXPECT_FALSE(e.view->editTextField());
    EXPECT_TRUE(e.view->subviews().empty());
    EXPECT_EQ(e.window->firstResponder(), nullptr);

    e.view->beginEdit(n, Point(20, 20));
    e.done();
    EXPECT_EQ(e.edited, std::vector<std::string>{"old>old"});
    EXPECT_EQ(e.history(), steps + 1);
    EXPECT_FALSE(e.view->editing());
    EXPECT_TRUE(e.view->subviews().empty());

    // Without undo the text is still written, and nothing is recorded.
    e.d->setUndoEnabled(false);
    e.view->beginEdit(n, Point(20, 20));
    e.type("plain");
    e.done();
    EXPECT_EQ(n->text(), "plain");
}

TEST(InplaceEdit, UndoBringsBackTheTextOfEachKindOfItem) {
    Editing e;
    expectUndoableEdit(e, e.node(Rect(10, 10, 80, 40)), Point(20, 20), "old");

    auto link = e.d->factory()->createDiagramLink(Point(10, 150), Point(290, 150));
    link->setText("link text");
    auto label = std::make_shared<LinkLabel>(link, "label text");
    link->addLabel(label);
    const std::optional<Rect> labelRect = label->getLayoutRect();
    ASSERT_TRUE(labelRect);
    expectUndoableEdit(e, link, Point(labelRect->x + 1, labelRect->y + 1), "label text");
    expectUndoableEdit(e, link, Point(-50, -50), "link text");

    auto table = e.d->factory()->createTableNode(Rect(100, 20, 120, 60));
    table->redimTable(2, 2);
    table->rows()[0]->setHeight(20);
    table->cell(1, 0)->setText("cell text");
    expectUndoableEdit(e, table, Point(190, 40), "cell text");

    auto tree = e.d->factory()->createTreeViewNode(Rect(10, 60, 80, 80));
    auto item = std::make_shared<TreeViewItem>();
    item->setLabel("item text");
    tree->rootItems() = {item};
    e.view->renderImage();
    const Rect row = item->bounds();
    expectUndoableEdit(e, tree, Point(10 + row.x + 1, 60 + row.y + 1), "item text");
}

TEST(InplaceEdit, ATableEditsTheCellItShowsUnderThePoint) {
    Editing e;
    auto table = e.d->factory()->createTableNode(Rect(100, 20, 120, 80));
    table->setText("caption");
    table->setCaptionHeight(10);
    table->redimTable(3, 5);
    for (int c = 0; c < 3; ++c) {
        table->columns()[static_cast<std::size_t>(c)].width = 30;
        for (int r = 0; r < 5; ++r)
            table->cell(c, r)->setText(std::to_string(c) + "," + std::to_string(r));
    }
    for (const auto& row : table->rows())
        row->setHeight(20);

    EXPECT_EQ(e.editedText(table, Point(110, 25)), "caption");
    // The caption strip, grown to 30 points.
    e.view->beginEdit(table, Point(110, 25));
    EXPECT_EQ(e.field().frame(), Rect(100, 15, 120, 20));
    e.cancel();
    EXPECT_EQ(e.editedText(table, Point(130, 30)), "1,0");
    EXPECT_EQ(e.editedText(table, Point(129.9, 50)), "0,1");
    // The last column reaches the node's right edge.
    e.view->beginEdit(table, Point(210, 50));
    EXPECT_EQ(e.field().text(), "2,1");
    EXPECT_EQ(e.field().frame(), Rect(160, 45, 60, 30));
    e.cancel();
    EXPECT_EQ(e.editedText(table, Point(225, 50)), "caption");

    table->setCurrentScrollRow(2);
    EXPECT_EQ(e.editedText(table, Point(110, 35)), "0,2");
    EXPECT_EQ(e.editedText(table, Point(110, 55)), "0,3");

    // Covered places edit the cell that spans them.
    table->setCurrentScrollRow(0);
    table->cell(0, 0)->setRowSpan(2);
    table->cell(1, 2)->setColumnSpan(2);
    EXPECT_EQ(e.editedText(table, Point(110, 50)), "0,0");
    EXPECT_EQ(e.editedText(table, Point(170, 70)), "1,2");

    std::vector<std::string> cells;
    e.d->cellTextEdited().add([&cells](Object&, EditCellTextEventArgs& a) {
        cells.push_back(a.cell()->text() + ":" + a.oldText() + ">" + a.newText());
    });
    e.view->beginEdit(table, Point(170, 30));
    e.type("typed");
    e.done();
    EXPECT_EQ(cells, std::vector<std::string>{"typed:2,0>typed"});
}

TEST(InplaceEdit, ATreeEditsTheFirstRowHoldingThePoint) {
    Editing e;
    auto tree = e.d->factory()->createTreeViewNode(Rect(10, 20, 100, 100));
    tree->setText("tree");
    auto first = std::make_shared<TreeViewItem>();
    first->setLabel("first");
    auto second = std::make_shared<TreeViewItem>();
    second->setLabel("second");
    tree->rootItems() = {first, second};
    e.view->renderImage();
    const Rect a = first->bounds();
    const Rect b = second->bounds();
    ASSERT_EQ(b.y, a.bottom());

    EXPECT_EQ(e.editedText(tree, Point(10 + a.x + 1, 20 + a.bottom())), "first");
    EXPECT_EQ(e.editedText(tree, Point(10 + b.x + 1, 20 + b.bottom())), "second");
    EXPECT_EQ(e.editedText(tree, Point(10 + b.right(), 20 + b.y + 1)), "second");
    EXPECT_EQ(e.editedText(tree, Point(50, 20 + b.bottom() + 5)), "tree");

    // Scrolled up under the caption, the first row is not shown there.
    tree->setCurrentScrollPos(a.height);
    e.view->renderImage();
    ASSERT_LT(first->bounds().y, tree->getCaptionHeight() - 1);
    EXPECT_EQ(e.editedText(tree, Point(10 + a.x + 1, 20 + tree->getCaptionHeight() - 1)), "tree");
    EXPECT_EQ(e.editedText(nullptr, Point(50, 50)), "<none>");
}

TEST(InplaceEdit, ASecondEditOrATouchCommitsTheOpenOne) {
    Editing e;
    auto one = e.node(Rect(10, 10, 80, 40), "one");
    auto two = e.node(Rect(150, 10, 80, 40), "two");
    const std::size_t steps = e.history();
    e.view->beginEdit(one, Point(20, 20));
    e.type("ONE");
    e.view->beginEdit(two, Point(160, 20));
    EXPECT_EQ(one->text(), "ONE");
    EXPECT_EQ(e.edited, std::vector<std::string>{"one>ONE"});
    EXPECT_EQ(e.view->subviews().size(), 1u);
    EXPECT_EQ(e.field().text(), "two");
    EXPECT_EQ(e.history(), steps + 1);

    // The touch goes to the view, outside the text view, and does nothing but commit.
    e.type("TWO");
    e.down(1, Point(150, 150));
    EXPECT_EQ(two->text(), "TWO");
    EXPECT_FALSE(e.view->editing());
    EXPECT_FALSE(e.timerRunning());
    e.up(1, Point(150, 150));
}

TEST(InplaceEdit, HandlersMayCloseTheEditOrOpenTheNext) {
    Editing e;
    e.keyboard(Rect(0, 150, 400, 150));
    auto low = e.node(Rect(100, 120, 60, 60), "low");
    auto next = e.node(Rect(10, 10, 80, 40), "next");
    const std::weak_ptr<DiagramView> weak = e.view;
    e.d->nodeTextEdited().add([weak, next](Object&, EditNodeTextEventArgs& a) {
        if (a.node() != next) weak.lock()->beginEdit(next, Point(20, 20));
    });
    e.view->beginEdit(low, Point(110, 130));
    e.done();
    EXPECT_TRUE(e.view->editing());
    EXPECT_EQ(e.view->subviews().size(), 1u);
    EXPECT_EQ(e.field().text(), "next");
    EXPECT_EQ(e.view->frame(), Rect(0, 0, 300, 200));

    e.done();
    e.d->nodeTextEditing().add(
        [weak](Object&, EditNodeTextEventArgs&) { weak.lock()->cancelEdit(); });
    e.view->beginEdit(low, Point(110, 130));
    EXPECT_FALSE(e.view->editing());
    EXPECT_TRUE(e.view->subviews().empty());
    EXPECT_EQ(e.view->frame(), Rect(0, 0, 300, 200));
}

TEST(InplaceEdit, ADoubleTapAndTheMenusEditActionOpenEditsThroughTouches) {
    Editing e;
    auto n = e.node(Rect(50, 50, 80, 40));
    e.view->setAllowInplaceEdit(true);
    const std::size_t items = e.d->items().size();
    e.tap(1, Point(60, 60));
    e.tap(2, Point(62, 60));
    ASSERT_TRUE(e.view->editing());
    EXPECT_EQ(e.field().text(), "old");

    // The next touch-down commits; it and its release start nothing.
    e.type("tapped");
    e.down(3, Point(250, 150));
    EXPECT_EQ(n->text(), "tapped");
    EXPECT_FALSE(e.view->editing());
    e.up(3, Point(250, 150));
    e.advance(2);
    EXPECT_FALSE(e.view->editing());
    EXPECT_EQ(e.d->items().size(), items);
    EXPECT_TRUE(e.view->touchInputDispatcher()->manipulators().empty());

    // A committing touch is no first tap: one tap on the node just edited does not edit again.
    e.tap(5, Point(60, 60));
    e.tap(6, Point(62, 60));
    ASSERT_TRUE(e.view->editing());
    e.tap(7, Point(250, 150));
    EXPECT_FALSE(e.view->editing());
    e.tap(8, Point(60, 60));
    EXPECT_FALSE(e.view->editing());
    e.advance(2);

    // A long press opens the menu; the finger lifted over its edit button opens the edit.
    e.down(4, Point(60, 60));
    e.advance(2.5);
    std::shared_ptr<RadialMenu> menu;
    for (const auto& v : e.view->subviews())
        if (auto m = std::dynamic_pointer_cast<RadialMenu>(v)) menu = m;
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->items().size(), 3u);
    menu->layoutItems();
    const Rect button = menu->items()[1]->frame();
    const Point at(menu->frame().x + button.x + button.width / 2,
                   menu->frame().y + button.y + button.height / 2);
    // The first move after a long press only ends the press; the next reaches the menu.
    e.move(4, at);
    e.move(4, at);
    e.up(4, at);
    ASSERT_TRUE(e.view->editing());
    EXPECT_EQ(e.field().text(), "tapped");
    e.cancel();
}

// "Done" under a handler that empties the document or reads it again records no step in the
// history that follows: undoing a step for an item of the old content would change nothing
// shown and write into an item nobody sees.
TEST(InplaceEdit, DoneUnderAHandlerThatReplacesTheDocumentRecordsNothingThere) {
    const char* kinds[] = {"node", "link", "label", "cell", "tree item"};
    for (const bool reload : {false, true}) {
        for (const bool onRepaint : {false, true}) {
            for (const char* kind : kinds) {
                SCOPED_TRACE(std::string(kind) + (reload ? " reload" : " clear") +
                             (onRepaint ? " on repaint" : " on edited"));
                Editing e;
                auto node = e.node(Rect(10, 10, 80, 40));
                auto link = e.d->factory()->createDiagramLink(Point(10, 150), Point(290, 150));
                link->setText("link text");
                auto label = std::make_shared<LinkLabel>(link, "label text");
                link->addLabel(label);
                auto table = e.d->factory()->createTableNode(Rect(100, 20, 120, 60));
                table->redimTable(2, 2);
                table->rows()[0]->setHeight(20);
                auto tree = e.d->factory()->createTreeViewNode(Rect(10, 60, 80, 80));
                auto item = std::make_shared<TreeViewItem>();
                item->setLabel("item text");
                tree->rootItems() = {item};
                e.view->renderImage();
                const Rect labelRect = label->getLayoutRect().value_or(Rect());
                const Rect row = item->bounds();

                Replacement replace(*e.d, reload);
                replace.armed = false;
                if (onRepaint) {
                    e.d->repaint() += [&](Object&, RepaintEventArgs&) { replace(); };
                } else {
                    e.d->nodeTextEdited() += [&](Object&, EditNodeTextEventArgs&) { replace(); };
                    e.d->linkTextEdited() += [&](Object&, EditLinkTextEventArgs&) { replace(); };
                    e.d->linkLabelEdited() += [&](Object&, EditLinkLabelEventArgs&) { replace(); };
                    e.d->cellTextEdited() += [&](Object&, EditCellTextEventArgs&) { replace(); };
                    e.d->treeItemEdited() +=
                        [&](Object&, EditTreeItemTextEventArgs&) { replace(); };
                }
                const std::string k = kind;
                if (k == "node") e.view->beginEdit(node, Point(20, 20));
                if (k == "link") e.view->beginEdit(link, Point(-50, -50));
                if (k == "label") e.view->beginEdit(link, Point(labelRect.x + 1, labelRect.y + 1));
                if (k == "cell") e.view->beginEdit(table, Point(190, 40));
                if (k == "tree item")
                    e.view->beginEdit(tree, Point(10 + row.x + 1, 60 + row.y + 1));
                ASSERT_TRUE(e.view->editTextField());
                e.type("retyped");
                replace.armed = true;
                e.done();
                EXPECT_FALSE(replace.armed) << "the handler ran";
                EXPECT_FALSE(e.view->editing());
                EXPECT_EQ(e.history(), 0u);
                EXPECT_FALSE(e.d->canUndo());
            }
        }
    }
}

// A drag whose handler reloads the document as it ends leaves nothing in the new history, and
// the next step records as usual.
TEST(InplaceEdit, ADragUnderAHandlerThatReloadsTheDocumentRecordsNothingThere) {
    Editing e;
    e.view->setBehavior(Behavior::moveNodes);
    auto moved = e.node(Rect(10, 10, 40, 40));
    auto saved = std::make_shared<XmlDomBuilder>();
    e.d->saveToXml(saved);
    bool armed = true;
    e.d->nodeModifying() += [&](Object&, NodeValidationEventArgs&) {
        if (!armed) return;
        armed = false;
        EXPECT_TRUE(e.d->loadFromXml(saved->root()));
    };
    e.down(1, Point(30, 30));
    e.advance(0.1);
    e.move(1, Point(60, 60));
    e.move(1, Point(90, 90));
    e.up(1, Point(90, 90));
    EXPECT_FALSE(armed);
    EXPECT_EQ(e.history(), 0u);
    EXPECT_EQ(e.d->undoManager()->startCompositeCounter(), 0);
    e.d->factory()->createShapeNode(Rect(200, 10, 20, 20));
    EXPECT_EQ(e.history(), 1u);
}
