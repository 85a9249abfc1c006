#pragma once

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/platform/GestureRecognizer.h"

namespace nodeloom::platform {

// One finger that comes down and is lifted within 10 points of where it came down. A second
// finger, a longer move or a cancelled finger make it fail.
class TapGestureRecognizer : public GestureRecognizer {
public:
    using GestureRecognizer::GestureRecognizer;

    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
    void touchesCancelled(const TouchSet& touches, const TouchEvent& event) override;

private:
    Point start_;
};

}  // namespace nodeloom::platform
