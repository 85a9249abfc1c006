#include "Nodeloom/items/AdjustmentHandle.h"

#include <array>
#include <iostream>
#include <limits>

#include "Nodeloom/foundation/MeasureUnit.h"

namespace nodeloom {

bool AdjustmentHandle::isResizeHandle() const {
    return false;
}

bool NodeAdjustmentHandle::isResizeHandle() const {
    const int raw = static_cast<int>(nodeHandleType_);
    return raw >= static_cast<int>(NodeHandleType::resizeTopLeft) &&
           raw <= static_cast<int>(NodeHandleType::resizeLeft);
}

Rect NodeAdjustmentHandle::updateBounds(const Rect& rect, const Point& start,
                                        const Point& end) const {
    double x = rect.x;
    double y = rect.y;
    double right = rect.x + rect.width;
    double bottom = rect.y + rect.height;
    const double dx = end.x - start.x;
    const double dy = end.y - start.y;

    switch (nodeHandleType_) {
        case NodeHandleType::move:
            return Rect(x + dx, y + dy, rect.width, rect.height);
        case NodeHandleType::resizeTopLeft:
            x += dx;
            y += dy;
            break;
        case NodeHandleType::resizeTop:
            y += dy;
            break;
        case NodeHandleType::resizeTopRight:
            y += dy;
            right += dx;
            break;
        case NodeHandleType::resizeRight:
            right += dx;
            break;
        case NodeHandleType::resizeBottomRight:
            right += dx;
            bottom += dy;
            break;
        case NodeHandleType::resizeBottom:
            bottom += dy;
            break;
        case NodeHandleType::resizeBottomLeft:
            x += dx;
            bottom += dy;
            break;
        case NodeHandleType::resizeLeft:
            x += dx;
            break;
        case NodeHandleType::none:
        case NodeHandleType::rotate:
        default:
            // Rotation is the controller's work; these handles never resize.
            std::cout << "default is not implemented!" << std::endl;
            return rect;
    }
    return Rect(x, y, right - x, bottom - y);
}

std::shared_ptr<NodeAdjustmentHandle> getNodeHandleAt(const std::shared_ptr<DiagramItem>& item,
                                                      const Rect& rect, const Point& point,
                                                      double tolerance) {
    const double l = rect.x;
    const double t = rect.y;
    const double r = rect.x + rect.width;
    const double b = rect.y + rect.height;
    const double cx = rect.x + rect.width / 2;
    const double cy = rect.y + rect.height / 2;
    using T = NodeHandleType;
    // The visiting order decides ties: corners first, then side middles, the centre last.
    const std::array<std::pair<Point, T>, 9> handles{{
        {Point(l, t), T::resizeTopLeft},
        {Point(r, t), T::resizeTopRight},
        {Point(l, b), T::resizeBottomLeft},
        {Point(r, b), T::resizeBottomRight},
        {Point(l, cy), T::resizeLeft},
        {Point(r, cy), T::resizeRight},
        {Point(cx, t), T::resizeTop},
        {Point(cx, b), T::resizeBottom},
        {Point(cx, cy), T::move},
    }};

    const std::pair<Point, T>* best = nullptr;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (const auto& handle : handles) {
        const double d = handle.first.distanceSquared(point);
        if (d < bestDistance) {
            best = &handle;
            bestDistance = d;
        }
    }
    // Written so that a not-a-number tolerance finds nothing.
    if (best == nullptr || !(bestDistance <= tolerance)) return nullptr;
    return std::make_shared<NodeAdjustmentHandle>(item, best->second);
}

std::shared_ptr<LinkAdjustmentHandle> getLinkHandleAt(const std::shared_ptr<DiagramItem>& link,
                                                      const std::vector<Point>& points,
                                                      const Point& point) {
    const double reach = MeasureUnit::Millimeter()->convert(25.0, MeasureUnit::Point());
    int best = -1;
    double bestDistance = reach;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double d = points[i].distanceSquared(point);
        if (d < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = d;
        }
    }
    if (best < 0) return nullptr;
    auto handle = std::make_shared<LinkAdjustmentHandle>(link);
    handle->setPointIndex(best);
    return handle;
}

}  // namespace nodeloom
