#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "Nodeloom/foundation/Object.h"

namespace nodeloom {

class Edge;

// A vertex of a generic directed graph: the box of a node being arranged or routed around. It
// refers to the item it stands for only weakly. Vertices compare by identity.
class Vertex : public Object {
public:
    Vertex() = default;

    // Every edge that touches the vertex (an edge from the vertex to itself occurs twice),
    // the edges leaving it and the edges entering it.
    std::vector<std::shared_ptr<Edge>>& edges() { return edges_; }
    const std::vector<std::shared_ptr<Edge>>& edges() const { return edges_; }
    void setEdges(std::vector<std::shared_ptr<Edge>> edges) { edges_ = std::move(edges); }
    std::vector<std::shared_ptr<Edge>>& outEdges() { return outEdges_; }
    const std::vector<std::shared_ptr<Edge>>& outEdges() const { return outEdges_; }
    void setOutEdges(std::vector<std::shared_ptr<Edge>> edges) { outEdges_ = std::move(edges); }
    std::vector<std::shared_ptr<Edge>>& inEdges() { return inEdges_; }
    const std::vector<std::shared_ptr<Edge>>& inEdges() const { return inEdges_; }
    void setInEdges(std::vector<std::shared_ptr<Edge>> edges) { inEdges_ = std::move(edges); }

    std::shared_ptr<Object> owner() const { return owner_.lock(); }
    void setOwner(const std::shared_ptr<Object>& owner) { owner_ = owner; }
    const std::shared_ptr<Object>& data() const { return data_; }
    void setData(std::shared_ptr<Object> data) { data_ = std::move(data); }
    std::shared_ptr<Vertex> parent() const { return parent_.lock(); }
    void setParent(const std::shared_ptr<Vertex>& parent) { parent_ = parent; }

    int level() const { return level_; }
    void setLevel(int level) { level_ = level; }
    // A helper vertex that stands for no item.
    bool virtual_() const { return virtual__; }
    void setVirtual(bool value) { virtual__ = value; }
    double weight() const { return weight_; }
    void setWeight(double weight) { weight_ = weight; }
    double x() const { return x_; }
    void setX(double x) { x_ = x; }
    double y() const { return y_; }
    void setY(double y) { y_ = y; }
    double width() const { return width_; }
    void setWidth(double width) { width_ = width; }
    double height() const { return height_; }
    void setHeight(double height) { height_ = height; }
    // The vertex's position in its graph's vertex list, as the component split last set it.
    int index() const { return index_; }
    void setIndex(int index) { index_ = index; }

    // Removes the edge from this vertex's lists on each side where the vertex is an end of it,
    // and clears that end of the edge.
    virtual void detachEdge(const std::shared_ptr<Edge>& edge);

private:
    std::vector<std::shared_ptr<Edge>> edges_;
    std::vector<std::shared_ptr<Edge>> outEdges_;
    std::vector<std::shared_ptr<Edge>> inEdges_;
    std::weak_ptr<Object> owner_;
    std::shared_ptr<Object> data_;
    std::weak_ptr<Vertex> parent_;
    int level_ = 0;
    bool virtual__ = false;
    double weight_ = 1.0;
    double x_ = 0.0;
    double y_ = 0.0;
    double width_ = 0.0;
    double height_ = 0.0;
    int index_ = 0;
};

}  // namespace nodeloom
