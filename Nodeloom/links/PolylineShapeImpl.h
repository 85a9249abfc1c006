#pragma once

#include <memory>

#include "Nodeloom/links/LinkShapeImpl.h"

namespace nodeloom {

// Straight segments through any list of two or more points.
class PolylineShapeImpl : public LinkShapeImpl {
public:
    static std::shared_ptr<PolylineShapeImpl> instance();

    // One straight segment from start to end.
    void initPoints(DiagramLink& link, Point start, Point end) override;

protected:
    PolylineShapeImpl() = default;
};

}  // namespace nodeloom
