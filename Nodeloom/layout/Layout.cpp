#include "Nodeloom/layout/Layout.h"

#include <cmath>

namespace nodeloom {

template <>
std::optional<LayoutDirection> fromRaw<LayoutDirection>(int raw) {
    if (raw < 0 || raw > 3) return std::nullopt;
    return static_cast<LayoutDirection>(raw);
}

bool Layout::arrangeGraph(const std::shared_ptr<Graph>& /*graph*/) {
    return true;
}

void Layout::setMargins(double margins) {
    if (std::isfinite(margins)) margins_ = margins;
}

}  // namespace nodeloom
