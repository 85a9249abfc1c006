#include "Nodeloom/items/InvisibleHandlesImpl.h"

namespace nodeloom {

InvisibleHandlesImpl& InvisibleHandlesImpl::instance() {
    static InvisibleHandlesImpl shared;
    return shared;
}

void InvisibleHandlesImpl::drawRectHandles(Canvas&, const Rect&, double) {}

void InvisibleHandlesImpl::drawPointHandles(Canvas&, const std::vector<Point>&, double) {}

}  // namespace nodeloom
