#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <variant>
#include <vector>

#include "Nodeloom/foundation/Graph.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/layout/Layout.h"
#include "Nodeloom/layout/LayoutGraph.h"

namespace nodeloom {

class ContainerNode;
class Diagram;
class DiagramLink;
class DiagramNode;
class LayoutContainer;

// The layout driver: everything of an arrangement that touches the document. It builds the
// layout graph from a container (one vertex per block of nodes that move together, one edge per
// link between blocks), splits it into connected components, lets the layout arrange each,
// places the components from the container's origin plus the margins, writes node bounds and
// link points back, treats the link anchors as the layout asks and repairs the self-loops and
// repeated links it set aside.
//
// An optional container below is the container node being arranged; null for the document.
class LayoutUtils {
public:
    using NodeList = std::vector<std::shared_ptr<DiagramNode>>;
    using LinkList = std::vector<std::shared_ptr<DiagramLink>>;
    using NodeSet = std::unordered_set<std::shared_ptr<DiagramNode>>;
    // Layout root to the members of its block (the root included).
    using GroupMap = std::unordered_map<std::shared_ptr<DiagramNode>, NodeSet>;
    // Block member to its layout root.
    using RootMap = std::unordered_map<std::shared_ptr<DiagramNode>, std::shared_ptr<DiagramNode>>;
    // A link's (originAnchor, destinationAnchor) before its component was arranged.
    using SavedAnchors = std::unordered_map<std::shared_ptr<DiagramLink>, std::pair<int, int>>;
    // A layout root, or why the node has none.
    using RootResult = std::variant<std::shared_ptr<DiagramNode>, LayoutError>;

    LayoutUtils() = delete;

    // Arranges the document's nodes and links, from (bounds.x + margins, bounds.y + margins).
    // Records no undo step; Diagram::arrange wraps it in one. An arrangement that would leave a
    // node or a link point with a number that is not finite (sizes near the largest number) is
    // taken back whole: false, and the items are as they were.
    static bool arrangeContainer(Layout& layout, Diagram& diagram);
    // Arranges a container's children and its inner links, from its left + margins and its top +
    // caption height + margins, then runs `finish` (the container's fit to its children); refused
    // as above when anything either step moved, the container and those holding it included,
    // came out with a number that is not finite.
    static bool arrangeContainer(Layout& layout, ContainerNode& container,
                                 const std::function<void()>& finish = {});

    // The layout graph of the nodes and links: one vertex per layout root, in the order the roots
    // appear in `nodes`, holding the top-left corner and size of its block; one edge per link
    // that takes part. With mergesRepeatingLinks, self-loops and links that repeat an edge
    // between the same two blocks (either way) make no edge and are set aside.
    static LayoutGraph buildLayoutGraph(bool mergesRepeatingLinks, bool keepGroupLayout,
                                        const NodeList& nodes, const LinkList& links,
                                        const ContainerNode* container);
    // Fills the blocks and each member's root. A node caught in a container or attachment cycle
    // is its own root.
    static void collectLayoutNodes(const NodeList& nodes, GroupMap& groups, RootMap& rootOf,
                                   bool keepGroupLayout, const ContainerNode* container);
    // The node that stands for the node's block: its outermost container below `container`, and
    // with keepGroupLayout its outermost master. A cycle answers the node itself, or
    // cycleWithIgnoredNodes when a node of the cycle takes no part in layouts.
    static RootResult findLayoutRoot(const std::shared_ptr<DiagramNode>& node,
                                     bool keepGroupLayout, const ContainerNode* container);
    // The node, its visible children that take part in layouts when it is a container, and with
    // keepGroupLayout its visible attached nodes that take part, recursively. Nodes already in
    // `visited` are not walked again, so a cycle ends the walk.
    static void collectGroupMembers(const std::shared_ptr<DiagramNode>& node, NodeSet& members,
                                    NodeSet& visited, bool keepGroupLayout);
    // The union of the members' bounds; nothing for no members.
    static std::optional<Rect> groupBounds(const NodeSet& members);
    // Writes one arranged component back, moved so that its bounds start at (x, y) unless the
    // layout keeps component positions. Answers the component's bounds as the layout left them.
    static Rect applyLayoutGraph(Graph& graph, Layout& layout, const SavedAnchors& savedAnchors,
                                 LayoutContainer& container, double x, double y);
    // The union of the vertices' rectangles around their centres; the default for no vertices.
    static Rect layoutGraphBounds(const Graph& graph, const Rect& defaultRect);
};

}  // namespace nodeloom
