#include "Nodeloom/composite/TreeViewConnectionPoint.h"

#include <algorithm>

#include "Nodeloom/composite/LinkGatherer.h"
#include "Nodeloom/composite/TreeViewItem.h"
#include "Nodeloom/composite/TreeViewNode.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom {

TreeViewConnectionPoint::TreeViewConnectionPoint(const std::shared_ptr<DiagramNode>& node,
                                                 const std::shared_ptr<DiagramLink>& link,
                                                 bool incoming,
                                                 const std::shared_ptr<TreeViewItem>& item)
    : ConnectionPoint(node, link, incoming), item_(item) {
    // The base took the place as a share of the whole node; on a row it is a share of the row.
    if (item) takePlaceFromLink();
}

std::shared_ptr<TreeViewNode> TreeViewConnectionPoint::tree() const {
    return std::dynamic_pointer_cast<TreeViewNode>(node());
}

void TreeViewConnectionPoint::addLinkToNode() {
    const std::shared_ptr<TreeViewItem> i = item();
    if (!i) {
        ConnectionPoint::addLinkToNode();
        return;
    }
    const std::shared_ptr<DiagramLink> l = link();
    if (!l) return;
    auto& list = incoming() ? i->incomingLinks() : i->outgoingLinks();
    if (std::find(list.begin(), list.end(), l) == list.end()) list.push_back(l);
    if (const std::shared_ptr<TreeViewNode> t = tree()) t->noteLinkedItem(i);
}

void TreeViewConnectionPoint::removeLinkFromNode() {
    const std::shared_ptr<TreeViewItem> i = item();
    if (!i) {
        ConnectionPoint::removeLinkFromNode();
        return;
    }
    const std::shared_ptr<DiagramLink> l = link();
    if (!l) return;
    auto& list = incoming() ? i->incomingLinks() : i->outgoingLinks();
    const auto it = std::find(list.begin(), list.end(), l);
    if (it != list.end()) list.erase(it);
}

void TreeViewConnectionPoint::alignToNode(Point point) {
    const std::shared_ptr<TreeViewItem> i = item();
    const std::shared_ptr<TreeViewNode> t = tree();
    const std::shared_ptr<DiagramLink> l = link();
    // A folded container that hides the tree takes the end, as it takes any other.
    if (!i || !t || !l || t->getFoldedContainer()) {
        ConnectionPoint::alignToNode(point);
        return;
    }
    const Rect b = t->bounds();
    const Rect r = t->getItemRect(*i);
    const bool right = b.x + b.width / 2 < point.x;
    const double x = right ? b.x + b.width : b.x;
    const double y = std::clamp(r.y + r.height / 2, b.y, std::max(b.y, b.y + b.height));
    if (incoming())
        l->setEndPoint(Point(x, y));
    else
        l->setStartPoint(Point(x, y));
    setRelativePosition(Point(right ? 100.0 : 0.0, 50.0));
}

// An end on an item sits at the height of the middle of the item's row; only its place across
// the node is its own. A place along the row could not be kept: a file holds only the link's
// points, and an end whose row is scrolled out of view lies on the node's edge, from where no
// place along the row can be told, so a document read back would place its ends otherwise than
// the one that was saved.
void TreeViewConnectionPoint::saveRelativePosition() {
    const std::shared_ptr<TreeViewItem> i = item();
    const std::shared_ptr<TreeViewNode> t = tree();
    if (!i || !t || !link()) {
        ConnectionPoint::saveRelativePosition();
        return;
    }
    if (t->getFoldedContainer()) return;
    // An end where its share puts it keeps that share; any other takes the share that gives
    // its point exactly, as the same end read from a file does.
    settleAcross(t->bounds(), {relativePosition().x});
}

// A file keeps the link's points but not the ends' shares: an end at an edge or the middle of
// the node, where alignToNode and the factory put ends, takes that share, and any other the
// share that gives its point back to the last digit, so that it follows the rows as the saved
// end does.
void TreeViewConnectionPoint::takePlaceFromLink() {
    const std::shared_ptr<TreeViewItem> i = item();
    const std::shared_ptr<TreeViewNode> t = tree();
    if (!i || !t || !link() || t->getFoldedContainer()) return;
    settleAcross(t->bounds(), {0.0, 100.0, 50.0});
}

void TreeViewConnectionPoint::settleAcross(const Rect& b, std::initializer_list<double> shares) {
    const Point p = linkEndPoint();
    Point rel = relativePosition();
    bool placed = false;
    for (const double share : shares) {
        if (b.x + b.width * share / 100 == p.x) {
            rel.x = share;
            placed = true;
            break;
        }
    }
    if (!placed && b.width != 0)
        rel.x = LinkGatherer::exactShare(p.x, b.x, b.width, (p.x - b.x) * 100 / b.width);
    rel.y = 50.0;
    if (isFinite(rel)) setRelativePosition(rel);
}

Point TreeViewConnectionPoint::positionFromNode() {
    const std::shared_ptr<TreeViewItem> i = item();
    const std::shared_ptr<TreeViewNode> t = tree();
    // A folded container that hides the tree takes the end, as it takes any other.
    if (!i || !t || t->getFoldedContainer()) return ConnectionPoint::positionFromNode();
    const Rect b = t->bounds();
    const Rect r = t->getItemRect(*i);
    const Point rel = relativePosition();
    const double x = b.x + b.width * rel.x / 100;
    // Only the row itself counts, not the size the item was last drawn at: a document read
    // back, never drawn, places its ends as the one that was saved.
    const double y = r.y + r.height * rel.y / 100;
    return Point(x, std::clamp(y, b.y, std::max(b.y, b.y + b.height)));
}

int TreeViewConnectionPoint::row() const {
    const std::shared_ptr<TreeViewItem> i = item();
    return i ? i->index() : -1;
}

bool TreeViewConnectionPoint::sharesListWith(const ConnectionPoint& other) const {
    if (node() != other.node() || incoming() != other.incoming()) return false;
    const auto* onTree = dynamic_cast<const TreeViewConnectionPoint*>(&other);
    // An end without an item is listed by the node itself.
    const std::shared_ptr<TreeViewItem> mine = item();
    const std::shared_ptr<TreeViewItem> theirs = onTree != nullptr ? onTree->item() : nullptr;
    return mine == theirs;
}

void TreeViewConnectionPoint::setRow(int row) {
    const std::shared_ptr<TreeViewNode> t = tree();
    if (row < 0 || !t || static_cast<std::size_t>(row) >= t->flatItemList().size()) {
        item_.reset();
        return;
    }
    item_ = t->flatItemList()[static_cast<std::size_t>(row)];
}

void TreeViewConnectionPoint::moveEndOntoNode(const std::shared_ptr<DiagramLink>& link,
                                              bool incoming) {
    if (!link) return;
    const std::shared_ptr<ConnectionPoint> end =
        incoming ? link->destinationConnection() : link->originConnection();
    const std::shared_ptr<DiagramNode> node = end->node();
    if (!node) return;
    auto plain = std::make_shared<TreeViewConnectionPoint>(node, link, incoming, nullptr);
    plain->setAnchor(end->anchor());
    if (incoming)
        link->setDestinationConnection(plain);
    else
        link->setOriginConnection(plain);
    plain->addLinkToNode();
}

void TreeViewConnectionPoint::releaseEndsOfDyingItem(
    const std::weak_ptr<TreeViewItem>& item, const std::vector<std::shared_ptr<DiagramLink>>& links,
    bool incoming) {
    // An item never held by a shared_ptr has no end entered on it.
    const std::weak_ptr<TreeViewItem> none;
    if (!item.owner_before(none) && !none.owner_before(item)) return;
    for (const auto& link : links) {
        if (!link) continue;
        const std::shared_ptr<ConnectionPoint> end =
            incoming ? link->destinationConnection() : link->originConnection();
        const auto* onItem = dynamic_cast<const TreeViewConnectionPoint*>(end.get());
        // Only an end that still names this item: one made since is another's.
        if (onItem == nullptr || onItem->item_.owner_before(item) ||
            item.owner_before(onItem->item_))
            continue;
        moveEndOntoNode(link, incoming);
    }
}

Point TreeViewConnectionPoint::getCenter() {
    const std::shared_ptr<TreeViewItem> i = item();
    const std::shared_ptr<TreeViewNode> t = tree();
    if (i && t) return t->getItemRect(*i).center();
    return ConnectionPoint::getCenter();
}

}  // namespace nodeloom
