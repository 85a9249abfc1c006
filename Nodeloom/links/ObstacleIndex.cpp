#include "Nodeloom/links/ObstacleIndex.h"

#include <algorithm>
#include <cmath>

#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/Router.h"

namespace nodeloom {

namespace {

// Buckets per entry on average at most; keeps the grid linear in the number of nodes however
// the nodes are spread.
constexpr double bucketsPerEntry = 4.0;
// An entry wider than this many buckets is cheaper to test on every query than to file.
constexpr int maxBucketsPerEntry = 64;

}  // namespace

ObstacleIndex::ObstacleIndex(const std::vector<std::shared_ptr<DiagramNode>>& nodes,
                             double margin) {
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const auto& node = nodes[i];
        if (!node || !node->obstacle()) continue;
        entries_.push_back(
            Entry{static_cast<int>(i), node.get(), Router::obstacleBounds(*node, margin)});
    }

    double left = 0, top = 0, right = 0, bottom = 0, sizeSum = 0;
    int filed = 0;
    for (const Entry& e : entries_) {
        if (!isFinite(e.bounds)) continue;
        const double l = std::min(e.bounds.x, e.bounds.right());
        const double t = std::min(e.bounds.y, e.bounds.bottom());
        const double r = std::max(e.bounds.x, e.bounds.right());
        const double b = std::max(e.bounds.y, e.bounds.bottom());
        if (filed == 0) {
            left = l, top = t, right = r, bottom = b;
        } else {
            left = std::min(left, l), top = std::min(top, t);
            right = std::max(right, r), bottom = std::max(bottom, b);
        }
        sizeSum += std::max(r - l, b - t);
        ++filed;
    }
    const double width = right - left;
    const double height = bottom - top;
    if (filed == 0 || !std::isfinite(width) || !std::isfinite(height)) {
        for (std::size_t i = 0; i < entries_.size(); ++i)
            large_.push_back(static_cast<int>(i));
        return;
    }

    // Buckets about the size of a node, so that a node falls into few of them and a route's box
    // covers few; coarser when the nodes are spread thinly over a large area.
    double cell = sizeSum / filed;
    if (!(cell > 0) || !std::isfinite(cell)) cell = std::max({width, height, 1.0});
    const double limit = bucketsPerEntry * filed + 16;
    while ((std::floor(width / cell) + 1) * (std::floor(height / cell) + 1) > limit)
        cell *= 2;
    originX_ = left;
    originY_ = top;
    cellSize_ = cell;
    columns_ = static_cast<int>(std::floor(width / cell)) + 1;
    rows_ = static_cast<int>(std::floor(height / cell)) + 1;

    std::vector<std::size_t> counts(cellCount() + 1, 0);
    std::vector<bool> isLarge(entries_.size(), false);
    auto eachBucket = [&](const Rect& r, auto&& visit) {
        const int c0 = column(std::min(r.x, r.right())), c1 = column(std::max(r.x, r.right()));
        const int r0 = row(std::min(r.y, r.bottom())), r1 = row(std::max(r.y, r.bottom()));
        for (int y = r0; y <= r1; ++y)
            for (int x = c0; x <= c1; ++x)
                visit(static_cast<std::size_t>(y) * static_cast<std::size_t>(columns_) +
                      static_cast<std::size_t>(x));
    };
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const Rect& r = entries_[i].bounds;
        const bool finite = isFinite(r);
        const long long span =
            finite ? static_cast<long long>(column(std::max(r.x, r.right())) -
                                            column(std::min(r.x, r.right())) + 1) *
                         (row(std::max(r.y, r.bottom())) - row(std::min(r.y, r.bottom())) + 1)
                   : 0;
        if (!finite || span > maxBucketsPerEntry) {
            isLarge[i] = true;
            large_.push_back(static_cast<int>(i));
            continue;
        }
        eachBucket(r, [&](std::size_t b) { ++counts[b + 1]; });
    }
    for (std::size_t b = 1; b < counts.size(); ++b)
        counts[b] += counts[b - 1];
    cellStart_ = counts;
    cellItems_.resize(cellStart_.back());
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (isLarge[i]) continue;
        eachBucket(entries_[i].bounds,
                   [&](std::size_t b) { cellItems_[counts[b]++] = static_cast<int>(i); });
    }
}

std::size_t ObstacleIndex::cellCount() const {
    return static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_);
}

int ObstacleIndex::column(double x) const {
    const double c = std::floor((x - originX_) / cellSize_);
    if (!(c > 0)) return 0;
    if (c >= columns_ - 1) return columns_ - 1;
    return static_cast<int>(c);
}

int ObstacleIndex::row(double y) const {
    const double r = std::floor((y - originY_) / cellSize_);
    if (!(r > 0)) return 0;
    if (r >= rows_ - 1) return rows_ - 1;
    return static_cast<int>(r);
}

void ObstacleIndex::query(const Rect& area, std::vector<int>& found) const {
    found.clear();
    if (!isFinite(area) || columns_ == 0) {
        // The same test a scan makes, whatever the numbers are.
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (entries_[i].bounds.intersectsWith(area)) found.push_back(static_cast<int>(i));
        return;
    }
    const int c0 = column(std::min(area.x, area.right()));
    const int c1 = column(std::max(area.x, area.right()));
    const int r0 = row(std::min(area.y, area.bottom()));
    const int r1 = row(std::max(area.y, area.bottom()));
    for (int y = r0; y <= r1; ++y) {
        for (int x = c0; x <= c1; ++x) {
            const std::size_t b = static_cast<std::size_t>(y) * static_cast<std::size_t>(columns_) +
                                  static_cast<std::size_t>(x);
            for (std::size_t k = cellStart_[b]; k < cellStart_[b + 1]; ++k) {
                const int i = cellItems_[k];
                if (entries_[static_cast<std::size_t>(i)].bounds.intersectsWith(area))
                    found.push_back(i);
            }
        }
    }
    for (int i : large_)
        if (entries_[static_cast<std::size_t>(i)].bounds.intersectsWith(area)) found.push_back(i);
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
}

}  // namespace nodeloom
