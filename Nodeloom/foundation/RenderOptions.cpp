#include "Nodeloom/foundation/RenderOptions.h"

namespace nodeloom {

template <>
std::optional<RenderTarget> fromRaw<RenderTarget>(int raw) {
    if (raw < 0 || raw > 1) return std::nullopt;
    return static_cast<RenderTarget>(raw);
}

template <>
std::optional<HyperLinkStyle> fromRaw<HyperLinkStyle>(int raw) {
    if (raw < 0 || raw > 2) return std::nullopt;
    return static_cast<HyperLinkStyle>(raw);
}

template <>
std::optional<CustomDraw> fromRaw<CustomDraw>(int raw) {
    if (raw < 0 || raw > 4) return std::nullopt;
    return static_cast<CustomDraw>(raw);
}

}  // namespace nodeloom
