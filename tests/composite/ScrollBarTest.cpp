#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "Nodeloom/composite/ScrollBar.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/ScrollNodeCommand.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/items/Scrollable.h"
#include "foundation/Pixels.h"

using namespace nodeloom;

namespace {

// A scrolling node whose answers the test sets; it remembers every position it was given.
class FakeScrollNode : public DiagramNode, public Scrollable {
public:
    double getMaxScrollPos() override { return maxScroll; }
    double getCurrentScrollPos() override { return current; }
    void setCurrentScrollPos(double pos) override {
        current = pos;
        given.push_back(pos);
    }
    double getCaptionHeight() override { return caption; }
    bool integralScrollMode() override { return integral; }
    double getHeightOfCompletelyVisibleItems() override { return 0; }
    int getNumberOfLastVisibleItems() override { return lastVisible; }
    int getItemsNumber() override { return items; }

    double maxScroll = 0;
    double current = 0;
    double caption = 0;
    bool integral = false;
    int lastVisible = 0;
    int items = 0;
    std::vector<double> given;
};

struct Fixture {
    // A node 20 wide and 100 high at (0, 0), without a document.
    Fixture() : node(std::make_shared<FakeScrollNode>()), bar(node) {
        node->_setBounds(Rect(0, 0, 20, 100));
    }
    // Integral mode with items - lastVisible rows to scroll.
    void rows(int items, int lastVisible) {
        node->integral = true;
        node->items = items;
        node->lastVisible = lastVisible;
    }
    // A drag of the thumb's top from one track height to another.
    void drag(double from, double to) {
        bar.setYScrollPosition(from);
        const double top = bar.position().y;
        bar.onTouchDown(Point(5, top + from));
        bar.onTouchMove(Point(5, top + to));
        bar.onTouchUp(Point(5, top + to));
    }

    std::shared_ptr<FakeScrollNode> node;
    ScrollBar bar;
};

}  // namespace

TEST(ScrollBar, GeometryFollowsTheNodeInItsDocumentsUnit) {
    Fixture f;
    EXPECT_EQ(f.bar.yScrollPosition(), -1);
    EXPECT_EQ(f.bar.diameter(), 2);
    EXPECT_EQ(f.bar.width(), 2.5);  // outside a document: millimetres

    auto diagram = std::make_shared<Diagram>();
    diagram->addItem(f.node);
    diagram->setMeasureUnit(MeasureUnit::Millimeter());
    EXPECT_DOUBLE_EQ(f.bar.width(), 2.5);
    diagram->setMeasureUnit(MeasureUnit::Point());
    EXPECT_DOUBLE_EQ(f.bar.width(), 2.5 * 72 / 25.4);

    diagram->setMeasureUnit(MeasureUnit::Millimeter());
    f.node->_setBounds(Rect(10, 20, 50, 110));
    f.node->caption = 10;
    EXPECT_EQ(f.bar.height(), 100);
    EXPECT_EQ(f.bar.position(), Point(47.5, 10));
    EXPECT_EQ(f.bar.localBounds(), Rect(47.5, 10, 2.5, 100));
    EXPECT_EQ(f.bar.globalBounds(), Rect(57.5, 30, 2.5, 100));

    f.rows(9, 5);
    EXPECT_DOUBLE_EQ(f.bar.scrollHeight(), 19.6);
    f.node->integral = false;
    f.node->maxScroll = 440;
    EXPECT_DOUBLE_EQ(f.bar.scrollHeight(), 100.0 * 110 / 440 - 2);

    // The second constructor keeps none of the geometry it is given.
    ScrollBar other(f.node, Point(1, 2), 7, 8, nullptr, nullptr, nullptr, Colors::Black(),
                    Colors::Black());
    EXPECT_EQ(other.yScrollPosition(), 0);
    EXPECT_EQ(other.localBounds(), f.bar.localBounds());
}

TEST(ScrollBar, IntegralDragCountsRowStopsByDirection) {
    Fixture f;
    f.rows(9, 5);  // 4 rows to scroll: thumb 19.6, stops 0, 19.6, 39.2, ...
    f.drag(0, 30);
    EXPECT_EQ(f.node->current, 2);
    f.drag(70, 30);
    EXPECT_EQ(f.node->current, 2);
    f.drag(70, 39.2);
    EXPECT_EQ(f.node->current, 2);
    f.drag(0, 39.2);
    EXPECT_EQ(f.node->current, 3);
    EXPECT_EQ(f.bar.yScrollPosition(), 39.2);

    // Past either end the thumb stops at the end of its track: q less no stops beyond it at the
    // bottom, 0 at the top.
    f.drag(0, 500);
    EXPECT_DOUBLE_EQ(f.bar.yScrollPosition(), 100 - 19.6 - 2);
    EXPECT_EQ(f.node->current, 5);
    f.drag(78.4, -500);
    EXPECT_EQ(f.bar.yScrollPosition(), 0);
    EXPECT_EQ(f.node->current, 0);
    // Drawing leaves a row-by-row thumb where the drag put it.
    f.drag(0, 30);
    f.node->current = 0;
    f.bar.updateScrollPosition();
    EXPECT_EQ(f.bar.yScrollPosition(), 30);
}

TEST(ScrollBar, ContinuousDragMapsTheTrackOntoTheScrollRange) {
    Fixture f;
    f.node->maxScroll = 400;  // thumb 100 * 100 / 400 - 2 = 23, free track 75, range 300
    f.drag(0, 37.5);
    EXPECT_DOUBLE_EQ(f.node->current, 150);
    f.drag(37.5, 1000);
    EXPECT_DOUBLE_EQ(f.bar.yScrollPosition(), 75);
    EXPECT_DOUBLE_EQ(f.node->current, 300);
    f.drag(75, -1000);
    EXPECT_EQ(f.node->current, 0);

    f.node->current = 60;
    f.bar.updateScrollPosition();
    EXPECT_DOUBLE_EQ(f.bar.yScrollPosition(), 15);

    // Only the change of the finger's height counts, wherever on the bar it went down.
    f.bar.setYScrollPosition(10);
    f.bar.onTouchDown(Point(3, 40));
    f.bar.onTouchMove(Point(9, 55));
    EXPECT_DOUBLE_EQ(f.bar.yScrollPosition(), 25);
    f.bar.onTouchUp(Point(9, 55));
    EXPECT_FALSE(f.bar.drag());
    // Moves after the release do nothing.
    f.bar.onTouchMove(Point(9, 90));
    EXPECT_DOUBLE_EQ(f.bar.yScrollPosition(), 25);
}

TEST(ScrollBar, OneDragIsOneUndoStepBackToTheStart) {
    Fixture f;
    auto diagram = std::make_shared<Diagram>();
    diagram->addItem(f.node);
    f.node->maxScroll = 400;
    f.node->current = 30;

    // Without undo the drag scrolls and records nothing.
    f.drag(7.5, 37.5);
    EXPECT_DOUBLE_EQ(f.node->current, 150);
    EXPECT_EQ(f.bar.undoRecord(), nullptr);

    diagram->setUndoEnabled(true);
    f.bar.onTouchDown(Point(5, 37.5));
    for (int i = 1; i <= 20; ++i)
        f.bar.onTouchMove(Point(5, 37.5 + i));
    f.bar.onTouchUp(Point(5, 57.5));
    EXPECT_DOUBLE_EQ(f.node->current, 230);
    ASSERT_EQ(diagram->undoManager()->undoHistory().size(), 1u);
    EXPECT_EQ(diagram->undoManager()->undoHistory()[0]->name(), "CompositeCommand");

    // A second release without a new touch records nothing more.
    f.bar.onTouchUp(Point(5, 57.5));
    EXPECT_EQ(diagram->undoManager()->undoHistory().size(), 1u);

    diagram->undoManager()->undo();
    EXPECT_DOUBLE_EQ(f.node->current, 150);
    diagram->undoManager()->redo();
    EXPECT_DOUBLE_EQ(f.node->current, 230);
}

TEST(ScrollBar, NeverStoresOrGivesAPositionThatIsNotANumber) {
    // An empty tree: no scroll range, the thumb longer than anything.
    Fixture f;
    f.bar.setYScrollPosition(4);
    f.bar.updateScrollPosition();
    f.drag(4, 50);
    EXPECT_EQ(f.bar.yScrollPosition(), 4);
    EXPECT_TRUE(f.node->given.empty());

    // Content exactly as long as the view: the range is 0.
    f.node->maxScroll = 100;
    f.bar.updateScrollPosition();
    f.drag(4, 50);
    EXPECT_EQ(f.bar.yScrollPosition(), 4);
    EXPECT_TRUE(f.node->given.empty());

    // Rows that all fit leave the thumb no room; so do no rows at all, and a track shorter than
    // the thumb's ends.
    for (auto [items, last] : {std::pair{3, 3}, std::pair{0, 0}, std::pair{2, 5}}) {
        f.rows(items, last);
        f.drag(4, 50);
        EXPECT_EQ(f.bar.yScrollPosition(), 4);
    }
    f.rows(9, 5);
    f.node->caption = 99;
    f.drag(4, 50);
    EXPECT_EQ(f.bar.yScrollPosition(), 4);
    EXPECT_TRUE(f.node->given.empty());

    // Fingers that are not at a number.
    f.node->caption = 0;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    f.bar.onTouchDown(Point(5, nan));
    EXPECT_FALSE(f.bar.drag());
    f.bar.onTouchDown(Point(5, 4));
    f.bar.onTouchMove(Point(5, nan));
    f.bar.onTouchMove(Point(5, std::numeric_limits<double>::infinity()));
    EXPECT_EQ(f.bar.yScrollPosition(), 4);
    EXPECT_TRUE(f.node->given.empty());
}

TEST(ScrollBar, RandomDragsKeepTheThumbInItsTrack) {
    std::mt19937 random(24);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int run = 0; run < 300; ++run) {
        Fixture f;
        f.node->_setBounds(Rect(0, 0, 20, 5 + 300 * unit(random)));
        f.node->caption = std::floor(20 * unit(random));
        if (unit(random) < 0.5) {
            const int items = static_cast<int>(40 * unit(random));
            f.rows(items, static_cast<int>((items + 1) * unit(random)));
        } else {
            f.node->maxScroll = run % 7 == 0 ? 0 : 1000 * unit(random);
        }
        const double h = f.bar.height();
        const double thumb = f.bar.scrollHeight();
        double y = f.bar.position().y + h * unit(random);
        f.bar.onTouchDown(Point(5, y));
        for (int move = 0; move < 30; ++move) {
            y += (unit(random) - 0.5) * 2 * h;
            f.bar.onTouchMove(Point(5, y));
            const double top = f.bar.yScrollPosition();
            ASSERT_TRUE(std::isfinite(top));
            if (f.node->given.empty()) continue;
            ASSERT_GE(top, 0);
            if (thumb + f.bar.diameter() <= h) {
                ASSERT_LE(top + thumb + f.bar.diameter(), h + 1e-9);
            }
        }
        f.bar.onTouchUp(Point(5, y));
        for (double pos : f.node->given) {
            ASSERT_TRUE(std::isfinite(pos));
            if (f.node->integral) {
                // At most one stop per row to scroll past the first, and never past the last row.
                ASSERT_GE(pos, 0);
                ASSERT_LE(pos, f.node->items - f.node->lastVisible + 1);
                ASSERT_LE(pos, std::max(f.node->items - 1, 0));
                ASSERT_EQ(pos, std::floor(pos));
            }
        }
    }
}

namespace {

// The bar of a point document drawn at 4 pixels a point: the track spans x 51.7 to 80, and the
// thumb a little less.
struct DrawnBar {
    DrawnBar(Fixture& f, std::shared_ptr<Brush> thumb) : px(80, 400), canvas(px.cr()) {
        f.node->setDiagram(diagram);
        diagram->setMeasureUnit(MeasureUnit::Point());
        canvas.scaleTransform(4);
        f.bar.setScrollOnMouseOutBrush(std::move(thumb));
        f.bar.draw(canvas);
    }
    bool red(int x, int y) const {
        return px.alpha(x, y) == 255 && px.red(x, y) > 200 && px.green(x, y) < 60;
    }
    int redRows(int x) const {
        int n = 0;
        for (int y = 0; y < 400; ++y)
            n += red(x, y) ? 1 : 0;
        return n;
    }
    std::shared_ptr<Diagram> diagram = std::make_shared<Diagram>();
    Pixels px;
    Canvas canvas;
};

}  // namespace

TEST(ScrollBar, DrawsTheThumbOnlyWhenTheContentDoesNotFit) {
    Fixture f;
    f.node->maxScroll = 400;
    f.node->current = 150;  // thumb top 37.5, length 23
    const auto red = std::make_shared<SolidColorBrush>(Colors::Red());
    {
        DrawnBar drawn(f, red);
        EXPECT_DOUBLE_EQ(f.bar.yScrollPosition(), 37.5);
        EXPECT_TRUE(drawn.red(66, 4 * 50));
        EXPECT_FALSE(drawn.red(66, 4 * 30));
        EXPECT_FALSE(drawn.red(66, 4 * 65));
        // The track's grey outline.
        EXPECT_GT(drawn.px.alpha(66, 1), 0);
        EXPECT_NEAR(drawn.redRows(66), 4 * 23, 8);
    }
    f.node->maxScroll = 80;  // shorter than the node
    {
        DrawnBar drawn(f, red);
        EXPECT_EQ(drawn.redRows(66), 0);
        EXPECT_GT(drawn.px.alpha(66, 1), 0);
    }
    f.node->maxScroll = 400;
    {
        // A missing thumb brush draws no thumb.
        DrawnBar drawn(f, nullptr);
        EXPECT_EQ(drawn.px.alpha(66, 4 * 50), 0);
        EXPECT_GT(drawn.px.alpha(66, 1), 0);
    }
}

TEST(ScrollBar, AnItemThatDoesNotScrollHasAnInertBar) {
    auto plain = std::make_shared<DiagramNode>();
    ScrollBar bar(plain);
    EXPECT_TRUE(bar.needsDragEvents(Point()));
    bar.onTouchDown(Point(1, 1));
    EXPECT_FALSE(bar.drag());
    bar.onTouchMove(Point(1, 50));
    bar.updateScrollPosition();
    EXPECT_EQ(bar.yScrollPosition(), -1);
    Pixels px(10, 10);
    Canvas canvas(px.cr());
    bar.draw(canvas);
    EXPECT_EQ(px.ink().count, 0);
}
