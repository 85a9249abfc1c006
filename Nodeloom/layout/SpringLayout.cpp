#include "Nodeloom/layout/SpringLayout.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// One pair of the repulsion at offset (dx, dy): the term of a against b and, negated, of b
// against a. The refine stage measures with the half sizes added in each vertex's order.
struct PairTerms {
    double x, y, backX, backY;
};

inline PairTerms pairTerms(double dx, double dy, double k, bool refine, double ahw, double ahh,
                           double bhw, double bhh) {
    const double d = std::sqrt(dx * dx + dy * dy);
    const double ux = dx / d, uy = dy / d;
    if (!refine) {
        const double force = 1 / (d * d / k / k * 4.0 / 3.0);
        return {ux * force, uy * force, ux * force, uy * force};
    }
    const double forceAB = 1 / (scaledDistance(dx, dy, d, k, true, ahw, ahh, bhw, bhh) * 4.0 / 3.0);
    const double forceBA = 1 / (scaledDistance(dx, dy, d, k, true, bhw, bhh, ahw, ahh) * 4.0 / 3.0);
    return {ux * forceAB, uy * forceAB, ux * forceBA, uy * forceBA};
}

// One row of the repulsion: the terms of vertex a against every later vertex b into (tx, ty),
// and b's own terms against a subtracted from its record. `skip` marks partners that still sit
// on a's point: they add nothing. Two pairs at a time on vector registers where there are
// some, with the same operations in the same order as the scalar form.
void repulseRow(const Bodies& bodies, std::size_t a, double k, bool refine, const char* skip,
                double* __restrict rx, double* __restrict ry, double* __restrict tx,
                double* __restrict ty) {
    const std::size_t n = bodies.x.size();
    const double* xs = bodies.x.data();
    const double* ys = bodies.y.data();
    const double* hws = bodies.halfWidth.data();
    const double* hhs = bodies.halfHeight.data();
    const double ax = xs[a], ay = ys[a], ahw = hws[a], ahh = hhs[a];
    std::size_t b = a + 1;
#if defined(__SSE2__)
    if (skip == nullptr) {
        const __m128d vax = _mm_set1_pd(ax), vay = _mm_set1_pd(ay), vk = _mm_set1_pd(k);
        const __m128d one = _mm_set1_pd(1.0), four = _mm_set1_pd(4.0), three = _mm_set1_pd(3.0);
        const __m128d vahw = _mm_set1_pd(ahw), vahh = _mm_set1_pd(ahh);
        const auto force = [&](__m128d f) {
            return _mm_div_pd(one, _mm_div_pd(_mm_mul_pd(f, four), three));
        };
        const auto scaled = [&](__m128d dx, __m128d dy, __m128d w, __m128d h) {
            return _mm_add_pd(_mm_div_pd(_mm_mul_pd(dx, dx), _mm_mul_pd(w, w)),
                              _mm_div_pd(_mm_mul_pd(dy, dy), _mm_mul_pd(h, h)));
        };
        for (; b + 2 <= n; b += 2) {
            const __m128d dx = _mm_sub_pd(vax, _mm_loadu_pd(xs + b));
            const __m128d dy = _mm_sub_pd(vay, _mm_loadu_pd(ys + b));
            const __m128d d = _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(dx, dx), _mm_mul_pd(dy, dy)));
            const __m128d ux = _mm_div_pd(dx, d), uy = _mm_div_pd(dy, d);
            __m128d forceAB, forceBA;
            if (!refine) {
                forceAB = forceBA = force(_mm_div_pd(_mm_div_pd(_mm_mul_pd(d, d), vk), vk));
            } else {
                const __m128d bhw = _mm_loadu_pd(hws + b), bhh = _mm_loadu_pd(hhs + b);
                forceAB = force(scaled(dx, dy, _mm_add_pd(_mm_add_pd(vk, vahw), bhw),
                                       _mm_add_pd(_mm_add_pd(vk, vahh), bhh)));
                forceBA = force(scaled(dx, dy, _mm_add_pd(_mm_add_pd(vk, bhw), vahw),
                                       _mm_add_pd(_mm_add_pd(vk, bhh), vahh)));
            }
            _mm_storeu_pd(tx + b, _mm_mul_pd(ux, forceAB));
            _mm_storeu_pd(ty + b, _mm_mul_pd(uy, forceAB));
            _mm_storeu_pd(rx + b, _mm_sub_pd(_mm_loadu_pd(rx + b), _mm_mul_pd(ux, forceBA)));
            _mm_storeu_pd(ry + b, _mm_sub_pd(_mm_loadu_pd(ry + b), _mm_mul_pd(uy, forceBA)));
        }
    }
#endif
    for (; b < n; ++b) {
        if (skip != nullptr && skip[b]) {
            tx[b] = ty[b] = 0.0;
            continue;
        }
        const PairTerms t = pairTerms(ax - xs[b], ay - ys[b], k, refine, ahw, ahh, hws[b], hhs[b]);
        tx[b] = t.x;
        ty[b] = t.y;
        rx[b] = rx[b] - t.backX;
        ry[b] = ry[b] - t.backY;
    }
}

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
    std::vector<double> rx(n), ry(n), termX(n), termY(n);
    std::vector<char> skip(n, 0);
    const RandomSource& random = randomSource_;

    for (long long i = 0; i < steps; ++i) {
        refineStage_ = i >= (3 * steps) / 4;
        const bool refine = refineStage_;

        // Repulsion, each unordered pair once. Every record still receives its terms in the
        // order of the other vertex's position, as a walk over the ordered pairs adds them, and
        // the later vertex's term is the exact negation of the earlier one's, its distance
        // measured with the sizes added the other way round. The terms of one row go through
        // a buffer so that the arithmetic runs without branches and only the sum is in order.
        std::fill(rx.begin(), rx.end(), 0.0);
        std::fill(ry.begin(), ry.end(), 0.0);
        for (std::size_t a = 0; a < n; ++a) {
            const double ax = bodies.x[a], ay = bodies.y[a];
            // Coincident partners move first, in the order the pairs meet them; one that cannot
            // be separated exerts no force.
            bool stuck = false;
            for (std::size_t b = a + 1; b < n; ++b) {
                if (bodies.x[b] != ax || bodies.y[b] != ay) continue;
                const bool moved = bodies.separate(a, b, k, random);
                skip[b] = moved ? 0 : 1;
                stuck = stuck || !moved;
            }
            repulseRow(bodies, a, k, refine, stuck ? skip.data() : nullptr, rx.data(), ry.data(),
                       termX.data(), termY.data());
            if (stuck) std::fill(skip.begin(), skip.end(), 0);
            double sumX = rx[a], sumY = ry[a];
            for (std::size_t b = a + 1; b < n; ++b) {
                sumX = sumX + termX[b];
                sumY = sumY + termY[b];
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
