#include "Nodeloom/foundation/RectHash.h"

#include <algorithm>
#include <cmath>

namespace nodeloom {

namespace {

// An entry that would fill more cells than this is kept aside: it is reported by every query,
// which costs less than entering it everywhere.
constexpr double kMaxCellsPerEntry = 64;
// Cell coordinates stay well inside 32 bits, so that they make distinct keys.
constexpr double kMaxCell = 1e9;

}  // namespace

void RectHash::reset(double cellSize) {
    cell_ = std::isfinite(cellSize) && cellSize > 0 ? cellSize : 1.0;
    entries_.clear();
    grid_.clear();
    aside_.clear();
    seen_.clear();
    count_ = 0;
}

bool RectHash::cells(const Rect& r, long& c0, long& c1, long& r0, long& r1) const {
    const double x0 = std::floor(std::min(r.x, r.x + r.width) / cell_);
    const double x1 = std::floor(std::max(r.x, r.x + r.width) / cell_);
    const double y0 = std::floor(std::min(r.y, r.y + r.height) / cell_);
    const double y1 = std::floor(std::max(r.y, r.y + r.height) / cell_);
    if (!(x0 >= -kMaxCell && x1 <= kMaxCell && y0 >= -kMaxCell && y1 <= kMaxCell)) return false;
    c0 = static_cast<long>(x0);
    c1 = static_cast<long>(x1);
    r0 = static_cast<long>(y0);
    r1 = static_cast<long>(y1);
    return true;
}

void RectHash::leave(int id) {
    Entry& e = entries_[static_cast<std::size_t>(id)];
    if (!e.present) return;
    if (e.aside) {
        const int last = aside_.back();
        aside_[e.asidePos] = last;
        entries_[static_cast<std::size_t>(last)].asidePos = e.asidePos;
        aside_.pop_back();
    } else {
        for (long row = e.r0; row <= e.r1; ++row) {
            for (long col = e.c0; col <= e.c1; ++col) {
                const auto found = grid_.find(key(col, row));
                if (found == grid_.end()) continue;
                std::vector<int>& ids = found->second;
                const auto it = std::find(ids.begin(), ids.end(), id);
                if (it != ids.end()) {
                    *it = ids.back();
                    ids.pop_back();
                }
                if (ids.empty()) grid_.erase(found);
            }
        }
    }
    e.present = false;
    e.aside = false;
    --count_;
}

void RectHash::set(int id, const Rect& r) {
    if (id < 0) return;
    const auto index = static_cast<std::size_t>(id);
    if (index >= entries_.size()) {
        entries_.resize(index + 1);
        seen_.resize(index + 1, 0);
    }
    leave(id);
    Entry& e = entries_[index];
    e.present = true;
    ++count_;
    long c0 = 0, c1 = 0, r0 = 0, r1 = 0;
    if (!r.isFinite() || !cells(r, c0, c1, r0, r1) ||
        static_cast<double>(c1 - c0 + 1) * static_cast<double>(r1 - r0 + 1) > kMaxCellsPerEntry) {
        e.aside = true;
        e.asidePos = aside_.size();
        aside_.push_back(id);
        return;
    }
    e.c0 = c0;
    e.c1 = c1;
    e.r0 = r0;
    e.r1 = r1;
    for (long row = r0; row <= r1; ++row) {
        for (long col = c0; col <= c1; ++col)
            grid_[key(col, row)].push_back(id);
    }
}

void RectHash::erase(int id) {
    if (contains(id)) leave(id);
}

}  // namespace nodeloom
