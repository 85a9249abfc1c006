#pragma once

#include <memory>
#include <utility>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/items/DiagramNode.h"

namespace nodeloom {

class AnchorPoint;
class DiagramLink;

// One end of a link: the node at that end and the link (both held weakly), which end it is, where
// on the node the end sits (in percent of the node's bounds) and the anchor point it is snapped
// to. Once the node or the link is gone, the operations do nothing and the queries answer from
// what is left.
class ConnectionPoint {
public:
    // The relative position is taken from the link's current end point on this side.
    ConnectionPoint(const std::shared_ptr<DiagramNode>& node,
                    const std::shared_ptr<DiagramLink>& link, bool incoming);
    virtual ~ConnectionPoint();

    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    virtual std::shared_ptr<DiagramNode> node() const { return node_.lock(); }
    virtual void setNode(const std::shared_ptr<DiagramNode>& node) { node_ = node; }
    virtual std::shared_ptr<DiagramLink> link() const { return link_.lock(); }
    virtual void setLink(const std::shared_ptr<DiagramLink>& link) { link_ = link; }

    // Enters the link in the node's incoming (for the destination end) or outgoing list, once.
    virtual void addLinkToNode();
    virtual void removeLinkFromNode();
    // Snaps the end to the node's nearest admitting anchor point, else to its nearest border
    // point, and moves the link's end there.
    virtual void alignToNode(Point point);
    virtual void saveRelativePosition();
    // Where the end lies now: on the folded container that hides the node, else at its anchor
    // point, else at its relative position, turned with the node.
    virtual Point positionFromNode();
    // The anchor point the end is snapped to; null when it is not, or when the pattern no longer
    // has a point at that index.
    virtual std::shared_ptr<AnchorPoint> getAnchorPoint();
    virtual std::pair<Point, int> getAlignedPoint(Point point);
    // The row of a table or tree node the end attaches to; -1 here, and setting it does nothing.
    virtual int row() const;
    virtual void setRow(int row);
    // Whether the end sits on one row of its node rather than on the node as a whole: here,
    // whether it has a row.
    virtual bool sitsOnRow() const;
    // The centre of the node's bounds.
    virtual Point getCenter();
    // Whether both ends list their link in the same list: the same node, the same direction and,
    // where the node lists links by row or item, the same row or item.
    virtual bool sharesListWith(const ConnectionPoint& other) const;

    bool incoming() const { return incoming_; }
    Point relativePosition() const { return relativePosition_; }
    void setRelativePosition(Point position) { relativePosition_ = position; }
    int anchor() const { return anchor_; }
    void setAnchor(int anchor) { anchor_ = anchor; }

protected:
    // The link's end point on this side, or (0, 0) without the link.
    Point linkEndPoint() const;

private:
    std::weak_ptr<DiagramNode> node_;
    std::weak_ptr<DiagramLink> link_;
    bool incoming_;
    Point relativePosition_;
    int anchor_ = -1;
};

class VirtualNode;

// The end of a link that has no real node: it sits on a virtual node, keeps no link lists and
// never moves the link.
class VirtualConnectionPoint : public ConnectionPoint {
public:
    // On the shared virtual node.
    VirtualConnectionPoint(const std::shared_ptr<DiagramLink>& link, bool incoming);
    // On a virtual node of its own, which the end keeps alive: nothing else owns it. A null
    // node stands for the shared one.
    VirtualConnectionPoint(const std::shared_ptr<VirtualNode>& node,
                           const std::shared_ptr<DiagramLink>& link, bool incoming);

    void addLinkToNode() override;
    void removeLinkFromNode() override;
    void alignToNode(Point point) override;
    // The link's own end point on this side.
    Point getCenter() override;

private:
    std::shared_ptr<VirtualNode> ownNode_;
};

// The shared stand-in node at the loose end of a link.
class VirtualNode : public DiagramNode {
public:
    VirtualNode() = default;

    // Made on first use; setting null makes the next read create a new one.
    static std::shared_ptr<VirtualNode> instance();
    static void setInstance(std::shared_ptr<VirtualNode> node);

    // A virtual end on this node, whatever the point; the end keeps a node other than the
    // shared instance alive.
    std::shared_ptr<ConnectionPoint> createConnectionPoint(const std::shared_ptr<DiagramLink>& link,
                                                           Point point, bool incoming) override;
    bool isRealNode() const override;
};

}  // namespace nodeloom
