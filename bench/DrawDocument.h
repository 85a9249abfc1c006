#pragma once

// One whole draw of a document onto a small scratch surface, as the drawing benchmarks time it.
#include <cairo.h>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Canvas.h"

namespace nodeloom::bench {

inline void drawDocument(Diagram& d) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 256, 256);
    cairo_t* cr = cairo_create(surface);
    {
        Canvas canvas(cr);
        canvas.setMeasureUnit(d.measureUnit());
        d.draw(canvas, d.bounds());
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

}  // namespace nodeloom::bench
