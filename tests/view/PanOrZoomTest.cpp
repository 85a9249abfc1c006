#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/view/DiagramView.h"
#include "Nodeloom/view/PanOrZoomController.h"

using namespace nodeloom;

namespace {

// Two fingers on a 300 by 200 view of a document in points, fed as the dispatcher feeds them:
// view points turned into document points with the scroll and zoom of the moment.
struct Fingers {
    std::shared_ptr<DiagramView> view = pointView();
    PanOrZoomController controller{view};

    static std::shared_ptr<DiagramView> pointView() {
        auto view = DiagramView::create(Rect(0, 0, 300, 200));
        view->diagram()->setMeasureUnit(MeasureUnit::Point());
        return view;
    }
    Fingers(Point a, Point b) {
        controller.onTouchDown(view->clientToDoc(a), view->clientToDoc(b));
    }
    void move(Point a, Point b) {
        controller.onTouchMove(view->clientToDoc(a), view->clientToDoc(b));
    }
    Rect visible() const { return view->clientToDocRect(view->bounds()); }
};

}  // namespace

TEST(PanOrZoomController, NothingHappensUntilBothFingersTravelledThirtyPoints) {
    Fingers f(Point(100, 100), Point(200, 100));
    f.move(Point(120, 100), Point(220, 100));
    f.move(Point(140, 100), Point(220, 100));
    EXPECT_EQ(f.view->scrollX(), 0);
    EXPECT_FALSE(f.controller.decided());
    // Parallel fingers pan by the first finger's travel.
    f.move(Point(140, 90), Point(240, 90));
    EXPECT_DOUBLE_EQ(f.view->scrollX(), -40);
    EXPECT_DOUBLE_EQ(f.view->scrollY(), 10);
    EXPECT_EQ(f.view->zoomLevel(), 100);
}

TEST(PanOrZoomController, SpreadingAndPinchingScaleTheViewportAboutItsCentre) {
    {
        Fingers f(Point(100, 100), Point(200, 100));
        f.move(Point(50, 100), Point(250, 100));
        EXPECT_NEAR(f.visible().width, 300 * 150.0 / 200, 1e-9);
        EXPECT_NEAR(f.visible().center().x, 150, 1e-9);
        EXPECT_NEAR(f.visible().center().y, 100, 1e-9);
    }
    {
        Fingers f(Point(50, 100), Point(250, 100));
        f.move(Point(100, 140), Point(200, 140));
        EXPECT_NEAR(f.visible().width, 300 * 150.0 / 100, 1e-9);
        EXPECT_NEAR(f.visible().height, 200 * 150.0 / 100, 1e-9);
    }
}

TEST(PanOrZoomController, TheFirstDecisionHoldsUntilTheFingersAreLifted) {
    Fingers pan(Point(100, 100), Point(200, 100));
    pan.move(Point(140, 100), Point(240, 100));
    pan.move(Point(0, 100), Point(290, 100));
    EXPECT_EQ(pan.view->zoomLevel(), 100);

    Fingers zoom(Point(100, 100), Point(200, 100));
    zoom.move(Point(40, 100), Point(260, 100));
    const double zoomed = zoom.view->zoomLevel();
    EXPECT_GT(zoomed, 100);
    // Back inside the band: the zoom stays, and nothing pans.
    const double scrollX = zoom.view->scrollX();
    zoom.move(Point(60, 160), Point(160, 160));
    EXPECT_EQ(zoom.view->zoomLevel(), zoomed);
    EXPECT_EQ(zoom.view->scrollX(), scrollX);
}

TEST(PanOrZoomController, AMissingOrTouchingFingerChangesNothing) {
    Fingers f(Point(100, 100), Point(200, 100));
    f.controller.onTouchMove(f.view->clientToDoc(Point(10, 10)), Point(0, 0));
    EXPECT_FALSE(f.controller.decided());
    f.move(Point(150, 150), Point(150, 150));
    f.move(Point(150, 150), Point(150, 150 + 1e-9));
    EXPECT_EQ(f.view->zoomLevel(), 100);
    EXPECT_EQ(f.view->scrollX(), 0);
    EXPECT_EQ(f.view->scrollY(), 0);
}
