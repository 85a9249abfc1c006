#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/foundation/Graph.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/layout/SpringLayout.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom::test {

inline std::shared_ptr<Diagram> makeDiagram(bool undo = false) {
    auto d = std::make_shared<Diagram>();
    d->setUndoEnabled(undo);
    return d;
}

inline std::shared_ptr<DiagramNode> addNode(Diagram& d, double x, double y, double w = 40,
                                            double h = 20) {
    return d.factory()->createShapeNode(x, y, w, h);
}

inline std::shared_ptr<DiagramLink> addLink(Diagram& d, const std::shared_ptr<DiagramNode>& a,
                                            const std::shared_ptr<DiagramNode>& b) {
    return d.factory()->createDiagramLink(a, b);
}

inline std::shared_ptr<Vertex> addVertex(Graph& g, double x, double y, double w, double h) {
    auto v = std::make_shared<Vertex>();
    v->setX(x);
    v->setY(y);
    v->setWidth(w);
    v->setHeight(h);
    g.vertices().push_back(v);
    return v;
}

inline std::shared_ptr<Edge> addEdge(Graph& g, const std::shared_ptr<Vertex>& a,
                                     const std::shared_ptr<Vertex>& b) {
    auto e = std::make_shared<Edge>(a, b);
    g.addEdge(e);
    return e;
}

// A random tree of n vertices: each vertex after the first hangs below an earlier one. Sizes are
// whole numbers, or any numbers with `fractional`.
inline std::shared_ptr<Graph> randomTree(std::mt19937& random, int n, bool fractional,
                                         double maxSize = 60) {
    auto g = std::make_shared<Graph>();
    std::uniform_real_distribution<double> size(1, maxSize);
    for (int i = 0; i < n; ++i) {
        double w = size(random), h = size(random);
        if (!fractional) {
            w = std::round(w);
            h = std::round(h);
        }
        addVertex(*g, 0, 0, w, h);
        if (i > 0) {
            std::uniform_int_distribution<int> parent(0, i - 1);
            addEdge(*g, g->vertices()[static_cast<std::size_t>(parent(random))],
                    g->vertices().back());
        }
    }
    return g;
}

// The spring layout written step by step as the ordered pair loop it describes: every vertex
// meets every other one in its own turn, and a coincident partner is the one that moves. Kept as
// the oracle of the faster pair loop, with the same arithmetic expression for every force.
inline void literalSpring(Graph& graph, double k, int iterations,
                          const std::function<std::uint32_t()>& random) {
    auto& vertices = graph.vertices();
    auto record = [](Vertex& v) { return static_cast<NodeDataSL*>(v.data().get()); };
    for (const auto& v : vertices) v->setData(std::make_shared<NodeDataSL>());
    const double initial = k * 9.0;
    double temperature = initial;
    double s = 0;
    for (const auto& v : vertices) s += std::sqrt(v->width() * v->height());
    const double n = static_cast<double>(vertices.size());
    if (n > 0) s /= n;
    if (n > 0 && s == 0) s = k;
    const double width = s * std::ceil(std::sqrt(n)) * 4.0, height = width;
    if (iterations <= 0) return;
    const long long steps = iterations;

    bool refine = false;
    auto scaled = [&](const Vertex& a, const Vertex& b, double dx, double dy, double d) {
        if (!refine) return d * d / k / k;
        const double w = k + a.width() / 2 + b.width() / 2;
        const double h = k + a.height() / 2 + b.height() / 2;
        return dx * dx / (w * w) + dy * dy / (h * h);
    };
    auto jitter = [&](const Vertex& a, Vertex& b) {
        while (a.x() == b.x() && a.y() == b.y()) {
            const double r1 = static_cast<double>(random()), r2 = static_cast<double>(random());
            const double angle = r1 * (2.0 * M_PI) / 2147483647.0;
            double r = 0.25 * k * r2 / 2147483647.0;
            if (r == 0) r = 0.25 * k * 0.5;
            b.setX(b.x() + std::cos(angle) * r);
            b.setY(b.y() - std::sin(angle) * r);
        }
    };
    for (long long i = 0; i < steps; ++i) {
        refine = i >= (3 * steps) / 4;
        for (const auto& v : vertices) {
            NodeDataSL& rec = *record(*v);
            rec.dx = rec.dy = 0;
            for (const auto& u : vertices) {
                if (u == v) continue;
                jitter(*v, *u);
                const double dx = v->x() - u->x(), dy = v->y() - u->y();
                const double d = std::sqrt(dx * dx + dy * dy);
                const double force = 1 / (scaled(*v, *u, dx, dy, d) * 4.0 / 3.0);
                rec.dx = rec.dx + dx / d * force;
                rec.dy = rec.dy + dy / d * force;
            }
        }
        for (const auto& e : graph.edges()) {
            const auto o = e->origin(), t = e->destination();
            if (o == t) continue;
            jitter(*o, *t);
            const double dx = o->x() - t->x(), dy = o->y() - t->y();
            const double d = std::sqrt(dx * dx + dy * dy);
            const double a = scaled(*o, *t, dx, dy, d) * 4.0 / 3.0;
            record(*o)->dx = record(*o)->dx - dx / d * a;
            record(*o)->dy = record(*o)->dy - dy / d * a;
            record(*t)->dx = record(*t)->dx + dx / d * a;
            record(*t)->dy = record(*t)->dy + dy / d * a;
        }
        for (const auto& v : vertices) {
            const NodeDataSL& rec = *record(*v);
            const double length = std::sqrt(rec.dx * rec.dx + rec.dy * rec.dy);
            if (length == 0) continue;
            const double step = std::min(length, temperature);
            v->setX(v->x() + rec.dx * step / length);
            v->setY(v->y() + rec.dy * step / length);
            v->setX(std::min(width, std::max(v->width() / 2, v->x())));
            v->setY(std::min(height, std::max(v->height() / 2, v->y())));
        }
        if (refine)
            temperature = initial / 30.0;
        else
            temperature = initial * (1 - 0.5 * static_cast<double>(i) / static_cast<double>(steps));
    }
}

}  // namespace nodeloom::test
