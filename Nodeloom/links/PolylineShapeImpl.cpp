#include "Nodeloom/links/PolylineShapeImpl.h"

#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom {

std::shared_ptr<PolylineShapeImpl> PolylineShapeImpl::instance() {
    struct Shared : PolylineShapeImpl {};
    static const std::shared_ptr<PolylineShapeImpl> shared = std::make_shared<Shared>();
    return shared;
}

void PolylineShapeImpl::initPoints(DiagramLink& link, Point start, Point end) {
    link.setControlPoints({start, end});
}

}  // namespace nodeloom
