#include "Nodeloom/foundation/RectIndex.h"

#include <algorithm>
#include <limits>

namespace nodeloom {

namespace {

// A rectangle that would fill more cells than this is kept aside instead: it is reported by
// every query, which costs less than entering it everywhere.
constexpr double kMaxCellsPerEntry = 256;

}  // namespace

RectIndex::RectIndex(const std::vector<Rect>& rects, const Rect& extent, std::size_t expectedMore) {
    double left = std::numeric_limits<double>::max(), top = left;
    double right = std::numeric_limits<double>::lowest(), bottom = right;
    double sumSize = 0;
    std::size_t counted = 0;
    const auto take = [&](const Rect& r) {
        if (!r.isFinite()) return;
        left = std::min(left, std::min(r.x, r.x + r.width));
        right = std::max(right, std::max(r.x, r.x + r.width));
        top = std::min(top, std::min(r.y, r.y + r.height));
        bottom = std::max(bottom, std::max(r.y, r.y + r.height));
        sumSize += std::max(std::fabs(r.width), std::fabs(r.height));
        ++counted;
    };
    for (const Rect& r : rects)
        take(r);
    if (extent.isFinite() && (extent.width != 0 || extent.height != 0)) {
        const double size = sumSize;
        take(extent);
        // The extent widens the grid but says nothing about the size of the entries.
        sumSize = size;
        --counted;
    }

    const std::size_t total = rects.size() + expectedMore;
    if (right >= left && bottom >= top) {
        const double width = std::max(right - left, 1e-9);
        const double height = std::max(bottom - top, 1e-9);
        // No entries yet: the cells follow from the extent alone.
        const double average = counted > 0 ? sumSize / static_cast<double>(counted) : 0.0;
        // Cells about as large as the entries, but no more cells than a few per entry.
        const double maxCells = 4.0 * static_cast<double>(total) + 16.0;
        double cell = std::max(average, std::sqrt(width * height / maxCells));
        if (!(cell > 0) || !std::isfinite(cell)) cell = std::max(width, height);
        const double cols = std::ceil(width / cell);
        const double rows = std::ceil(height / cell);
        cell_ = cell;
        cols_ = static_cast<int>(std::clamp(cols, 1.0, 1e6));
        rows_ = static_cast<int>(std::clamp(rows, 1.0, 1e6));
        if (static_cast<double>(cols_) * rows_ > 4 * maxCells) cols_ = rows_ = 1;
        originX_ = left;
        originY_ = top;
    }
    grid_.resize(static_cast<std::size_t>(cols_) * static_cast<std::size_t>(rows_));
    rects_.reserve(total);
    seen_.reserve(total);
    for (const Rect& r : rects)
        insert(r);
}

int RectIndex::cell(double v, double origin, int count) const {
    const double c = std::floor((v - origin) / cell_);
    if (!(c >= 0)) return 0;
    if (c >= count - 1) return count - 1;
    return static_cast<int>(c);
}

void RectIndex::cells(const Rect& r, int& c0, int& c1, int& r0, int& r1) const {
    c0 = cell(std::min(r.x, r.x + r.width), originX_, cols_);
    c1 = cell(std::max(r.x, r.x + r.width), originX_, cols_);
    r0 = cell(std::min(r.y, r.y + r.height), originY_, rows_);
    r1 = cell(std::max(r.y, r.y + r.height), originY_, rows_);
}

int RectIndex::insert(const Rect& r) {
    const int id = static_cast<int>(rects_.size());
    rects_.push_back(r);
    seen_.push_back(0);
    if (!r.isFinite()) {
        seen_.back() = kLoose;
        loose_.push_back(id);
        return id;
    }
    int c0, c1, r0, r1;
    cells(r, c0, c1, r0, r1);
    if (static_cast<double>(c1 - c0 + 1) * (r1 - r0 + 1) > kMaxCellsPerEntry) {
        seen_.back() = kLoose;
        loose_.push_back(id);
        return id;
    }
    for (int row = r0; row <= r1; ++row) {
        for (int col = c0; col <= c1; ++col)
            grid_[static_cast<std::size_t>(row) * cols_ + col].push_back(id);
    }
    return id;
}

}  // namespace nodeloom
