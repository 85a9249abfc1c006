#pragma once

#include <optional>

#include "Nodeloom/foundation/Rect.h"

namespace nodeloom::platform {

// An archive that a view is restored from. Only the frame is archived; an archive without one
// (or with a frame that is not a finite rectangle) gives no view.
class Coder {
public:
    Coder() = default;
    explicit Coder(const Rect& frame);

    const std::optional<Rect>& frame() const { return frame_; }

private:
    std::optional<Rect> frame_;
};

}  // namespace nodeloom::platform
