#include "Nodeloom/links/SplineShapeImpl.h"

#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom {

std::shared_ptr<SplineShapeImpl> SplineShapeImpl::instance() {
    struct Shared : SplineShapeImpl {};
    static const std::shared_ptr<SplineShapeImpl> shared = std::make_shared<Shared>();
    return shared;
}

void SplineShapeImpl::initPoints(DiagramLink& link, Point start, Point end) {
    link.setControlPoints({start, end});
}

}  // namespace nodeloom
