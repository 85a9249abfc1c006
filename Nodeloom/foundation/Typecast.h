#pragma once

#include <cairo.h>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

// Colour components as Cairo takes them: finite and within 0 to 1.
struct CairoColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 0;
};

// Conversions of library values into Cairo values, for the canvas and the image export.
class Typecast {
public:
    Typecast() = delete;

    // Components outside 0 to 1 are clamped, non-finite ones read as 0 (so the empty colour is
    // transparent).
    static CairoColor toCairoColor(const Color& color);
    static cairo_rectangle_t toCairoRectangle(const Rect& rect);
    // The brush's stops (one per colour that has a position) on the axis from start to end,
    // with nothing painted before the start and the last colour beyond the end. The angle plays
    // no part. Null when there is no stop; the caller destroys the pattern.
    static cairo_pattern_t* toCairoGradient(const LinearGradientBrush& brush, const Point& start,
                                            const Point& end);
};

}  // namespace nodeloom
