#pragma once

#include <memory>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "Nodeloom/foundation/Graph.h"

namespace nodeloom::test {

// A graph to build twice: vertex sizes and edges by vertex number.
struct GraphRecipe {
    std::vector<std::pair<double, double>> sizes;
    std::vector<std::pair<int, int>> edges;

    std::shared_ptr<Graph> build() const {
        auto graph = std::make_shared<Graph>();
        for (const auto& [w, h] : sizes) {
            auto v = std::make_shared<Vertex>();
            v->setWidth(w);
            v->setHeight(h);
            graph->vertices().push_back(v);
        }
        for (const auto& [a, b] : edges)
            graph->addEdge(std::make_shared<Edge>(graph->vertices()[static_cast<std::size_t>(a)],
                                                  graph->vertices()[static_cast<std::size_t>(b)]));
        return graph;
    }
};

// A random sparse graph of n vertices: edges from lower to higher numbers (a DAG) unless
// `cycles`, without self-loops or repeated pairs; sizes whole numbers, or with odd fractions.
inline GraphRecipe randomRecipe(unsigned seed, int n, double edgesPerVertex, bool cycles,
                                bool oddSizes) {
    std::mt19937 rng(seed);
    GraphRecipe recipe;
    std::uniform_int_distribution<int> side(10, 60);
    std::uniform_real_distribution<double> odd(5.0, 60.0);
    for (int i = 0; i < n; ++i)
        recipe.sizes.emplace_back(oddSizes ? odd(rng) : side(rng), oddSizes ? odd(rng) : side(rng));
    if (n < 2) return recipe;
    std::uniform_int_distribution<int> pick(0, n - 1);
    std::set<std::pair<int, int>> seen;
    const int wanted = static_cast<int>(edgesPerVertex * n);
    for (int attempt = 0; attempt < 4 * wanted && static_cast<int>(recipe.edges.size()) < wanted;
         ++attempt) {
        int a = pick(rng), b = pick(rng);
        if (a == b) continue;
        if (!cycles && a > b) std::swap(a, b);
        if (!seen.insert(std::minmax(a, b)).second) continue;
        recipe.edges.emplace_back(a, b);
    }
    return recipe;
}

}  // namespace nodeloom::test
