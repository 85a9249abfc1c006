#include "Nodeloom/composite/TableConnectionPoint.h"

#include <algorithm>
#include <cmath>

#include "Nodeloom/composite/LinkGatherer.h"
#include "Nodeloom/composite/TableNode.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom {

namespace {

// Percent of the extent. A row scrolled out of view lies flat on an edge of the node; its ends
// are then in the middle of that axis rather than at a position that is not a number.
double percentOf(double offset, double extent) {
    if (extent == 0) return 50.0;
    const double value = offset * 100 / extent;
    return std::isfinite(value) ? value : 50.0;
}

void removeFirst(Row::LinkList& list, const std::shared_ptr<DiagramLink>& link) {
    const auto it = std::find(list.begin(), list.end(), link);
    if (it != list.end()) list.erase(it);
}

}  // namespace

TableConnectionPoint::TableConnectionPoint(const std::shared_ptr<DiagramNode>& node,
                                           const std::shared_ptr<DiagramLink>& link,
                                           bool incoming)
    : ConnectionPoint(node, link, incoming) {}

std::shared_ptr<TableNode> TableConnectionPoint::rowTable() const {
    if (row_ < 0) return nullptr;
    auto table = std::dynamic_pointer_cast<TableNode>(node());
    if (!table || static_cast<std::size_t>(row_) >= table->rows().size()) return nullptr;
    // A null entry holds no links: an end there is an end on the node.
    if (!table->rows()[static_cast<std::size_t>(row_)]) return nullptr;
    return table;
}

void TableConnectionPoint::addLinkToNode() {
    const std::shared_ptr<TableNode> table = rowTable();
    // A row the table does not have (a file written for another table, say) cannot hold the
    // link: the end becomes a plain one, so that no end ever points past the rows.
    if (!table) {
        row_ = -1;
        ConnectionPoint::addLinkToNode();
        return;
    }
    const std::shared_ptr<DiagramLink> l = link();
    if (!l) return;
    if (incoming())
        table->addIncomingLinkToRow(row_, l);
    else
        table->addOutgoingLinkToRow(row_, l);
}

void TableConnectionPoint::removeLinkFromNode() {
    const std::shared_ptr<TableNode> table = rowTable();
    if (!table) {
        ConnectionPoint::removeLinkFromNode();
        return;
    }
    const std::shared_ptr<DiagramLink> l = link();
    if (!l) return;
    Row& r = *table->rows()[static_cast<std::size_t>(row_)];
    removeFirst(incoming() ? r.incomingLinks() : r.outgoingLinks(), l);
}

void TableConnectionPoint::alignToNode(Point point) {
    const std::shared_ptr<TableNode> table = rowTable();
    const std::shared_ptr<DiagramLink> l = link();
    if (!table || !l) {
        ConnectionPoint::alignToNode(point);
        return;
    }
    const Rect r = table->getRowRect(row_);
    const double x = r.x + r.width / 2 < point.x ? r.x + r.width : r.x;
    const Point end(x, r.y + r.height / 2);
    if (incoming())
        l->setEndPoint(end);
    else
        l->setStartPoint(end);
    saveRelativePosition();
}

void TableConnectionPoint::saveRelativePosition() {
    const std::shared_ptr<TableNode> table = rowTable();
    if (!table) {
        ConnectionPoint::saveRelativePosition();
        return;
    }
    if (!link()) return;
    // Drawn to a folded container's strip, the end keeps its share of the row for the unfold.
    if (table->getFoldedContainer()) return;
    const Point p = linkEndPoint();
    const Rect r = table->getRowRect(row_);
    const double x = percentOf(p.x - r.x, r.width);
    const double y = percentOf(p.y - r.y, r.height);
    setRelativePosition(Point(LinkGatherer::exactShare(p.x, r.x, r.width, x),
                              LinkGatherer::exactShare(p.y, r.y, r.height, y)));
}

Point TableConnectionPoint::positionFromNode() {
    const std::shared_ptr<TableNode> table = rowTable();
    // A folded container that hides the table takes the end, as it takes any other.
    if (!table || table->getFoldedContainer()) return ConnectionPoint::positionFromNode();
    const Rect r = table->getRowRect(row_);
    const Point rel = relativePosition();
    return Point(r.x + r.width * rel.x / 100, r.y + r.height * rel.y / 100);
}

Point TableConnectionPoint::getCenter() {
    if (const std::shared_ptr<TableNode> table = rowTable()) return table->getRowRect(row_).center();
    return ConnectionPoint::getCenter();
}

}  // namespace nodeloom
