#pragma once

#include <memory>
#include <utility>

#include "Nodeloom/foundation/ArrayRef.h"
#include "Nodeloom/foundation/Point.h"

namespace nodeloom {

// One leg of a route while the router spreads overlapping legs apart: the leg from point `index`
// to point `index + 1` of a route that it shares with the other legs of the same link, so that
// moving one leg moves the ends of its neighbours too.
class Segment {
public:
    Segment() = default;
    Segment(int index, std::shared_ptr<ArrayRef<Point>> points)
        : index_(index), points_(std::move(points)) {}

    int index() const { return index_; }
    void setIndex(int index) { index_ = index; }
    const std::shared_ptr<ArrayRef<Point>>& points() const { return points_; }
    void setPoints(std::shared_ptr<ArrayRef<Point>> points) { points_ = std::move(points); }

    // The leg's two ends; (0, 0) for an end the route does not have.
    Point start() const { return points_ ? (*points_)[index_] : Point(); }
    Point end() const { return points_ ? (*points_)[index_ + 1] : Point(); }

private:
    int index_ = 0;
    std::shared_ptr<ArrayRef<Point>> points_;
};

}  // namespace nodeloom
