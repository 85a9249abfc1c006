#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "Nodeloom/foundation/Edge.h"
#include "Nodeloom/foundation/Graph.h"
#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/foundation/Vertex.h"
#include "Nodeloom/layout/Layout.h"

namespace nodeloom {

// Arranges a directed graph in layers. Edges that close cycles are turned round first, so that
// every edge points from an upper layer to a lower one; edges that span several layers run
// through chains of small virtual vertices; the order inside each layer is chosen to reduce
// crossings; the vertices then get grid positions along their layers and finally coordinates.
//
// Options (defaults in brackets):
//   nodeDistance [20]   smallest gap between neighbouring vertices of one layer
//   layerDistance [25]  gap between consecutive layers
//   direction [topToBottom]  the way the layers follow each other
//   siftingRounds [1]   the adjacent-exchange pass of crossing reduction runs siftingRounds + 1
//                       times, and not at all when the value is negative
// and from Layout: anchoring ignore, keepGroupLayout false, multipleGraphsPlacement horizontal,
// margins 10.
//
// arrangeGraph runs, in order: numbering, cycle removal, fresh records, layering, splitting of
// long edges, barycenter ordering, sifting, grid placement, coordinates, restoring the long
// edges and reversing the point lists of the edges that cycle removal turned. The phases live in
// one source file each (layering and virtual vertices, crossing reduction, grid placement,
// coordinates, edge points). The virtual vertices and their segment edges stay in the graph
// afterwards, without owners; turned edges stay turned, but their points run from their first
// origin to their first destination.
//
// The layout keeps the working state of its last run (the layers, the coordinate pass's maps
// and the long edges' chains) and a strong reference to the last graph until the next run. One
// object must not arrange two graphs at the same time.
class LayeredLayout : public Layout {
public:
    // The per-vertex record of a run, held in the vertex's data.
    class NodeData : public Object {
    public:
        // Index of the vertex in its layer, filled in by the coordinate pass.
        int indexInLayer() const { return indexInLayer_; }
        void setIndexInLayer(int index) { indexInLayer_ = index; }
        // Index of the vertex's layer, 0 at the top.
        int layer() const { return layer_; }
        void setLayer(int layer) { layer_ = layer; }
        // Mean grid position of the neighbours in the layer above, and their number.
        double uBarycenter() const { return uBarycenter_; }
        void setUBarycenter(double value) { uBarycenter_ = value; }
        int uLinkCount() const { return uLinkCount_; }
        void setULinkCount(int count) { uLinkCount_ = count; }
        // Mean grid position of the neighbours in the layer below, and their number.
        double dBarycenter() const { return dBarycenter_; }
        void setDBarycenter(double value) { dBarycenter_ = value; }
        int dLinkCount() const { return dLinkCount_; }
        void setDLinkCount(int count) { dLinkCount_ = count; }
        // Placement priorities toward the layer above and below.
        int uPriority() const { return uPriority_; }
        void setUPriority(int priority) { uPriority_ = priority; }
        int dPriority() const { return dPriority_; }
        void setDPriority(int priority) { dPriority_ = priority; }
        // Position along the layer: the index after layering and reordering, fractional for a
        // new virtual vertex, in half steps after grid placement.
        double gridPosition() const { return gridPosition_; }
        void setGridPosition(double position) { gridPosition_ = position; }

    private:
        int indexInLayer_ = -1;
        int layer_ = -1;
        double uBarycenter_ = 0.0;
        double dBarycenter_ = 0.0;
        int uLinkCount_ = 0;
        int dLinkCount_ = 0;
        int uPriority_ = 0;
        int dPriority_ = 0;
        double gridPosition_ = 0.0;
    };

    // The per-edge record of a run, held in the edge's data.
    class LinkData : public Object {
    public:
        // For a split long edge the number of virtual vertices inserted into it, else 0.
        int virtualLevel() const { return virtualLevel_; }
        void setVirtualLevel(int level) { virtualLevel_ = level; }

    private:
        int virtualLevel_ = 0;
    };

    // A candidate position k with a payload v (a resistance), as the coordinate pass sorts them.
    struct Pair {
        double k = 0.0;
        std::int64_t v = 0;
    };

    // A position per vertex of the run, by vertex index; a vertex may have none yet.
    class PositionMap {
    public:
        explicit PositionMap(std::size_t size = 0) : value_(size, 0.0), has_(size, 0) {}
        bool has(const Vertex& v) const { return slot(v) < has_.size() && has_[slot(v)]; }
        // 0 for a vertex without a position.
        double operator[](const Vertex& v) const { return has(v) ? value_[slot(v)] : 0.0; }
        void set(const Vertex& v, double x);

    private:
        static std::size_t slot(const Vertex& v) { return static_cast<std::size_t>(v.index()); }
        std::vector<double> value_;
        std::vector<char> has_;
    };

    using Layer = std::vector<std::shared_ptr<Vertex>>;
    using VertexIntMap = std::unordered_map<std::shared_ptr<Vertex>, int>;
    using VertexListMap = std::unordered_map<std::shared_ptr<Vertex>, Layer>;

    LayeredLayout();

    // A number that is not finite is refused.
    double nodeDistance() const { return nodeDistance_; }
    void setNodeDistance(double distance);
    double layerDistance() const { return layerDistance_; }
    void setLayerDistance(double distance);
    LayoutDirection direction() const { return direction_; }
    void setDirection(LayoutDirection direction);
    int siftingRounds() const { return siftingRounds_; }
    void setSiftingRounds(int rounds) { siftingRounds_ = rounds; }

    // Arranges one graph in place and answers true; on return every vertex has its centre in x
    // and y, and every edge that ended up two or more layers long has the points of its route.
    // A graph without vertices is left as it is. A graph whose lists hold a null entry, an edge
    // that misses an end or an edge to a vertex outside the graph is left as it is and answers
    // false. Edges from a vertex to itself take no part.
    bool arrangeGraph(const std::shared_ptr<Graph>& graph) override;

    // --- Working state of the last run --------------------------------------------------------

    // The layers, top first, each in layer order, virtual vertices included.
    const std::vector<Layer>& layers() const { return layers_; }
    // Classes of the coordinate pass's right and left compaction.
    VertexIntMap nodeRightClass() const;
    VertexIntMap nodeLeftClass() const;
    // Each vertex's neighbours in the next layer down and up, in grid position order.
    VertexListMap downNodes() const;
    VertexListMap upNodes() const;
    // Per layer, the smallest allowed distance between the centres of neighbours j and j + 1.
    const std::vector<std::vector<double>>& minDistances() const { return minDistances_; }
    // Each long edge's virtual vertices from its origin side, and each virtual vertex's edge.
    const std::unordered_map<std::shared_ptr<Edge>, Layer>& linkToNodeMap() const {
        return linkToNodeMap_;
    }
    const std::unordered_map<std::shared_ptr<Vertex>, std::shared_ptr<Edge>>& nodeToLinkMap()
        const {
        return nodeToLinkMap_;
    }
    const std::shared_ptr<Graph>& graph() const { return graph_; }

protected:
    LayeredLayout(const LayeredLayout&) = default;
    LayeredLayout& operator=(const LayeredLayout&) = default;

    // Where the barycenters put a vertex: the mean of the two when it has neighbours on both
    // sides, else the one it has, else 0. The key of the order of a layer, and the target of
    // grid placement.
    static double orderKey(const NodeData& d);
    // The record of a vertex or edge of the run.
    static NodeData& nodeData(const Vertex& v) { return static_cast<NodeData&>(*v.data()); }
    static LinkData& linkData(const Edge& e) { return static_cast<LinkData&>(*e.data()); }

    // --- Layering and virtual vertices ------------------------------------------------------

    // Gives every vertex the length of the longest path that reaches it from a source, pulls
    // each vertex down to sit right above its nearest successor, and fills the layers.
    virtual void assignLayers();
    // Splits every edge that spans two or more layers by one virtual vertex per layer between.
    virtual void splitLongEdges();
    virtual void registerVirtualVertex(const std::shared_ptr<Vertex>& vertex,
                                       const std::shared_ptr<Edge>& edge);

    // --- Crossing reduction -----------------------------------------------------------------

    virtual void reduceCrossings();
    // Barycenters and link counts of layer L toward the layer above (below).
    virtual void computeUpBarycenters(int layer);
    virtual void computeDownBarycenters(int layer);
    // Whether a must come before b; within 0.0001 the vertex with more edges comes first.
    virtual bool compareByOrderKey(const Vertex& a, const Vertex& b) const;
    // Orders the layer after (down) or before layer L by barycenters; answers how many places
    // changed.
    virtual int orderLayer(bool down, int layer);
    // Pairs of edges between layers a and b that cross.
    virtual std::int64_t countCrossings(int a, int b);
    virtual void siftLayers();

    // --- Grid placement ---------------------------------------------------------------------

    virtual void placeByPriority();
    // Half a step right (left) within the layer on behalf of a vertex of the given priority,
    // pushing neighbours of lower priority; false when blocked.
    virtual bool moveRight(const Vertex& v, const Layer& layer, double priority);
    virtual bool moveLeft(const Vertex& v, const Layer& layer, double priority);

    // --- Coordinates ------------------------------------------------------------------------

    virtual void assignCoordinates();
    // Exchanges virtual vertices of the next layer so that no two segments between virtual
    // vertices cross.
    virtual void untangleInnerSegments();
    virtual double minDistanceBetween(const Vertex& a, const Vertex& b);
    virtual void setMinDistance(const Vertex& v, double distance);
    virtual std::shared_ptr<Vertex> nextVirtualInLayer(const Layer& layer, const Vertex& v) const;
    virtual std::shared_ptr<Vertex> neighborInLayer(const Vertex& v, int layer) const;
    // Classes for the left (step +1) or right (step -1) compaction; one member list per layer
    // index. `classes` is nodeLeftClass or nodeRightClass, by vertex index.
    virtual std::vector<Layer> assignClasses(std::vector<int>& classes, int step);
    virtual PositionMap compactLeft(const std::vector<Layer>& classes);
    virtual PositionMap compactRight(const std::vector<Layer>& classes);
    virtual void placeLeftClass(const Vertex& v, PositionMap& x, int cls);
    virtual void placeRightClass(const Vertex& v, PositionMap& x, int cls);
    virtual void placeDivideAndConquer(PositionMap& x, const Vertex* prev, const Vertex* next,
                                       int step, const std::vector<const Vertex*>& run);
    virtual void placeSingleVertex(PositionMap& x, const Vertex* prev, const Vertex* next,
                                   int step, const Vertex& v);
    virtual void combineHalves(PositionMap& x, const Vertex* prev, const Vertex* next, int step,
                               const std::vector<const Vertex*>& run);
    virtual void alignInnerSegments(int layer, int step, std::vector<int>& marks,
                                    std::vector<char>& tight);

    // --- Edge points ------------------------------------------------------------------------

    // Gives every split edge back its first origin and the points of its chain.
    virtual void restoreLongEdges();

    // --- Shared helpers of the phases -------------------------------------------------------

    // The steps before layering: numbering, cycle removal (the turned edges go to `turned`) and
    // fresh records. False, leaving the graph as it was, for a graph whose lists are unsound.
    bool beginRun(const std::shared_ptr<Graph>& graph, std::vector<std::shared_ptr<Edge>>& turned);
    // Numbers the vertices and edges and checks that the lists are sound; false (with the
    // caller's numbers back) for an unsound graph.
    bool prepareGraph(Graph& graph);
    // Indexes every vertex's record, its neighbours in the adjacent layers (in the order of its
    // incoming and then its outgoing edges) and every long edge's chain; the phases after the
    // split read them. Called once the layers are complete.
    void indexNeighbours();
    // The record of the vertex with the given index.
    NodeData& dataAt(int index) const { return *records_[static_cast<std::size_t>(index)]; }
    // Gives the vertices fresh records, made in one block so that the phases find the records
    // of neighbouring vertices close together.
    void giveRecords(const std::vector<std::shared_ptr<Vertex>>& vertices);
    // The vertex of the run with the given index.
    Vertex& vertexAt(int index) const { return *graph_->vertices()[static_cast<std::size_t>(index)]; }
    int vertexCount() const { return static_cast<int>(graph_->vertices().size()); }
    // Neighbours (by vertex index) of a vertex in the layer above and below.
    struct Neighbours {
        const int* first;
        const int* last;
        const int* begin() const { return first; }
        const int* end() const { return last; }
        std::size_t size() const { return static_cast<std::size_t>(last - first); }
        bool empty() const { return first == last; }
    };
    Neighbours upNeighbours(const Vertex& v) const { return neighbours(up_, v); }
    Neighbours downNeighbours(const Vertex& v) const { return neighbours(down_, v); }
    // The virtual vertices of the long edge a virtual vertex belongs to, from the origin side;
    // empty for any other vertex.
    Neighbours chainOf(const Vertex& v) const;
    // The coordinate pass's neighbour lists in grid position order.
    Neighbours sortedUpNodes(const Vertex& v) const { return neighbours(upNodes_, v); }
    Neighbours sortedDownNodes(const Vertex& v) const { return neighbours(downNodes_, v); }
    // The vertex beside v in its layer (offset -1 or +1), or null.
    const Vertex* besideInLayer(const Vertex& v, int offset) const;
    // The size of a vertex across and along the layers; a size that is not a finite number
    // counts as 0.
    double sizeAcross(const Vertex& v) const;
    double sizeAlong(const Vertex& v) const;

    // Neighbour lists by vertex index, packed.
    struct Adjacency {
        std::vector<int> start;  // one more than there are vertices
        std::vector<int> list;
        void clear() {
            start.clear();
            list.clear();
        }
    };
    static Neighbours neighbours(const Adjacency& adjacency, const Vertex& v);

    // Working state, by vertex index where it is per vertex.
    std::shared_ptr<Graph> graph_;
    std::vector<Layer> layers_;
    std::unordered_map<std::shared_ptr<Edge>, Layer> linkToNodeMap_;
    std::unordered_map<std::shared_ptr<Vertex>, std::shared_ptr<Edge>> nodeToLinkMap_;
    std::vector<std::vector<double>> minDistances_;
    std::vector<int> nodeLeftClass_;
    std::vector<int> nodeRightClass_;
    Adjacency up_, down_;
    Adjacency chains_;  // per chain its vertices; chainIndex_ maps a vertex to its chain or -1
    std::vector<int> chainIndex_;
    Adjacency upNodes_, downNodes_;
    // Each vertex's record, by vertex index.
    std::vector<NodeData*> records_;
    // Grid placement: each vertex's place in its layer.
    std::vector<int> placeInLayer_;

private:
    void computeBarycenters(int layer, bool up);
    void sortNeighbourLists();
    void balance(PositionMap& x);
    // Left compaction (side -1) and its mirror (side +1).
    void placeClass(const Vertex& v, PositionMap& x, int side);
    PositionMap compact(const std::vector<Layer>& classes, int side);
    void placeLayerByPriority(int layer);
    // The place of v in the layer through the grid placement's index, else by a search; the
    // layer's size when v is not in it.
    std::size_t placeOf(const Vertex& v, const Layer& layer) const;
    VertexListMap exportLists(const Adjacency& lists) const;
    VertexIntMap exportClasses(const std::vector<int>& classes) const;

    // Prefix sums of one layer's minimum distances, when they are exact.
    struct DistanceSums {
        std::vector<double> prefix;
        bool exact = false;
        bool current = false;
    };
    const DistanceSums& distanceSums(int layer);
    std::vector<DistanceSums> distanceSums_;
    // Blocks being placed by the compaction, by vertex index.
    std::vector<char> busy_;

    double nodeDistance_ = 20.0;
    double layerDistance_ = 25.0;
    LayoutDirection direction_ = LayoutDirection::topToBottom;
    int siftingRounds_ = 1;
};

}  // namespace nodeloom
