#include "Nodeloom/items/HandlesStyleImpl.h"

namespace nodeloom {

void HandlesStyleImpl::drawRectHandles(Canvas&, const Rect&, double) {}

void HandlesStyleImpl::drawPointHandles(Canvas&, const std::vector<Point>&, double) {}

}  // namespace nodeloom
