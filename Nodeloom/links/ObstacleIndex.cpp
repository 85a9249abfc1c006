#include "Nodeloom/links/ObstacleIndex.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/Router.h"
#include "Nodeloom/links/RouterGeometry.h"

namespace nodeloom {

namespace {

// A rectangle that would fill more cells than this is kept aside instead: testing it in every
// query costs less than entering it everywhere.
constexpr double kMaxCellsPerEntry = 256;

}  // namespace

ObstacleIndex::ObstacleIndex(const std::vector<std::shared_ptr<DiagramNode>>& nodes,
                             double margin) {
    assign(nodes, margin);
}

void ObstacleIndex::assign(const std::vector<std::shared_ptr<DiagramNode>>& nodes,
                           double margin) {
    clear();
    entries_.reserve(nodes.size());
    facts_.reserve(nodes.size());
    slots_.reserve(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const auto& node = nodes[i];
        if (!node) continue;
        // Read in the order a route reads them, each once.
        NodeFacts f;
        f.node = node.get();
        f.obstacle = node->obstacle();
        f.box = turnedBox(*node);
        f.real = node->isRealNode();
        f.contained = node->container() != nullptr;
        if (slots_.insert(f.node, static_cast<int>(facts_.size())).second) facts_.push_back(f);
        if (f.obstacle)
            entries_.push_back(
                Entry{static_cast<int>(i), node.get(), Rect::inflate(f.box, margin, margin)});
    }
    layOutGrid();
    enterIntoGrid();
}

const ObstacleIndex::NodeFacts* ObstacleIndex::facts(const DiagramNode* node) const {
    const int* at = slots_.find(node);
    return at ? &facts_[static_cast<std::size_t>(*at)] : nullptr;
}

void ObstacleIndex::clear() {
    entries_.clear();
    facts_.clear();
    slots_.clear();
    originX_ = originY_ = 0;
    cell_ = 1;
    cols_ = rows_ = 1;
    cellStart_.assign(2, 0);
    cellEntries_.clear();
    loose_.clear();
}

void ObstacleIndex::layOutGrid() {
    double left = std::numeric_limits<double>::max(), top = left;
    double right = std::numeric_limits<double>::lowest(), bottom = right;
    double sumSize = 0;
    std::size_t counted = 0;
    for (const Entry& e : entries_) {
        const Rect& r = e.bounds;
        if (!r.isFinite()) continue;
        left = std::min(left, std::min(r.x, r.right()));
        right = std::max(right, std::max(r.x, r.right()));
        top = std::min(top, std::min(r.y, r.bottom()));
        bottom = std::max(bottom, std::max(r.y, r.bottom()));
        sumSize += std::max(std::fabs(r.width), std::fabs(r.height));
        ++counted;
    }
    if (counted > 0) {
        const double width = std::max(right - left, 1e-9);
        const double height = std::max(bottom - top, 1e-9);
        // Cells about as large as the entries, but no more cells than a few per entry.
        const double maxCells = 4.0 * static_cast<double>(counted) + 16.0;
        double cell = std::max(sumSize / static_cast<double>(counted),
                               std::sqrt(width * height / maxCells));
        if (!(cell > 0) || !std::isfinite(cell)) cell = std::max(width, height);
        cell_ = cell;
        cols_ = static_cast<int>(std::clamp(std::ceil(width / cell), 1.0, 1e6));
        rows_ = static_cast<int>(std::clamp(std::ceil(height / cell), 1.0, 1e6));
        if (static_cast<double>(cols_) * rows_ > 4 * maxCells) cols_ = rows_ = 1;
        originX_ = left;
        originY_ = top;
    }
}

void ObstacleIndex::enterIntoGrid() {
    // Counted first, then placed: each cell's entries end up side by side in ascending order.
    const std::size_t cells = static_cast<std::size_t>(cols_) * static_cast<std::size_t>(rows_);
    cellStart_.assign(cells + 1, 0);
    inGrid_.assign(entries_.size(), 0);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        int c0, c1, r0, r1;
        if (!cellsOf(entries_[i].bounds, c0, c1, r0, r1)) {
            loose_.push_back(static_cast<int>(i));
            continue;
        }
        inGrid_[i] = 1;
        for (int row = r0; row <= r1; ++row)
            for (int col = c0; col <= c1; ++col)
                ++cellStart_[static_cast<std::size_t>(row) * cols_ + col + 1];
    }
    for (std::size_t k = 1; k <= cells; ++k)
        cellStart_[k] += cellStart_[k - 1];
    cellEntries_.resize(static_cast<std::size_t>(cellStart_[cells]));
    next_.assign(cellStart_.begin(), cellStart_.end() - 1);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (!inGrid_[i]) continue;
        int c0, c1, r0, r1;
        cellsOf(entries_[i].bounds, c0, c1, r0, r1);
        for (int row = r0; row <= r1; ++row)
            for (int col = c0; col <= c1; ++col)
                cellEntries_[static_cast<std::size_t>(
                    next_[static_cast<std::size_t>(row) * cols_ + col]++)] = static_cast<int>(i);
    }
}

int ObstacleIndex::cell(double v, double origin, int count) const {
    const double c = std::floor((v - origin) / cell_);
    if (!(c >= 0)) return 0;
    if (c >= count - 1) return count - 1;
    return static_cast<int>(c);
}

bool ObstacleIndex::cellsOf(const Rect& r, int& c0, int& c1, int& r0, int& r1) const {
    if (!r.isFinite()) return false;
    c0 = cell(std::min(r.x, r.right()), originX_, cols_);
    c1 = cell(std::max(r.x, r.right()), originX_, cols_);
    r0 = cell(std::min(r.y, r.bottom()), originY_, rows_);
    r1 = cell(std::max(r.y, r.bottom()), originY_, rows_);
    return static_cast<double>(c1 - c0 + 1) * (r1 - r0 + 1) <= kMaxCellsPerEntry;
}

void ObstacleIndex::query(const Rect& area, std::vector<int>& found) const {
    found.clear();
    auto test = [&](int i) {
        if (entries_[static_cast<std::size_t>(i)].bounds.intersectsWith(area)) found.push_back(i);
    };
    if (!area.isFinite()) {
        // An area the grid cannot place may still meet anything; the exact test decides.
        for (std::size_t i = 0; i < entries_.size(); ++i)
            test(static_cast<int>(i));
        return;
    }
    for (int i : loose_)
        test(i);
    int c0, c1, r0, r1;
    cellsOf(area, c0, c1, r0, r1);
    for (int row = r0; row <= r1; ++row) {
        const std::size_t first = static_cast<std::size_t>(row) * cols_;
        const int from = cellStart_[first + static_cast<std::size_t>(c0)];
        const int to = cellStart_[first + static_cast<std::size_t>(c1) + 1];
        // The cells of one row lie side by side, so the row's entries are one stretch; an entry
        // in several of them is met more than once and kept once below.
        for (int k = from; k < to; ++k)
            test(cellEntries_[static_cast<std::size_t>(k)]);
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
}

}  // namespace nodeloom
