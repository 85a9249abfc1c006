#include "Nodeloom/platform/Coder.h"

namespace nodeloom::platform {

Coder::Coder(const Rect& frame) {
    if (frame.isFinite()) frame_ = frame;
}

}  // namespace nodeloom::platform
