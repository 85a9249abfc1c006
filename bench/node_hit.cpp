// Hit tests of points and rectangles against one node rotated by 30 degrees whose outline is a
// 200-point polygon (an ellipse in its bounds), as a shape node with a detailed shape has.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "Nodeloom/items/AnchorPattern.h"
#include "Nodeloom/items/DiagramNode.h"

namespace {

using nodeloom::DiagramNode;
using nodeloom::Point;
using nodeloom::Rect;

// The outline is mapped into the bounds on every call, as shape nodes do, from points kept in
// fractions of the box.
class PolygonNode : public DiagramNode {
public:
    PolygonNode() {
        for (int i = 0; i < 200; ++i) {
            const double t = 2 * M_PI * i / 200;
            unit_.emplace_back(0.5 + 0.5 * std::cos(t), 0.5 + 0.5 * std::sin(t));
        }
    }
    std::vector<Point> getOutline() override {
        const Rect b = bounds();
        std::vector<Point> outline;
        outline.reserve(unit_.size());
        for (const Point& u : unit_)
            outline.emplace_back(b.x + b.width * u.x, b.y + b.height * u.y);
        return outline;
    }

private:
    std::vector<Point> unit_;
};

std::shared_ptr<PolygonNode> makeNode() {
    auto node = std::make_shared<PolygonNode>();
    node->_setBounds(Rect(100, 100, 200, 120));
    node->setRotationAngle(30);
    node->setAnchorPattern(nodeloom::AnchorPattern::decision1In3Out());
    return node;
}

// Points and rectangles spread over and around the node, the same for every run.
std::vector<Point> probePoints() {
    std::vector<Point> points;
    for (int i = 0; i < 64; ++i)
        points.emplace_back(60 + (i * 37) % 280, 60 + (i * 53) % 200);
    return points;
}

std::vector<Rect> probeRects() {
    std::vector<Rect> rects;
    for (int i = 0; i < 64; ++i)
        rects.emplace_back(40 + (i * 41) % 300, 40 + (i * 29) % 220, 5 + (i * 7) % 60,
                           3 + (i * 11) % 40);
    return rects;
}

void BM_ContainsPoint(benchmark::State& state) {
    auto node = makeNode();
    const auto points = probePoints();
    for (auto _ : state) {
        for (const Point& p : points)
            benchmark::DoNotOptimize(node->containsPoint(p, 2.0));
    }
    state.SetItemsProcessed(state.iterations() * points.size());
}
BENCHMARK(BM_ContainsPoint);

void BM_HitTestHandle(benchmark::State& state) {
    auto node = makeNode();
    const auto points = probePoints();
    for (auto _ : state) {
        for (const Point& p : points)
            benchmark::DoNotOptimize(node->hitTestHandle(p));
    }
    state.SetItemsProcessed(state.iterations() * points.size());
}
BENCHMARK(BM_HitTestHandle);

// A link end clipped from the node's centre towards a point.
void BM_GetIntersection(benchmark::State& state) {
    auto node = makeNode();
    const auto points = probePoints();
    const Point centre = node->bounds().center();
    for (auto _ : state) {
        for (const Point& p : points)
            benchmark::DoNotOptimize(node->getIntersection(centre, p));
    }
    state.SetItemsProcessed(state.iterations() * points.size());
}
BENCHMARK(BM_GetIntersection);

void BM_NearestBorderPoint(benchmark::State& state) {
    auto node = makeNode();
    const auto points = probePoints();
    for (auto _ : state) {
        for (const Point& p : points)
            benchmark::DoNotOptimize(node->getNearestBorderPoint(p));
    }
    state.SetItemsProcessed(state.iterations() * points.size());
}
BENCHMARK(BM_NearestBorderPoint);

void BM_NearestAnchorPoint(benchmark::State& state) {
    auto node = makeNode();
    const auto points = probePoints();
    for (auto _ : state) {
        for (const Point& p : points)
            benchmark::DoNotOptimize(node->getNearestAnchorPoint(p, nullptr, false));
    }
    state.SetItemsProcessed(state.iterations() * points.size());
}
BENCHMARK(BM_NearestAnchorPoint);

void BM_IntersectsRect(benchmark::State& state) {
    auto node = makeNode();
    const auto rects = probeRects();
    for (auto _ : state) {
        for (const Rect& r : rects)
            benchmark::DoNotOptimize(node->intersects(r));
    }
    state.SetItemsProcessed(state.iterations() * rects.size());
}
BENCHMARK(BM_IntersectsRect);

// The slowest case of the rectangle test: a rectangle across the edge of the rotated box that
// holds no outline point, so that every outline edge is tried against every rectangle edge.
void BM_IntersectsRectMiss(benchmark::State& state) {
    auto node = makeNode();
    const Rect corner(80, 150, 10, 10);
    for (auto _ : state)
        benchmark::DoNotOptimize(node->intersects(corner));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IntersectsRectMiss);

}  // namespace
