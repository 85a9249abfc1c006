#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/RawValue.h"
#include "Nodeloom/layout/Layout.h"

namespace nodeloom {

// The point lists the tree layout gives to the tree's edges: none (the links are drawn straight
// between the node outlines), a straight line between the facing sides, or a line with two bends
// in the gap in front of the child's level.
enum class TreeLayoutLinkType {
    default_ = 0,
    straight = 1,
    cascading = 2,
};

// Kinds and sides of assistant nodes in an organisation chart; no arrangement uses them yet.
enum class AssistantType {
    normal = 1,
    left = 2,
    right = 3,
};

enum class AssistantPosition {
    left = 1,
    right = 2,
};

template <>
std::optional<TreeLayoutLinkType> fromRaw<TreeLayoutLinkType>(int raw);
template <>
std::optional<AssistantType> fromRaw<AssistantType>(int raw);
template <>
std::optional<AssistantPosition> fromRaw<AssistantPosition>(int raw);

// Arranges each component as a rooted tree: the root is the first vertex without incoming edges,
// a breadth-first spanning tree follows the outgoing edges, the levels are bands that advance in
// the layout's direction, every parent is centred over its children, and neighbouring subtrees
// are pushed apart until they are nodeDistance apart at every depth they share.
//
// Along the cross axis (x when the levels advance vertically, y otherwise) c(v) is a vertex's
// coordinate and s(v) its size; e(v) is its extent along the level axis. Vertices reached from
// the root are placed; other vertices keep the values they came with.
class TreeLayout : public Layout {
public:
    // An operation on one vertex of a subtree walk, with the walk's context value.
    using SubtreeAction = std::function<void(Vertex& vertex, Point context)>;
    // The vertices of a subtree by level.
    using LevelMap = std::unordered_map<int, std::vector<const Vertex*>>;

    TreeLayout() = default;

    // False when no vertex is without incoming edges (an edge from a vertex to itself does not
    // count), so that the component is left alone; otherwise arranges and answers true.
    bool arrangeGraph(const std::shared_ptr<Graph>& graph) override;

    bool computesLinkEnds() const override { return true; }
    bool mergesRepeatingLinks() const override { return false; }
    bool usesCascadingLinks() const override { return linkType() == TreeLayoutLinkType::cascading; }
    bool keepsComponentPosition() const override { return keepRootPosition(); }

    // The gap between consecutive level bands.
    virtual double levelDistance() const { return levelDistance_; }
    virtual void setLevelDistance(double distance) { levelDistance_ = distance; }
    // The smallest gap between neighbouring subtrees along the cross axis.
    virtual double nodeDistance() const { return nodeDistance_; }
    virtual void setNodeDistance(double distance) { nodeDistance_ = distance; }
    // The root keeps the centre its block had, and the component stays where it is.
    virtual bool keepRootPosition() const { return keepRootPosition_; }
    virtual void setKeepRootPosition(bool keep) { keepRootPosition_ = keep; }
    virtual LayoutDirection direction() const { return direction_; }
    virtual void setDirection(LayoutDirection direction) { direction_ = direction; }
    virtual TreeLayoutLinkType linkType() const { return linkType_; }
    virtual void setLinkType(TreeLayoutLinkType type) { linkType_ = type; }
    // Kept for organisation charts; the arrangement does not read them.
    virtual bool enableAssistants() const { return enableAssistants_; }
    virtual void setEnableAssistants(bool enable) { enableAssistants_ = enable; }
    virtual bool compactAssistants() const { return compactAssistants_; }
    virtual void setCompactAssistants(bool compact) { compactAssistants_ = compact; }

    // Gives every tree edge its straight or cascading point list.
    virtual void setStraightLinkPoints(Graph& tree);
    virtual void setCascadingLinkPoints(Graph& tree);
    // How far the right subtree lies to the right of the left one along the cross axis: the
    // smallest gap between the two vertices and between the subtrees at every level they share
    // (the left subtree's far edge counted from 0 at the least).
    virtual double subtreeGap(const Graph& tree, const Vertex& left, const Vertex& right);
    // c + s / 2 and c - s / 2.
    virtual double vertexFarEdge(const Vertex& vertex) const;
    virtual double vertexNearEdge(const Vertex& vertex) const;
    // Appends the subtree's vertices to the map by level, in pre-order.
    virtual void measureSubtree(const Graph& tree, const Vertex& vertex, LevelMap& map);
    // Calls the action on every vertex of the subtree in pre-order.
    virtual void visitSubtree(const Graph& tree, Vertex& vertex, const SubtreeAction& action,
                              Point context);

    // The breadth-first spanning tree from the root along outgoing edges: its vertices in the
    // order they were reached, the edges by which they were reached, the root, and the vertices
    // of each depth. Sets each reached vertex's level and parent.
    std::shared_ptr<Graph> buildRootedTree(const std::shared_ptr<Vertex>& root) const;
    // The vertex's children in the tree, in the order of its outgoing edges. The tree is one that
    // buildRootedTree made and whose vertices have not been given to another tree since.
    std::vector<std::shared_ptr<Vertex>> treeChildren(const Graph& tree, const Vertex& vertex) const;

private:
    struct Axes;
    // The subtree separation as the walks over whole subtrees do it, on the tree's vertices; for
    // sizes or distances that subtree contours cannot order.
    void separateBySubtreeWalks(const Axes& axes, Graph& tree);

    double levelDistance_ = 10.0;
    double nodeDistance_ = 10.0;
    bool keepRootPosition_ = false;
    LayoutDirection direction_ = LayoutDirection::topToBottom;
    TreeLayoutLinkType linkType_ = TreeLayoutLinkType::default_;
    bool enableAssistants_ = false;
    bool compactAssistants_ = false;
};

}  // namespace nodeloom
