#include "Nodeloom/platform/Coder.h"

#include <cmath>

namespace nodeloom::platform {

Coder::Coder(const Rect& frame) {
    if (std::isfinite(frame.x) && std::isfinite(frame.y) && std::isfinite(frame.width) &&
        std::isfinite(frame.height)) {
        frame_ = frame;
    }
}

}  // namespace nodeloom::platform
