#include "Nodeloom/links/Router.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <numeric>
#include <optional>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Geometry.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/ObstacleIndex.h"

namespace nodeloom {

namespace {

// The links of a list, each once, by their places in the list.
using LinkPlaces = std::vector<const std::shared_ptr<DiagramLink>*>;

}  // namespace

// The lists one routing pass works in. The router keeps them with their capacity between
// passes: made afresh, the large ones of a large set would come from the system page by page
// on every pass.
struct Router::Scratch {
    // A leg that the spreading may move.
    struct Leg {
        // The leg's first point, and the first point of its route, in `points`.
        std::size_t first, route;
        // The coordinate across the axis, and the extent along it.
        double across, from, to;
    };

    ObstacleIndex index;
    // The set being routed, and the table that finds the links listed twice.
    LinkPlaces set;
    std::vector<const DiagramLink*> seen;
    // The routes of the set one after another: route i is points[starts[i] .. starts[i + 1]).
    std::vector<Point> points;
    std::vector<std::size_t> starts;
    // The route being handed to its link.
    std::vector<Point> route;
    // The spreading's lists.
    std::vector<Leg> legs;
    std::vector<Leg> grouped;
    std::vector<int> line;
    std::vector<std::size_t> lineStart;
    std::vector<std::size_t> byStart;
    std::vector<int> clusterOf;
    std::vector<int> order;
    std::vector<std::vector<const Leg*>> clusters;
};

namespace {

// A power of two at least twice the count: a table of addresses that is never more than half
// full finds a free place in a few steps.
std::size_t tableSize(std::size_t count) {
    std::size_t size = 16;
    while (size < 2 * count)
        size *= 2;
    return size;
}

// The links of the list, each once, without null entries, in the list's order; `seen` is the
// table it uses. Takes no share of the links: the list holds them.
void distinctLinks(const std::vector<std::shared_ptr<DiagramLink>>& links, LinkPlaces& distinct,
                   std::vector<const DiagramLink*>& seen) {
    // A table of the addresses met so far, open and probed in order: one pass over the list,
    // however it is ordered, with no allocation per link.
    distinct.clear();
    const std::size_t size = tableSize(links.size());
    seen.assign(size, nullptr);
    for (const auto& link : links) {
        if (!link) continue;
        const auto address = reinterpret_cast<std::uintptr_t>(link.get());
        std::size_t slot = static_cast<std::size_t>((address >> 4) * 0x9E3779B97F4A7C15ull) &
                           (size - 1);
        while (seen[slot] && seen[slot] != link.get())
            slot = (slot + 1) & (size - 1);
        if (seen[slot]) continue;
        seen[slot] = link.get();
        distinct.push_back(&link);
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
    // The links a few places ahead are asked for while one is routed or applied: in a large
    // document each lies far from the last in memory, and waiting for them one at a time would
    // cost more than the routing itself.
    const std::size_t count = s.set.size();
    auto prefetch = [&](std::size_t i) {
        if (i + 8 < count) (*s.set[i + 8])->prefetchForRouting(0);
        if (i + 4 < count) (*s.set[i + 4])->prefetchForRouting(1);
    };
    s.points.clear();
    s.starts.clear();
    s.starts.push_back(0);
    for (std::size_t i = 0; i < count; ++i) {
        prefetch(i);
        const std::vector<Point> route = routeLink(*s.set[i]);
        s.points.insert(s.points.end(), route.begin(), route.end());
        s.starts.push_back(s.points.size());
    }
    index_ = nullptr;
    s.index.clear();

    spreadPackedOnAxis(s, true);
    spreadPackedOnAxis(s, false);
    std::optional<std::vector<Point>> route(std::move(s.route));
    for (std::size_t i = 0; i < count; ++i) {
        prefetch(i);
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

void Router::spreadPackedOnAxis(Scratch& s, bool horizontal) const {
    using Leg = Scratch::Leg;
    std::vector<Point>& points = s.points;
    std::vector<Leg>& legs = s.legs;
    legs.clear();
    for (std::size_t r = 0; r + 1 < s.starts.size(); ++r) {
        const std::size_t begin = s.starts[r], end = s.starts[r + 1];
        // The first leg stays, so that the link keeps its start on its node.
        for (std::size_t i = begin + 1; i + 1 < end; ++i) {
            const Point a = points[i];
            const Point b = points[i + 1];
            if (!isFinite(a) || !isFinite(b)) continue;
            // A leg of no length runs along neither axis; moving it would slant its neighbours.
            if (a == b) continue;
            if ((a.y == b.y) != horizontal) continue;
            if (horizontal)
                legs.push_back({i, begin, a.y, std::min(a.x, b.x), std::max(a.x, b.x)});
            else
                legs.push_back({i, begin, a.x, std::min(a.y, b.y), std::max(a.y, b.y)});
        }
    }
    // Legs on one line form a group, each keeping its legs in link order; groups share no
    // point, so the order in which they are spread does not matter.
    {
        std::unordered_map<double, int> lineOf;
        s.line.resize(legs.size());
        s.lineStart.assign(1, 0);
        for (std::size_t i = 0; i < legs.size(); ++i) {
            const auto [at, added] =
                lineOf.try_emplace(legs[i].across, static_cast<int>(s.lineStart.size() - 1));
            if (added) s.lineStart.push_back(0);
            s.line[i] = at->second;
            ++s.lineStart[static_cast<std::size_t>(at->second) + 1];
        }
        for (std::size_t k = 1; k < s.lineStart.size(); ++k)
            s.lineStart[k] += s.lineStart[k - 1];
        s.grouped.resize(legs.size());
        for (std::size_t i = 0; i < legs.size(); ++i)
            s.grouped[s.lineStart[static_cast<std::size_t>(s.line[i])]++] = legs[i];
        legs.swap(s.grouped);
    }

    std::vector<std::vector<const Leg*>>& clusters = s.clusters;
    for (std::size_t g0 = 0; g0 < legs.size();) {
        std::size_t g1 = g0 + 1;
        while (g1 < legs.size() && legs[g1].across == legs[g0].across)
            ++g1;
        const std::size_t size = g1 - g0;
        if (size < 2) {
            g0 = g1;
            continue;
        }

        // Swept in order of their starts, a leg joins the cluster being built exactly when it
        // starts before the furthest end reached so far.
        s.byStart.resize(size);
        std::iota(s.byStart.begin(), s.byStart.end(), g0);
        std::stable_sort(s.byStart.begin(), s.byStart.end(),
                         [&](std::size_t a, std::size_t b) { return legs[a].from < legs[b].from; });
        s.clusterOf.assign(size, -1);
        int clusterCount = 0;
        double reach = 0;
        for (std::size_t k = 0; k < size; ++k) {
            const Leg& c = legs[s.byStart[k]];
            if (k == 0 || !(c.from < reach)) {
                ++clusterCount;
                reach = c.to;
            } else {
                reach = std::max(reach, c.to);
            }
            s.clusterOf[s.byStart[k] - g0] = clusterCount - 1;
        }

        const auto clusterTotal = static_cast<std::size_t>(clusterCount);
        if (clusters.size() < clusterTotal) clusters.resize(clusterTotal);
        for (std::size_t c = 0; c < clusterTotal; ++c)
            clusters[c].clear();
        s.order.assign(clusterTotal, -1);
        int placed = 0;
        for (std::size_t k = 0; k < size; ++k) {
            int& slot = s.order[static_cast<std::size_t>(s.clusterOf[k])];
            if (slot < 0) slot = placed++;
            clusters[static_cast<std::size_t>(slot)].push_back(&legs[g0 + k]);
        }

        const double across = legs[g0].across;
        for (std::size_t c = 0; c < clusterTotal; ++c) {
            std::vector<const Leg*>& cluster = clusters[c];
            if (cluster.size() < 2) continue;
            if (horizontal) {
                std::stable_sort(cluster.begin(), cluster.end(), [&](const Leg* a, const Leg* b) {
                    return points[a->route].y < points[b->route].y;
                });
            } else {
                std::stable_sort(cluster.begin(), cluster.end(), [&](const Leg* a, const Leg* b) {
                    const double ax = points[a->route].x, bx = points[b->route].x;
                    if (ax != bx) return ax < bx;
                    const Point as = points[a->first], bs = points[b->first];
                    const bool aUp = points[a->first + 1].y < as.y;
                    const bool bUp = points[b->first + 1].y < bs.y;
                    if (aUp != bUp) return aUp;
                    return aUp ? as.y < bs.y : as.y > bs.y;
                });
            }
            const double k = static_cast<double>(cluster.size());
            const double spread = std::min(cm_ * 0.125 * (k - 1) * 3.0, cm_ * 0.5);
            const double step = spread / (k - 1);
            for (std::size_t j = 0; j < cluster.size(); ++j) {
                const double at = across - spread / 2 + static_cast<double>(j) * step;
                for (std::size_t i : {cluster[j]->first, cluster[j]->first + 1})
                    (horizontal ? points[i].y : points[i].x) = at;
            }
        }
        g0 = g1;
    }
}

void Router::separateSegments(const std::vector<std::shared_ptr<DiagramLink>>& links) {
    // Legs of earlier separations are of no further use; keeping them would keep their links
    // alive after the links have left the document.
    linkSegments_.clear();
    LinkPlaces set;
    std::vector<const DiagramLink*> seen;
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
    spreadOnAxis(lists, true);
    spreadOnAxis(lists, false);
}

void Router::separateSegmentsOnAxis(const std::vector<std::shared_ptr<DiagramLink>>& links,
                                    bool horizontal) {
    LinkPlaces set;
    std::vector<const DiagramLink*> seen;
    distinctLinks(links, set, seen);
    std::vector<SegmentList*> lists;
    for (const auto* link : set) {
        const auto found = linkSegments_.find(*link);
        if (found != linkSegments_.end() && found->second) lists.push_back(found->second.get());
    }
    spreadOnAxis(lists, horizontal);
}

void Router::spreadOnAxis(const std::vector<SegmentList*>& lists, bool horizontal) const {
    struct Candidate {
        Segment* segment;
        // The coordinate across the axis, and the extent along it.
        double across, from, to;
    };
    std::vector<Candidate> candidates;
    for (SegmentList* list : lists) {
        for (Segment& segment : *list) {
            // The first leg stays, so that the link keeps its start on its node.
            if (!segment.points() || segment.index() <= 0) continue;
            if (segment.index() + 1 >= segment.points()->count()) continue;
            const Point s = segment.start();
            const Point e = segment.end();
            if (!isFinite(s) || !isFinite(e)) continue;
            // A leg of no length runs along neither axis; moving it would slant its neighbours.
            if (s == e) continue;
            if ((s.y == e.y) != horizontal) continue;
            if (horizontal)
                candidates.push_back({&segment, s.y, std::min(s.x, e.x), std::max(s.x, e.x)});
            else
                candidates.push_back({&segment, s.x, std::min(s.y, e.y), std::max(s.y, e.y)});
        }
    }
    // Legs on one line form a group. Groups share no point (a leg's neighbours on its own axis
    // lie on its line), so the order in which they are spread does not matter; lines are found
    // by hashing rather than by sorting every leg, and each keeps its legs in link order.
    {
        std::unordered_map<double, int> lineOf;
        lineOf.reserve(candidates.size());
        std::vector<int> line(candidates.size());
        std::vector<std::size_t> start{0};
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            const auto [at, added] =
                lineOf.try_emplace(candidates[i].across, static_cast<int>(start.size() - 1));
            if (added) start.push_back(0);
            line[i] = at->second;
            ++start[static_cast<std::size_t>(at->second) + 1];
        }
        for (std::size_t k = 1; k < start.size(); ++k)
            start[k] += start[k - 1];
        std::vector<Candidate> grouped(candidates.size());
        for (std::size_t i = 0; i < candidates.size(); ++i)
            grouped[start[static_cast<std::size_t>(line[i])]++] = candidates[i];
        candidates = std::move(grouped);
    }

    // Scratch lists shared by every group of the pass, so that a group allocates nothing.
    std::vector<std::size_t> byStart;
    std::vector<int> clusterOf;
    std::vector<std::vector<Segment*>> clusters;
    std::vector<int> order;
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
        byStart.resize(size);
        std::iota(byStart.begin(), byStart.end(), g0);
        std::stable_sort(byStart.begin(), byStart.end(), [&](std::size_t a, std::size_t b) {
            return candidates[a].from < candidates[b].from;
        });
        clusterOf.assign(size, -1);
        int clusterCount = 0;
        double reach = 0;
        for (std::size_t k = 0; k < size; ++k) {
            const Candidate& c = candidates[byStart[k]];
            if (k == 0 || !(c.from < reach)) {
                ++clusterCount;
                reach = c.to;
            } else {
                reach = std::max(reach, c.to);
            }
            clusterOf[byStart[k] - g0] = clusterCount - 1;
        }

        // Clusters in the order of their first legs, each listing its legs in group order.
        const auto clusterTotal = static_cast<std::size_t>(clusterCount);
        if (clusters.size() < clusterTotal) clusters.resize(clusterTotal);
        for (std::size_t c = 0; c < clusterTotal; ++c)
            clusters[c].clear();
        order.assign(clusterTotal, -1);
        int placed = 0;
        for (std::size_t k = 0; k < size; ++k) {
            int& slot = order[static_cast<std::size_t>(clusterOf[k])];
            if (slot < 0) slot = placed++;
            clusters[static_cast<std::size_t>(slot)].push_back(candidates[g0 + k].segment);
        }

        const double across = candidates[g0].across;
        for (std::size_t c = 0; c < clusterTotal; ++c) {
            std::vector<Segment*>& cluster = clusters[c];
            if (cluster.size() < 2) continue;
            if (horizontal) {
                std::stable_sort(cluster.begin(), cluster.end(), [](Segment* a, Segment* b) {
                    return (*a->points())[0].y < (*b->points())[0].y;
                });
            } else {
                std::stable_sort(cluster.begin(), cluster.end(), [](Segment* a, Segment* b) {
                    const double ax = (*a->points())[0].x, bx = (*b->points())[0].x;
                    if (ax != bx) return ax < bx;
                    const bool aUp = a->end().y < a->start().y;
                    const bool bUp = b->end().y < b->start().y;
                    if (aUp != bUp) return aUp;
                    return aUp ? a->start().y < b->start().y : a->start().y > b->start().y;
                });
            }
            const double k = static_cast<double>(cluster.size());
            const double spread = std::min(cm_ * 0.125 * (k - 1) * 3.0, cm_ * 0.5);
            const double step = spread / (k - 1);
            for (std::size_t j = 0; j < cluster.size(); ++j) {
                const double at = across - spread / 2 + static_cast<double>(j) * step;
                Segment& s = *cluster[j];
                ArrayRef<Point>& points = *s.points();
                for (int i : {s.index(), s.index() + 1}) {
                    Point p = points[i];
                    (horizontal ? p.y : p.x) = at;
                    points.set(i, p);
                }
            }
        }
        g0 = g1;
    }
}


}  // namespace nodeloom
