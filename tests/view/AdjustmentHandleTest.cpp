#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "Nodeloom/view/AdjustmentHandle.h"

using namespace nodeloom;

namespace {

NodeHandleType handleAt(const Rect& rect, const Point& p, double tolerance = 15) {
    auto handle = getNodeHandleAt(nullptr, rect, p, tolerance);
    return handle ? handle->nodeHandleType() : NodeHandleType::none;
}

Rect drag(NodeHandleType type, const Rect& r, double dx, double dy) {
    return NodeAdjustmentHandle(nullptr, type).updateBounds(r, Point(3, 4), Point(3 + dx, 4 + dy));
}

}  // namespace

TEST(NodeHandleFinder, PicksTheNearestOfTheNineHandlePoints) {
    const Rect r(0, 0, 100, 60);
    using T = NodeHandleType;
    EXPECT_EQ(handleAt(r, Point(50, 30)), T::move);
    EXPECT_EQ(handleAt(r, Point(1, 1)), T::resizeTopLeft);
    EXPECT_EQ(handleAt(r, Point(99, 1)), T::resizeTopRight);
    EXPECT_EQ(handleAt(r, Point(1, 59)), T::resizeBottomLeft);
    EXPECT_EQ(handleAt(r, Point(101, 61)), T::resizeBottomRight);
    EXPECT_EQ(handleAt(r, Point(-1, 30)), T::resizeLeft);
    EXPECT_EQ(handleAt(r, Point(100, 31)), T::resizeRight);
    EXPECT_EQ(handleAt(r, Point(50, 0)), T::resizeTop);
    EXPECT_EQ(handleAt(r, Point(52, 60)), T::resizeBottom);
    // Halfway between the top-left corner and the middle of the left side: the corner wins.
    EXPECT_EQ(handleAt(r, Point(0, 15), 1000), T::resizeTopLeft);
}

TEST(NodeHandleFinder, ComparesTheSquaredDistanceWithTheTolerance) {
    const Rect r(0, 0, 100, 60);
    EXPECT_EQ(getNodeHandleAt(nullptr, r, Point(104, 60), 15), nullptr);        // 16 > 15
    EXPECT_EQ(handleAt(r, Point(103, 60)), NodeHandleType::resizeBottomRight);  // 9
    EXPECT_EQ(handleAt(r, Point(0, 4), 16), NodeHandleType::resizeTopLeft);     // equal is within
    EXPECT_EQ(getNodeHandleAt(nullptr, r, Point(NAN, 0), 15), nullptr);
    EXPECT_EQ(getNodeHandleAt(nullptr, r, Point(0, 0), NAN), nullptr);
    EXPECT_EQ(getNodeHandleAt(nullptr, Rect(NAN, 0, 1, 1), Point(0, 0), 15), nullptr);
}

TEST(NodeHandle, ResizeArithmeticKeepsTheOppositeSide) {
    const Rect r(10, 20, 100, 50);
    using T = NodeHandleType;
    EXPECT_EQ(drag(T::move, r, 5, -5), Rect(15, 15, 100, 50));
    EXPECT_EQ(drag(T::resizeTopLeft, r, 5, 5), Rect(15, 25, 95, 45));
    EXPECT_EQ(drag(T::resizeTop, r, 5, 5), Rect(10, 25, 100, 45));
    EXPECT_EQ(drag(T::resizeTopRight, r, 5, 5), Rect(10, 25, 105, 45));
    EXPECT_EQ(drag(T::resizeRight, r, 5, 5), Rect(10, 20, 105, 50));
    EXPECT_EQ(drag(T::resizeBottomRight, r, 5, 5), Rect(10, 20, 105, 55));
    EXPECT_EQ(drag(T::resizeBottom, r, 5, 5), Rect(10, 20, 100, 55));
    EXPECT_EQ(drag(T::resizeBottomLeft, r, 5, 5), Rect(15, 20, 95, 55));
    EXPECT_EQ(drag(T::resizeLeft, r, 5, 5), Rect(15, 20, 95, 50));
    // Past the opposite side the width turns negative; the caller deals with it.
    EXPECT_EQ(drag(T::resizeRight, r, -150, 0).width, -50);

    testing::internal::CaptureStdout();
    EXPECT_EQ(drag(T::rotate, r, 5, 5), r);
    EXPECT_EQ(drag(T::none, r, 5, 5), r);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "default is not implemented!\ndefault is not implemented!\n");
}

TEST(NodeHandle, OnlyTheEightResizeTypesResize) {
    for (int raw = -1; raw <= 9; ++raw) {
        const auto type = fromRaw<NodeHandleType>(raw);
        ASSERT_TRUE(type.has_value());
        EXPECT_EQ(NodeAdjustmentHandle(nullptr, *type).isResizeHandle(), raw >= 1 && raw <= 8);
    }
    EXPECT_FALSE(LinkAdjustmentHandle(nullptr).isResizeHandle());
    EXPECT_EQ(fromRaw<NodeHandleType>(10), std::nullopt);
    EXPECT_EQ(fromRaw<NodeHandleType>(-2), std::nullopt);
}

TEST(LinkHandleFinder, NearestPointWithinTheReach) {
    const std::vector<Point> points{Point(0, 0), Point(50, 0), Point(100, 0)};
    // The reach, 25 millimetres in points (about 70.87), bounds the squared distance.
    auto h = getLinkHandleAt(nullptr, points, Point(48, 8));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->pointIndex(), 1);
    EXPECT_EQ(getLinkHandleAt(nullptr, points, Point(50, 8.4))->pointIndex(), 1);  // 70.56
    EXPECT_EQ(getLinkHandleAt(nullptr, points, Point(50, 8.5)), nullptr);          // 72.25
    EXPECT_EQ(getLinkHandleAt(nullptr, {}, Point(0, 0)), nullptr);
    EXPECT_EQ(getLinkHandleAt(nullptr, points, Point(NAN, 0)), nullptr);

    // Equal distances keep the earlier point.
    EXPECT_EQ(getLinkHandleAt(nullptr, {Point(0, 0), Point(2, 0)}, Point(1, 0))->pointIndex(), 0);
    // A later point replaces a first point that was outside the reach.
    EXPECT_EQ(getLinkHandleAt(nullptr, {Point(0, 0), Point(20, 0)}, Point(19, 0))->pointIndex(), 1);
}
