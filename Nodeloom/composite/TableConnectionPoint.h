#pragma once

#include <memory>

#include "Nodeloom/items/ConnectionPoint.h"

namespace nodeloom {

class TableNode;

// A link end on a table. With a row (0 or more) the end sits on the left or right edge of that
// row, in its middle, and the row lists the link instead of the node; with row -1 it is a plain
// end on the node. An end whose row the table no longer has behaves as a plain end, and on
// entering the table's lists it becomes one.
class TableConnectionPoint : public ConnectionPoint {
public:
    // A plain end (row -1) until a row is set.
    TableConnectionPoint(const std::shared_ptr<DiagramNode>& node,
                         const std::shared_ptr<DiagramLink>& link, bool incoming);

    void addLinkToNode() override;
    void removeLinkFromNode() override;
    // Puts the end on the edge of the row on the point's side, at the row's middle.
    void alignToNode(Point point) override;
    // In percent of the row's rectangle; an axis on which the rectangle has no extent gives 50.
    void saveRelativePosition() override;
    Point positionFromNode() override;
    int row() const override { return row_; }
    void setRow(int row) override { row_ = row; }
    // The centre of the row's rectangle, or of the node.
    Point getCenter() override;

private:
    // The table, when the end sits on a row it has.
    std::shared_ptr<TableNode> rowTable() const;

    int row_ = -1;
};

}  // namespace nodeloom
