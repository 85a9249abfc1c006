#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/layout/Layout.h"

namespace nodeloom {

// The displacement collected for one vertex in one step of the spring layout.
class NodeDataSL : public Object {
public:
    double dx = 0.0;
    double dy = 0.0;
};

// The force-directed layout: vertices repel each other, edges pull their ends together, and the
// vertices move step by step under a cooling limit on their step length. During the last quarter
// of the steps distances take the vertex sizes into account. Links get no points of their own;
// they are drawn straight.
//
// The vertices start from the positions the driver gives them, so the result depends on the
// current drawing, and on random offsets that separate vertices which fall on one point.
class SpringLayout : public Layout {
public:
    // A source of uniform random 32-bit values.
    using RandomSource = std::function<std::uint32_t()>;

    SpringLayout();

    // Always true. Leaves the vertices where they are when there is nothing to do: no steps (a
    // negative count counts as none) or a rest length that is not a positive number. An edge from
    // a vertex to itself exerts no force.
    bool arrangeGraph(const std::shared_ptr<Graph>& graph) override;

    // The rest length of the springs, in document units.
    virtual double nodeDistance() const { return nodeDistance_; }
    virtual void setNodeDistance(double distance) { nodeDistance_ = distance; }
    // The number of simulation steps.
    virtual int iterations() const { return iterations_; }
    virtual void setIterations(int iterations) { iterations_ = iterations; }

    // The scaled squared distance of two vertices d apart for the rest length k, times 4/3, as the
    // forces use it: from the centres, or during the last quarter of the steps from the borders
    // of the vertices (an elliptic measure).
    virtual double distanceFactor(const Vertex& a, const Vertex& b, double d, double k) const;

    // Where the random offsets come from: by default a generator seeded by the system. A test may
    // put in a seeded one; an empty source puts the default back.
    const RandomSource& randomSource() const { return randomSource_; }
    void setRandomSource(RandomSource source);

private:
    RandomSource randomSource_;
    double nodeDistance_ = 30.0;
    int iterations_ = 300;
    bool refineStage_ = false;
    double initialTemperature_ = 0.0;
    double temperature_ = 0.0;
    double width_ = 0.0;
    double height_ = 0.0;
};

}  // namespace nodeloom
