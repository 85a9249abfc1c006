#pragma once

#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/layout/Layout.h"

namespace nodeloom {

class DiagramNode;

// The circle that encloses a vertex and the branches of its children. Lengths are in document
// units and angles in radians, measured in the branch's own frame: its origin is the vertex's
// centre and its axes run along the document's.
class BranchCircle : public Object {
public:
    explicit BranchCircle(std::shared_ptr<Vertex> node) : node(std::move(node)) {}
    // Takes the branches below apart one at a time: releasing a long chain through the child
    // lists would nest one destructor call per level.
    ~BranchCircle() override;

    // The vertex at the centre of the branch.
    std::shared_ptr<Vertex> node;
    // The children's branches in the order they are laid out: largest radius first.
    std::vector<std::shared_ptr<BranchCircle>> childCircles;
    // The enclosing circle's centre relative to the vertex's centre, and its radius.
    double centerX = 0.0;
    double centerY = 0.0;
    double radius = 0.0;
    // The distance from the parent's centre to this branch's enclosing circle, in the parent's
    // frame, the direction of the branch from the parent (the middle of its sector) and the
    // width of that sector.
    double centerDelta = 0.0;
    double angle = 0.0;
    double sweepAngle = 0.0;
};

// A centre and a radius.
struct Circle {
    double x = 0.0;
    double y = 0.0;
    double r = 0.0;
};

// Arranges a graph as a radial tree of nested circles. From a root vertex, every vertex's
// subtree is enclosed in a circle; the children's circles are set around their parent in sectors
// proportional to their sizes, and each child's own children around it, turned so that the side
// facing the parent stays free. Edge directions do not matter, and an edge that closes a cycle
// is ignored. Links are drawn straight.
class FractalLayout : public Layout {
public:
    using BranchMap = std::unordered_map<std::shared_ptr<Vertex>, std::shared_ptr<BranchCircle>>;

    FractalLayout() = default;

    // Always true; a graph without vertices is left as it is.
    bool arrangeGraph(const std::shared_ptr<Graph>& graph) override;
    bool appliesLinkPoints() const override { return false; }

    // The node to put at the centre. When it is unset or not in the graph being arranged, the
    // graph's first vertex is the root.
    const std::shared_ptr<DiagramNode>& root() const { return root_; }
    void setRoot(std::shared_ptr<DiagramNode> root) { root_ = std::move(root); }

    // The root chosen and the branches built by the last arrangement.
    const std::shared_ptr<Vertex>& rootVertex() const { return rootVertex_; }
    const BranchMap& branchCircles() const { return branchCircles_; }

    // Builds and records the branch of the vertex and, depth first, of every vertex reached from
    // it that has no branch yet.
    std::shared_ptr<BranchCircle> buildBranchCircles(const std::shared_ptr<Vertex>& vertex);
    // Puts the branch's enclosing circle centre at the point, its frame turned by the angle (and,
    // below the root, so that the direction 0 points back at the parent), and places its vertex
    // and its children's vertices.
    void placeBranchCircles(BranchCircle& branch, Point center, double angle);

    // The smallest circle around the points by the angle method: the circle on two points as
    // diameter, or through three (even when their triangle is obtuse). Nothing for no points, one
    // point, three points on a line, or numbers that are not finite.
    static std::optional<Circle> enclosingCircle(const std::vector<Point>& points);
    // The circle through three points; nothing when they lie on one line.
    static std::optional<Circle> circleThroughPoints(Point p1, Point p2, Point p3);
    // The smallest circle around any points (Welzl's algorithm), a point circle for one point and
    // the zero circle for none.
    static Circle smallestEnclosingCircle(const std::vector<Point>& points);

private:
    // The circle the branches use: the angle method's, or the smallest one when it has none or
    // there are so many points that its passes would cost too much.
    static Circle branchCircle(const std::vector<Point>& points);
    void finishBranch(BranchCircle& branch, std::vector<std::shared_ptr<BranchCircle>> children,
                      double sum);

    std::shared_ptr<DiagramNode> root_;
    std::shared_ptr<Vertex> rootVertex_;
    BranchMap branchCircles_;
};

}  // namespace nodeloom
