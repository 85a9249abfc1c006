#include "Nodeloom/foundation/RectGrid.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace nodeloom {

namespace {

// A rectangle that would fill more cells than this is kept aside instead: visiting it in every
// query costs less than entering it everywhere.
constexpr double kMaxCellsPerEntry = 256;
// However many rectangles are expected, the cells stay few enough to be allocated.
constexpr double kMaxCells = 1 << 22;
// The smallest span a grid covers, so that rectangles of no size, or of sizes far below any unit,
// still give cells of an ordinary size.
constexpr double kMinHalfSpan = 0.5e-9;

// Columns or rows enough for `cells` cells; an out-of-range or undefined count is a single one.
int countOf(double cells) {
    if (!(cells >= 1)) return 1;
    if (cells >= kMaxCells) return static_cast<int>(kMaxCells);
    return static_cast<int>(std::ceil(cells));
}

}  // namespace

RectGrid::Extent::Extent()
    : left(std::numeric_limits<double>::max()),
      top(std::numeric_limits<double>::max()),
      right(std::numeric_limits<double>::lowest()),
      bottom(std::numeric_limits<double>::lowest()) {}

void RectGrid::Extent::take(const Rect& r) {
    if (!r.isFinite()) return;
    // A far side that overflows says nothing about where the grid should lie.
    for (const double x : {r.x, r.x + r.width}) {
        if (!std::isfinite(x)) continue;
        left = std::min(left, x);
        right = std::max(right, x);
    }
    for (const double y : {r.y, r.y + r.height}) {
        if (!std::isfinite(y)) continue;
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    const double size = std::max(std::fabs(r.width), std::fabs(r.height)) * 0.5;
    sumSize += size;
    largest = std::max(largest, size);
    ++counted;
}

namespace {

// How many cells a side of a grid over the bounds gets at most, for `total` rectangles.
double cellsAtMost(std::size_t total) {
    return std::min(4.0 * static_cast<double>(total) + 16.0, kMaxCells);
}

// The cell size for half spans of width and height, rectangles of mean half size `average`.
double cellFor(double width, double height, double average, double maxCells) {
    return std::max({average, std::sqrt(width) * std::sqrt(height / maxCells), width / maxCells,
                     height / maxCells});
}

}  // namespace

bool RectGrid::coarse(const Extent& measured, std::size_t total) {
    if (measured.counted == 0 || measured.right < measured.left || measured.bottom < measured.top)
        return false;
    const double average = measured.sumSize / static_cast<double>(measured.counted);
    const double width = std::max(measured.right * 0.5 - measured.left * 0.5, kMinHalfSpan);
    const double height = std::max(measured.bottom * 0.5 - measured.top * 0.5, kMinHalfSpan);
    // Sizes that overflow in sum: the middle one tells the size of the cells.
    if (!std::isfinite(average)) return true;
    const double floor = std::max(average, 1e-300);
    return measured.largest > 64 * floor ||
           cellFor(width, height, average, cellsAtMost(total)) > 16 * floor;
}

bool RectGrid::trim(Extent& measured) {
    const std::size_t n = xs_.size();
    if (n < kTrimFrom) return false;
    // One in a hundred at each side may lie outside.
    const std::size_t low = n / 100;
    const std::size_t high = n - 1 - low;
    const auto at = [](std::vector<double>& v, std::size_t k) {
        std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(k), v.end());
        return v[k];
    };
    const double left = at(xs_, low);
    const double right = at(xs_, high);
    const double top = at(ys_, low);
    const double bottom = at(ys_, high);
    // A few rectangles far larger than the rest would make every cell as large.
    const double middle = at(sizes_, n / 2);
    measured.sumSize = middle * static_cast<double>(measured.counted);
    // The far sides of the rectangles whose corners are the last ones kept: a size past.
    const double reach = 2 * middle;
    const auto past = [reach](double v) {
        const double w = v + reach;
        return std::isfinite(w) ? w : v;
    };
    measured.left = std::max(measured.left, left);
    measured.top = std::max(measured.top, top);
    measured.right = std::min(measured.right, past(right));
    measured.bottom = std::min(measured.bottom, past(bottom));
    return true;
}

// The grid works in half coordinates: the span between any two finite numbers, halved, is
// finite, where the plain difference of rectangles far apart overflows.
void RectGrid::layOut(Extent measured, const Rect& extent, std::size_t total) {
    clear();
    if (extent.isFinite() && (extent.width != 0 || extent.height != 0)) {
        // The extent widens the grid but says nothing about the size of the entries.
        const double size = measured.sumSize;
        const std::size_t counted = measured.counted;
        measured.take(extent);
        measured.sumSize = size;
        measured.counted = counted;
    }
    if (measured.right >= measured.left && measured.bottom >= measured.top) {
        const double width = std::max(measured.right * 0.5 - measured.left * 0.5, kMinHalfSpan);
        const double height = std::max(measured.bottom * 0.5 - measured.top * 0.5, kMinHalfSpan);
        // No entries yet: the cells follow from the extent alone.
        const double average =
            measured.counted > 0 ? measured.sumSize / static_cast<double>(measured.counted) : 0.0;
        // Cells about as large as the entries, but no more cells than a few per entry: neither
        // side has more than maxCells of them, nor the grid more than three times as many.
        double cell = cellFor(width, height, average, cellsAtMost(total));
        // Entries so large that their sizes overflow in sum: one cell holds the lot.
        if (!std::isfinite(cell)) cell = std::max(width, height);
        cell_ = cell;
        cols_ = countOf(width / cell);
        rows_ = countOf(height / cell);
        originX_ = measured.left * 0.5;
        originY_ = measured.top * 0.5;
    }
    cellStart_.assign(static_cast<std::size_t>(cols_) * static_cast<std::size_t>(rows_) + 1, 0);
}

void RectGrid::clear() {
    originX_ = originY_ = 0;
    cell_ = 1;
    cols_ = rows_ = 1;
    size_ = 0;
    cellStart_.assign(2, 0);
    cellEntries_.clear();
    loose_.clear();
    addedHead_.clear();
    added_.clear();
}

// An edge may be infinite where a finite rectangle's far side overflows: it then lies in the
// first or last cell, as any edge beyond the grid does, which keeps the order of the edges.
int RectGrid::cell(double v, double origin, int count) const {
    const double c = std::floor((v * 0.5 - origin) / cell_);
    if (!(c >= 0)) return 0;
    if (c >= count - 1) return count - 1;
    return static_cast<int>(c);
}

bool RectGrid::cellsOf(const Rect& r, Span& s) const {
    if (!r.isFinite()) return false;
    s.c0 = cell(std::min(r.x, r.x + r.width), originX_, cols_);
    s.c1 = cell(std::max(r.x, r.x + r.width), originX_, cols_);
    s.r0 = cell(std::min(r.y, r.y + r.height), originY_, rows_);
    s.r1 = cell(std::max(r.y, r.y + r.height), originY_, rows_);
    return static_cast<double>(s.c1 - s.c0 + 1) * (s.r1 - s.r0 + 1) <= kMaxCellsPerEntry;
}

// Counted first, then placed: each cell's entries end up side by side in ascending order.
void RectGrid::countIn(int id, const Rect& r) {
    Span s;
    if (!cellsOf(r, s)) {
        loose_.push_back(id);
        return;
    }
    for (int row = s.r0; row <= s.r1; ++row)
        for (int col = s.c0; col <= s.c1; ++col)
            ++cellStart_[static_cast<std::size_t>(row) * cols_ + col + 1];
}

void RectGrid::startCells() {
    for (std::size_t k = 1; k < cellStart_.size(); ++k)
        cellStart_[k] += cellStart_[k - 1];
    cellEntries_.resize(cellStart_.back());
    next_.assign(cellStart_.begin(), cellStart_.end() - 1);
}

void RectGrid::placeIn(int id, const Rect& r) {
    Span s;
    if (!cellsOf(r, s)) return;
    for (int row = s.r0; row <= s.r1; ++row)
        for (int col = s.c0; col <= s.c1; ++col)
            cellEntries_[next_[static_cast<std::size_t>(row) * cols_ + col]++] =
                pack(id, col, row, s);
}

int RectGrid::add(const Rect& r) {
    const int id = static_cast<int>(size_++);
    Span s;
    if (!cellsOf(r, s)) {
        loose_.push_back(id);
        return id;
    }
    if (addedHead_.empty()) addedHead_.assign(cellStart_.size() - 1, -1);
    for (int row = s.r0; row <= s.r1; ++row) {
        for (int col = s.c0; col <= s.c1; ++col) {
            int& head = addedHead_[static_cast<std::size_t>(row) * cols_ + col];
            added_.push_back(Added{pack(id, col, row, s), head});
            head = static_cast<int>(added_.size() - 1);
        }
    }
    return id;
}

}  // namespace nodeloom
