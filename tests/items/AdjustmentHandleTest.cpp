#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "Nodeloom/items/AdjustmentHandle.h"

using namespace nodeloom;

namespace {

NodeHandleType handleAt(const Rect& rect, const Point& p, double tolerance = 15) {
    auto handle = getNodeHandleAt(nullptr, rect, p, tolerance);
    return handle ? handle->nodeHandleType() : NodeHandleType::none;
}

Rect drag(NodeHandleType type, const Rect& r, double dx, double dy) {
    return NodeAdjustmentHandle(nullptr, type).updateBounds(r, Point(3, 4), Point(3 + dx, 4 + dy));
}

int linkHandleAt(const std::vector<Point>& points, const Point& p) {
    auto handle = getLinkHandleAt(nullptr, points, p);
    return handle ? handle->pointIndex() : -1;
}

}  // namespace

TEST(NodeHandleFinder, NearestOfTheNineHandlePointsWithinTheTolerance) {
    const Rect r(0, 0, 100, 60);
    using T = NodeHandleType;
    EXPECT_EQ(handleAt(r, Point(50, 30)), T::move);
    EXPECT_EQ(handleAt(r, Point(99, 1)), T::resizeTopRight);
    EXPECT_EQ(handleAt(r, Point(-1, 30)), T::resizeLeft);
    EXPECT_EQ(handleAt(r, Point(52, 60)), T::resizeBottom);
    // Halfway between the top-left corner and the middle of the left side: the corner wins.
    EXPECT_EQ(handleAt(r, Point(0, 15), 1000), T::resizeTopLeft);
    // The squared distance is compared: 9 is within 15, 16 is not; equal counts as within.
    EXPECT_EQ(handleAt(r, Point(103, 60)), T::resizeBottomRight);
    EXPECT_EQ(getNodeHandleAt(nullptr, r, Point(104, 60), 15), nullptr);
    EXPECT_EQ(handleAt(r, Point(0, 4), 16), T::resizeTopLeft);
    // Numbers that are not numbers find nothing.
    EXPECT_EQ(getNodeHandleAt(nullptr, r, Point(NAN, 0), 15), nullptr);
    EXPECT_EQ(getNodeHandleAt(nullptr, r, Point(0, 0), NAN), nullptr);
}

TEST(NodeHandle, ResizeArithmeticKeepsTheOppositeSide) {
    const Rect r(10, 20, 100, 50);
    using T = NodeHandleType;
    EXPECT_EQ(drag(T::move, r, 5, -5), Rect(15, 15, 100, 50));
    EXPECT_EQ(drag(T::resizeTopLeft, r, 5, 5), Rect(15, 25, 95, 45));
    EXPECT_EQ(drag(T::resizeTopRight, r, 5, 5), Rect(10, 25, 105, 45));
    EXPECT_EQ(drag(T::resizeBottomLeft, r, 5, 5), Rect(15, 20, 95, 55));
    EXPECT_EQ(drag(T::resizeBottom, r, 5, 5), Rect(10, 20, 100, 55));
    // Past the opposite side the width turns negative; the caller deals with it.
    EXPECT_EQ(drag(T::resizeRight, r, -150, 0).width, -50);

    testing::internal::CaptureStdout();
    EXPECT_EQ(drag(T::rotate, r, 5, 5), r);
    EXPECT_EQ(drag(T::none, r, 5, 5), r);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "default is not implemented!\ndefault is not implemented!\n");

    for (int raw = -1; raw <= 9; ++raw)
        EXPECT_EQ(NodeAdjustmentHandle(nullptr, *fromRaw<NodeHandleType>(raw)).isResizeHandle(),
                  raw >= 1 && raw <= 8);
    EXPECT_FALSE(LinkAdjustmentHandle(nullptr).isResizeHandle());
}

TEST(LinkHandleFinder, NearestPointWithinTheReach) {
    const std::vector<Point> points{Point(0, 0), Point(50, 0), Point(100, 0)};
    // The reach, 25 millimetres in points (about 70.87), bounds the squared distance.
    EXPECT_EQ(linkHandleAt(points, Point(48, 8)), 1);
    EXPECT_EQ(linkHandleAt(points, Point(50, 8.4)), 1);   // 70.56
    EXPECT_EQ(linkHandleAt(points, Point(50, 8.5)), -1);  // 72.25
    EXPECT_EQ(linkHandleAt({}, Point(0, 0)), -1);
    EXPECT_EQ(linkHandleAt(points, Point(NAN, 0)), -1);
    // Equal distances keep the earlier point; a first point out of reach does not block.
    EXPECT_EQ(linkHandleAt({Point(0, 0), Point(2, 0)}, Point(1, 0)), 0);
    EXPECT_EQ(linkHandleAt({Point(0, 0), Point(20, 0)}, Point(19, 0)), 1);
}
