#include "Nodeloom/composite/TreeViewConnectionPoint.h"

#include <algorithm>

#include "Nodeloom/composite/TreeViewItem.h"
#include "Nodeloom/composite/TreeViewNode.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom {

TreeViewConnectionPoint::TreeViewConnectionPoint(const std::shared_ptr<DiagramNode>& node,
                                                 const std::shared_ptr<DiagramLink>& link,
                                                 bool incoming,
                                                 const std::shared_ptr<TreeViewItem>& item)
    : ConnectionPoint(node, link, incoming), item_(item) {}

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
    const double x = b.x + b.width / 2 < point.x ? b.x + b.width : b.x;
    const double y = std::clamp(r.y + r.height / 2, b.y, std::max(b.y, b.y + b.height));
    if (incoming())
        l->setEndPoint(Point(x, y));
    else
        l->setStartPoint(Point(x, y));
    saveRelativePosition();
}

// Re-placing the links after a scroll ends by saving the ends' positions. Saved against the node
// as a plain end does, the place along the row would be read back as a share of the row's
// height and the end would creep at every scroll: an end where its row puts it keeps what it has,
// and one moved elsewhere is saved as the inverse of positionFromNode.
void TreeViewConnectionPoint::saveRelativePosition() {
    const std::shared_ptr<TreeViewItem> i = item();
    const std::shared_ptr<TreeViewNode> t = tree();
    if (!i || !t || !link()) {
        ConnectionPoint::saveRelativePosition();
        return;
    }
    const Point p = linkEndPoint();
    if (p == positionFromNode()) return;
    const Rect b = t->bounds();
    const Rect r = t->getItemRect(*i);
    Point rel = relativePosition();
    if (b.width != 0) rel.x = (p.x - b.x) * 100 / b.width;
    if (r.height != 0) rel.y = (p.y - r.y + i->bounds().height / 2) * 100 / r.height;
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
    const double y = r.y - i->bounds().height / 2 + r.height * rel.y / 100;
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

Point TreeViewConnectionPoint::getCenter() {
    const std::shared_ptr<TreeViewItem> i = item();
    const std::shared_ptr<TreeViewNode> t = tree();
    if (i && t) return t->getItemRect(*i).center();
    return ConnectionPoint::getCenter();
}

}  // namespace nodeloom
