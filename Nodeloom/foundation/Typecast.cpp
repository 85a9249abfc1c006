#include "Nodeloom/foundation/Typecast.h"

#include <algorithm>
#include <cmath>

namespace nodeloom {

namespace {
double unitInterval(double v) {
    return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0;
}
}  // namespace

CairoColor Typecast::toCairoColor(const Color& color) {
    return CairoColor{unitInterval(color.red()), unitInterval(color.green()),
                      unitInterval(color.blue()), unitInterval(color.alpha())};
}

cairo_rectangle_t Typecast::toCairoRectangle(const Rect& rect) {
    return cairo_rectangle_t{rect.x, rect.y, rect.width, rect.height};
}

cairo_pattern_t* Typecast::toCairoGradient(const LinearGradientBrush& brush, const Point& start,
                                           const Point& end) {
    const auto& colors = brush.colors();
    const auto& positions = brush.positions();
    const std::size_t n = std::min(colors.size(), positions.size());
    const Color* first = nullptr;
    double firstOffset = 2.0;
    for (std::size_t i = 0; i < n; ++i) {
        if (!colors[i] || !std::isfinite(positions[i])) continue;
        const double offset = std::clamp(positions[i], 0.0, 1.0);
        if (offset < firstOffset) {
            firstOffset = offset;
            first = colors[i].get();
        }
    }
    if (first == nullptr) return nullptr;

    cairo_pattern_t* pattern = cairo_pattern_create_linear(start.x, start.y, end.x, end.y);
    // Cairo pads both ends; a transparent stop in front leaves everything before the start
    // unpainted, while the padding beyond the end keeps the last colour.
    cairo_pattern_add_color_stop_rgba(pattern, 0.0, 0, 0, 0, 0);
    const CairoColor c0 = toCairoColor(*first);
    cairo_pattern_add_color_stop_rgba(pattern, 0.0, c0.red, c0.green, c0.blue, c0.alpha);
    for (std::size_t i = 0; i < n; ++i) {
        if (!colors[i] || !std::isfinite(positions[i])) continue;
        const CairoColor c = toCairoColor(*colors[i]);
        cairo_pattern_add_color_stop_rgba(pattern, std::clamp(positions[i], 0.0, 1.0), c.red,
                                          c.green, c.blue, c.alpha);
    }
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    return pattern;
}

}  // namespace nodeloom
