#include "Nodeloom/links/LinkShapeImpl.h"

#include "Nodeloom/links/BezierShapeImpl.h"
#include "Nodeloom/links/CascadingShapeImpl.h"
#include "Nodeloom/links/PolylineShapeImpl.h"
#include "Nodeloom/links/SplineShapeImpl.h"

namespace nodeloom {

LinkShapeImpl::~LinkShapeImpl() = default;

std::shared_ptr<LinkShapeImpl> LinkShapeImpl::forShape(LinkShape shape) {
    switch (shape) {
        case LinkShape::bezier:
            return BezierShapeImpl::instance();
        case LinkShape::cascading:
            return CascadingShapeImpl::instance();
        case LinkShape::spline:
            return SplineShapeImpl::instance();
        case LinkShape::polyline:
            break;
    }
    return PolylineShapeImpl::instance();
}

void LinkShapeImpl::initPoints(DiagramLink&, Point, Point) {}

void LinkShapeImpl::onControlPointMoved(DiagramLink&, Point, int, const DiagramLinkState&) {}

bool LinkShapeImpl::pointsAreValid(DiagramLink&) {
    return true;
}

void LinkShapeImpl::adjustAfterEndsMoved(DiagramLink&) {}

void LinkShapeImpl::onPointsApplied(DiagramLink&) {}

}  // namespace nodeloom
