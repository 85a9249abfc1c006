#include "Nodeloom/layout/LayoutUtils.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/LayoutContainer.h"
#include "Nodeloom/items/DiagramItemState.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom {

namespace {

bool takesPart(const DiagramItem& item) {
    return !item.ignoreLayout() && item.visible();
}

// The node the item is attached to, when the item is a node and its master a node.
std::shared_ptr<DiagramNode> masterNode(const DiagramNode& node) {
    return std::dynamic_pointer_cast<DiagramNode>(node.master());
}

// The nodes a container holds, in the order they joined it; none for any other node.
const std::vector<std::shared_ptr<DiagramNode>>& containerChildren(const DiagramNode& node) {
    static const std::vector<std::shared_ptr<DiagramNode>> none;
    const auto* container = dynamic_cast<const ContainerNode*>(&node);
    return container != nullptr ? container->children() : none;
}

// Whether the node's content is out of sight: a folded container's children are neither drawn
// nor hit, so they do not make its block larger.
bool hidesChildren(const DiagramNode& node) {
    const auto* container = dynamic_cast<const ContainerNode*>(&node);
    return container != nullptr && container->folded();
}

// An unordered pair of vertices, as a key of the edge that joins them.
struct VertexPair {
    const Vertex* a;
    const Vertex* b;
    VertexPair(const Vertex* p, const Vertex* q)
        : a(std::less<const Vertex*>()(p, q) ? p : q), b(std::less<const Vertex*>()(p, q) ? q : p) {}
    bool operator==(const VertexPair&) const = default;
};

struct VertexPairHash {
    std::size_t operator()(const VertexPair& p) const {
        const std::size_t h = std::hash<const Vertex*>()(p.a);
        return h ^ (std::hash<const Vertex*>()(p.b) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2));
    }
};


// The folded container that hides the node, if any.
std::shared_ptr<ContainerNode> foldedAround(const std::shared_ptr<DiagramNode>& node) {
    return node && node->container() ? node->getFoldedContainer() : nullptr;
}

// An end on a node hidden in a folded container is drawn on the container: an end the layout
// put anywhere else (clipped to the hidden node's outline, say) goes to the container's outline
// on the way to the next point. Answers whether an end moved.
bool moveEndOntoFold(DiagramLink& link, bool incoming) {
    const std::vector<Point>& points = link.controlPoints();
    if (points.size() < 2) return false;
    const std::shared_ptr<ContainerNode> folded =
        foldedAround(incoming ? link.destination() : link.origin());
    if (!folded) return false;
    Rect strip = folded->bounds();
    const Point end = incoming ? points.back() : points.front();
    const double slack = 1e-9 * std::max({1.0, std::abs(strip.x), std::abs(strip.y),
                                          std::abs(strip.width), std::abs(strip.height)});
    strip.inflate(slack, slack);
    if (strip.containsPoint(end)) return false;
    const Point next = incoming ? points[points.size() - 2] : points[1];
    const Point onFold = folded->getIntersection(folded->bounds().center(), next);
    if (incoming)
        link.setEndPoint(onFold);
    else
        link.setStartPoint(onFold);
    return true;
}

// Makes the link a straight two-point polyline between the outlines of its nodes (of the folded
// containers that hide them); an end on a row goes onto its row, as the links a layout gives
// points do, and where the next scroll or reading of the document would put it.
void straighten(DiagramLink& link) {
    link.setShape(LinkShape::polyline);
    link.setControlPoints({link.startPoint(), link.endPoint()});
    link.clipEndsToOutlines();
    link.alignEndsToRows();
    moveEndOntoFold(link, false);
    moveEndOntoFold(link, true);
    link.updateFromPoints();
}

Rect vertexRect(const Vertex& v) {
    return Rect(v.x() - v.width() / 2, v.y() - v.height() / 2, v.width(), v.height());
}

// Moves the component's nodes and gives its links their points and anchors, as
// applyLayoutGraph does, straightening the given links when the layout applies no points.
Rect writeBack(Graph& graph, Layout& layout, const LayoutUtils::SavedAnchors& savedAnchors,
               LayoutContainer& container, double x, double y,
               const LayoutUtils::LinkList& straightLinks) {
    const Rect gb = LayoutUtils::layoutGraphBounds(graph, container.layoutBounds());
    double dx = 0, dy = 0;
    if (!layout.keepsComponentPosition()) {
        dx = x - gb.x;
        dy = y - gb.y;
    }
    const bool keepGroup = layout.keepGroupLayout();
    // Held for the whole pass: moving one node runs the document's rules, which must not drop
    // another vertex's node from under the walk.
    const std::vector<std::shared_ptr<Vertex>> vertices = graph.vertices();
    for (const auto& v : vertices) {
        if (!v) continue;
        const auto node = std::dynamic_pointer_cast<DiagramNode>(v->owner());
        if (!node) continue;
        double width = v->width(), height = v->height();
        if (keepGroup) {
            const Rect b = node->bounds();
            width = b.width;
            height = b.height;
        }
        node->setBounds(Rect(v->x() - v->width() / 2 + dx, v->y() - v->height() / 2 + dy, width,
                             height),
                        true);
    }

    const std::vector<std::shared_ptr<Edge>> edges = graph.edges();
    if (layout.appliesLinkPoints()) {
        const bool cascading = layout.usesCascadingLinks();
        const bool computesEnds = layout.computesLinkEnds();
        for (const auto& e : edges) {
            if (!e) continue;
            const auto link = std::dynamic_pointer_cast<DiagramLink>(e->owner());
            if (!link) continue;
            if (cascading) link->setShape(LinkShape::cascading);
            link->applyPoints(e->points(), dx, dy, !computesEnds, false);
            if (computesEnds) link->updateFromPoints();
            link->alignEndsToRows();
            const bool originMoved = moveEndOntoFold(*link, false);
            if (moveEndOntoFold(*link, true) || originMoved) link->updateFromPoints();
        }
    } else {
        for (const auto& link : straightLinks)
            if (link) straighten(*link);
    }

    const Anchoring anchoring = layout.anchoring();
    if (anchoring != Anchoring::ignore) {
        for (const auto& e : edges) {
            if (!e) continue;
            const auto link = std::dynamic_pointer_cast<DiagramLink>(e->owner());
            if (!link) continue;
            if (anchoring == Anchoring::keep) {
                const auto it = savedAnchors.find(link);
                if (it == savedAnchors.end()) continue;
                link->setOriginAnchor(it->second.first);
                link->setDestinationAnchor(it->second.second);
            } else {
                const auto origin = link->origin();
                const auto destination = link->destination();
                if (origin)
                    link->setOriginAnchor(
                        origin->getNearestAnchorPoint(link->startPoint(), link, false).second);
                if (destination)
                    link->setDestinationAnchor(
                        destination->getNearestAnchorPoint(link->endPoint(), link, true).second);
            }
        }
    }
    return gb;
}

// The links whose points a write-back may have moved: those of the vertices' nodes and of every
// node that follows them (container children and attached nodes, recursively).
std::vector<std::shared_ptr<DiagramLink>> linksMovedWith(const Graph& graph) {
    std::vector<std::shared_ptr<DiagramLink>> links;
    std::unordered_set<const DiagramLink*> seenLinks;
    std::unordered_set<const DiagramNode*> seenNodes;
    std::vector<std::shared_ptr<DiagramNode>> stack;
    for (const auto& v : graph.vertices()) {
        if (!v) continue;
        auto node = std::dynamic_pointer_cast<DiagramNode>(v->owner());
        if (node && seenNodes.insert(node.get()).second) stack.push_back(std::move(node));
    }
    while (!stack.empty()) {
        const std::shared_ptr<DiagramNode> node = std::move(stack.back());
        stack.pop_back();
        for (const auto& link : node->getAllLinks())
            if (link && seenLinks.insert(link.get()).second) links.push_back(link);
        for (const auto& a : node->attachedNodes())
            if (a && seenNodes.insert(a.get()).second) stack.push_back(a);
        for (const auto& c : containerChildren(*node))
            if (c && seenNodes.insert(c.get()).second) stack.push_back(c);
    }
    return links;
}

// A container node as the driver arranges it: its children in the order they joined, and its
// inner links (each link belongs to the innermost container that holds both its ends), read
// once for the whole arrangement. Neither needs the container to be in a document.
class ContainerContent : public LayoutContainer {
public:
    explicit ContainerContent(ContainerNode& container)
        : container_(container),
          children_(container.children()),
          links_(container.getInnerLinks()) {}

    std::vector<std::shared_ptr<DiagramLink>> layoutLinks() const override { return links_; }
    Rect layoutBounds() const override { return container_.bounds(); }
    const LayoutUtils::NodeList& children() const { return children_; }

private:
    ContainerNode& container_;
    // Held: moving the children runs the document's rules, which must not drop one from under
    // the arrangement.
    LayoutUtils::NodeList children_;
    std::vector<std::shared_ptr<DiagramLink>> links_;
};

// What an arrangement may write: the nodes of the graph with every node that follows them, and
// their links and the container's. Kept so that an arrangement that came out with a number no
// document can hold is taken back whole.
class Snapshot {
public:
    // With a container node, the container and every container holding it are kept as well,
    // with what follows them: fitting the container to its children moves them all.
    Snapshot(const Graph& graph, const LayoutContainer& container,
             const ContainerNode* containerNode) {
        std::unordered_set<const DiagramItem*> seen;
        std::vector<std::shared_ptr<DiagramNode>> stack;
        std::shared_ptr<DiagramNode> outermost =
            containerNode != nullptr
                ? std::dynamic_pointer_cast<DiagramNode>(
                      std::const_pointer_cast<DiagramItem>(containerNode->weak_from_this().lock()))
                : nullptr;
        if (outermost) {
            // Containers nested in a loop by hand: the walk ends where it began.
            std::unordered_set<const DiagramNode*> walked{outermost.get()};
            while (const std::shared_ptr<ContainerNode> parent = outermost->container()) {
                if (!walked.insert(parent.get()).second) break;
                outermost = parent;
            }
            seen.insert(outermost.get());
            stack.push_back(std::move(outermost));
        }
        for (const auto& v : graph.vertices()) {
            if (!v) continue;
            auto node = std::dynamic_pointer_cast<DiagramNode>(v->owner());
            if (node && seen.insert(node.get()).second) stack.push_back(std::move(node));
        }
        const auto keepLink = [&](const std::shared_ptr<DiagramLink>& link) {
            if (link && seen.insert(link.get()).second) links_.emplace_back(link, link->saveState());
        };
        while (!stack.empty()) {
            const std::shared_ptr<DiagramNode> node = std::move(stack.back());
            stack.pop_back();
            nodes_.emplace_back(node, node->saveState());
            for (const auto& link : node->getAllLinks())
                keepLink(link);
            for (const auto& a : node->attachedNodes())
                if (a && seen.insert(a.get()).second) stack.push_back(a);
            for (auto& c : containerChildren(*node))
                if (seen.insert(c.get()).second) stack.push_back(std::move(c));
        }
        for (const auto& link : container.layoutLinks())
            keepLink(link);
    }

    // Whether every node the arrangement may have moved has finite bounds and every link finite
    // points.
    bool finite() const {
        for (const auto& [node, state] : nodes_) {
            const Rect b = node->bounds();
            if (!b.isFinite() || !std::isfinite(b.right()) || !std::isfinite(b.bottom()))
                return false;
            // A folded container keeps the size that unfolding will give it.
            if (const auto* c = dynamic_cast<const ContainerNode*>(node.get()); c && c->folded()) {
                const Size size = c->unfoldedSize();
                if (!std::isfinite(size.width) || !std::isfinite(size.height) ||
                    !std::isfinite(b.x + size.width) || !std::isfinite(b.y + size.height))
                    return false;
            }
        }
        for (const auto& [link, state] : links_) {
            for (const Point& p : link->controlPoints())
                if (!p.isFinite()) return false;
        }
        return true;
    }

    // Nodes first: a link's state puts its ends back on nodes that are where they were.
    void restore() const {
        for (const auto& [node, state] : nodes_)
            if (state) node->restoreState(*state);
        for (const auto& [link, state] : links_)
            if (state) link->restoreState(*state);
    }

private:
    std::vector<std::pair<std::shared_ptr<DiagramNode>, std::shared_ptr<DiagramItemState>>> nodes_;
    std::vector<std::pair<std::shared_ptr<DiagramLink>, std::shared_ptr<DiagramItemState>>> links_;
};

void arrangeComponents(Layout& layout, LayoutContainer& container, const LayoutGraph& built,
                       double captionHeight);

bool arrange(Layout& layout, LayoutContainer& container, const LayoutUtils::NodeList& nodes,
             const ContainerNode* containerNode, double captionHeight,
             const std::function<void()>& finish = {}) {
    const LayoutGraph built =
        LayoutUtils::buildLayoutGraph(layout.mergesRepeatingLinks(), layout.keepGroupLayout(),
                                      nodes, container.layoutLinks(), containerNode);
    const Snapshot before(*built.graph, container, containerNode);
    arrangeComponents(layout, container, built, captionHeight);
    if (finish) finish();
    if (before.finite()) return true;
    before.restore();
    return false;
}

void arrangeComponents(Layout& layout, LayoutContainer& container, const LayoutGraph& built,
                       double captionHeight) {
    const std::shared_ptr<Graph>& graph = built.graph;
    std::vector<std::shared_ptr<Graph>> components;
    if (layout.requiresConnectedGraph())
        components = graph->connectedComponents();
    else
        components.push_back(graph);

    const Rect bounds = container.layoutBounds();
    double x = bounds.x + layout.margins();
    double y = bounds.y + captionHeight + layout.margins();
    bool straightenedAll = false;
    for (const auto& component : components) {
        // Only kept anchors are read back; the others need not be saved.
        LayoutUtils::SavedAnchors saved;
        if (layout.anchoring() == Anchoring::keep) {
            for (const auto& e : component->edges()) {
                if (!e) continue;
                if (auto link = std::dynamic_pointer_cast<DiagramLink>(e->owner()))
                    saved[link] = {link->originAnchor(), link->destinationAnchor()};
            }
        }
        if (!layout.arrangeGraph(component)) continue;
        // Every link of the container becomes straight after each component. Straightening an
        // already straight link whose nodes stayed put changes nothing, so after the first
        // component only the links that move with this one need it.
        LayoutUtils::LinkList straightLinks;
        if (!layout.appliesLinkPoints()) {
            straightLinks = straightenedAll ? linksMovedWith(*component) : container.layoutLinks();
            straightenedAll = true;
        }
        const Rect r = writeBack(*component, layout, saved, container, x, y, straightLinks);
        if (layout.multipleGraphsPlacement() == MultipleGraphsPlacement::horizontal)
            x = x + r.width + layout.margins();
        else
            y = y + r.height + layout.margins();
    }

    for (const auto& link : built.selfLoops->links()) {
        if (!link) continue;
        if (const auto origin = link->origin()) origin->makeSelfLoop(link);
    }
    for (const auto& entry : built.repeatingLinks->entries())
        for (const auto& link : entry.links)
            if (link) straighten(*link);
}

// Walks the node's block: the node, its container's children and, with keepGroupLayout, its
// attached nodes, recursively, each that takes part. `add` gets each node with whether it lies
// out of sight inside a folded container, and answers false for a node the walk has met
// already, whose own members are then not walked again. An explicit stack keeps a deep nesting
// from exhausting the call stack.
template <typename Add>
void walkGroup(const std::shared_ptr<DiagramNode>& node, bool keepGroupLayout, Add&& add) {
    std::vector<std::pair<std::shared_ptr<DiagramNode>, bool>> stack{{node, false}};
    while (!stack.empty()) {
        const auto [current, hidden] = std::move(stack.back());
        stack.pop_back();
        if (!add(current, hidden)) continue;
        // An attached node is no child: it is drawn wherever its master is.
        if (keepGroupLayout) {
            for (const auto& a : current->attachedNodes())
                if (a && takesPart(*a)) stack.emplace_back(a, false);
        }
        const bool childrenHidden = hidden || hidesChildren(*current);
        for (const auto& c : containerChildren(*current))
            if (c && takesPart(*c)) stack.emplace_back(c, childrenHidden);
    }
}

// The union of the nodes' bounds: the extreme edges first and the size last, since folding
// rectangles one by one would round differently in each order of the nodes.
template <typename Nodes>
std::optional<Rect> boundsOf(const Nodes& nodes) {
    bool any = false;
    double left = 0, top = 0, right = 0, bottom = 0;
    for (const auto& m : nodes) {
        if (!m) continue;
        const Rect b = m->bounds();
        if (!any) {
            left = b.x;
            top = b.y;
            right = b.x + b.width;
            bottom = b.y + b.height;
            any = true;
            continue;
        }
        left = std::min(left, b.x);
        top = std::min(top, b.y);
        right = std::max(right, b.x + b.width);
        bottom = std::max(bottom, b.y + b.height);
    }
    if (!any) return std::nullopt;
    return Rect(left, top, right - left, bottom - top);
}

// The blocks of the nodes, in flat lists: each block's root and members, the members in sight
// (whose bounds make the block's), and for every member the block that took it last, which
// makes that block's root its root.
struct Blocks {
    std::vector<std::shared_ptr<DiagramNode>> roots;
    std::vector<std::vector<std::shared_ptr<DiagramNode>>> members;
    std::vector<std::vector<std::shared_ptr<DiagramNode>>> shown;
    std::unordered_map<const DiagramNode*, std::size_t> blockOf;
    std::unordered_map<const DiagramNode*, std::size_t> blockOfRoot;
};

Blocks collectBlocks(const LayoutUtils::NodeList& nodes, bool keepGroupLayout,
                     const ContainerNode* container) {
    Blocks blocks;
    blocks.blockOf.reserve(nodes.size());
    for (const auto& n : nodes) {
        // A member of any block has been walked already.
        if (!n || blocks.blockOf.count(n.get()) != 0) continue;
        LayoutUtils::RootResult found = LayoutUtils::findLayoutRoot(n, keepGroupLayout, container);
        auto* rootNode = std::get_if<std::shared_ptr<DiagramNode>>(&found);
        // A node caught in a cycle of containers or attachments stands for itself.
        const std::shared_ptr<DiagramNode> root = rootNode != nullptr && *rootNode ? *rootNode : n;
        if (!takesPart(*root)) continue;
        // Walking the same root again would find the same members.
        if (blocks.blockOfRoot.count(root.get()) != 0) continue;
        const std::size_t b = blocks.roots.size();
        blocks.roots.push_back(root);
        blocks.members.emplace_back();
        blocks.shown.emplace_back();
        blocks.blockOfRoot.emplace(root.get(), b);
        walkGroup(root, keepGroupLayout, [&](const std::shared_ptr<DiagramNode>& m, bool hidden) {
            const auto [it, added] = blocks.blockOf.try_emplace(m.get(), b);
            if (!added) {
                if (it->second == b) return false;
                it->second = b;
            }
            blocks.members[b].push_back(m);
            if (!hidden) blocks.shown[b].push_back(m);
            return true;
        });
    }
    return blocks;
}

}  // namespace

bool LayoutUtils::arrangeContainer(Layout& layout, Diagram& diagram) {
    return arrange(layout, diagram, diagram.nodes(), nullptr, 0.0);
}

bool LayoutUtils::arrangeContainer(Layout& layout, ContainerNode& container,
                                   const std::function<void()>& finish) {
    ContainerContent content(container);
    return arrange(layout, content, content.children(), &container, container.captionHeight(),
                   finish);
}

LayoutGraph LayoutUtils::buildLayoutGraph(bool mergesRepeatingLinks, bool keepGroupLayout,
                                          const NodeList& nodes, const LinkList& links,
                                          const ContainerNode* container) {
    LayoutGraph result{std::make_shared<Graph>(), std::make_shared<SelfLoopLinks>(),
                       std::make_shared<RepeatingLinks>()};
    Graph& graph = *result.graph;
    const Blocks blocks = collectBlocks(nodes, keepGroupLayout, container);

    // The vertex of each block, made in the order its root appears among the nodes. A root's own
    // vertex reference may still name a vertex of an earlier arrangement.
    std::vector<std::shared_ptr<Vertex>> vertexOf(blocks.roots.size());
    graph.vertices().reserve(blocks.roots.size());
    for (const auto& n : nodes) {
        if (!n) continue;
        const auto block = blocks.blockOfRoot.find(n.get());
        if (block == blocks.blockOfRoot.end() || vertexOf[block->second]) continue;
        auto v = std::make_shared<Vertex>();
        graph.vertices().push_back(v);
        if (const std::optional<Rect> rect = boundsOf(blocks.shown[block->second])) {
            v->setX(rect->x);
            v->setY(rect->y);
            v->setWidth(rect->width);
            v->setHeight(rect->height);
        }
        v->setOwner(n);
        n->setVertex(v);
        vertexOf[block->second] = std::move(v);
    }

    // The first edge between two vertices, either way, when repeated links are merged.
    std::unordered_map<VertexPair, std::shared_ptr<Edge>, VertexPairHash> edgeBetween;
    for (const auto& link : links) {
        if (!link || !takesPart(*link)) continue;
        const std::shared_ptr<DiagramNode> origin = link->origin();
        const std::shared_ptr<DiagramNode> destination = link->destination();
        const auto bo = blocks.blockOf.find(origin.get());
        const auto bd = blocks.blockOf.find(destination.get());
        if (bo == blocks.blockOf.end() || bd == blocks.blockOf.end()) continue;
        const std::shared_ptr<Vertex>& vo = vertexOf[bo->second];
        const std::shared_ptr<Vertex>& vd = vertexOf[bd->second];
        if (!vo || !vd) continue;
        const bool sameRoot = bo->second == bd->second;
        if (mergesRepeatingLinks) {
            if (origin == destination) result.selfLoops->links().push_back(link);
            if (sameRoot) continue;
            const VertexPair key(vo.get(), vd.get());
            if (const auto found = edgeBetween.find(key); found != edgeBetween.end()) {
                result.repeatingLinks->append(
                    std::dynamic_pointer_cast<DiagramLink>(found->second->owner()), link);
                continue;
            }
            auto edge = std::make_shared<Edge>(vo, vd);
            graph.addEdge(edge);
            edge->setOwner(link);
            edgeBetween.emplace(key, std::move(edge));
        } else {
            if (sameRoot && origin != destination) continue;
            auto edge = std::make_shared<Edge>(vo, vd);
            graph.addEdge(edge);
            edge->setOwner(link);
        }
    }
    graph.setSelfLoops(result.selfLoops);
    graph.setRepeatingLinks(result.repeatingLinks);
    return result;
}

void LayoutUtils::collectLayoutNodes(const NodeList& nodes, GroupMap& groups, RootMap& rootOf,
                                     bool keepGroupLayout, const ContainerNode* container) {
    const Blocks blocks = collectBlocks(nodes, keepGroupLayout, container);
    for (std::size_t b = 0; b < blocks.roots.size(); ++b) {
        NodeSet& members = groups[blocks.roots[b]];
        members.insert(blocks.members[b].begin(), blocks.members[b].end());
    }
    for (std::size_t b = 0; b < blocks.roots.size(); ++b)
        for (const auto& m : blocks.members[b])
            if (blocks.blockOf.at(m.get()) == b) rootOf[m] = blocks.roots[b];
}

LayoutUtils::RootResult LayoutUtils::findLayoutRoot(const std::shared_ptr<DiagramNode>& node,
                                                    bool keepGroupLayout,
                                                    const ContainerNode* container) {
    if (!node) return node;
    std::shared_ptr<DiagramNode> parent = node->container();
    if (!parent && keepGroupLayout) parent = masterNode(*node);
    if (!parent || (container != nullptr && parent.get() == container)) return node;

    std::vector<std::shared_ptr<DiagramNode>> chain{node};
    std::unordered_set<const DiagramNode*> inChain{node.get()};
    for (std::shared_ptr<DiagramNode> current = std::move(parent);;) {
        if (!inChain.insert(current.get()).second) break;
        chain.push_back(current);
        std::shared_ptr<DiagramNode> next = current->container();
        if (!next) {
            if (!keepGroupLayout) return current;
            next = masterNode(*current);
            if (!next) return current;
        }
        if (container != nullptr && next.get() == container) return current;
        current = std::move(next);
    }
    for (const auto& member : chain)
        if (!takesPart(*member)) return LayoutError::cycleWithIgnoredNodes;
    return node;
}

void LayoutUtils::collectGroupMembers(const std::shared_ptr<DiagramNode>& node, NodeSet& members,
                                      NodeSet& visited, bool keepGroupLayout) {
    if (!node) return;
    // A member met again closes a cycle of attachments or containers.
    walkGroup(node, keepGroupLayout, [&](const std::shared_ptr<DiagramNode>& m, bool) {
        if (!members.insert(m).second) return false;
        visited.insert(m);
        return true;
    });
}

std::optional<Rect> LayoutUtils::groupBounds(const NodeSet& members) {
    return boundsOf(members);
}

Rect LayoutUtils::applyLayoutGraph(Graph& graph, Layout& layout, const SavedAnchors& savedAnchors,
                                   LayoutContainer& container, double x, double y) {
    return writeBack(graph, layout, savedAnchors, container, x, y,
                     layout.appliesLinkPoints() ? LinkList() : container.layoutLinks());
}

Rect LayoutUtils::layoutGraphBounds(const Graph& graph, const Rect& defaultRect) {
    std::optional<Rect> result;
    for (const auto& v : graph.vertices())
        if (v) result = Rect::union_(result, vertexRect(*v));
    return result ? *result : defaultRect;
}

}  // namespace nodeloom
