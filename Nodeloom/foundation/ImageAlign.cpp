#include "Nodeloom/foundation/ImageAlign.h"

namespace nodeloom {

template <>
std::optional<ImageAlign> fromRaw<ImageAlign>(int raw) {
    if (raw < 0 || raw > 15) return std::nullopt;
    return static_cast<ImageAlign>(raw);
}

}  // namespace nodeloom
