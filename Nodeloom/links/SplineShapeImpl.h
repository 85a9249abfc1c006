#pragma once

#include <memory>

#include "Nodeloom/links/LinkShapeImpl.h"

namespace nodeloom {

// A smooth curve through every control point (see CardinalSpline); any list of two or more
// points is valid.
class SplineShapeImpl : public LinkShapeImpl {
public:
    static std::shared_ptr<SplineShapeImpl> instance();

    // One piece from start to end.
    void initPoints(DiagramLink& link, Point start, Point end) override;

protected:
    SplineShapeImpl() = default;
};

}  // namespace nodeloom
