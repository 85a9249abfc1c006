#pragma once

#include <memory>
#include <optional>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/foundation/Size.h"

namespace nodeloom {

class ConnectionPoint;
class ContainerNode;
class Diagram;
class DiagramLink;
class DiagramNode;
class Shape;
class ShapeNode;
class TableNode;

// Puts new items into one document, complete and already part of it when the call returns.
//
// A node is placed at its rectangle as it is (not snapped to the grid) and added with the
// document's addItem, so that with undo on it is one undoable step of its own, or part of the
// composite the caller has open. A link is added without undo. No event is raised: the
// interactive controllers raise the creation events.
//
// Bad input creates nothing: a rectangle or point with a number that is not finite, or a null
// node, answers null and leaves the document as it was.
class Factory {
public:
    // The document owns the factory; the factory refers to it without owning it.
    explicit Factory(Diagram* diagram) : diagram_(diagram) {}

    Factory(const Factory&) = delete;
    Factory& operator=(const Factory&) = delete;

    Diagram* diagram() const { return diagram_; }

    std::shared_ptr<ShapeNode> createShapeNode(double x, double y, double width, double height);
    std::shared_ptr<ShapeNode> createShapeNode(Point location, Size size);
    std::shared_ptr<ShapeNode> createShapeNode(const Rect& bounds);
    // A null shape keeps the node's default shape.
    std::shared_ptr<ShapeNode> createShapeNode(double x, double y, double width, double height,
                                               const std::shared_ptr<Shape>& shape);
    std::shared_ptr<ShapeNode> createShapeNode(Point location, Size size,
                                               const std::shared_ptr<Shape>& shape);
    std::shared_ptr<ShapeNode> createShapeNode(const Rect& bounds,
                                               const std::shared_ptr<Shape>& shape);

    std::shared_ptr<ContainerNode> createContainerNode(double x, double y, double width,
                                                       double height);
    std::shared_ptr<ContainerNode> createContainerNode(Point location, Size size);
    std::shared_ptr<ContainerNode> createContainerNode(const Rect& bounds);
    // A container without a fold button when foldable is false.
    std::shared_ptr<ContainerNode> createContainerNode(double x, double y, double width,
                                                       double height, bool foldable);
    std::shared_ptr<ContainerNode> createContainerNode(Point location, Size size, bool foldable);
    std::shared_ptr<ContainerNode> createContainerNode(const Rect& bounds, bool foldable);

    // A table without rows or columns.
    std::shared_ptr<TableNode> createTableNode(double x, double y, double width, double height);
    std::shared_ptr<TableNode> createTableNode(Point location, Size size);
    std::shared_ptr<TableNode> createTableNode(const Rect& bounds);
    // A table of default columns, rows and cells; a negative count counts as 0.
    std::shared_ptr<TableNode> createTableNode(double x, double y, double width, double height,
                                               int columns, int rows);
    std::shared_ptr<TableNode> createTableNode(Point location, Size size, int columns, int rows);
    std::shared_ptr<TableNode> createTableNode(const Rect& bounds, int columns, int rows);

    // From the border of one node to the border of the other, each end on the side facing the
    // other node's centre (or on the anchor point nearest to it).
    std::shared_ptr<DiagramLink> createDiagramLink(const std::shared_ptr<DiagramNode>& origin,
                                                   const std::shared_ptr<DiagramNode>& destination);
    // From one anchor point to another; an anchor the node does not have leaves that end on the
    // node's outline.
    std::shared_ptr<DiagramLink> createDiagramLink(const std::shared_ptr<ShapeNode>& origin,
                                                   int originAnchor,
                                                   const std::shared_ptr<ShapeNode>& destination,
                                                   int destAnchor);
    // Between two tables, each end on its table as a whole.
    std::shared_ptr<DiagramLink> createDiagramLink(const std::shared_ptr<TableNode>& origin,
                                                   const std::shared_ptr<TableNode>& destination);
    // Ends on table rows, each on the side of its row that faces the other end; a row the table
    // does not have puts that end on the table as a whole.
    std::shared_ptr<DiagramLink> createDiagramLink(const std::shared_ptr<TableNode>& origin,
                                                   int originRow,
                                                   const std::shared_ptr<TableNode>& destination,
                                                   int destRow);
    std::shared_ptr<DiagramLink> createDiagramLink(const std::shared_ptr<DiagramNode>& origin,
                                                   const std::shared_ptr<TableNode>& destination,
                                                   int destRow);
    std::shared_ptr<DiagramLink> createDiagramLink(const std::shared_ptr<TableNode>& origin,
                                                   int originRow,
                                                   const std::shared_ptr<DiagramNode>& destination);
    // A link with a loose end at the point; each loose end sits on a virtual node of its own.
    std::shared_ptr<DiagramLink> createDiagramLink(const std::shared_ptr<DiagramNode>& origin,
                                                   Point destination);
    std::shared_ptr<DiagramLink> createDiagramLink(Point origin,
                                                   const std::shared_ptr<DiagramNode>& destination);
    std::shared_ptr<DiagramLink> createDiagramLink(Point origin, Point destination);

private:
    // Binds the new node to the document, stores its rectangle and adds it; false, and nothing
    // added, for a rectangle that is not finite or a factory without a document.
    bool place(const std::shared_ptr<DiagramNode>& node, const Rect& bounds);
    std::shared_ptr<DiagramLink> newLink() const;
    // A link between two node ends, each aligned towards the other end's reference point. An end
    // with a row is a table end on that row (-1: the whole table); one without is the node's own
    // end at its centre.
    std::shared_ptr<DiagramLink> linkEnds(const std::shared_ptr<DiagramNode>& origin,
                                          std::optional<int> originRow,
                                          const std::shared_ptr<DiagramNode>& destination,
                                          std::optional<int> destRow);
    // A loose end of the link at its current start (end) point, on a new virtual node.
    static std::shared_ptr<ConnectionPoint> looseEnd(const std::shared_ptr<DiagramLink>& link,
                                                     bool incoming);
    // Gives the link the document's segment count and adds it without undo.
    void finish(const std::shared_ptr<DiagramLink>& link);

    Diagram* diagram_;
};

}  // namespace nodeloom
