#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/composite/ScrollBar.h"
#include "Nodeloom/composite/TableNode.h"
#include "Nodeloom/document/EditNodeTextEventArgs.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/document/LinkEventArgs.h"
#include "Nodeloom/document/NodeEventArgs.h"
#include "Nodeloom/document/RepaintEventArgs.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/platform/TextView.h"
#include "Nodeloom/platform/Toolbar.h"
#include "Nodeloom/view/MenuItem.h"
#include "Nodeloom/view/RadialMenu.h"
#include "Nodeloom/view/CreateLinkController.h"
#include "Nodeloom/view/RadialMenuController.h"
#include "view/TouchRoadSupport.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

// Runs the gesture and checks that it changed the document by one undo step that undo takes
// back and redo puts again, comparing the whole document.
template <typename Gesture>
void undoable(Road& r, Gesture gesture) {
    const std::string before = docText(*r.diagram);
    const std::size_t steps = r.history();
    gesture();
    const std::string after = docText(*r.diagram);
    EXPECT_NE(after, before);
    EXPECT_EQ(r.history(), steps + 1);
    EXPECT_EQ(r.nesting(), 0);
    r.diagram->undo();
    EXPECT_EQ(docText(*r.diagram), before);
    r.diagram->redo();
    EXPECT_EQ(docText(*r.diagram), after);
}

// Presses a button of the bar above an edit's text: 0 takes the text, 1 gives it up.
void finish(const std::shared_ptr<platform::TextView>& field, int button) {
    std::static_pointer_cast<platform::Toolbar>(field->inputAccessoryView())->pressItem(button);
}

}  // namespace

TEST(TouchRoad, FingersAloneDrawLinkMoveAndDeleteInTheLinkMode) {
    Road r;
    ASSERT_EQ(r.view->behavior(), Behavior::linkShapes);
    const auto nodes = [&] { return r.diagram->nodes(); };

    undoable(r, [&] { r.drag(1, Point(20, 20), Point(80, 70)); });
    ASSERT_EQ(nodes().size(), 1u);
    const auto a = nodes()[0];
    EXPECT_EQ(a->bounds(), Rect(20, 20, 60, 50));

    undoable(r, [&] { r.drag(2, Point(150, 100), Point(220, 160)); });
    ASSERT_EQ(nodes().size(), 2u);
    const auto b = nodes()[1];

    // From a node's body to another node: a link between them.
    undoable(r, [&] { r.drag(3, Point(35, 35), Point(185, 130)); });
    ASSERT_EQ(r.diagram->links().size(), 1u);
    const auto link = r.diagram->links()[0];
    EXPECT_EQ(link->origin(), a);
    EXPECT_EQ(link->destination(), b);

    // A tap selects the node; its middle handle then moves it, and the link follows.
    // The new link is selected, and its end handles reach far: a tap on empty space first.
    r.tap(4, Point(280, 20));
    r.advance(1.1);
    EXPECT_TRUE(r.diagram->selectedItems().empty());
    // Links take taps within the touch threshold; this one keeps off the line.
    r.tap(4, Point(30, 65));
    r.advance(1.1);
    ASSERT_TRUE(a->selected());
    const Point linkStart = link->controlPoints().front();
    undoable(r, [&] { r.drag(5, Point(50, 45), Point(70, 65)); });
    EXPECT_EQ(a->bounds(), Rect(40, 40, 60, 50));
    EXPECT_NE(link->controlPoints().front(), linkStart);

    // A long press on the other node opens the menu; released over its delete button, the
    // node goes, and its link with it.
    undoable(r, [&] {
        r.down(6, Point(185, 130));
        r.advance(2.1);
        auto menuController = std::dynamic_pointer_cast<RadialMenuController>(r.controller());
        ASSERT_NE(menuController, nullptr);
        const auto menu = menuController->menu();
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->superview(), r.view);
        menu->layoutItems();
        // The default menu's first button shows "delete32.png".
        ASSERT_EQ(menu->items().size(), 2u);
        const std::shared_ptr<MenuItem> remove = menu->items()[0];
        const Rect f = remove->frame();
        const Point over(menu->frame().x + f.x + f.width / 2, menu->frame().y + f.y + f.height / 2);
        // The first move after a long press only ends the press; the next reaches the menu.
        r.move(6, over);
        r.move(6, over);
        EXPECT_EQ(menu->selected(), remove);
        r.up(6, over);
        EXPECT_FALSE(menu->superview());
    });
    EXPECT_FALSE(r.diagram->contains(*b));
    EXPECT_TRUE(r.diagram->links().empty());
    r.diagram->undo();
    EXPECT_TRUE(r.diagram->contains(*b));
    EXPECT_EQ(r.diagram->links().size(), 1u);
    EXPECT_TRUE(r.dispatcher().manipulators().empty());
}

TEST(TouchRoad, AReloadOrANewDocumentEndsTheGesturesAndTheEditOnTheItemsThatWent) {
    Road r;
    r.view->setBehavior(Behavior::moveNodes);
    Factory& f = *r.diagram->factory();
    f.createContainerNode(Rect(150, 20, 100, 100));
    f.createShapeNode(Rect(20, 20, 30, 30))->setText("old");
    const auto container = [&] {
        return std::dynamic_pointer_cast<ContainerNode>(r.diagram->nodes()[0]);
    };

    // A node on its way into the container when the document is read anew.
    r.down(1, Point(35, 35));
    r.advance(0.1);
    r.move(1, Point(100, 60));
    ASSERT_TRUE(r.controller());
    ASSERT_TRUE(copyInto(*r.diagram, *r.diagram));
    const std::string saved = docText(*r.diagram);
    EXPECT_TRUE(r.dispatcher().manipulators().empty());
    r.move(1, Point(200, 70));
    r.up(1, Point(200, 70));
    r.advance(1.1);
    EXPECT_TRUE(container()->children().empty());
    EXPECT_TRUE(whole(*r.diagram));
    EXPECT_TRUE(docText(*r.diagram) == saved);
    EXPECT_EQ(r.history(), 0u);

    // An open edit is given up; its "Done" then writes nothing anywhere.
    r.view->beginEdit(r.diagram->nodes()[1], Point(30, 30));
    ASSERT_TRUE(r.view->editing());
    const auto field = r.view->editTextField();
    field->setText("typed");
    ASSERT_TRUE(copyInto(*r.diagram, *r.diagram));
    EXPECT_FALSE(r.view->editing());
    EXPECT_FALSE(field->superview());
    std::static_pointer_cast<platform::Toolbar>(field->inputAccessoryView())->pressItem(0);
    EXPECT_TRUE(docText(*r.diagram) == saved);
    EXPECT_EQ(r.history(), 0u);
    // Closed by a handler's removal of its node instead, the edit is not committed either.
    r.view->beginEdit(r.diagram->nodes()[1], Point(30, 30));
    r.view->editTextField()->setText("typed");
    r.diagram->removeItem(r.diagram->nodes()[1]);
    const std::size_t steps = r.history();
    r.view->endEdit();
    EXPECT_FALSE(r.view->editing());
    EXPECT_EQ(r.history(), steps);
    r.diagram->undo();
    EXPECT_TRUE(docText(*r.diagram) == saved);

    // A new document: the drag on the old one is put back there, and its finger does nothing
    // in the new one.
    const auto old = r.diagram;
    const Rect at = old->nodes()[1]->bounds();
    r.down(2, at.center());
    r.advance(0.1);
    r.move(2, Point(200, 70));
    ASSERT_TRUE(r.controller());
    r.view->setDiagram(std::make_shared<Diagram>());
    EXPECT_TRUE(r.dispatcher().manipulators().empty());
    EXPECT_EQ(old->nodes()[1]->bounds(), at);
    EXPECT_EQ(old->undoManager()->startCompositeCounter(), 0);
    r.up(2, Point(200, 70));
    EXPECT_TRUE(container()->children().empty());
    EXPECT_TRUE(r.view->diagram()->items().empty());

    // A clear of the document shown ends its gestures as a load does.
    const auto shown = r.view->diagram();
    shown->factory()->createShapeNode(Rect(0, 0, 50, 50));
    r.advance(1.1);
    r.down(3, Point(35, 35));
    r.advance(0.1);
    r.move(3, Point(100, 60));
    ASSERT_TRUE(r.controller());
    shown->clear();
    EXPECT_TRUE(r.dispatcher().manipulators().empty());
    r.up(3, Point(100, 60));
    EXPECT_TRUE(shown->items().empty());
}

// A handler that edits the document on the repaint of a read of a file: it runs once the items
// are all in, never halfway, and the document holds what the handler left, and its file reads
// back as itself.
TEST(TouchRoad, AnEditMidReadLeavesAWholeDocument) {
    for (const bool remove : {true, false}) {
        SCOPED_TRACE(remove ? "removed" : "added");
        Road r;
        Factory& f = *r.diagram->factory();
        const auto container = f.createContainerNode(Rect(0, 0, 100, 100));
        container->add(f.createShapeNode(Rect(10, 30, 20, 20)));
        const auto a = f.createShapeNode(Rect(150, 20, 20, 20));
        f.createDiagramLink(a, f.createShapeNode(Rect(150, 120, 20, 20)));
        bool armed = false;
        bool halfway = false;
        r.diagram->repaint().add([&](Object&, RepaintEventArgs&) {
            if (!armed || r.diagram->nodes().empty()) return;
            halfway = halfway || r.diagram->isLoading();
            armed = false;
            if (remove)
                r.diagram->removeItem(r.diagram->nodes()[1]);
            else
                r.diagram->factory()->createShapeNode(Rect(200, 200, 20, 20));
        });
        armed = true;
        ASSERT_TRUE(copyInto(*r.diagram, *r.diagram));
        EXPECT_FALSE(armed);
        EXPECT_FALSE(halfway);
        EXPECT_EQ(r.diagram->nodes().size(), remove ? 3u : 5u);
        EXPECT_TRUE(whole(*r.diagram));
        const std::string text = r.diagram->saveToXmlString();
        EXPECT_TRUE(readBack(*r.diagram) == text) << text;
    }
}

TEST(TouchRoad, NoLinkIsAddedWithAnEndOutsideTheDocument) {
    Road r;
    Factory& f = *r.diagram->factory();
    const auto a = f.createShapeNode(Rect(20, 20, 40, 40));
    const auto b = f.createShapeNode(Rect(150, 20, 40, 40));
    // A handler takes the origin away while the link is being drawn from it.
    const int handler = r.diagram->linkCreating().add([&](Object&, LinkValidationEventArgs&) {
        if (r.diagram->contains(*a)) r.diagram->removeItem(a);
    });
    r.drag(1, Point(40, 40), Point(170, 40));
    EXPECT_FALSE(r.diagram->contains(*a));
    EXPECT_TRUE(r.diagram->links().empty());
    EXPECT_EQ(r.nesting(), 0);
    r.diagram->linkCreating().handlers()[static_cast<std::size_t>(handler)] =
        [](Object&, LinkValidationEventArgs&) {};

    // Nor through the document's own paths.
    EXPECT_EQ(f.createDiagramLink(a, b), nullptr);
    const auto c = f.createShapeNode(Rect(150, 120, 40, 40));
    const auto link = f.createDiagramLink(b, c);
    ASSERT_NE(link, nullptr);
    r.diagram->removeItem(c);
    const std::size_t steps = r.history();
    const std::string before = r.diagram->saveToXmlString();
    r.diagram->addItem(link);
    EXPECT_FALSE(r.diagram->contains(*link));
    EXPECT_EQ(r.history(), steps);
    EXPECT_FALSE(r.diagram->addItemInternal(link));
    EXPECT_TRUE(r.diagram->saveToXmlString() == before);
    EXPECT_TRUE(whole(*r.diagram));
}

// The wait for a second finger takes the window's fingers when it ends; one that went down on
// the open edit's field is the field's, and its release never comes back to the view.
TEST(TouchRoad, AFingerOnTheEditFieldOrBesideTheViewJoinsNoInteraction) {
    for (const bool lifted : {false, true}) {
        for (const bool onField : {true, false}) {
            SCOPED_TRACE(std::string(lifted ? "lifted" : "cancelled") +
                         (onField ? ", on the field" : ", beside the view"));
            Road r;
            const auto node = r.diagram->factory()->createShapeNode(Rect(100, 100, 60, 40));
            r.advance(1.1);
            // The first finger's wait for a second one is still running when the edit opens.
            r.down(1, Point(20, 180));
            r.view->beginEdit(node, Point(130, 120));
            const auto field = r.view->editTextField();
            ASSERT_TRUE(field);
            if (lifted)
                r.up(1, Point(20, 180));
            else
                r.cancel(1);
            const Point p = onField ? r.view->convertPointToWindow(field->frame().center())
                                    : Point(350, 250);
            r.down(2, p);
            r.advance(0.3);
            r.up(2, p);
            EXPECT_TRUE(r.dispatcher().manipulators().empty());
            EXPECT_EQ(r.dispatcher().controllersCount(), 0);
            EXPECT_TRUE(r.view->editing());
        }
    }
}

namespace {

// Whether no link end and no container member lies outside the document, no node lists a link
// the document does not hold, and, where loose ends are not allowed, no link has one.
bool tidy(Diagram& d) {
    if (!whole(d)) return false;
    for (const auto& node : d.nodes()) {
        for (const auto& link : node->getAllLinks())
            if (!link || !d.contains(*link)) return false;
    }
    if (d.allowUnconnectedLinks()) return true;
    for (const auto& link : d.links()) {
        if (isLooseEnd(link->originConnection()) || isLooseEnd(link->destinationConnection()))
            return false;
    }
    return true;
}

}  // namespace

// A view taken out of its window, moved into another, or left by a window that goes, in the middle
// of each kind of gesture, with no touch after: the gesture ends as a cancelled finger ends it.
TEST(TouchRoad, AViewThatLeavesItsWindowEndsItsGestureAsACancelDoes) {
    struct Case {
        const char* name;
        Behavior mode;
        // Builds the document.
        std::function<void(Road&)> build;
        // Puts the fingers down and moves them, lifting none.
        std::function<void(Road&)> fingers;
    };
    const auto slide = [](Road& r, int id, Point from, Point to) {
        r.down(id, from);
        r.advance(0.1);
        for (int i = 1; i <= 4; ++i)
            r.move(id, Point(from.x + (to.x - from.x) * i / 4, from.y + (to.y - from.y) * i / 4));
    };
    const auto node = [](Road& r, std::size_t i) { return r.diagram->nodes()[i]; };
    const auto table = [](Road& r) {
        return std::dynamic_pointer_cast<TableNode>(r.diagram->nodes()[0]);
    };
    const auto two = [](Road& r) {
        Factory& f = *r.diagram->factory();
        f.createDiagramLink(f.createShapeNode(20, 20, 40, 30), f.createShapeNode(150, 100, 40, 30));
    };
    const std::vector<Case> cases = {
        {"a link's end off its table row", Behavior::modify,
         [](Road& r) {
             Factory& f = *r.diagram->factory();
             const auto t = f.createTableNode(20, 20, 50, 60, 2, 5);
             f.createDiagramLink(f.createShapeNode(150, 30, 20, 20), t, 1)->setSelected(true);
         },
         [&](Road& r) { slide(r, 1, r.diagram->links()[0]->endPoint(), Point(220, 170)); }},
        {"a node", Behavior::moveNodes, two,
         [&](Road& r) { slide(r, 1, node(r, 0)->bounds().center(), Point(120, 150)); }},
        {"the selection", Behavior::modify,
         [&](Road& r) {
             two(r);
             node(r, 0)->setSelected(true);
             node(r, 1)->setSelected(true);
         },
         [&](Road& r) { slide(r, 1, node(r, 0)->bounds().center(), Point(120, 170)); }},
        {"a new link", Behavior::linkShapes, two,
         [&](Road& r) { slide(r, 1, Point(40, 35), Point(170, 115)); }},
        {"a new node", Behavior::drawShapes, two,
         [&](Road& r) { slide(r, 1, Point(100, 150), Point(170, 190)); }},
        {"a pan", Behavior::pan, two,
         [&](Road& r) { slide(r, 1, Point(100, 150), Point(170, 190)); }},
        {"a pinch", Behavior::modify, two,
         [](Road& r) {
             r.down(1, Point(100, 150), 2, Point(150, 150));
             r.advance(0.1);
             r.window->fingersMove({{1, Point(80, 170)}, {2, Point(190, 130)}});
             r.window->fingersMove({{1, Point(60, 180)}, {2, Point(230, 120)}});
         }},
        {"the menu", Behavior::modify, two,
         [](Road& r) {
             r.down(1, Point(40, 35));
             r.advance(2.1);
             EXPECT_TRUE(std::dynamic_pointer_cast<RadialMenuController>(r.controller()));
         }},
        {"the scroll bar", Behavior::modify,
         [](Road& r) {
             Factory& f = *r.diagram->factory();
             const auto t = f.createTableNode(20, 20, 60, 60, 2, 30);
             t->setScrollable(true);
             f.createDiagramLink(f.createShapeNode(150, 30, 20, 20), t, 2);
         },
         [&](Road& r) {
             const Rect bar = table(r)->scrollBar()->globalBounds();
             const Point top(bar.x + bar.width / 2, bar.y + 3);
             slide(r, 1, top, Point(top.x, top.y + 30));
             EXPECT_TRUE(table(r)->scrollBar()->drag());
         }},
        {"the edit in place", Behavior::modify, two,
         [&](Road& r) {
             r.view->beginEdit(node(r, 0), node(r, 0)->bounds().center());
             const auto field = r.view->editTextField();
             ASSERT_TRUE(field);
             field->setText("typed");
             r.down(1, r.view->convertPointToWindow(field->frame().center()));
         }},
    };
    enum class Leave { removed, movedToAnotherWindow, windowReleased };
    for (const Leave leave : {Leave::removed, Leave::movedToAnotherWindow, Leave::windowReleased}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", way " + std::to_string(static_cast<int>(leave)));
            Road r;
            r.diagram->setAllowUnconnectedLinks(false);
            r.view->setBehavior(c.mode);
            c.build(r);
            r.advance(1.1);
            const std::string before = docText(*r.diagram);
            const std::size_t steps = r.history();
            c.fingers(r);
            const bool editing = r.view->editing();
            // The gesture is under way: the document moves with it, or the view shows its work.
            EXPECT_TRUE(!r.dispatcher().manipulators().empty() || editing);

            auto elsewhere = platform::Window::create(Rect(0, 0, 400, 300));
            switch (leave) {
            case Leave::removed: r.view->removeFromSuperview(); break;
            case Leave::movedToAnotherWindow: elsewhere->addSubview(r.view); break;
            case Leave::windowReleased: r.window.reset(); break;
            }
            const auto ended = [&] {
                EXPECT_TRUE(r.dispatcher().manipulators().empty());
                EXPECT_EQ(r.dispatcher().controllersCount(), 0);
                EXPECT_EQ(r.nesting(), 0);
                EXPECT_TRUE(tidy(*r.diagram));
                EXPECT_TRUE(docText(*r.diagram) == before);
                EXPECT_EQ(r.history(), steps);
                for (const auto& sub : r.view->subviews())
                    EXPECT_EQ(std::dynamic_pointer_cast<RadialMenu>(sub), nullptr);
                EXPECT_EQ(r.view->editing(), editing);
            };
            ended();
            // Nothing fires later either: no long press, no step.
            r.advance(2.5);
            ended();
            // Back in a window, the edit left open still takes its text as one step.
            r.window = elsewhere;
            r.window->addSubview(r.view);
            if (const auto field = r.view->editTextField()) {
                finish(field, 0);
                EXPECT_EQ(r.history(), steps + 1);
                r.diagram->undo();
                EXPECT_TRUE(docText(*r.diagram) == before);
            }
        }
    }
}

TEST(TouchRoad, RandomFingersInEveryModeLeaveNothingRunning) {
    const std::vector<Behavior> modes = {
        Behavior::modify,         Behavior::drawShapes,    Behavior::drawLinks,
        Behavior::linkShapes,     Behavior::linkTables,    Behavior::drawTables,
        Behavior::doNothing,      Behavior::custom,        Behavior::drawContainers,
        Behavior::linkContainers, Behavior::pan,           Behavior::drawTreeViews,
        Behavior::linkTreeViews,  Behavior::selectOnly,    Behavior::panAndModify,
        Behavior::moveNodes};
    for (unsigned seed = 1; seed <= 3 * modes.size(); ++seed) {
        const Behavior mode = modes[seed % modes.size()];
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        const auto number = [&](double low, double high) {
            return std::uniform_real_distribution<double>(low, high)(random);
        };
        const auto chance = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
        // Texts as a person types them: the reader trims blanks at the ends, so none are there.
        const auto words = [&] {
            std::string text = "w" + std::to_string(chance(100));
            if (chance(3) == 0) text += " and " + std::to_string(chance(10));
            return text;
        };
        Road r;
        Factory& f = *r.diagram->factory();
        f.createContainerNode(Rect(number(0, 200), number(0, 120), 80, 60));
        f.createTableNode(number(0, 200), number(0, 120), 60, 50);
        std::vector<std::shared_ptr<DiagramNode>> shapes;
        for (int i = 0; i < 5; ++i)
            shapes.push_back(f.createShapeNode(Rect(number(0, 260), number(0, 160), 30, 25)));
        for (int i = 0; i < 4; ++i)
            f.createDiagramLink(shapes[chance(5)], shapes[chance(5)]);
        for (int i = 0; i < 2; ++i) shapes[chance(5)]->setText(words());
        r.diagram->setAllowUnconnectedLinks(seed % 3 == 0);
        for (const auto& node : r.diagram->nodes()) node->setSelected(chance(3) == 0);
        r.diagram->links()[0]->setSelected(chance(2) == 0);
        r.view->setBehavior(mode);
        r.dispatcher().setMaxControllers(seed % 5 == 0 ? 2 : 1);

        // Handlers of the document shown that now and then, in the middle of a gesture or of an
        // edit, take an item out, add one, or read the document anew; and now and then a new
        // document is shown.
        bool meddling = false;
        // Whether a handler or a reload changed the document since its history was last checked.
        bool touched = true;
        const int meddleOdds = seed % 2 == 0 ? 3 : 12;
        const auto meddle = [&](Object& sender, int odds) {
            if (&sender != r.diagram.get() || meddling || chance(odds) != 0) return;
            meddling = true;
            touched = true;
            const auto items = r.diagram->items();
            const int what = chance(6);
            if (what == 0) {
                EXPECT_TRUE(copyInto(*r.diagram, *r.diagram));
            } else if (what == 1 || items.size() < 4) {
                r.diagram->factory()->createShapeNode(
                    Rect(number(0, 260), number(0, 160), 30, 25));
            } else {
                r.diagram->removeItem(items[chance(static_cast<int>(items.size()))]);
            }
            meddling = false;
        };
        const auto watch = [&](Diagram& d) {
            d.nodeCreating().add([&](Object& o, NodeValidationEventArgs&) { meddle(o, meddleOdds); });
            d.nodeModifying().add([&](Object& o, NodeValidationEventArgs&) { meddle(o, meddleOdds); });
            d.linkCreating().add([&](Object& o, LinkValidationEventArgs&) { meddle(o, meddleOdds); });
            d.linkModifying().add([&](Object& o, LinkValidationEventArgs&) { meddle(o, meddleOdds); });
            d.nodeModified().add([&](Object& o, NodeEventArgs&) { meddle(o, meddleOdds); });
            d.linkCreated().add([&](Object& o, LinkEventArgs&) { meddle(o, meddleOdds); });
            d.nodeClicked().add([&](Object& o, NodeEventArgs&) { meddle(o, meddleOdds); });
            d.nodeDeleting().add([&](Object& o, NodeValidationEventArgs&) { meddle(o, meddleOdds); });
            d.linkDeleting().add([&](Object& o, LinkValidationEventArgs&) { meddle(o, meddleOdds); });
            d.nodeTextEditing().add([&](Object& o, EditNodeTextEventArgs&) { meddle(o, 4); });
            d.nodeTextEdited().add([&](Object& o, EditNodeTextEventArgs&) { meddle(o, 4); });
            // Raised by nearly every change: rarely.
            d.repaint().add([&](Object& o, RepaintEventArgs&) { meddle(o, 25 * meddleOdds); });
        };
        watch(*r.diagram);
        const auto replace = [&] {
            touched = true;
            if (chance(2) == 0) {
                EXPECT_TRUE(copyInto(*r.diagram, *r.diagram));
                return;
            }
            auto fresh = std::make_shared<Diagram>();
            fresh->setUndoEnabled(true);
            EXPECT_TRUE(copyInto(*r.diagram, *fresh));
            watch(*fresh);
            r.view->setDiagram(fresh);
            r.diagram = fresh;
            r.view->setZoomLevel(100);
        };
        // After every event: nothing outside the document, and a saved file that reads back as
        // itself. Answers whether both hold. A text that was read back already is not read again:
        // what it reads back as depends on the text alone.
        std::string readable;
        std::vector<int> fingers;
        const auto wholeAndReadable = [&](int event) {
            Diagram& d = *r.diagram;
            // A drag under way may hold an end on the node under its finger, not yet listed there.
            const bool inside = whole(d, fingers.empty());
            EXPECT_TRUE(inside) << "event " << event;
            std::string text = d.saveToXmlString();
            if (text == readable) return inside;
            const std::string again = readText(text);
            EXPECT_TRUE(again == text) << "event " << event << "\n" << text << "\n----\n" << again;
            if (again != text) return false;
            readable = std::move(text);
            return inside;
        };
        // After each gesture that recorded steps, or that a handler or a reload meddled with:
        // its steps undo and redo to the same text; at the end the whole history does.
        std::size_t checked = 0;
        const auto undoesWhole = [&](bool all) {
            Diagram& d = *r.diagram;
            const std::size_t recorded = d.undoManager()->undoHistory().size();
            if (!all && !touched && recorded == checked) return;
            const int made = all || recorded <= checked ? 1 : static_cast<int>(recorded - checked);
            touched = false;
            checked = recorded;
            const std::string now = docText(d);
            const int steps = std::min(all ? INT_MAX : made, d.undoManager()->undoIndex() + 1);
            // The handlers keep still: a change of theirs would be no step of the history.
            meddling = true;
            for (int i = 0; i < steps; ++i) d.undo();
            for (int i = 0; i < steps; ++i) d.redo();
            meddling = false;
            EXPECT_TRUE(docText(d) == now);
        };
        // Points here and there, also beyond the view where the window itself takes them.
        const auto anywhere = [&] { return Point(number(-10, 390), number(-10, 260)); };
        // Where drags start: often on a node's middle or corner or on a link's point, where the
        // handles of the selection lie.
        const auto somewhere = [&] {
            const auto& nodes = r.diagram->nodes();
            const auto& links = r.diagram->links();
            const int where = chance(5);
            if (where <= 1 && !nodes.empty()) {
                const Rect b = nodes[chance(static_cast<int>(nodes.size()))]->bounds();
                return r.view->docToClient(where == 0 ? b.center() : Point(b.right(), b.bottom()));
            }
            if (where == 2 && !links.empty()) {
                const auto& points = links[chance(static_cast<int>(links.size()))]->controlPoints();
                if (!points.empty())
                    return r.view->docToClient(points[chance(static_cast<int>(points.size()))]);
            }
            return anywhere();
        };
        // Opens the edit of an item's text in place; the text is typed and now and then taken
        // at once, or given up; else a later event takes it or the edit stays open.
        const auto edit = [&] {
            const auto items = r.diagram->items();
            if (items.empty()) return;
            const auto& item = items[chance(static_cast<int>(items.size()))];
            const Rect b = item->getBounds();
            r.view->beginEdit(item, Point(b.x + number(0, b.width), b.y + number(0, b.height)));
            const auto field = r.view->editTextField();
            if (!field) return;
            field->setText(words());
            if (chance(2) == 0) finish(field, chance(3) == 0 ? 1 : 0);
        };

        // Takes the view out of its window, moves it into a new window, or lets its window go,
        // in the middle of whatever runs, then puts it back or into the new window: its fingers
        // are cancelled there and then, and nothing of their gestures may stay behind.
        const auto leaveWindow = [&] {
            auto fresh = platform::Window::create(Rect(0, 0, 400, 300));
            const int how = chance(3);
            if (how == 0)
                r.view->removeFromSuperview();
            else if (how == 1)
                fresh->addSubview(r.view);
            else
                r.window.reset();
            fingers.clear();
            EXPECT_TRUE(r.dispatcher().manipulators().empty());
            EXPECT_EQ(r.nesting(), 0);
            EXPECT_TRUE(tidy(*r.diagram));
            if (how == 0 && chance(2) == 0) {
                r.window->addSubview(r.view);
                return;
            }
            r.window = fresh;
            r.window->addSubview(r.view);
        };
        int nextId = 1;
        for (int event = 0; event < 400; ++event) {
            const bool held = !fingers.empty();
            const int what = chance(11);
            if (chance(60) == 0) {
                replace();
            } else if (chance(40) == 0) {
                leaveWindow();
            } else if (what <= 1 && fingers.size() < 3) {
                fingers.push_back(nextId);
                r.down(nextId++, somewhere());
                if (chance(2) == 0) r.advance(0.05);
            } else if (what <= 4 && !fingers.empty()) {
                const int id = fingers[chance(static_cast<int>(fingers.size()))];
                r.move(id, anywhere());
            } else if (what == 5 && fingers.size() >= 2) {
                r.window->fingersMove({{fingers[0], anywhere()}, {fingers[1], anywhere()}});
            } else if (what == 6 && !fingers.empty()) {
                const std::size_t i = chance(static_cast<int>(fingers.size()));
                r.up(fingers[i], anywhere());
                fingers.erase(fingers.begin() + static_cast<long>(i));
            } else if (what == 7 && !fingers.empty()) {
                const std::size_t i = chance(static_cast<int>(fingers.size()));
                r.cancel(fingers[i]);
                fingers.erase(fingers.begin() + static_cast<long>(i));
            } else if (what == 8) {
                r.advance(chance(4) == 0 ? 2.05 : number(0.01, 0.3));
            } else if (what == 9 && chance(4) == 0) {
                if (const auto field = r.view->editTextField())
                    finish(field, chance(3) == 0 ? 1 : 0);
                else
                    edit();
            } else if (!fingers.empty()) {
                r.tap(nextId++, somewhere());
            }
            if (fingers.empty() && !r.view->editTextField() && chance(25) == 0) {
                meddling = true;
                refillTrees(*r.diagram, random);
                meddling = false;
                touched = true;
            }
            if (!wholeAndReadable(event)) break;
            // Once the last finger is lifted nothing of the gesture may stay open.
            if (fingers.empty()) {
                EXPECT_TRUE(r.dispatcher().manipulators().empty());
                EXPECT_EQ(r.nesting(), 0);
                if (held) undoesWhole(false);
            }
        }
        for (const int id : fingers) r.up(id, anywhere());
        r.advance(1.5);
        if (const auto field = r.view->editTextField()) finish(field, 0);

        EXPECT_TRUE(r.dispatcher().manipulators().empty());
        EXPECT_EQ(r.dispatcher().controllersCount(), 0);
        EXPECT_EQ(r.nesting(), 0);
        EXPECT_FALSE(r.view->menu());
        for (const auto& sub : r.view->subviews())
            EXPECT_EQ(std::dynamic_pointer_cast<RadialMenu>(sub), nullptr);
        wholeAndReadable(-1);
        undoesWhole(true);
        // The next change is a step of its own.
        meddling = true;
        undoable(r, [&] { r.diagram->factory()->createShapeNode(Rect(5, 5, 10, 10)); });
    }
}
