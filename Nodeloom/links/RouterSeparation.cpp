#include "Nodeloom/links/Router.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <numeric>
#include <optional>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/FlatHashMap.h"
#include "Nodeloom/foundation/Geometry.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/ObstacleIndex.h"

namespace nodeloom {

namespace {

// The links of a list, each once, by their places in the list.
using LinkPlaces = std::vector<const std::shared_ptr<DiagramLink>*>;

// The lists a spreading pass works in; `Leg` is how the holder of the routes finds a leg again.
template <typename Leg>
struct SpreadLists {
    struct Candidate {
        Leg leg;
        // The coordinate across the axis, and the extent along it.
        double across, from, to;
    };
    std::vector<Candidate> legs;
    std::vector<Candidate> grouped;
    // The group of each line. Kept with its capacity: made afresh, a large set's table would
    // grow through every size again on each pass, and its largest arrays go back to the system.
    FlatHashMap<double, int> lineOf;
    std::vector<int> line;
    std::vector<std::size_t> lineStart;
    std::vector<std::size_t> byStart;
    std::vector<int> clusterOf;
    std::vector<int> order;
    std::vector<std::vector<const Candidate*>> clusters;
};

// The legs of routes packed one after another in one list, as a routed set keeps them: route r
// is points[starts[r] .. starts[r + 1]). A leg is known by the places of its first point and of
// its route's first point.
class PackedLegs {
public:
    struct Leg {
        std::size_t first, route;
    };

    PackedLegs(std::vector<Point>& points, const std::vector<std::size_t>& starts)
        : points_(points), starts_(starts) {}

    // Hands over every leg but the first of each route, with its two ends.
    template <typename Take>
    void forEachLeg(Take&& take) const {
        for (std::size_t r = 0; r + 1 < starts_.size(); ++r) {
            const std::size_t begin = starts_[r], end = starts_[r + 1];
            for (std::size_t i = begin + 1; i + 1 < end; ++i)
                take(Leg{i, begin}, points_[i], points_[i + 1]);
        }
    }
    Point start(Leg leg) const { return points_[leg.first]; }
    Point end(Leg leg) const { return points_[leg.first + 1]; }
    Point routeStart(Leg leg) const { return points_[leg.route]; }
    // Puts both ends of the leg on the line at `at` across the axis.
    void moveAcross(Leg leg, bool horizontal, double at) {
        for (std::size_t i : {leg.first, leg.first + 1})
            (horizontal ? points_[i].y : points_[i].x) = at;
    }

private:
    std::vector<Point>& points_;
    const std::vector<std::size_t>& starts_;
};

// The legs of the segment lists a caller keeps in the router's tables. A caller may have changed
// them: a segment with no route, or with a place its route does not have, is passed over.
class SegmentLegs {
public:
    using Leg = Segment*;

    explicit SegmentLegs(const std::vector<Router::SegmentList*>& lists) : lists_(lists) {}

    // Hands over every leg but the first of each route, with its two ends.
    template <typename Take>
    void forEachLeg(Take&& take) const {
        for (Router::SegmentList* list : lists_) {
            for (Segment& segment : *list) {
                if (!segment.points() || segment.index() <= 0) continue;
                if (segment.index() + 1 >= segment.points()->count()) continue;
                take(&segment, segment.start(), segment.end());
            }
        }
    }
    Point start(Leg leg) const { return leg->start(); }
    Point end(Leg leg) const { return leg->end(); }
    Point routeStart(Leg leg) const { return (*leg->points())[0]; }
    void moveAcross(Leg leg, bool horizontal, double at) {
        ArrayRef<Point>& points = *leg->points();
        for (int i : {leg->index(), leg->index() + 1}) {
            Point p = points[i];
            (horizontal ? p.y : p.x) = at;
            points.set(i, p);
        }
    }

private:
    const std::vector<Router::SegmentList*>& lists_;
};

// Spreads apart the legs on one axis that lie on one line and overlap, directly or through
// others: each such cluster is laid across its line a step apart, the route that starts higher
// (for vertical legs, further left) taking the smaller coordinate.
template <typename Legs>
void spreadOnAxis(Legs& legs, bool horizontal, double margin,
                  SpreadLists<typename Legs::Leg>& s) {
    using Candidate = typename SpreadLists<typename Legs::Leg>::Candidate;
    std::vector<Candidate>& candidates = s.legs;
    candidates.clear();
    legs.forEachLeg([&](typename Legs::Leg leg, Point a, Point b) {
        if (!isFinite(a) || !isFinite(b)) return;
        // A leg of no length runs along neither axis; moving it would slant its neighbours.
        if (a == b) return;
        if ((a.y == b.y) != horizontal) return;
        if (horizontal)
            candidates.push_back({leg, a.y, std::min(a.x, b.x), std::max(a.x, b.x)});
        else
            candidates.push_back({leg, a.x, std::min(a.y, b.y), std::max(a.y, b.y)});
    });
    // Legs on one line form a group. Groups share no point (a leg's neighbours on its own axis
    // lie on its line), so the order in which they are spread does not matter; lines are found
    // by hashing rather than by sorting every leg, and each keeps its legs in link order.
    {
        FlatHashMap<double, int>& lineOf = s.lineOf;
        lineOf.clear();
        lineOf.reserve(candidates.size());
        s.line.resize(candidates.size());
        s.lineStart.assign(1, 0);
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            const auto [at, added] = lineOf.insert(
                candidates[i].across, static_cast<int>(s.lineStart.size() - 1));
            if (added) s.lineStart.push_back(0);
            s.line[i] = *at;
            ++s.lineStart[static_cast<std::size_t>(*at) + 1];
        }
        for (std::size_t k = 1; k < s.lineStart.size(); ++k)
            s.lineStart[k] += s.lineStart[k - 1];
        s.grouped.resize(candidates.size());
        for (std::size_t i = 0; i < candidates.size(); ++i)
            s.grouped[s.lineStart[static_cast<std::size_t>(s.line[i])]++] = candidates[i];
        candidates.swap(s.grouped);
    }

    auto& clusters = s.clusters;
    for (std::size_t g0 = 0; g0 < candidates.size();) {
        std::size_t g1 = g0 + 1;
        while (g1 < candidates.size() && candidates[g1].across == candidates[g0].across)
            ++g1;
        const std::size_t size = g1 - g0;
        if (size < 2) {
            g0 = g1;
            continue;
        }

        // Legs overlap when neither ends at or before the start of the other. Swept in order of
        // their starts, a leg overlaps the cluster being built exactly when it starts before
        // the furthest end reached so far, which gives the clusters without testing every pair.
        s.byStart.resize(size);
        std::iota(s.byStart.begin(), s.byStart.end(), g0);
        std::stable_sort(s.byStart.begin(), s.byStart.end(), [&](std::size_t a, std::size_t b) {
            return candidates[a].from < candidates[b].from;
        });
        s.clusterOf.assign(size, -1);
        int clusterCount = 0;
        double reach = 0;
        for (std::size_t k = 0; k < size; ++k) {
            const Candidate& c = candidates[s.byStart[k]];
            if (k == 0 || !(c.from < reach)) {
                ++clusterCount;
                reach = c.to;
            } else {
                reach = std::max(reach, c.to);
            }
            s.clusterOf[s.byStart[k] - g0] = clusterCount - 1;
        }

        // Clusters in the order of their first legs, each listing its legs in group order.
        const auto clusterTotal = static_cast<std::size_t>(clusterCount);
        if (clusters.size() < clusterTotal) clusters.resize(clusterTotal);
        for (std::size_t c = 0; c < clusterTotal; ++c)
            clusters[c].clear();
        s.order.assign(clusterTotal, -1);
        int placed = 0;
        for (std::size_t k = 0; k < size; ++k) {
            int& slot = s.order[static_cast<std::size_t>(s.clusterOf[k])];
            if (slot < 0) slot = placed++;
            clusters[static_cast<std::size_t>(slot)].push_back(&candidates[g0 + k]);
        }

        const double across = candidates[g0].across;
        for (std::size_t c = 0; c < clusterTotal; ++c) {
            auto& cluster = clusters[c];
            if (cluster.size() < 2) continue;
            if (horizontal) {
                std::stable_sort(cluster.begin(), cluster.end(),
                                 [&](const Candidate* a, const Candidate* b) {
                                     return legs.routeStart(a->leg).y < legs.routeStart(b->leg).y;
                                 });
            } else {
                std::stable_sort(cluster.begin(), cluster.end(),
                                 [&](const Candidate* a, const Candidate* b) {
                                     const double ax = legs.routeStart(a->leg).x;
                                     const double bx = legs.routeStart(b->leg).x;
                                     if (ax != bx) return ax < bx;
                                     const Point as = legs.start(a->leg), bs = legs.start(b->leg);
                                     const bool aUp = legs.end(a->leg).y < as.y;
                                     const bool bUp = legs.end(b->leg).y < bs.y;
                                     if (aUp != bUp) return aUp;
                                     return aUp ? as.y < bs.y : as.y > bs.y;
                                 });
            }
            const double k = static_cast<double>(cluster.size());
            const double spread = std::min(margin * 0.125 * (k - 1) * 3.0, margin * 0.5);
            const double step = spread / (k - 1);
            for (std::size_t j = 0; j < cluster.size(); ++j)
                legs.moveAcross(cluster[j]->leg, horizontal,
                                across - spread / 2 + static_cast<double>(j) * step);
        }
        g0 = g1;
    }
}

}  // namespace

// The lists one routing pass works in. The router keeps them with their capacity between
// passes: made afresh, the large ones of a large set would come from the system page by page
// on every pass.
struct Router::Scratch {
    ObstacleIndex index;
    // The set being routed, and the table that finds the links listed twice.
    LinkPlaces set;
    FlatHashSet<const DiagramLink*> seen;
    // The routes of the set one after another: route i is points[starts[i] .. starts[i + 1]).
    std::vector<Point> points;
    std::vector<std::size_t> starts;
    // The route being handed to its link.
    std::vector<Point> route;
    SpreadLists<PackedLegs::Leg> spread;
};

namespace {

// The links of the list, each once, without null entries, in the list's order; `seen` is the
// table it uses. Takes no share of the links: the list holds them.
void distinctLinks(const std::vector<std::shared_ptr<DiagramLink>>& links, LinkPlaces& distinct,
                   FlatHashSet<const DiagramLink*>& seen) {
    // One pass over the list, however it is ordered, with no allocation per link.
    distinct.clear();
    seen.clear();
    seen.reserve(links.size());
    for (const auto& link : links) {
        if (link && seen.insert(link.get())) distinct.push_back(&link);
    }
}

}  // namespace

void Router::ScratchDeleter::operator()(Scratch* scratch) const {
    delete scratch;
}

void Router::routeLinkSet(const std::vector<std::shared_ptr<DiagramLink>>& links) {
    if (documentGone()) return;
    // Taken for the pass, so that a set routed from within it (say by a link that reroutes
    // others when its points are applied) works in lists of its own.
    std::unique_ptr<Scratch, ScratchDeleter> own = std::move(scratch_);
    if (!own) own.reset(new Scratch());
    Scratch& s = *own;
    distinctLinks(links, s.set, s.seen);
    if (s.set.empty()) {
        scratch_ = std::move(own);
        return;
    }
    // One index serves every route of the set; nothing moves the nodes while the routes are
    // computed, and the index is let go before the routes are applied.
    if (const std::shared_ptr<Diagram> diagram = diagram_.lock()) {
        cm_ = sanitizeMargin(diagram->routeMargin());
        s.index.assign(diagram->nodes().vector(), cm_);
        index_ = &s.index;
    }
    // The routes go one after another into one list rather than into a list per link: the
    // spreading then reads them in memory order, and nothing of the set is left behind for the
    // allocator to gather up piece by piece. The tables of separateSegments give the same
    // routes; they stay for callers that spread routes of their own.
    const std::size_t count = s.set.size();
    s.points.clear();
    s.starts.clear();
    s.starts.push_back(0);
    for (std::size_t i = 0; i < count; ++i) {
        const std::vector<Point> route = routeLink(*s.set[i]);
        s.points.insert(s.points.end(), route.begin(), route.end());
        s.starts.push_back(s.points.size());
    }
    index_ = nullptr;
    s.index.clear();

    PackedLegs packed(s.points, s.starts);
    spreadOnAxis(packed, true, cm_, s.spread);
    spreadOnAxis(packed, false, cm_, s.spread);
    std::optional<std::vector<Point>> route(std::move(s.route));
    for (std::size_t i = 0; i < count; ++i) {
        route->assign(s.points.begin() + static_cast<std::ptrdiff_t>(s.starts[i]),
                      s.points.begin() + static_cast<std::ptrdiff_t>(s.starts[i + 1]));
        (*s.set[i])->applyPoints(route, 0, 0, false, false);
    }
    s.route = std::move(*route);
    // The places of the set point into the caller's list, which is not kept.
    s.set.clear();
    scratch_ = std::move(own);
    // Neither table took part, but both are emptied as a routed set leaves them: they keep no
    // link alive after it has left the document.
    linkRoutes_.clear();
    linkSegments_.clear();
}

void Router::separateSegments(const std::vector<std::shared_ptr<DiagramLink>>& links) {
    // Legs of earlier separations are of no further use; keeping them would keep their links
    // alive after the links have left the document.
    linkSegments_.clear();
    LinkPlaces set;
    FlatHashSet<const DiagramLink*> seen;
    distinctLinks(links, set, seen);
    linkSegments_.reserve(set.size());
    std::vector<SegmentList*> lists;
    lists.reserve(set.size());
    for (const auto* link : set) {
        const auto found = linkRoutes_.find(*link);
        if (found == linkRoutes_.end() || !found->second) continue;
        auto segments = std::make_shared<SegmentList>();
        segments->array().reserve(
            static_cast<std::size_t>(std::max(found->second->count() - 1, 0)));
        for (int i = 0; i + 1 < found->second->count(); ++i)
            segments->array().emplace_back(i, found->second);
        lists.push_back(segments.get());
        linkSegments_[*link] = std::move(segments);
    }
    SegmentLegs legs(lists);
    SpreadLists<SegmentLegs::Leg> spread;
    spreadOnAxis(legs, true, cm_, spread);
    spreadOnAxis(legs, false, cm_, spread);
}

void Router::separateSegmentsOnAxis(const std::vector<std::shared_ptr<DiagramLink>>& links,
                                    bool horizontal) {
    LinkPlaces set;
    FlatHashSet<const DiagramLink*> seen;
    distinctLinks(links, set, seen);
    std::vector<SegmentList*> lists;
    for (const auto* link : set) {
        const auto found = linkSegments_.find(*link);
        if (found != linkSegments_.end() && found->second) lists.push_back(found->second.get());
    }
    SegmentLegs legs(lists);
    SpreadLists<SegmentLegs::Leg> spread;
    spreadOnAxis(legs, horizontal, cm_, spread);
}

}  // namespace nodeloom
