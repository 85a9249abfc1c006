#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

// Seeded graphs for the layered layout's benchmark and its comparison with dot: plain node sizes
// and edge lists, nothing of the library. The random numbers are drawn by hand from the engine's
// output, so that a seed gives the same graph with any standard library.
namespace layered_bench {

struct GraphSpec {
    std::string kind;
    std::vector<std::pair<int, int>> sizes;  // width and height of every node, in points
    std::vector<std::pair<int, int>> edges;  // origin and destination by node number
};

class Draw {
public:
    explicit Draw(std::uint32_t seed) : engine_(seed) {}
    // A number from lo to hi, both included.
    int between(int lo, int hi) {
        const auto span = static_cast<std::uint64_t>(hi - lo) + 1;
        return lo + static_cast<int>(engine_() % span);
    }

private:
    std::mt19937 engine_;
};

inline void addSizes(GraphSpec& g, Draw& draw, int n) {
    for (int i = 0; i < n; ++i)
        g.sizes.emplace_back(draw.between(6, 18) * 5, draw.between(4, 8) * 5);
}

// Every node after the first hangs below 1 or 2 of the 40 nodes before it: a deep DAG whose edges
// are mostly short, as in a large flow chart.
inline GraphSpec dag(int n, std::uint32_t seed) {
    GraphSpec g{"dag", {}, {}};
    Draw draw(seed);
    addSizes(g, draw, n);
    for (int i = 1; i < n; ++i) {
        const int parents = std::min(i, draw.between(1, 2));
        int first = -1;
        for (int k = 0; k < parents; ++k) {
            const int p = draw.between(std::max(0, i - 40), i - 1);
            if (p == first) continue;
            first = p;
            g.edges.emplace_back(p, i);
        }
    }
    return g;
}

// Every node after the first hangs below one of the later two thirds of the nodes before it.
inline GraphSpec tree(int n, std::uint32_t seed) {
    GraphSpec g{"tree", {}, {}};
    Draw draw(seed);
    addSizes(g, draw, n);
    for (int i = 1; i < n; ++i)
        g.edges.emplace_back(draw.between((i - 1) / 3, i - 1), i);
    return g;
}

// 1.25 edges per node between nodes drawn at random, without loops or repeated pairs: cycles and
// several components.
inline GraphSpec sparse(int n, std::uint32_t seed) {
    GraphSpec g{"sparse", {}, {}};
    Draw draw(seed);
    addSizes(g, draw, n);
    std::set<std::pair<int, int>> seen;
    const std::size_t wanted = static_cast<std::size_t>(n) * 5 / 4;
    while (g.edges.size() < wanted) {
        const int a = draw.between(0, n - 1), b = draw.between(0, n - 1);
        if (a == b || !seen.insert(std::minmax(a, b)).second) continue;
        g.edges.emplace_back(a, b);
    }
    return g;
}

}  // namespace layered_bench
