#include "Nodeloom/composite/TreeViewNode.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "Nodeloom/composite/LinkGatherer.h"
#include "Nodeloom/composite/ScrollBar.h"
#include "Nodeloom/composite/TreeItemExpander.h"
#include "Nodeloom/composite/TreeViewConnectionPoint.h"
#include "Nodeloom/composite/TreeViewNodeState.h"
#include "Nodeloom/composite/TreeWalk.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/ScopedPointer.h"
#include "Nodeloom/foundation/Theme.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom {

namespace {

bool rectHolds(const Rect& r, Point p) {
    return r.x <= p.x && p.x <= r.x + r.width && r.y <= p.y && p.y <= r.y + r.height;
}

Rect moved(Rect r, const Rect& origin) {
    r.x += origin.x;
    r.y += origin.y;
    return r;
}

// Walk numbers and tree serials, each handed out once: a mark left by one tree's walk can never
// pass for another's, nor a note by a tree that died for one by a tree made in its place.
std::uint64_t newNumber() {
    static std::atomic<std::uint64_t> last{0};
    return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

}  // namespace

TreeViewNode::TreeViewNode() : serial_(newNumber()) {}

TreeViewNode::~TreeViewNode() = default;

// The bar refers back to the node, which cannot hand out a reference to itself while it is being
// constructed; the bar is therefore made on first use.
const std::shared_ptr<ScrollBar>& TreeViewNode::scrollBar() const {
    if (!scrollBarMade_) {
        if (const auto self = std::const_pointer_cast<DiagramItem>(weak_from_this().lock())) {
            scrollBar_ = ScrollBar::createForRows(std::weak_ptr<DiagramItem>(self));
            scrollBarMade_ = true;
        }
    }
    return scrollBar_;
}

void TreeViewNode::setScrollBar(std::shared_ptr<ScrollBar> bar) {
    scrollBar_ = std::move(bar);
    scrollBarMade_ = true;
}

// --- The tree --------------------------------------------------------------------------------

TreeViewNode::ItemList TreeViewNode::getVisibleItems() const {
    ItemList items;
    walkTree(&rootItems_, nullptr, true, [&items](TreeViewItem& item, int) {
        items.push_back(item.shared_from_this());
        return TreeStep::descend;
    });
    return items;
}

int TreeViewNode::countItems() const {
    int n = 0;
    walkTree(&rootItems_, nullptr, true, [&n](TreeViewItem&, int) {
        ++n;
        return TreeStep::descend;
    });
    return n;
}

void TreeViewNode::forAllItems(const std::function<void(TreeViewItem&)>& action) {
    if (!action) return;
    walkTree(&rootItems_, nullptr, false, [&action](TreeViewItem& item, int) {
        action(item);
        return TreeStep::descend;
    });
}

TreeViewItem* TreeViewNode::lastShownItem() const {
    TreeViewItem* last = nullptr;
    const ItemList* list = &rootItems_;
    // Down the last branch: the last root, then the last child of each expanded item.
    while (!list->empty() && list->back()) {
        last = list->back().get();
        if (!last->expanded()) break;
        list = &last->children();
    }
    return last;
}

std::shared_ptr<TreeViewItem> TreeViewNode::itemAt(Point point) const {
    const Rect origin = bounds();
    std::shared_ptr<TreeViewItem> found;
    walkTree(&rootItems_, nullptr, true, [&](TreeViewItem& item, int) {
        if (!rectHolds(moved(item.bounds(), origin), point)) return TreeStep::descend;
        found = item.shared_from_this();
        return TreeStep::stop;
    });
    return found;
}

// --- Geometry --------------------------------------------------------------------------------

Rect TreeViewNode::getItemRect(const TreeViewItem& item) const {
    if (itemRects_) {
        const auto it = itemRects_->find(&item);
        return it != itemRects_->end() ? it->second : Rect();
    }
    const Rect b = bounds();
    Rect result;
    walkRowRects(&rootItems_, nullptr, b, nullptr, b.y + 2.0 + captionHeight_ - scrollPosition_,
                 [&](TreeViewItem& i, const Rect& row) {
                     if (&i != &item) return true;
                     result = row;
                     return false;
                 });
    return result;
}

double TreeViewNode::emptyHeightBelowRows() const {
    const TreeViewItem* last = lastShownItem();
    if (!last) return 0.0;
    const Rect& r = last->bounds();
    const double d = (clipRect_.y + clipRect_.height) - (r.y + r.height);
    return std::isfinite(d) ? d : 0.0;
}

void TreeViewNode::updateMaxWhite(const Rect& oldBounds) {
    const Rect b = _bounds();
    if (b.y + b.height < oldBounds.y + oldBounds.height)
        maxWhite_ = std::max(0.0, emptyHeightBelowRows());
}

void TreeViewNode::_setBounds(const Rect& rect) {
    const Rect old = _bounds();
    DiagramNode::_setBounds(rect);
    updateMaxWhite(old);
}

// --- Scrolling -------------------------------------------------------------------------------

double TreeViewNode::getMaxScrollPos() {
    maxWhite_ = std::max({maxWhite_, emptyHeightBelowRows(), 0.0});
    double total = 0.0;
    walkTree(&rootItems_, nullptr, true, [&total](TreeViewItem& item, int) {
        total += item.height();
        return TreeStep::descend;
    });
    return total + maxWhite_;
}

double TreeViewNode::getCurrentScrollPos() {
    return scrollPosition_;
}

void TreeViewNode::setCurrentScrollPos(double pos) {
    if (!std::isfinite(pos)) return;
    scrollPosition_ = pos;
    updateLinksAfterScroll();
}

double TreeViewNode::getCaptionHeight() {
    return captionHeight_;
}

bool TreeViewNode::integralScrollMode() {
    return false;
}

double TreeViewNode::getHeightOfCompletelyVisibleItems() {
    return 0.0;
}

int TreeViewNode::getNumberOfLastVisibleItems() {
    return 0;
}

int TreeViewNode::getItemsNumber() {
    return 0;
}

void TreeViewNode::updateLinksAfterScroll() {
    LinkList links = gatherLinks();
    if (releaseUnmetItems()) links = gatherLinks();
    if (links.empty()) return;
    std::unordered_map<const TreeViewItem*, Rect> rects;
    const Rect b = bounds();
    walkRowRects(&rootItems_, nullptr, b, nullptr, b.y + 2.0 + captionHeight_ - scrollPosition_,
                 [&rects](TreeViewItem& item, const Rect& row) {
                     rects.emplace(&item, row);
                     return true;
                 });
    const ScopedPointer<const std::unordered_map<const TreeViewItem*, Rect>> cache(itemRects_,
                                                                                 &rects);
    const std::shared_ptr<Diagram> d = diagram();
    for (const auto& link : links) LinkGatherer::replaceRowLink(link, d);
}

// --- Links -----------------------------------------------------------------------------------

std::shared_ptr<ConnectionPoint> TreeViewNode::createConnectionPoint(
    const std::shared_ptr<DiagramLink>& link, Point point, bool incoming) {
    return std::make_shared<TreeViewConnectionPoint>(
        std::static_pointer_cast<DiagramNode>(weak_from_this().lock()), link, incoming,
        itemAt(point));
}

bool TreeViewNode::removeItem(const std::shared_ptr<TreeViewItem>& item) {
    if (!item) return false;
    ItemList* holder = nullptr;
    if (std::find(rootItems_.begin(), rootItems_.end(), item) != rootItems_.end()) {
        holder = &rootItems_;
    } else {
        walkTree(&rootItems_, nullptr, false, [&](TreeViewItem& candidate, int) {
            auto& children = candidate.children();
            if (std::find(children.begin(), children.end(), item) == children.end())
                return TreeStep::descend;
            holder = &children;
            return TreeStep::stop;
        });
    }
    if (holder == nullptr) return false;
    // Held: the list may own the item's last reference.
    const std::shared_ptr<TreeViewItem> taken = item;
    holder->erase(std::find(holder->begin(), holder->end(), taken));

    LinkGatherer gatherer;
    taken->forAllItems([&gatherer](TreeViewItem& row) {
        gatherer.add(row.incomingLinks());
        gatherer.add(row.outgoingLinks());
    });
    for (const auto& link : gatherer.take()) {
        if (const std::shared_ptr<Diagram> d = diagram()) d->removeItem(link);
    }
    return true;
}

void TreeViewNode::noteLinkedItem(const std::shared_ptr<TreeViewItem>& item) {
    if (!item) return;
    item->notedBy_ = serial_;
    const auto [listed, added] = linkedSet_.try_emplace(item.get(), item);
    if (!added) {
        if (!listed->second.expired()) return;
        listed->second = item;
    }
    linkedItems_.push_back(item);
}

template <typename F>
void TreeViewNode::markedWalk(F&& each) {
    const std::uint64_t walk = walk_ = newNumber();
    const std::uint64_t serial = serial_;
    std::size_t met = 0;
    walkTree(&rootItems_, nullptr, false, [&](TreeViewItem& item, int) {
        // An item listed twice in the tree is counted once.
        if (item.notedBy_ == serial && item.walk_ != walk) ++met;
        item.walk_ = walk;
        each(item);
        return TreeStep::descend;
    });
    metNoted_ = met;
}

void TreeViewNode::releaseEndsOfLeftItems() {
    markedWalk([](TreeViewItem&) {});
    releaseUnmetItems();
}

bool TreeViewNode::releaseUnmetItems() {
    // Every listed item is one noted here, and the walk met as many distinct ones: all are in
    // the tree. Fewer: one left it, died, or was noted by another tree since.
    if (metNoted_ == linkedItems_.size()) return false;
    const auto linked = [](const TreeViewItem& item) {
        return !item.incomingLinks().empty() || !item.outgoingLinks().empty();
    };
    std::vector<std::shared_ptr<TreeViewItem>> left;
    std::vector<std::weak_ptr<TreeViewItem>> kept;
    for (const auto& weak : linkedItems_) {
        const std::shared_ptr<TreeViewItem> item = weak.lock();
        // Items that died or have no links any more are forgotten; an end entered on one later
        // notes it again.
        if (!item) continue;
        if (item->walk_ != walk_)
            left.push_back(item);
        else if (linked(*item))
            kept.push_back(item);
        else if (item->notedBy_ == serial_)
            item->notedBy_ = 0;
    }
    for (const auto& item : left) {
        releaseEnds(*item, true);
        releaseEnds(*item, false);
        // None of this node's ends is left on it: what remains is another tree's.
        if (item->notedBy_ == serial_) item->notedBy_ = 0;
    }
    // The items kept are in this tree, and so no other tree's to keep: each is marked as noted
    // here again, so that the next walk that meets them all needs no look at the list.
    linkedSet_.clear();
    for (const auto& weak : kept) {
        const std::shared_ptr<TreeViewItem> item = weak.lock();
        if (!item) continue;
        item->notedBy_ = serial_;
        linkedSet_.try_emplace(item.get(), item);
    }
    std::erase_if(kept, [](const auto& weak) { return weak.expired(); });
    linkedItems_ = std::move(kept);
    metNoted_ = linkedItems_.size();
    return !left.empty();
}

void TreeViewNode::releaseEnds(TreeViewItem& item, bool incoming) {
    const auto self = std::static_pointer_cast<DiagramNode>(weak_from_this().lock());
    if (!self) return;
    auto& list = incoming ? item.incomingLinks() : item.outgoingLinks();
    const LinkList links = list;
    for (const auto& link : links) {
        if (!link) continue;
        const std::shared_ptr<ConnectionPoint> end =
            incoming ? link->destinationConnection() : link->originConnection();
        // An item noted by another tree is that tree's to release.
        if (end->node() != self) continue;
        const auto* onItem = dynamic_cast<const TreeViewConnectionPoint*>(end.get());
        if (onItem == nullptr || onItem->item().get() != &item) {
            // Listed here, but its end is elsewhere on the node: only the listing goes.
            const auto it = std::find(list.begin(), list.end(), link);
            if (it != list.end()) list.erase(it);
            continue;
        }
        end->removeLinkFromNode();
        TreeViewConnectionPoint::moveEndOntoNode(link, incoming);
    }
}

void TreeViewNode::removeAllLinks() {
    releaseEndsOfLeftItems();
    DiagramNode::removeAllLinks();
}

// Every caller that asks for the node's links goes on to move, fold, lay out or remove them with
// the node: an end on an item that left the tree must be the node's by then. The walk that
// gathers the links also tells whether one did; only then is the tree walked again, for the
// links in their order.
DiagramNode::LinkList TreeViewNode::getAllLinks() {
    LinkList links = gatherLinks();
    if (releaseUnmetItems()) links = gatherLinks();
    return links;
}

DiagramNode::LinkList TreeViewNode::gatherLinks() {
    LinkGatherer gatherer;
    gatherer.add(incomingLinks());
    gatherer.add(outgoingLinks());
    markedWalk([&gatherer](TreeViewItem& item) {
        gatherer.add(item.incomingLinks());
        gatherer.add(item.outgoingLinks());
    });
    return gatherer.take();
}

DiagramNode::LinkList TreeViewNode::getAllIncomingLinks() {
    return linksOfSide(true);
}

DiagramNode::LinkList TreeViewNode::getAllOutgoingLinks() {
    return linksOfSide(false);
}

DiagramNode::LinkList TreeViewNode::linksOfSide(bool incoming) {
    LinkList links;
    // A release moves ends onto the node, which the second round lists in their place.
    for (int round = 0; round < 2; ++round) {
        links = incoming ? incomingLinks() : outgoingLinks();
        markedWalk([&links, incoming](TreeViewItem& item) {
            const LinkList& side = incoming ? item.incomingLinks() : item.outgoingLinks();
            links.insert(links.end(), side.begin(), side.end());
        });
        if (!releaseUnmetItems()) break;
    }
    return links;
}

bool TreeViewNode::connectsToRows() const {
    return true;
}

void TreeViewNode::makeSelfLoop(const std::shared_ptr<DiagramLink>& link) {
    DiagramNode::makeSelfLoop(link);
    if (!link) return;
    link->originConnection()->saveRelativePosition();
    link->destinationConnection()->saveRelativePosition();
}

// --- Item overrides --------------------------------------------------------------------------

std::optional<Rect> TreeViewNode::getHitArea() {
    if (typeid(*this) != typeid(TreeViewNode)) return std::nullopt;
    return bounds();
}

std::shared_ptr<Manipulator> TreeViewNode::hitTestManipulators(Point point) {
    if (const std::shared_ptr<ScrollBar>& bar = scrollBar()) {
        if (rectHolds(bar->globalBounds(), point)) return bar;
    }
    if (const std::shared_ptr<TreeViewItem> item = itemAt(point)) {
        const std::shared_ptr<Diagram> d = diagram();
        if (d && !item->children().empty()) {
            const double mm = MeasureUnit::Millimeter()->convert(1.0, d->measureUnit(), d.get());
            if (rectHolds(moved(item->getIconRect(mm), bounds()), point)) {
                return std::make_shared<TreeItemExpander>(
                    std::static_pointer_cast<TreeViewNode>(weak_from_this().lock()), item);
            }
        }
    }
    return DiagramNode::hitTestManipulators(point);
}

std::shared_ptr<DiagramItemState> TreeViewNode::createState() {
    return std::make_shared<TreeViewNodeState>();
}

std::shared_ptr<DiagramItemState> TreeViewNode::saveState() {
    std::shared_ptr<DiagramItemState> state = DiagramNode::saveState();
    if (auto* s = dynamic_cast<TreeViewNodeState*>(state.get())) {
        s->captionHeight = captionHeight_;
        s->scrollPosition = scrollPosition_;
        s->image = image_;
        s->rootItems = rootItems_;
        saveItemStates(*s, rootItems_);
    }
    return state;
}

void TreeViewNode::saveItemStates(TreeViewNodeState& state, const ItemList& items) {
    walkTree(&items, nullptr, false, [&state](TreeViewItem& item, int) {
        state.itemStates[&item] = item.saveState();
        return TreeStep::descend;
    });
}

void TreeViewNode::restoreState(const DiagramItemState& state) {
    DiagramNode::restoreState(state);
    const auto* s = dynamic_cast<const TreeViewNodeState*>(&state);
    if (s == nullptr) return;
    captionHeight_ = s->captionHeight;
    scrollPosition_ = s->scrollPosition;
    image_ = s->image;
    rootItems_ = s->rootItems;
    restoreItemStates(*s, rootItems_);
}

void TreeViewNode::restoreItemStates(const TreeViewNodeState& state, const ItemList& items) {
    walkTree(&items, nullptr, false, [&state](TreeViewItem& item, int) {
        const auto it = state.itemStates.find(&item);
        if (it == state.itemStates.end() || !it->second) return TreeStep::skip;
        item.restoreState(*it->second);
        return TreeStep::descend;
    });
}

std::string TreeViewNode::getClassId() const {
    return "std:TreeViewNode";
}

Metatype<DiagramItem> TreeViewNode::getClassType() const {
    return Metatype<DiagramItem>([] { return std::make_shared<TreeViewNode>(); }, getClassId());
}

std::shared_ptr<Style> TreeViewNode::resolveInheritedStyle(
    const StylePredicate& predicate, const std::shared_ptr<Theme>& theme) const {
    if (theme && predicate) {
        const auto it = theme->styles().find("TreeViewNode");
        if (it != theme->styles().end() && it->second && predicate(*it->second)) return it->second;
    }
    // Then "DiagramNode", then the item's own lookup.
    return DiagramNode::resolveInheritedStyle(predicate, theme);
}

std::string TreeViewNode::getTextToEdit() {
    return text();
}

void TreeViewNode::setEditedText(const std::string& text) {
    setText(text);
}

Rect TreeViewNode::getEditRect(const std::shared_ptr<DiagramItem>&, Point) {
    const Rect b = bounds();
    return Rect(b.x, b.y, b.width, captionHeight_);
}

}  // namespace nodeloom
