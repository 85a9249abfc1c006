#include "Nodeloom/layout/SpringLayout.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace nodeloom {

namespace {

// Random values are scaled by 2^31 - 1, not 2^32 - 1: angles run to 4 pi and radii to half the
// rest length.
constexpr double kRandomScale = 2147483647.0;
// A jitter that cannot separate two vertices within this many tries (coordinates so large that
// the offset is lost in rounding) gives up, and the pair exerts no force in that step.
constexpr int kJitterTries = 64;

std::uint32_t systemRandom() {
    static std::mt19937 generator{std::random_device{}()};
    return static_cast<std::uint32_t>(generator());
}

// The squared distance of a and b at offset (dx, dy), d apart, scaled by the rest length k; in
// the refine stage scaled by k plus the half sizes of a and then b.
double scaledDistance(double dx, double dy, double d, double k, bool refine, double aHalfWidth,
                      double aHalfHeight, double bHalfWidth, double bHalfHeight) {
    if (!refine) return d * d / k / k;
    const double w = k + aHalfWidth + bHalfWidth;
    const double h = k + aHalfHeight + bHalfHeight;
    return dx * dx / (w * w) + dy * dy / (h * h);
}

// The positions and half sizes of the vertices being arranged, in flat arrays for the pair loop.
struct Bodies {
    std::vector<double> x, y, halfWidth, halfHeight;

    // Moves b by random offsets of at most half the rest length until it leaves a's position.
    // False when it could not.
    bool separate(std::size_t a, std::size_t b, double k,
                  const SpringLayout::RandomSource& random) {
        for (int tries = 0; x[a] == x[b] && y[a] == y[b]; ++tries) {
            if (tries == kJitterTries) return false;
            const double r1 = static_cast<double>(random());
            const double r2 = static_cast<double>(random());
            const double angle = r1 * (2.0 * std::numbers::pi) / kRandomScale;
            double r = 0.25 * k * r2 / kRandomScale;
            if (r == 0) r = 0.25 * k * 0.5;
            x[b] = x[b] + std::cos(angle) * r;
            y[b] = y[b] - std::sin(angle) * r;
        }
        return true;
    }
};

}  // namespace

SpringLayout::SpringLayout() : randomSource_(systemRandom) {}

void SpringLayout::setRandomSource(RandomSource source) {
    randomSource_ = source ? std::move(source) : RandomSource(systemRandom);
}

double SpringLayout::distanceFactor(const Vertex& a, const Vertex& b, double d, double k) const {
    const double f = scaledDistance(a.x() - b.x(), a.y() - b.y(), d, k, refineStage_,
                                    a.width() / 2, a.height() / 2, b.width() / 2, b.height() / 2);
    return f * 4.0 / 3.0;
}

bool SpringLayout::arrangeGraph(const std::shared_ptr<Graph>& graph) {
    if (!graph) return false;
    // Each vertex once: a vertex listed twice would be pushed twice and meet itself.
    std::vector<Vertex*> vertices;
    std::unordered_map<const Vertex*, std::size_t> indexOf;
    std::vector<std::shared_ptr<NodeDataSL>> records;
    for (const auto& v : graph->vertices()) {
        if (!v || !indexOf.emplace(v.get(), vertices.size()).second) continue;
        vertices.push_back(v.get());
        auto record = std::make_shared<NodeDataSL>();
        v->setData(record);
        records.push_back(std::move(record));
    }
    const std::size_t n = vertices.size();

    const double k = nodeDistance();
    initialTemperature_ = temperature_ = k * 9.0;
    double s = 0.0;
    for (const Vertex* v : vertices) s += std::sqrt(v->width() * v->height());
    if (n > 0) s /= static_cast<double>(n);
    // Vertices of no size would all be clamped into a point.
    if (n > 0 && s == 0) s = k;
    width_ = height_ = s * std::ceil(std::sqrt(static_cast<double>(n))) * 4.0;

    const long long steps = std::max(0, iterations());
    if (steps == 0 || !(k > 0) || !std::isfinite(k)) return true;

    // The springs, by vertex position; an edge from a vertex to itself, or to a vertex outside the
    // graph, has none.
    std::vector<std::pair<std::size_t, std::size_t>> springs;
    springs.reserve(graph->edges().size());
    for (const auto& e : graph->edges()) {
        if (!e) continue;
        const auto o = indexOf.find(e->origin().get());
        const auto t = indexOf.find(e->destination().get());
        if (o == indexOf.end() || t == indexOf.end() || o->second == t->second) continue;
        springs.emplace_back(o->second, t->second);
    }

    Bodies bodies;
    for (const Vertex* v : vertices) {
        bodies.x.push_back(v->x());
        bodies.y.push_back(v->y());
        bodies.halfWidth.push_back(v->width() / 2);
        bodies.halfHeight.push_back(v->height() / 2);
    }
    std::vector<double> rx(n), ry(n);
    const RandomSource& random = randomSource_;

    for (long long i = 0; i < steps; ++i) {
        refineStage_ = i >= (3 * steps) / 4;
        const bool refine = refineStage_;

        // Repulsion, each unordered pair once. Every record still receives its terms in the
        // order of the other vertex's position, as a walk over the ordered pairs adds them, and
        // the term of the later vertex is the exact negation unless the sizes, added the other
        // way round, round differently.
        std::fill(rx.begin(), rx.end(), 0.0);
        std::fill(ry.begin(), ry.end(), 0.0);
        for (std::size_t a = 0; a < n; ++a) {
            const double ax = bodies.x[a], ay = bodies.y[a];
            const double ahw = bodies.halfWidth[a], ahh = bodies.halfHeight[a];
            double sumX = rx[a], sumY = ry[a];
            for (std::size_t b = a + 1; b < n; ++b) {
                double dx = ax - bodies.x[b], dy = ay - bodies.y[b];
                if (dx == 0 && dy == 0) {
                    if (!bodies.separate(a, b, k, random)) continue;
                    dx = ax - bodies.x[b];
                    dy = ay - bodies.y[b];
                }
                const double d = std::sqrt(dx * dx + dy * dy);
                const double bhw = bodies.halfWidth[b], bhh = bodies.halfHeight[b];
                const double fab = scaledDistance(dx, dy, d, k, refine, ahw, ahh, bhw, bhh);
                const double forceAB = 1 / (fab * 4.0 / 3.0);
                const double ux = dx / d, uy = dy / d;
                sumX = sumX + ux * forceAB;
                sumY = sumY + uy * forceAB;
                double forceBA = forceAB;
                if (refine && ((k + ahw) + bhw != (k + bhw) + ahw ||
                               (k + ahh) + bhh != (k + bhh) + ahh))
                    forceBA = 1 / (scaledDistance(dx, dy, d, k, true, bhw, bhh, ahw, ahh) * 4.0 /
                                   3.0);
                rx[b] = rx[b] - ux * forceBA;
                ry[b] = ry[b] - uy * forceBA;
            }
            rx[a] = sumX;
            ry[a] = sumY;
        }

        // Attraction along the springs.
        for (const auto& [o, t] : springs) {
            double dx = bodies.x[o] - bodies.x[t], dy = bodies.y[o] - bodies.y[t];
            if (dx == 0 && dy == 0) {
                if (!bodies.separate(o, t, k, random)) continue;
                dx = bodies.x[o] - bodies.x[t];
                dy = bodies.y[o] - bodies.y[t];
            }
            const double d = std::sqrt(dx * dx + dy * dy);
            const double a = scaledDistance(dx, dy, d, k, refine, bodies.halfWidth[o],
                                            bodies.halfHeight[o], bodies.halfWidth[t],
                                            bodies.halfHeight[t]) *
                             4.0 / 3.0;
            const double px = dx / d * a, py = dy / d * a;
            rx[o] = rx[o] - px;
            ry[o] = ry[o] - py;
            rx[t] = rx[t] + px;
            ry[t] = ry[t] + py;
        }

        // Steps no longer than the temperature, kept inside the area.
        for (std::size_t v = 0; v < n; ++v) {
            const double length = std::sqrt(rx[v] * rx[v] + ry[v] * ry[v]);
            if (length == 0) continue;
            const double step = std::min(length, temperature_);
            bodies.x[v] = bodies.x[v] + rx[v] * step / length;
            bodies.y[v] = bodies.y[v] + ry[v] * step / length;
            bodies.x[v] = std::min(width_, std::max(bodies.halfWidth[v], bodies.x[v]));
            bodies.y[v] = std::min(height_, std::max(bodies.halfHeight[v], bodies.y[v]));
        }

        if (refine)
            temperature_ = initialTemperature_ / 30.0;
        else
            temperature_ =
                initialTemperature_ * (1 - 0.5 * static_cast<double>(i) / static_cast<double>(steps));
    }

    for (std::size_t v = 0; v < n; ++v) {
        vertices[v]->setX(bodies.x[v]);
        vertices[v]->setY(bodies.y[v]);
        records[v]->dx = rx[v];
        records[v]->dy = ry[v];
    }
    return true;
}

}  // namespace nodeloom
