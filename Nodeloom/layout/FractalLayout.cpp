#include "Nodeloom/layout/FractalLayout.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <unordered_set>
#include <utility>
#include <vector>

#include "Nodeloom/items/DiagramNode.h"

namespace nodeloom {

BranchCircle::~BranchCircle() {
    std::vector<std::shared_ptr<BranchCircle>> pending = std::move(childCircles);
    while (!pending.empty()) {
        std::shared_ptr<BranchCircle> circle = std::move(pending.back());
        pending.pop_back();
        if (circle && circle.use_count() == 1) {
            for (auto& child : circle->childCircles)
                pending.push_back(std::move(child));
            circle->childCircles.clear();
        }
    }
}

namespace {

constexpr double kPi = std::numbers::pi;
// Above this many points the angle method, whose passes each look at every point, gives way to
// Welzl's algorithm, which finds the same circle in expected linear time.
constexpr std::size_t kWelzlPoints = 24;

double distance(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

Circle diameterCircle(Point a, Point b) {
    return Circle{(a.x + b.x) / 2, (a.y + b.y) / 2, distance(a, b) / 2};
}

// An angle from its cosine, the cosine kept within [-1, 1] against rounding.
double angleOf(double cosine) {
    return std::acos(std::clamp(cosine, -1.0, 1.0));
}

bool finite(const Circle& c) {
    return std::isfinite(c.x) && std::isfinite(c.y) && std::isfinite(c.r);
}

bool inside(const Circle& c, Point p) {
    return distance(Point(c.x, c.y), p) <= c.r + 1e-12 * std::max(1.0, c.r);
}

// The circle through three points for Welzl's algorithm; on a line, the circle on the two
// farthest apart.
Circle circumcircle(Point a, Point b, Point c) {
    const double bx = b.x - a.x, by = b.y - a.y, cx = c.x - a.x, cy = c.y - a.y;
    const double d = 2 * (bx * cy - by * cx);
    if (d == 0) {
        Circle best = diameterCircle(a, b);
        for (const Circle& other : {diameterCircle(a, c), diameterCircle(b, c)})
            if (other.r > best.r) best = other;
        return best;
    }
    const double b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
    const double ux = (cy * b2 - by * c2) / d, uy = (bx * c2 - cx * b2) / d;
    return Circle{a.x + ux, a.y + uy, std::hypot(ux, uy)};
}

// The other end of the edge from v.
std::shared_ptr<Vertex> otherEnd(const Edge& e, const Vertex* v) {
    std::shared_ptr<Vertex> origin = e.origin();
    if (origin.get() != v) return origin;
    return e.destination();
}

}  // namespace

std::optional<Circle> FractalLayout::circleThroughPoints(Point p1, Point p2, Point p3) {
    Point a = p1, b = p2, c = p3;
    if (p1.x != p2.x) {
        if (p3.x == p2.x) {
            a = p2;
            b = p3;
            c = p1;
        } else {
            b = p3;
            c = p2;
        }
    }
    const double ma = (c.y - a.y) / (c.x - a.x);
    const double mb = (b.y - c.y) / (b.x - c.x);
    if (ma == mb) return std::nullopt;
    const double x =
        (mb * (a.x + c.x) + ma * mb * (a.y - b.y) - ma * (b.x + c.x)) / (2 * (mb - ma));
    const double y = ma != 0 ? (a.y + c.y) / 2 - (x - (a.x + c.x) / 2) / ma
                             : (c.y + b.y) / 2 - (x - (b.x + c.x) / 2) / mb;
    const Circle circle{x, y, distance(Point(x, y), a)};
    if (!finite(circle)) return std::nullopt;
    return circle;
}

std::optional<Circle> FractalLayout::enclosingCircle(const std::vector<Point>& points) {
    const std::size_t m = points.size();
    if (m < 2) return std::nullopt;
    if (m == 2) return diameterCircle(points[0], points[1]);
    if (m == 3) return circleThroughPoints(points[0], points[1], points[2]);

    std::size_t p = 0;
    for (std::size_t i = 1; i < m; ++i)
        if (points[i].y < points[p].y) p = i;
    // The point whose line from P lies nearest the horizontal: the largest |dx| / |PQ|.
    std::size_t q = m;
    double best = -1;
    for (std::size_t i = 0; i < m; ++i) {
        if (i == p) continue;
        const double cosine = std::fabs(points[i].x - points[p].x) / distance(points[i], points[p]);
        if (cosine > best) {
            best = cosine;
            q = i;
        }
    }
    if (q == m) return std::nullopt;

    std::vector<char> discarded(m, 0);
    for (std::size_t round = 0; round < m; ++round) {
        const Point P = points[p], Q = points[q];
        const double pq = distance(P, Q);
        std::size_t r = m;
        double smallest = std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < m; ++i) {
            if (i == p || i == q || discarded[i]) continue;
            const double rp = distance(points[i], P), rq = distance(points[i], Q);
            const double angle = angleOf((rp * rp + rq * rq - pq * pq) / (2 * rp * rq));
            if (angle < smallest) {
                smallest = angle;
                r = i;
            }
        }
        if (r == m) return std::nullopt;
        const Point R = points[r];
        const double rp = distance(R, P), rq = distance(R, Q);
        const double alpha = smallest;
        const double beta = angleOf((pq * pq + rp * rp - rq * rq) / (2 * pq * rp));
        const double gamma = kPi - alpha - beta;
        if (alpha < kPi / 2 && beta < kPi / 2 && gamma < kPi / 2)
            return circleThroughPoints(P, Q, R);
        if (alpha >= kPi / 2) return diameterCircle(P, Q);
        if (beta >= kPi / 2) {
            discarded[p] = 1;
            p = r;
        } else if (gamma >= kPi / 2) {
            discarded[q] = 1;
            q = r;
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

Circle FractalLayout::smallestEnclosingCircle(const std::vector<Point>& points) {
    if (points.empty()) return Circle{};
    std::vector<Point> pts = points;
    // A fixed order keeps the result the same from run to run; shuffling keeps the expected cost
    // linear whatever order the points come in.
    std::mt19937 generator(0x5eed);
    std::shuffle(pts.begin(), pts.end(), generator);
    Circle c{pts[0].x, pts[0].y, 0};
    for (std::size_t i = 1; i < pts.size(); ++i) {
        if (inside(c, pts[i])) continue;
        c = Circle{pts[i].x, pts[i].y, 0};
        for (std::size_t j = 0; j < i; ++j) {
            if (inside(c, pts[j])) continue;
            c = diameterCircle(pts[i], pts[j]);
            for (std::size_t k = 0; k < j; ++k)
                if (!inside(c, pts[k])) c = circumcircle(pts[i], pts[j], pts[k]);
        }
    }
    return c;
}

Circle FractalLayout::branchCircle(const std::vector<Point>& points) {
    if (points.size() <= kWelzlPoints) {
        if (const std::optional<Circle> c = enclosingCircle(points)) return *c;
    }
    return smallestEnclosingCircle(points);
}

void FractalLayout::finishBranch(BranchCircle& branch,
                                 std::vector<std::shared_ptr<BranchCircle>> children, double sum) {
    const Vertex& v = *branch.node;
    const double w = v.width(), h = v.height();
    std::stable_sort(children.begin(), children.end(),
                     [](const auto& a, const auto& b) { return a->radius > b->radius; });
    // Children of no size share the turn equally.
    const bool byCount = sum == 0;
    if (byCount) sum = static_cast<double>(children.size());
    const bool isRoot = branch.node == rootVertex_;
    if (!isRoot) sum = sum * 72 / 71;

    std::vector<Point> points{Point(-w / 2, -h / 2), Point(w / 2, -h / 2), Point(w / 2, h / 2),
                              Point(-w / 2, h / 2)};
    double turn = 2 * kPi;
    for (const auto& c : children) {
        const double weight = byCount ? 1.0 : c->radius;
        double s = turn * weight / sum;
        if (s > kPi) {
            s = kPi;
            turn = kPi;
            sum = sum - weight;
        }
        c->sweepAngle = s;
    }
    double a = isRoot ? 0.0 : kPi / 72;
    const double half = std::sqrt(w * w + h * h) / 2;
    for (const auto& c : children) {
        const double r = c->radius, g = c->sweepAngle / 2;
        // A branch of radius 0 needs no room in its sector, however narrow.
        const double fit = r == 0 ? 0.0 : r / std::sin(g);
        a = a + g;
        c->angle = a;
        c->centerDelta = std::max(half + r, fit);
        const double d = std::max(half + 2 * r, r + fit);
        points.emplace_back(std::cos(a) * d, std::sin(a) * d);
        a = a + g;
    }
    if (children.empty()) {
        branch.radius = half;
        branch.centerX = 0;
        branch.centerY = 0;
    } else {
        const Circle c = branchCircle(points);
        branch.centerX = c.x;
        branch.centerY = c.y;
        branch.radius = c.r;
    }
    branch.childCircles = std::move(children);
}

std::shared_ptr<BranchCircle> FractalLayout::buildBranchCircles(
    const std::shared_ptr<Vertex>& vertex) {
    if (!vertex) return nullptr;
    // Depth first with an explicit stack, visiting neighbours in the order a recursive walk
    // would, so that a long chain cannot exhaust the call stack.
    struct Frame {
        std::shared_ptr<BranchCircle> branch;
        std::vector<std::shared_ptr<Vertex>> neighbours;
        std::size_t next = 0;
        std::vector<std::shared_ptr<BranchCircle>> children;
        double sum = 0;
    };
    auto open = [this](const std::shared_ptr<Vertex>& v) {
        Frame frame;
        frame.branch = std::make_shared<BranchCircle>(v);
        branchCircles_[v] = frame.branch;
        for (const auto* list : {&v->inEdges(), &v->outEdges()})
            for (const auto& e : *list)
                if (e) frame.neighbours.push_back(otherEnd(*e, v.get()));
        return frame;
    };
    std::vector<Frame> stack;
    stack.push_back(open(vertex));
    std::shared_ptr<BranchCircle> done;
    while (true) {
        Frame& top = stack.back();
        if (top.next < top.neighbours.size()) {
            const std::shared_ptr<Vertex>& u = top.neighbours[top.next++];
            if (!u || branchCircles_.count(u) != 0) continue;
            stack.push_back(open(u));
            continue;
        }
        finishBranch(*top.branch, std::move(top.children), top.sum);
        done = std::move(top.branch);
        stack.pop_back();
        if (stack.empty()) return done;
        stack.back().children.push_back(done);
        stack.back().sum += done->radius;
    }
}

void FractalLayout::placeBranchCircles(BranchCircle& branch, Point center, double angle) {
    struct Placement {
        BranchCircle* branch;
        Point center;
        double angle;
    };
    std::vector<Placement> stack{{&branch, center, angle}};
    while (!stack.empty()) {
        const Placement p = stack.back();
        stack.pop_back();
        BranchCircle& b = *p.branch;
        const double theta = b.node == rootVertex_ ? p.angle : p.angle + kPi - b.angle;
        const double cosT = std::cos(theta), sinT = std::sin(theta);
        const auto image = [&](double u, double v) {
            return Point(p.center.x + cosT * (u - b.centerX) + sinT * (v - b.centerY),
                         p.center.y - sinT * (u - b.centerX) + cosT * (v - b.centerY));
        };
        for (auto it = b.childCircles.rbegin(); it != b.childCircles.rend(); ++it) {
            BranchCircle& c = **it;
            stack.push_back({&c, image(c.centerDelta * std::cos(c.angle),
                                       c.centerDelta * std::sin(c.angle)),
                             theta});
        }
        if (b.node) {
            const Point at = image(0, 0);
            b.node->setX(at.x);
            b.node->setY(at.y);
        }
    }
}

bool FractalLayout::arrangeGraph(const std::shared_ptr<Graph>& graph) {
    rootVertex_ = nullptr;
    branchCircles_.clear();
    if (!graph) return true;
    const auto& vertices = graph->vertices();
    if (root_) {
        if (std::shared_ptr<Vertex> v = root_->vertex()) {
            if (std::find(vertices.begin(), vertices.end(), v) != vertices.end())
                rootVertex_ = std::move(v);
        }
    }
    if (!rootVertex_) {
        for (const auto& v : vertices) {
            if (v) {
                rootVertex_ = v;
                break;
            }
        }
    }
    if (!rootVertex_) return true;
    const std::shared_ptr<BranchCircle> branch = buildBranchCircles(rootVertex_);
    placeBranchCircles(*branch, Point(0, 0), 0.0);
    return true;
}

}  // namespace nodeloom
