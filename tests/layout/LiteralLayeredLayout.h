#pragma once

#include <memory>
#include <vector>

#include "Nodeloom/layout/LayeredLayout.h"

namespace nodeloom::test {

// The layered layout with its protected phases opened to the tests, and a way to stop after the
// steps that prepare the layers.
class LayeredProbe : public LayeredLayout {
public:
    using LayeredLayout::assignCoordinates;
    using LayeredLayout::chainOf;
    using LayeredLayout::combineHalves;
    using LayeredLayout::computeDownBarycenters;
    using LayeredLayout::computeUpBarycenters;
    using LayeredLayout::countCrossings;
    using LayeredLayout::indexNeighbours;
    using LayeredLayout::linkData;
    using LayeredLayout::minDistanceBetween;
    using LayeredLayout::moveLeft;
    using LayeredLayout::moveRight;
    using LayeredLayout::nodeData;
    using LayeredLayout::orderLayer;
    using LayeredLayout::placeByPriority;
    using LayeredLayout::placeLeftClass;
    using LayeredLayout::placeRightClass;
    using LayeredLayout::reduceCrossings;
    using LayeredLayout::restoreLongEdges;
    using LayeredLayout::siftLayers;
    using LayeredLayout::splitLongEdges;

    // Numbering, cycle removal, records, layering and (with split) the virtual vertices and the
    // neighbour index: the state crossing reduction starts from.
    bool layer(const std::shared_ptr<Graph>& graph, bool split = true);
    std::vector<Layer>& mutableLayers() { return layers_; }
    std::vector<std::vector<double>>& mutableMinDistances() { return minDistances_; }
    std::vector<int>& leftClasses() { return nodeLeftClass_; }
    std::vector<int>& rightClasses() { return nodeRightClass_; }
};

// The phases that have faster forms, written as the description states them, step by step: the
// oracle the fast forms are held to.
class LiteralLayeredLayout : public LayeredProbe {
public:
    void assignLayers() override;
    void splitLongEdges() override;
    void computeUpBarycenters(int layer) override;
    void computeDownBarycenters(int layer) override;
    std::int64_t countCrossings(int a, int b) override;
    void siftLayers() override;
    bool moveRight(const Vertex& v, const Layer& layer, double priority) override;
    bool moveLeft(const Vertex& v, const Layer& layer, double priority) override;
    void untangleInnerSegments() override;
    double minDistanceBetween(const Vertex& a, const Vertex& b) override;
    void placeLeftClass(const Vertex& v, PositionMap& x, int cls) override;
    void placeRightClass(const Vertex& v, PositionMap& x, int cls) override;
    void restoreLongEdges() override;

private:
    void barycenters(int layer, int other, bool up);
    Layer blockOf(const Vertex& v) const;
};

}  // namespace nodeloom::test
