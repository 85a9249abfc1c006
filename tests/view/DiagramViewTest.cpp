#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/platform/Coder.h"
#include "Nodeloom/platform/ImageSurface.h"
#include "Nodeloom/platform/NotificationCenter.h"
#include "Nodeloom/platform/Timer.h"
#include "Nodeloom/view/BehaviorBase.h"
#include "Nodeloom/view/TouchInputController.h"
#include "ViewTestSupport.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A view of a document measured in points, so that at zoom 100 one unit is one view point.
std::shared_ptr<DiagramView> pointView(const Rect& frame = Rect(0, 0, 300, 200)) {
    auto view = DiagramView::create(frame);
    view->diagram()->setMeasureUnit(MeasureUnit::Point());
    view->diagram()->setBounds(Rect(0, 0, 1000, 1000));
    return view;
}

std::shared_ptr<ShapeNode> addNode(Diagram& d, const Rect& bounds) {
    auto node = std::make_shared<ShapeNode>();
    node->_setBounds(bounds);
    d.addItem(node);
    return node;
}

void expectNear(const Point& a, const Point& b) {
    EXPECT_NEAR(a.x, b.x, 1e-9);
    EXPECT_NEAR(a.y, b.y, 1e-9);
}

class DrawCounter : public TouchInputController {
public:
    void draw(Canvas&) override { ++draws; }
    int draws = 0;
};

bool isRed(const platform::ImageSurface& image, int x, int y) {
    cairo_surface_flush(image.surface());
    const unsigned char* row = cairo_image_surface_get_data(image.surface()) +
                               y * cairo_image_surface_get_stride(image.surface());
    const unsigned char* px = row + x * 4;
    return px[2] > 200 && px[1] < 50 && px[0] < 50;
}

}  // namespace

TEST(DiagramView, MadeFromTheDocumentsBoundsAFrameOrAnArchive) {
    auto view = DiagramView::create();
    EXPECT_EQ(view->frame(), Rect(0, 0, 210, 297));
    EXPECT_EQ(DiagramView::create(platform::Coder()), nullptr);
    EXPECT_EQ(DiagramView::create(platform::Coder(Rect(1, 2, 30, 40)))->frame(),
              Rect(1, 2, 30, 40));
}

TEST(DiagramView, ZoomRescalesTheThresholdAndRefusesZoomsThatAreNotPositive) {
    auto view = DiagramView::create();
    view->setZoomLevel(200);
    EXPECT_DOUBLE_EQ(view->diagram()->threshold(), 9.5);
    for (const double bad : {0.0, -50.0, kNaN, kInf}) {
        view->setZoomLevel(bad);
        EXPECT_EQ(view->zoomLevel(), 200);
        EXPECT_DOUBLE_EQ(view->diagram()->threshold(), 9.5);
    }
    auto other = std::make_shared<Diagram>();
    other->setThreshold(4);
    view->setDiagram(other);
    EXPECT_EQ(other->threshold(), 4);
}

TEST(DiagramView, ConversionsAgreeWithEachOther) {
    auto view = DiagramView::create(Rect(0, 0, 300, 200));
    // Millimetres: 72 / 25.4 view points per unit.
    expectNear(view->clientToDoc(Point(7200 / 25.4, 0)), Point(100, 0));
    view->setZoomLevel(37);
    view->setScrollX(12);
    view->setScrollY(-8);
    expectNear(view->docToClient(view->clientToDoc(Point(150, -75))), Point(150, -75));
    const double factor = view->docToClientRect(Rect(0, 0, 1, 1)).width;
    EXPECT_NEAR(view->clientToDocLen(50) * factor, 50, 1e-9);
    EXPECT_NEAR(view->clientToDocRect(Rect(30, 40, 50, 60)).height * factor, 60, 1e-9);
}

TEST(DiagramView, ZoomToRectFitsTheRectangleAtTheTopLeftCorner) {
    auto view = pointView();
    view->zoomToRect(Rect(10, 20, 150, 50));
    EXPECT_DOUBLE_EQ(view->zoomLevel(), 200);
    EXPECT_EQ(view->scrollX(), 10);
    EXPECT_EQ(view->scrollY(), 20);
    // Twice as wide as high relative to the view: the width decides.
    view->zoomToRect(Rect(0, 0, 600, 200));
    EXPECT_DOUBLE_EQ(view->zoomLevel(), 50);
    for (const Rect& bad :
         {Rect(1, 1, 0, 0), Rect(1, 1, -10, 5), Rect(kNaN, 0, 10, 10), Rect(0, 0, kInf, kInf)}) {
        view->zoomToRect(bad);
        EXPECT_EQ(view->zoomLevel(), 50);
        EXPECT_EQ(view->scrollX(), 0);
    }
}

TEST(DiagramView, BringIntoViewCentresAnItemOutOfSightWithinTheDocument) {
    auto view = pointView();
    auto& d = *view->diagram();
    auto inside = addNode(d, Rect(10, 10, 20, 20));
    auto far = addNode(d, Rect(500, 600, 20, 20));
    view->bringIntoView(*inside);
    EXPECT_EQ(view->scrollX(), 0);
    EXPECT_EQ(view->scrollY(), 0);
    view->bringIntoView(*far);
    const Rect r = far->getRepaintRect();
    EXPECT_DOUBLE_EQ(view->scrollX(), r.x + r.width / 2 - 150);
    EXPECT_DOUBLE_EQ(view->scrollY(), r.y + r.height / 2 - 100);
    // Back near the corner: never scrolled past the document's left or top edge.
    view->bringIntoView(*inside);
    EXPECT_EQ(view->scrollX(), 0);
    EXPECT_EQ(view->scrollY(), 0);
}

TEST(DiagramView, GetNodeAtFollowsTheNodeListNotTheZOrder) {
    auto view = pointView();
    auto first = addNode(*view->diagram(), Rect(0, 0, 50, 50));
    auto second = addNode(*view->diagram(), Rect(25, 25, 50, 50));
    second->setZIndex(10);
    EXPECT_EQ(view->getNodeAt(Point(30, 30)), first);
    EXPECT_EQ(view->getNodeAt(Point(300, 300)), nullptr);
}

TEST(DiagramView, ABehaviourIsRebuiltOnlyForANewMode) {
    auto view = DiagramView::create();
    const auto built = view->currentBehavior();
    view->setBehavior(Behavior::linkShapes);
    EXPECT_EQ(view->currentBehavior(), built);
    view->setBehavior(Behavior::pan);
    EXPECT_NE(view->currentBehavior(), built);
    EXPECT_EQ(view->currentBehavior()->diagramView(), view);
}

TEST(DiagramView, RepaintsFollowTheDocumentShown) {
    auto view = pointView();
    view->setScrollX(10);
    view->setZoomLevel(200);
    auto old = view->diagram();
    view->clearDisplayRequests();
    old->invalidate(Rect(20, 30, 5, 5));
    ASSERT_EQ(view->displayRequests().size(), 1u);
    EXPECT_EQ(view->displayRequests()[0], std::optional<Rect>(Rect(20, 60, 10, 10)));
    old->invalidate();
    EXPECT_EQ(view->displayRequests().back(), std::nullopt);

    auto next = std::make_shared<Diagram>();
    view->setDiagram(next);
    view->clearDisplayRequests();
    old->invalidate();
    EXPECT_TRUE(view->displayRequests().empty());

    // A host that emptied the list and subscribed anew keeps its handler when the view leaves.
    next->unsubFromAllEvents();
    int hostCalls = 0;
    next->repaint() += [&hostCalls](Object&, RepaintEventArgs&) { ++hostCalls; };
    view->setDiagram(old);
    next->invalidate();
    EXPECT_EQ(hostCalls, 1);
}

TEST(DiagramView, DrawsTheDocumentThroughItsViewportThenTheControllers) {
    Screen s;
    s.window->setScale(1);
    auto& d = *s.view->diagram();
    d.setMeasureUnit(MeasureUnit::Point());
    auto node = addNode(d, Rect(50, 50, 20, 20));
    node->setBrush(std::make_shared<SolidColorBrush>(Colors::Red()));
    s.view->setScrollX(40);
    s.view->setScrollY(40);
    s.view->setZoomLevel(200);
    auto counter = std::make_shared<DrawCounter>();
    auto item = std::make_shared<TouchInputDispatcher::TouchItem>(s.view, nullptr);
    item->setController(counter);
    s.view->touchInputDispatcher()->manipulators().push_back(item);

    const auto image = s.view->renderImage();
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(isRed(*image, 23, 57));
    EXPECT_FALSE(isRed(*image, 10, 40));
    EXPECT_FALSE(isRed(*image, 70, 40));
    EXPECT_EQ(counter->draws, 1);
    // Without a drawing context nothing is drawn.
    s.view->draw(s.view->bounds());
    EXPECT_EQ(counter->draws, 1);
}

TEST(DiagramView, ReleasedItLeavesNoTimerObserverOrHandlerBehind) {
    auto view = DiagramView::create(Rect(0, 0, 300, 200));
    auto diagram = view->diagram();
    auto touch = std::make_shared<platform::Touch>(1, Point(10, 10), view,
                                                   std::weak_ptr<platform::Window>());
    auto event = std::make_shared<platform::TouchEvent>(platform::TouchSet{touch});
    view->touchesBegan({touch}, event);
    const auto longPress = view->longPressTimer();
    const auto wait = view->waitForSecondTouchTimer();
    ASSERT_TRUE(longPress && wait && longPress->isValid() && wait->isValid());

    const std::weak_ptr<DiagramView> weak = view;
    view.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_FALSE(longPress->isValid());
    EXPECT_FALSE(wait->isValid());
    platform::NotificationCenter::defaultCenter().post(
        platform::NotificationCenter::keyboardWillShowNotification);
    diagram->invalidate();
    const std::weak_ptr<Diagram> weakDiagram = diagram;
    diagram.reset();
    EXPECT_TRUE(weakDiagram.expired());
}
