#include "Nodeloom/links/LinkLabel.h"

namespace nodeloom {

std::optional<Rect> LinkLabel::getLayoutRect() {
    if (cachedLayoutRect_ && cachedLayoutRect_->width != 0 && cachedLayoutRect_->height != 0)
        return cachedLayoutRect_;
    return std::nullopt;
}

}  // namespace nodeloom
