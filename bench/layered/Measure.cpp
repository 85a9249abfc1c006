#include "Measure.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <unordered_map>

namespace layered_bench {

namespace {

struct Segment {
    Pt a, b;
    int edge;
};

// Where the segments cross at a point inside both (touching ends and parallel segments do not
// count).
bool properCrossing(const Segment& s, const Segment& t, Pt& at) {
    const double rx = s.b.x - s.a.x, ry = s.b.y - s.a.y;
    const double qx = t.b.x - t.a.x, qy = t.b.y - t.a.y;
    const double denom = rx * qy - ry * qx;
    if (std::abs(denom) < 1e-12) return false;
    const double ux = t.a.x - s.a.x, uy = t.a.y - s.a.y;
    const double u = (ux * qy - uy * qx) / denom;
    const double v = (ux * ry - uy * rx) / denom;
    const double eps = 1e-9;
    if (u <= eps || u >= 1 - eps || v <= eps || v >= 1 - eps) return false;
    at = {s.a.x + u * rx, s.a.y + u * ry};
    return true;
}

bool inside(const Box& b, const Pt& p, double margin) {
    return p.x >= b.x - margin && p.x <= b.x + b.width + margin && p.y >= b.y - margin &&
           p.y <= b.y + b.height + margin;
}

std::int64_t countCrossings(const Drawing& d) {
    std::vector<Segment> segments;
    double total = 0;
    for (std::size_t e = 0; e < d.edges.size(); ++e)
        for (std::size_t i = 0; i + 1 < d.edges[e].size(); ++i) {
            const Pt a = d.edges[e][i], b = d.edges[e][i + 1];
            if (a.x == b.x && a.y == b.y) continue;
            segments.push_back({a, b, static_cast<int>(e)});
            total += std::hypot(b.x - a.x, b.y - a.y);
        }
    if (segments.size() < 2) return 0;
    // A uniform grid; a crossing is counted in the cell that holds its point, so a pair of
    // segments that share several cells counts once.
    const double cell = std::max(4.0, 2.0 * total / static_cast<double>(segments.size()));
    auto key = [](long long cx, long long cy) { return (cx << 32) ^ (cy & 0xffffffffLL); };
    std::unordered_map<long long, std::vector<int>> grid;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const Segment& s = segments[i];
        const auto x0 = static_cast<long long>(std::floor(std::min(s.a.x, s.b.x) / cell));
        const auto x1 = static_cast<long long>(std::floor(std::max(s.a.x, s.b.x) / cell));
        const auto y0 = static_cast<long long>(std::floor(std::min(s.a.y, s.b.y) / cell));
        const auto y1 = static_cast<long long>(std::floor(std::max(s.a.y, s.b.y) / cell));
        for (long long cx = x0; cx <= x1; ++cx)
            for (long long cy = y0; cy <= y1; ++cy)
                grid[key(cx, cy)].push_back(static_cast<int>(i));
    }
    std::int64_t crossings = 0;
    for (const auto& [k, list] : grid)
        for (std::size_t i = 0; i < list.size(); ++i)
            for (std::size_t j = i + 1; j < list.size(); ++j) {
                const Segment& s = segments[static_cast<std::size_t>(list[i])];
                const Segment& t = segments[static_cast<std::size_t>(list[j])];
                if (s.edge == t.edge) continue;
                Pt at;
                if (!properCrossing(s, t, at)) continue;
                if (key(static_cast<long long>(std::floor(at.x / cell)),
                        static_cast<long long>(std::floor(at.y / cell))) != k)
                    continue;
                // Edges that meet at a node may touch inside it; that is no crossing.
                const auto [sa, sb] = d.ends[static_cast<std::size_t>(s.edge)];
                const auto [ta, tb] = d.ends[static_cast<std::size_t>(t.edge)];
                bool atSharedNode = false;
                for (int n : {sa, sb})
                    if ((n == ta || n == tb) && inside(d.nodes[static_cast<std::size_t>(n)], at, 2.0))
                        atSharedNode = true;
                if (!atSharedNode) ++crossings;
            }
    return crossings;
}

std::int64_t countOverlaps(const std::vector<Box>& boxes) {
    std::vector<std::size_t> order(boxes.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return boxes[a].x < boxes[b].x; });
    const double eps = 0.01;
    std::int64_t overlaps = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const Box& a = boxes[order[i]];
        for (std::size_t j = i + 1; j < order.size(); ++j) {
            const Box& b = boxes[order[j]];
            if (b.x >= a.x + a.width - eps) break;
            const double w = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
            const double h = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
            if (w > eps && h > eps) ++overlaps;
        }
    }
    return overlaps;
}

}  // namespace

Metrics measure(const Drawing& d) {
    Metrics m;
    m.crossings = countCrossings(d);
    m.overlaps = countOverlaps(d.nodes);
    double left = std::numeric_limits<double>::infinity(), top = left;
    double right = -left, bottom = -left;
    auto take = [&](double x, double y) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    };
    for (const Box& b : d.nodes) {
        take(b.x, b.y);
        take(b.x + b.width, b.y + b.height);
    }
    for (const auto& line : d.edges) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            take(line[i].x, line[i].y);
            if (i > 0) m.edgeLength += std::hypot(line[i].x - line[i - 1].x, line[i].y - line[i - 1].y);
        }
    }
    if (right >= left) {
        m.width = right - left;
        m.height = bottom - top;
    }
    // Layers: per connected component (components may sit side by side with their layers out of
    // line), the distinct node centres along the layer axis, to a tenth of a point.
    const std::size_t n = d.nodes.size();
    std::vector<std::size_t> parent(n);
    for (std::size_t i = 0; i < n; ++i)
        parent[i] = i;
    auto root = [&](std::size_t i) {
        while (parent[i] != i)
            i = parent[i] = parent[parent[i]];
        return i;
    };
    for (const auto& [a, b] : d.ends)
        parent[root(static_cast<std::size_t>(a))] = root(static_cast<std::size_t>(b));
    std::map<std::pair<std::size_t, long long>, int> rank;
    std::vector<long long> along(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Box& b = d.nodes[i];
        along[i] = std::llround(10 * (d.vertical ? b.y + b.height / 2 : b.x + b.width / 2));
        rank[{root(i), along[i]}] = 0;
    }
    std::size_t component = n;
    int r = 0;
    for (auto& [k, v] : rank) {
        if (k.first != component) {
            component = k.first;
            r = 0;
        }
        v = r++;
        m.layers = std::max(m.layers, r);
    }
    auto rankOf = [&](int i) { return rank[{root(static_cast<std::size_t>(i)), along[static_cast<std::size_t>(i)]}]; };
    for (const auto& [a, b] : d.ends)
        m.layerSpan += std::abs(rankOf(a) - rankOf(b));
    return m;
}

}  // namespace layered_bench
