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
#include "Nodeloom/document/RemoveItemCommand.h"
#include "Nodeloom/document/Selection.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/FlatHashMap.h"
#include "Nodeloom/foundation/RectHash.h"
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
// The queries that ask items walk a snapshot of the drawing order, so that an item whose hit
// test changes the document cannot disturb the walk.

// The index of hit areas: every item of the drawing order under a number of its own, entered
// with its bounds (nodes) or its hit area (other items). Items whose hit test may answer anywhere
// are listed apart and are candidates at every point. A reported change only marks the item; the
// next query takes the marked items anew, so that a burst of changes costs one update each.
// Numbers are found by the item's address, so an item leaves the index as soon as it leaves the
// document: another item may be made at its address before the next query.
struct Diagram::HitIndex {
    struct Slot {
        std::weak_ptr<DiagramItem> item;
        const DiagramItem* raw = nullptr;
        std::size_t anywherePos = 0;
        bool used = false;
        bool node = false;
        bool link = false;
        bool anywhere = false;
        bool marked = false;
    };

    std::vector<Slot> slots;
    std::vector<int> free;
    FlatHashMap<const DiagramItem*, int> ids;
    RectHash grid;
    std::vector<int> anywhere;
    std::vector<int> marked;
    bool stale = true;
    bool taking = false;
    std::size_t builtFor = 0;

    void setAnywhere(int id, bool value) {
        Slot& slot = slots[static_cast<std::size_t>(id)];
        if (slot.anywhere == value) return;
        slot.anywhere = value;
        if (value) {
            slot.anywherePos = anywhere.size();
            anywhere.push_back(id);
        } else {
            const int last = anywhere.back();
            anywhere[slot.anywherePos] = last;
            slots[static_cast<std::size_t>(last)].anywherePos = slot.anywherePos;
            anywhere.pop_back();
        }
    }

    void release(int id) {
        Slot& slot = slots[static_cast<std::size_t>(id)];
        setAnywhere(id, false);
        grid.erase(id);
        ids.erase(slot.raw);
        slot = Slot{};
        free.push_back(id);
    }

    int acquire(const std::shared_ptr<DiagramItem>& item) {
        int id;
        if (!free.empty()) {
            id = free.back();
            free.pop_back();
        } else {
            id = static_cast<int>(slots.size());
            slots.emplace_back();
        }
        Slot& slot = slots[static_cast<std::size_t>(id)];
        slot.item = item;
        slot.raw = item.get();
        slot.used = true;
        slot.node = dynamic_cast<DiagramNode*>(item.get()) != nullptr;
        slot.link = !slot.node && dynamic_cast<DiagramLink*>(item.get()) != nullptr;
        ids.insert(item.get(), id);
        return id;
    }

    // Enters the item's current area.
    void take(int id, DiagramItem& item) {
        const std::optional<Rect> area = item.getHitArea();
        setAnywhere(id, !area);
        if (slots[static_cast<std::size_t>(id)].node) {
            // Nodes are always entered by their bounds, which the nearest-node search reads.
            grid.set(id, static_cast<DiagramNode&>(item).bounds());
        } else if (area) {
            grid.set(id, *area);
        } else {
            grid.erase(id);
        }
    }
};

Diagram::HitIndex& Diagram::hitIndex() {
    if (!hitIndex_) hitIndex_ = std::make_shared<HitIndex>();
    HitIndex& index = *hitIndex_;
    const auto& order = zOrder_.vector();
    // Many marks, or an index built for far fewer items than there are, cost less built anew.
    if (!index.stale &&
        (index.marked.size() > 64 + order.size() / 2 || order.size() > 4 * index.builtFor + 64)) {
        index.stale = true;
    }
    if (index.stale) {
        index.slots.clear();
        index.free.clear();
        index.ids.clear();
        index.anywhere.clear();
        index.marked.clear();
        // Cells about as large as the items.
        double sum = 0;
        std::size_t counted = 0;
        for (const auto& item : order) {
            const auto* node = dynamic_cast<const DiagramNode*>(item.get());
            if (!node) continue;
            const Rect b = node->bounds();
            const double size = std::max(std::fabs(b.width), std::fabs(b.height));
            if (std::isfinite(size) && size > 0) {
                sum += size;
                ++counted;
            }
        }
        index.grid.reset(counted > 0 ? sum / static_cast<double>(counted) : 1.0);
        for (const auto& item : order) {
            if (!item || index.ids.contains(item.get())) continue;
            index.take(index.acquire(item), *item);
        }
        index.builtFor = order.size();
        index.stale = false;
        return index;
    }
    // An item's own hit-area code (a host's subclass) may report a change while it is read; the
    // marks of this round are taken first and nothing is marked while they are read.
    std::vector<int> marked;
    marked.swap(index.marked);
    index.taking = true;
    for (int id : marked) {
        HitIndex::Slot& slot = index.slots[static_cast<std::size_t>(id)];
        if (!slot.used) continue;
        slot.marked = false;
        const std::shared_ptr<DiagramItem> item = slot.item.lock();
        if (!item || item.get() != slot.raw || !zOrder_.contains(slot.raw)) {
            index.release(id);
            continue;
        }
        index.take(id, *item);
    }
    index.taking = false;
    marked.clear();
    // The list's storage serves the next round.
    if (index.marked.empty()) index.marked.swap(marked);
    return index;
}

void Diagram::dropHitIndex() {
    if (hitIndex_) hitIndex_->stale = true;
}

void Diagram::itemHitAreaChanged(DiagramItem& item) {
    if (loading_ || !hitIndex_ || hitIndex_->stale || hitIndex_->taking) return;
    HitIndex& index = *hitIndex_;
    int id;
    const int* found = index.ids.find(&item);
    // A number held for an item that is gone is not this item's, whatever the address says.
    if (found && index.slots[static_cast<std::size_t>(*found)].item.expired()) {
        index.release(*found);
        found = nullptr;
    }
    if (found) {
        id = *found;
    } else {
        if (!zOrder_.contains(&item)) return;
        std::shared_ptr<DiagramItem> held = item.weak_from_this().lock();
        if (!held) return;
        id = index.acquire(held);
    }
    HitIndex::Slot& slot = index.slots[static_cast<std::size_t>(id)];
    if (slot.marked) return;
    slot.marked = true;
    index.marked.push_back(id);
}

void Diagram::itemLeftHitIndex(const DiagramItem& item) {
    if (!hitIndex_ || hitIndex_->stale) return;
    HitIndex& index = *hitIndex_;
    if (const int* found = index.ids.find(&item)) index.release(*found);
}

double Diagram::linkHitReach() const {
    if (linkHitDistance_ != 0) return linkHitDistance_;
    const double factor =
        measureUnit_ ? MeasureUnit::Millimeter()->convert(1.0, *measureUnit_) : 1.0;
    return 5 * (std::isfinite(factor) && factor > 0 ? factor : 1.0);
}

std::vector<long> Diagram::hitCandidates(const Rect& area, bool nodes, bool links) {
    HitIndex& index = hitIndex();
    std::vector<long> positions;
    const auto consider = [&](int id) {
        const HitIndex::Slot& slot = index.slots[static_cast<std::size_t>(id)];
        if (!slot.used) return;
        if (slot.node ? !nodes : slot.link ? !links : !(nodes && links)) return;
        const long position = zOrder_.lastPosition(slot.raw);
        if (position >= 0) positions.push_back(position);
    };
    for (int id : index.anywhere)
        consider(id);
    index.grid.query(area, [&](int id) {
        if (!index.slots[static_cast<std::size_t>(id)].anywhere) consider(id);
    });
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return positions;
}

namespace {

// The square around the point that holds every item whose hit test may answer within that
// reach, with room for rounding in the items' own tests.
Rect reachAround(Point point, double reach) {
    if (!(reach > 0)) reach = 0;
    reach += 1e-9 * std::max({1.0, std::fabs(point.x), std::fabs(point.y), reach});
    return Rect(point.x - reach, point.y - reach, 2 * reach, 2 * reach);
}

}  // namespace

std::shared_ptr<DiagramItem> Diagram::getItemAt(Point point,
                                                const std::function<bool(DiagramItem&)>& filter) {
    updateZOrder();
    const std::vector<long> found = hitCandidates(reachAround(point, linkHitReach()), true, true);
    const auto order = zOrder_.snapshot();
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
        const auto& item = order[static_cast<std::size_t>(*it)];
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
    const std::vector<long> found =
        hitCandidates(reachAround(point, std::max(threshold, linkHitReach())), true, true);
    const auto order = zOrder_.snapshot();
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
        const auto& item = order[static_cast<std::size_t>(*it)];
        if (!item || !item->topLevel()) continue;
        if (auto hit = item->hitTest(point, threshold, false, excludeLocked)) return hit;
    }
    return nullptr;
}

std::shared_ptr<DiagramLink> Diagram::getLinkAt(Point point) {
    updateZOrder();
    const std::vector<long> found = hitCandidates(reachAround(point, linkHitReach()), false, true);
    const auto order = zOrder_.snapshot();
    for (long position : found) {
        auto link =
            std::dynamic_pointer_cast<DiagramLink>(order[static_cast<std::size_t>(position)]);
        if (link && link->containsPoint(point)) return link;
    }
    return nullptr;
}

std::shared_ptr<DiagramNode> Diagram::getNodeAt(Point point, bool excludeLocked) {
    if (!std::isfinite(point.x) || !std::isfinite(point.y)) return nullptr;
    updateZOrder();
    const std::vector<long> found = hitCandidates(reachAround(point, 0.0), true, false);
    const auto order = zOrder_.snapshot();
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
        const auto node =
            std::dynamic_pointer_cast<DiagramNode>(order[static_cast<std::size_t>(*it)]);
        if (!node || !node->topLevel()) continue;
        if (auto hit = std::dynamic_pointer_cast<DiagramNode>(
                node->hitTest(point, 0.0, true, excludeLocked)))
            return hit;
    }
    return nullptr;
}

std::shared_ptr<DiagramNode> Diagram::getNearestNode(Point point, double maxDistance,
                                                     const std::shared_ptr<DiagramNode>& ignored,
                                                     bool onlyInteractive) {
    if (!std::isfinite(point.x) || !std::isfinite(point.y) || std::isnan(maxDistance))
        return nullptr;
    // No distance is below zero.
    if (!(maxDistance > 0)) return nullptr;
    // Only the nodes whose bounds come closer than maxDistance, in the order they were added.
    HitIndex& index = hitIndex();
    std::vector<std::pair<long, const DiagramNode*>> near;
    const auto consider = [&](int id) {
        const HitIndex::Slot& slot = index.slots[static_cast<std::size_t>(id)];
        if (!slot.used || !slot.node) return;
        const auto* node = static_cast<const DiagramNode*>(slot.raw);
        const long position = nodes_.firstPosition(node);
        if (position >= 0) near.emplace_back(position, node);
    };
    for (int id : index.anywhere)
        consider(id);
    index.grid.query(reachAround(point, maxDistance), [&](int id) {
        if (!index.slots[static_cast<std::size_t>(id)].anywhere) consider(id);
    });
    std::sort(near.begin(), near.end());
    near.erase(std::unique(near.begin(), near.end()), near.end());

    const auto& nodes = nodes_.vector();
    std::shared_ptr<DiagramNode> best;
    double bestDistance = std::numeric_limits<double>::max();
    for (const auto& entry : near) {
        const auto& node = nodes[static_cast<std::size_t>(entry.first)];
        if (!node || node == ignored) continue;
        if (onlyInteractive && (!node->visible() || node->locked())) continue;
        const Rect r = node->bounds();
        const double x =
            std::clamp(point.x, std::min(r.x, r.x + r.width), std::max(r.x, r.x + r.width));
        const double y =
            std::clamp(point.y, std::min(r.y, r.y + r.height), std::max(r.y, r.y + r.height));
        const double distance = std::hypot(point.x - x, point.y - y);
        if (distance < maxDistance && distance < bestDistance) {
            best = node;
            bestDistance = distance;
        }
    }
    return best;
}

std::shared_ptr<Manipulator> Diagram::hitTestManipulator(Point point) {
    updateZOrder();
    const auto order = zOrder_.snapshot();
    for (std::size_t i = order.size(); i-- > 0;) {
        const auto& item = order[i];
        if (!item || !isItemVisible(*item) || !isItemInteractive(*item)) continue;
        if (auto manipulator = item->hitTestManipulators(point)) return manipulator;
    }
    return nullptr;
}

Rect Diagram::getContentBounds(bool onlyVisible) {
    std::optional<Rect> content;
    const auto& order = zOrder_.vector();
    for (std::size_t i = 0; i < order.size(); ++i) {
        const auto& item = order[i];
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
