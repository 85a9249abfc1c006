#pragma once

#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Nodeloom/foundation/Edge.h"
#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/foundation/Vertex.h"

namespace nodeloom {

// A generic directed graph for the layouts and the router: they build it from the document,
// split it into connected components, move its vertices and read the results back.
class Graph {
public:
    using VertexMap = std::unordered_map<std::shared_ptr<Vertex>, std::shared_ptr<Vertex>>;
    using EdgeMap = std::unordered_map<std::shared_ptr<Edge>, std::shared_ptr<Edge>>;

    Graph() = default;
    virtual ~Graph() = default;

    // Copies of the vertices and of the edges between them. Only a copy's data, weight and owner
    // are taken over (and an edge's owner); with keepMaps the new graph maps each copy to its
    // original.
    virtual std::shared_ptr<Graph> cloneGraph(bool keepMaps) const;
    // Appends the edge to the graph and to its ends' lists; vertices are not added. An edge
    // without both ends is ignored.
    virtual void addEdge(const std::shared_ptr<Edge>& edge);
    // One graph per weakly connected component, in the order of each component's first vertex,
    // sharing this graph's vertex and edge objects. Sets searchCounter to the number of
    // components and every vertex's and edge's index to its position in this graph.
    virtual std::vector<std::shared_ptr<Graph>> connectedComponents();
    // Marks vertex i and everything reachable from it, following edges both ways, with the
    // current searchCounter. Vertices' indexes must hold their positions.
    virtual void markComponent(std::vector<int>& marks, int i);
    // Reverses a set of edges so that no directed cycle remains (an edge from a vertex to itself
    // stays) and returns them in the order of the edge list.
    virtual std::vector<std::shared_ptr<Edge>> makeAcyclic();

    std::vector<std::shared_ptr<Vertex>>& vertices() { return vertices_; }
    const std::vector<std::shared_ptr<Vertex>>& vertices() const { return vertices_; }
    void setVertices(std::vector<std::shared_ptr<Vertex>> vertices) {
        vertices_ = std::move(vertices);
    }
    std::vector<std::shared_ptr<Edge>>& edges() { return edges_; }
    const std::vector<std::shared_ptr<Edge>>& edges() const { return edges_; }
    void setEdges(std::vector<std::shared_ptr<Edge>> edges) { edges_ = std::move(edges); }
    VertexMap& vertexCopyToOrigMap() { return vertexCopyToOrigMap_; }
    const VertexMap& vertexCopyToOrigMap() const { return vertexCopyToOrigMap_; }
    void setVertexCopyToOrigMap(VertexMap map) { vertexCopyToOrigMap_ = std::move(map); }
    EdgeMap& edgeCopyToOrigMap() { return edgeCopyToOrigMap_; }
    const EdgeMap& edgeCopyToOrigMap() const { return edgeCopyToOrigMap_; }
    void setEdgeCopyToOrigMap(EdgeMap map) { edgeCopyToOrigMap_ = std::move(map); }
    int searchCounter() const { return searchCounter_; }
    void setSearchCounter(int counter) { searchCounter_ = counter; }
    // Collections the layouts' graph builder set aside; held weakly.
    std::shared_ptr<Object> selfLoops() const { return selfLoops_.lock(); }
    void setSelfLoops(const std::shared_ptr<Object>& selfLoops) { selfLoops_ = selfLoops; }
    std::shared_ptr<Object> repeatingLinks() const { return repeatingLinks_.lock(); }
    void setRepeatingLinks(const std::shared_ptr<Object>& links) { repeatingLinks_ = links; }
    std::shared_ptr<Vertex> root() const { return root_.lock(); }
    void setRoot(const std::shared_ptr<Vertex>& root) { root_ = root; }
    std::vector<std::vector<std::shared_ptr<Vertex>>>& treeLevels() { return treeLevels_; }
    const std::vector<std::vector<std::shared_ptr<Vertex>>>& treeLevels() const {
        return treeLevels_;
    }
    void setTreeLevels(std::vector<std::vector<std::shared_ptr<Vertex>>> levels) {
        treeLevels_ = std::move(levels);
    }

private:
    static void reverseAll(const std::vector<std::shared_ptr<Vertex>>& vertices,
                           const std::vector<std::shared_ptr<Edge>>& edges,
                           const std::vector<size_t>& slots);

    std::vector<std::shared_ptr<Vertex>> vertices_;
    std::vector<std::shared_ptr<Edge>> edges_;
    VertexMap vertexCopyToOrigMap_;
    EdgeMap edgeCopyToOrigMap_;
    int searchCounter_ = 0;
    std::weak_ptr<Object> selfLoops_;
    std::weak_ptr<Object> repeatingLinks_;
    std::weak_ptr<Vertex> root_;
    std::vector<std::vector<std::shared_ptr<Vertex>>> treeLevels_;
};

}  // namespace nodeloom
