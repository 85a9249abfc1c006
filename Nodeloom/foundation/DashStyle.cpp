#include "Nodeloom/foundation/DashStyle.h"

#include <vector>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/MeasureUnit.h"

namespace nodeloom {

template <>
std::optional<DashStyle> fromRaw<DashStyle>(int raw) {
    if (raw < 0 || raw > 5) return std::nullopt;
    return static_cast<DashStyle>(raw);
}

void apply(DashStyle style, Canvas& canvas) {
    const double mm = canvas.measureUnit()
                          ? MeasureUnit::Millimeter()->convert(1.0, canvas.measureUnit(), &canvas)
                          : 1.0;
    const float h = static_cast<float>(mm) * 0.5f;
    const float l = 4 * h;
    std::vector<float> pattern;
    switch (style) {
        case DashStyle::dash:
            pattern = {l, h};
            break;
        case DashStyle::dot:
            pattern = {h, h};
            break;
        case DashStyle::dashDot:
            pattern = {l, h, h, h};
            break;
        case DashStyle::dashDotDot:
            pattern = {l, h, h, h, h, h};
            break;
        case DashStyle::solid:
        case DashStyle::custom:
            break;
    }
    canvas.setLineDashStyle(pattern);
}

}  // namespace nodeloom
