#include "Nodeloom/links/Router.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numeric>
#include <optional>
#include <unordered_set>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Geometry.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/ObstacleIndex.h"

namespace nodeloom {

namespace {

// The links of a list, each once, without null entries, in the list's order, as places in the
// list: the list holds them for the whole call, and taking no share of them leaves the links
// untouched until they are routed. A list without repeats, the usual case, is told by sorting
// its addresses, which allocates no node per link.
using LinkPlaces = std::vector<const std::shared_ptr<DiagramLink>*>;

LinkPlaces distinctLinks(const std::vector<std::shared_ptr<DiagramLink>>& links) {
    LinkPlaces distinct;
    distinct.reserve(links.size());
    std::vector<const DiagramLink*> addresses;
    addresses.reserve(links.size());
    for (const auto& link : links)
        if (link) addresses.push_back(link.get());
    std::sort(addresses.begin(), addresses.end());
    if (std::adjacent_find(addresses.begin(), addresses.end()) == addresses.end()) {
        for (const auto& link : links)
            if (link) distinct.push_back(&link);
        return distinct;
    }
    std::unordered_set<const DiagramLink*> seen;
    seen.reserve(links.size());
    for (const auto& link : links)
        if (link && seen.insert(link.get()).second) distinct.push_back(&link);
    return distinct;
}

// The routes of a set being routed, one after another: route i is points[starts[i] ..
// starts[i + 1]).
struct PackedRoutes {
    std::vector<Point> points;
    std::vector<std::size_t> starts;
};

// Spreads apart the overlapping legs on one axis of packed routes, leg for leg as
// Router::spreadOnAxis spreads the legs of the same routes cut into segment lists.
void spreadPacked(PackedRoutes& routes, double margin, bool horizontal) {
    struct Leg {
        // The leg's first point, and the first point of its route, in routes.points.
        std::size_t first, route;
        // The coordinate across the axis, and the extent along it.
        double across, from, to;
    };
    std::vector<Point>& points = routes.points;
    std::vector<Leg> legs;
    legs.reserve(points.size() / 2);
    for (std::size_t r = 0; r + 1 < routes.starts.size(); ++r) {
        const std::size_t begin = routes.starts[r], end = routes.starts[r + 1];
        // The first leg stays, so that the link keeps its start on its node.
        for (std::size_t i = begin + 1; i + 1 < end; ++i) {
            const Point s = points[i];
            const Point e = points[i + 1];
            if (!isFinite(s) || !isFinite(e)) continue;
            // A leg of no length runs along neither axis; moving it would slant its neighbours.
            if (s == e) continue;
            if ((s.y == e.y) != horizontal) continue;
            if (horizontal)
                legs.push_back({i, begin, s.y, std::min(s.x, e.x), std::max(s.x, e.x)});
            else
                legs.push_back({i, begin, s.x, std::min(s.y, e.y), std::max(s.y, e.y)});
        }
    }
    // Legs on one line form a group, each keeping its legs in link order; groups share no
    // point, so the order in which they are spread does not matter.
    {
        std::unordered_map<double, int> lineOf;
        std::vector<int> line(legs.size());
        std::vector<std::size_t> start{0};
        for (std::size_t i = 0; i < legs.size(); ++i) {
            const auto [at, added] =
                lineOf.try_emplace(legs[i].across, static_cast<int>(start.size() - 1));
            if (added) start.push_back(0);
            line[i] = at->second;
            ++start[static_cast<std::size_t>(at->second) + 1];
        }
        for (std::size_t k = 1; k < start.size(); ++k)
            start[k] += start[k - 1];
        std::vector<Leg> grouped(legs.size());
        for (std::size_t i = 0; i < legs.size(); ++i)
            grouped[start[static_cast<std::size_t>(line[i])]++] = legs[i];
        legs = std::move(grouped);
    }

    std::vector<std::size_t> byStart;
    std::vector<int> clusterOf;
    std::vector<std::vector<const Leg*>> clusters;
    std::vector<int> order;
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
        byStart.resize(size);
        std::iota(byStart.begin(), byStart.end(), g0);
        std::stable_sort(byStart.begin(), byStart.end(),
                         [&](std::size_t a, std::size_t b) { return legs[a].from < legs[b].from; });
        clusterOf.assign(size, -1);
        int clusterCount = 0;
        double reach = 0;
        for (std::size_t k = 0; k < size; ++k) {
            const Leg& c = legs[byStart[k]];
            if (k == 0 || !(c.from < reach)) {
                ++clusterCount;
                reach = c.to;
            } else {
                reach = std::max(reach, c.to);
            }
            clusterOf[byStart[k] - g0] = clusterCount - 1;
        }

        const auto clusterTotal = static_cast<std::size_t>(clusterCount);
        if (clusters.size() < clusterTotal) clusters.resize(clusterTotal);
        for (std::size_t c = 0; c < clusterTotal; ++c)
            clusters[c].clear();
        order.assign(clusterTotal, -1);
        int placed = 0;
        for (std::size_t k = 0; k < size; ++k) {
            int& slot = order[static_cast<std::size_t>(clusterOf[k])];
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
            const double spread = std::min(margin * 0.125 * (k - 1) * 3.0, margin * 0.5);
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

}  // namespace

void Router::routeLinkSet(const std::vector<std::shared_ptr<DiagramLink>>& links) {
    if (documentGone()) return;
    const auto set = distinctLinks(links);
    if (set.empty()) return;
    // One index serves every route of the set; nothing moves the nodes while the routes are
    // computed, and the index is dropped before the routes are applied.
    if (const std::shared_ptr<Diagram> diagram = diagram_.lock()) {
        cm_ = sanitizeMargin(diagram->routeMargin());
        index_ = std::make_unique<ObstacleIndex>(diagram->nodes().vector(), cm_);
    }
    // The routes go one after another into one list rather than into a list per link: the
    // spreading then reads them in memory order, and nothing of the set is left behind for the
    // allocator to gather up piece by piece. The tables of separateSegments give the same
    // routes; they stay for callers that spread routes of their own.
    PackedRoutes packed;
    packed.starts.reserve(set.size() + 1);
    packed.points.reserve(set.size() * 4);
    packed.starts.push_back(0);
    for (const auto* link : set) {
        const std::vector<Point> route = routeLink(*link);
        packed.points.insert(packed.points.end(), route.begin(), route.end());
        packed.starts.push_back(packed.points.size());
    }
    index_.reset();

    spreadPacked(packed, cm_, true);
    spreadPacked(packed, cm_, false);
    std::optional<std::vector<Point>> route(std::in_place);
    for (std::size_t i = 0; i < set.size(); ++i) {
        route->assign(packed.points.begin() + static_cast<std::ptrdiff_t>(packed.starts[i]),
                      packed.points.begin() + static_cast<std::ptrdiff_t>(packed.starts[i + 1]));
        (*set[i])->applyPoints(route, 0, 0, false, false);
    }
    // Neither table took part, but both are emptied as a routed set leaves them: they keep no
    // link alive after it has left the document.
    linkRoutes_.clear();
    linkSegments_.clear();
}

void Router::separateSegments(const std::vector<std::shared_ptr<DiagramLink>>& links) {
    // Legs of earlier separations are of no further use; keeping them would keep their links
    // alive after the links have left the document.
    linkSegments_.clear();
    const auto set = distinctLinks(links);
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
    std::vector<SegmentList*> lists;
    for (const auto* link : distinctLinks(links)) {
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
