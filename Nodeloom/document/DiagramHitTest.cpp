#include "Nodeloom/document/Diagram.h"

#include <cairo.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string_view>
#include <tuple>
#include <unordered_set>
#include <utility>

#include "Nodeloom/document/AddItemCommand.h"
#include "Nodeloom/document/ChangeItemCommand.h"
#include "Nodeloom/document/ClassDescriptor.h"
#include "Nodeloom/document/Command.h"
#include "Nodeloom/document/CompositeCommand.h"
#include "Nodeloom/document/DiagramStatic.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/foundation/RectIndex.h"
#include "Nodeloom/document/RemoveItemCommand.h"
#include "Nodeloom/document/Selection.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/ShapeLibrary.h"
#include "Nodeloom/foundation/Typecast.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"  // Hook: document holds its links
#include "Nodeloom/platform/AtomicFile.h"
#include "Nodeloom/platform/Bundle.h"
#include "Nodeloom/platform/ImageSurface.h"
#include "Nodeloom/platform/Jpeg.h"

namespace nodeloom {

// --- Hit testing, content bounds and the grid ---------------------------------------------------
//
// The queries walk the drawing order by position and take each item by value, so that an item
// whose hit test changes the document (a removed item leaves an empty slot until the list is
// next read whole) cannot invalidate the walk.

std::shared_ptr<DiagramItem> Diagram::getItemAt(Point point,
                                                const std::function<bool(DiagramItem&)>& filter) {
    updateZOrder();
    const auto& order = zOrder_.vector();
    for (std::size_t i = order.size(); i-- > 0;) {
        if (i >= order.size()) continue;
        const std::shared_ptr<DiagramItem> item = order[i];
        if (!item || !item->topLevel()) continue;
        if (auto hit = item->hitTest(point, filter)) return hit;
    }
    return nullptr;
}

std::shared_ptr<DiagramItem> Diagram::getItemAt(Point point, bool excludeLocked, double threshold) {
    if (std::isnan(threshold)) threshold = 0.0;
    if (threshold > 0) {
        if (auto exact = getItemAt(point, excludeLocked, 0.0)) return exact;
    }
    updateZOrder();
    const auto& order = zOrder_.vector();
    for (std::size_t i = order.size(); i-- > 0;) {
        if (i >= order.size()) continue;
        const std::shared_ptr<DiagramItem> item = order[i];
        if (!item || !item->topLevel()) continue;
        if (auto hit = item->hitTest(point, threshold, false, excludeLocked)) return hit;
    }
    return nullptr;
}

std::shared_ptr<DiagramLink> Diagram::getLinkAt(Point point) {
    updateZOrder();
    const auto& order = zOrder_.vector();
    for (std::size_t i = 0; i < order.size(); ++i) {
        const std::shared_ptr<DiagramItem> item = order[i];
        auto link = std::dynamic_pointer_cast<DiagramLink>(item);
        if (link && link->containsPoint(point)) return link;
    }
    return nullptr;
}

std::shared_ptr<Manipulator> Diagram::hitTestManipulator(Point point) {
    updateZOrder();
    const auto& order = zOrder_.vector();
    for (std::size_t i = order.size(); i-- > 0;) {
        if (i >= order.size()) continue;
        const std::shared_ptr<DiagramItem> item = order[i];
        if (!item || !isItemVisible(*item) || !isItemInteractive(*item)) continue;
        if (auto manipulator = item->hitTestManipulators(point)) return manipulator;
    }
    return nullptr;
}

Rect Diagram::getContentBounds(bool onlyVisible) {
    std::optional<Rect> content;
    const auto& order = zOrder_.vector();
    for (std::size_t i = 0; i < order.size(); ++i) {
        const std::shared_ptr<DiagramItem> item = order[i];
        if (!item || (onlyVisible && !item->visible())) continue;
        Rect r = item->getBoundingRect();
        const double stroke = item->getEffectiveStrokeThickness();
        r.inflate(stroke, stroke);
        if (const std::shared_ptr<Diagram> owner = item->diagram()) {
            const double handles = owner->adjustmentHandlesSize();
            r.inflate(handles, handles);
        }
        // One item with a broken number must not spoil the extent of all the others.
        if (!r.isFinite()) continue;
        const double left = std::min(r.x, content ? content->x : r.x);
        const double top = std::min(r.y, content ? content->y : r.y);
        const double right =
            std::max(r.x + r.width, content ? content->x + content->width : r.x + r.width);
        const double bottom =
            std::max(r.y + r.height, content ? content->y + content->height : r.y + r.height);
        content = Rect(left, top, right - left, bottom - top);
    }
    return content.value_or(Rect(0.0, 0.0, 0.0, 0.0));
}

void Diagram::resizeToFitItems(double margin) {
    resizeToFitItems(margin, false);
}

void Diagram::resizeToFitItems(double margin, bool onlyVisible) {
    if (zOrder_.empty()) return;
    const Rect r = getContentBounds(onlyVisible);
    setBounds(Rect(r.x - margin, r.y - margin, r.width + 2 * margin, r.height + 2 * margin));
}

namespace {

// One coordinate on a grid of cell size `size` whose lines pass through `offset` (half a cell
// when there is no offset). A size that is not a positive finite number is no grid at all.
double alignToGridLine(double value, double size, const std::optional<double>& offset) {
    if (!std::isfinite(value) || !std::isfinite(size) || size <= 0.0) return value;
    double effective = size / 2;
    if (offset && std::isfinite(*offset)) {
        effective = *offset - size * std::floor(*offset / size);
        // Rounding can leave a value a hair outside the cell.
        if (!(effective >= 0.0 && effective < size)) effective = 0.0;
    }
    const double aligned = effective + size * std::round((value - effective) / size);
    return std::isfinite(aligned) ? aligned : value;
}

}  // namespace

Point Diagram::alignPointToGrid(Point point) const {
    if (!alignToGrid_) return point;
    return Point(alignToGridLine(point.x, gridSizeX_, gridOffsetX_),
                 alignToGridLine(point.y, gridSizeY_, gridOffsetY_));
}

Rect Diagram::alignRectToGrid(const Rect& rect) const {
    if (!alignToGrid_) return rect;
    const Point corner = alignPointToGrid(Point(rect.x, rect.y));
    return Rect(corner.x, corner.y, rect.width, rect.height);
}

bool Diagram::isItemTouchingRect(DiagramItem& item, const Rect& rect) {
    return item.intersects(rect);
}

bool Diagram::isItemInsideRect(DiagramItem& item, const Rect& rect) {
    const Rect b = item.getBoundingRect();
    return rect.x < b.x && b.x + b.width < rect.x + rect.width && rect.y < b.y &&
           b.y + b.height < rect.y + rect.height;
}


}  // namespace nodeloom
