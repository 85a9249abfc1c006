#include "Nodeloom/links/Router.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "Nodeloom/composite/ContainerNode.h"  // Hook: links ask node containers
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/ObstacleIndex.h"
#include "Nodeloom/links/RouterGeometry.h"

namespace nodeloom {

namespace {

using NodeFacts = ObstacleIndex::NodeFacts;

// The rectangle an end of a link is routed from: its node's turned box, or, for an end on no
// real node, the end point itself. `facts` is what the index of a set took from the node, if
// it has it.
Rect endRect(const std::shared_ptr<DiagramNode>& node, const NodeFacts* facts, Point end) {
    if (facts) return facts->real ? facts->box : Rect(end.x, end.y, 0, 0);
    if (!node || !node->isRealNode()) return Rect(end.x, end.y, 0, 0);
    return turnedBox(*node);
}

bool contains(const std::vector<const DiagramNode*>& nodes, const DiagramNode* node) {
    return std::find(nodes.begin(), nodes.end(), node) != nodes.end();
}

// The link's end nodes and every container holding one of them: none of these is an obstacle
// of the link's route. An end that the index knows to lie in no container is not asked.
std::vector<const DiagramNode*> excludedNodes(const std::shared_ptr<DiagramNode>& origin,
                                              const NodeFacts* originFacts,
                                              const std::shared_ptr<DiagramNode>& destination,
                                              const NodeFacts* destinationFacts) {
    std::vector<const DiagramNode*> excluded;
    // The two ends and a container or two: one allocation for the usual link.
    excluded.reserve(4);
    const std::pair<const DiagramNode*, const NodeFacts*> ends[] = {
        {origin.get(), originFacts}, {destination.get(), destinationFacts}};
    for (const auto& [end, facts] : ends) {
        if (!end) continue;
        excluded.push_back(end);
        if (facts && !facts->contained) continue;
        // Containment never loops in a sound document; a damaged one must not hang the walk.
        for (auto c = end->container(); c && !contains(excluded, c.get()); c = c->container())
            excluded.push_back(c.get());
    }
    return excluded;
}

Rect boundingBox(const std::vector<Point>& points) {
    double left = points[0].x, top = points[0].y, right = left, bottom = top;
    for (const Point& p : points) {
        left = std::min(left, p.x), top = std::min(top, p.y);
        right = std::max(right, p.x), bottom = std::max(bottom, p.y);
    }
    return Rect::fromLTRB(left, top, right, bottom);
}

// Enough for the ways around obstacles to reach every node they can meet in a document whose
// nodes are no closer than the margin.
constexpr int maxObstacleRounds = 8;

}  // namespace

double Router::sanitizeMargin(double margin) {
    return std::isfinite(margin) && margin >= 0 ? margin : defaultMargin;
}

Router::Router(const std::shared_ptr<Diagram>& diagram)
    : diagram_(diagram), madeForDocument_(diagram != nullptr) {}

Router::~Router() = default;

Rect Router::obstacleBounds(DiagramNode& node, double margin) {
    Rect r = turnedBox(node);
    r.inflate(margin, margin);
    return r;
}

std::vector<std::shared_ptr<DiagramNode>> Router::findObstacles(
    const std::shared_ptr<DiagramLink>& link, const std::vector<Point>& route) const {
    std::vector<std::shared_ptr<DiagramNode>> obstacles;
    const std::shared_ptr<Diagram> diagram = diagram_.lock();
    if (!diagram || !link || route.empty()) return obstacles;
    const Rect box = boundingBox(route);
    const auto excluded = excludedNodes(link->origin(), nullptr, link->destination(), nullptr);
    for (const auto& node : diagram->nodes()) {
        if (!node || contains(excluded, node.get()) || !node->obstacle()) continue;
        if (obstacleBounds(*node, cm_).intersectsWith(box)) obstacles.push_back(node);
    }
    return obstacles;
}

std::vector<std::pair<int, Rect>> Router::obstaclesIn(
    const Rect& box, const std::vector<const DiagramNode*>& excluded) const {
    std::vector<std::pair<int, Rect>> found;
    if (index_) {
        std::vector<int>& positions = scratchPositions_;
        index_->query(box, positions);
        for (int i : positions) {
            const ObstacleIndex::Entry& e = index_->entries()[static_cast<std::size_t>(i)];
            if (!contains(excluded, e.node)) found.emplace_back(e.position, e.bounds);
        }
        return found;
    }
    const std::shared_ptr<Diagram> diagram = diagram_.lock();
    if (!diagram) return found;
    const auto& nodes = diagram->nodes();
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const auto& node = nodes[i];
        if (!node || contains(excluded, node.get()) || !node->obstacle()) continue;
        const Rect r = obstacleBounds(*node, cm_);
        if (r.intersectsWith(box)) found.emplace_back(static_cast<int>(i), r);
    }
    return found;
}

std::vector<Point> Router::routeLink(const std::shared_ptr<DiagramLink>& link) {
    if (!link || documentGone()) return {};
    // A set being routed has read the margin once for all its links.
    if (!index_) {
        if (const std::shared_ptr<Diagram> diagram = diagram_.lock())
            cm_ = sanitizeMargin(diagram->routeMargin());
    }
    const Point p1 = link->startPoint();
    const Point p2 = link->endPoint();
    if (!isFinite(p1) || !isFinite(p2)) return {p1, p2};

    const auto origin = link->origin();
    const auto destination = link->destination();
    // While a set is routed, the end nodes are read from its index, which has taken them from
    // the nodes.
    const NodeFacts* from = index_ && origin ? index_->facts(origin.get()) : nullptr;
    const NodeFacts* to = index_ && destination ? index_->facts(destination.get()) : nullptr;
    const std::vector<Point> route =
        templateRoute(endRect(origin, from, p1), p1, endRect(destination, to, p2), p2, cm_);
    const auto excluded = excludedNodes(origin, from, destination, to);
    auto found = obstaclesIn(boundingBox(route), excluded);
    if (found.empty()) return route;

    // The end nodes keep the shortcuts of U-turns from cutting through them.
    std::vector<Rect> endNodes;
    const std::pair<const std::shared_ptr<DiagramNode>*, const NodeFacts*> ends[] = {
        {&origin, from}, {destination == origin ? nullptr : &destination, to}};
    for (const auto& [end, facts] : ends) {
        if (!end || !*end) continue;
        if (facts) {
            if (facts->real && facts->obstacle)
                endNodes.push_back(Rect::inflate(facts->box, cm_, cm_));
        } else if ((*end)->isRealNode() && (*end)->obstacle()) {
            endNodes.push_back(obstacleBounds(**end, cm_));
        }
    }
    auto rectsOf = [](const std::vector<std::pair<int, Rect>>& obstacles) {
        std::vector<Rect> rects;
        for (const auto& o : obstacles)
            rects.push_back(o.second);
        return rects;
    };
    std::vector<Point> result = routeAroundObstacles(route, rectsOf(found), endNodes, cm_);

    // Obstacles are looked for in the box of the template route, but the ways around them can
    // leave that box and run through nodes that were never looked at. While the route runs
    // through such a node, it is made again with the nodes in its own box among the obstacles.
    for (int round = 0; round < maxObstacleRounds; ++round) {
        auto around = obstaclesIn(boundingBox(result), excluded);
        std::vector<std::pair<int, Rect>> added;
        std::set_difference(around.begin(), around.end(), found.begin(), found.end(),
                            std::back_inserter(added),
                            [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<Rect> addedNodes;
        for (const auto& a : added)
            addedNodes.push_back(Rect::inflate(a.second, -cm_, -cm_));
        if (addedNodes.empty() || !passesThrough(result, addedNodes)) break;
        std::vector<std::pair<int, Rect>> all;
        std::merge(found.begin(), found.end(), added.begin(), added.end(), std::back_inserter(all),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<Point> again = routeAroundObstacles(route, rectsOf(all), endNodes, cm_);
        std::vector<Rect> allNodes;
        for (const auto& a : all)
            allNodes.push_back(Rect::inflate(a.second, -cm_, -cm_));
        // Kept only when it does better; a document too dense to route through keeps the first.
        if (passesThrough(again, allNodes)) break;
        found = std::move(all);
        result = std::move(again);
    }
    return result;
}

}  // namespace nodeloom
