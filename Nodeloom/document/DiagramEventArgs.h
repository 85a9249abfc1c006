#pragma once

#include "Nodeloom/foundation/Point.h"

namespace nodeloom {

// A tap on the document itself, away from every item.
class DiagramEventArgs {
public:
    explicit DiagramEventArgs(Point pointerPosition) : pointerPosition_(pointerPosition) {}
    virtual ~DiagramEventArgs() = default;

    Point pointerPosition() const { return pointerPosition_; }
    void setPointerPosition(Point p) { pointerPosition_ = p; }

private:
    Point pointerPosition_;
};

}  // namespace nodeloom
