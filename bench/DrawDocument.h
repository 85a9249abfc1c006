#pragma once

// A whole draw of a document as the drawing benchmarks time it: onto a bitmap that shows all of
// the document, so that Cairo rasterises every item the library draws, as a window showing the
// whole diagram would.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/MeasureUnit.h"

namespace nodeloom::bench {

// The longer side of the bitmap a document is drawn onto, in pixels: the 10,000-node grid gets
// about a pixel a millimetre, where its nodes' text is still some pixels tall.
constexpr int kDrawingSide = 4096;

// A bitmap and the transform that fits a document's bounds into it, kept from one draw to the
// next as a window keeps its surface.
class DrawingSurface {
public:
    // Shows the whole of the document's bounds, scaled down to fit `side` pixels (never up).
    explicit DrawingSurface(const Diagram& d, int side = kDrawingSide) {
        const Rect b = d.bounds();
        const double points = d.measureUnit()->convert(1.0, *MeasureUnit::Point());
        const double longer = std::max(b.width, b.height) * points;
        scale_ = longer > side ? side / longer : 1.0;
        origin_ = Point(b.x, b.y);
        make(std::max(1, static_cast<int>(std::ceil(b.width * points * scale_))),
             std::max(1, static_cast<int>(std::ceil(b.height * points * scale_))));
    }
    // A bitmap of that many pixels at one point a pixel from the document's origin: it shows
    // the top left corner of a large document only.
    DrawingSurface(int width, int height) { make(width, height); }

    ~DrawingSurface() {
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }
    DrawingSurface(const DrawingSurface&) = delete;
    DrawingSurface& operator=(const DrawingSurface&) = delete;

    cairo_surface_t* surface() const { return surface_; }
    // The context with no transform but the one that fits the document, in points.
    cairo_t* context() {
        cairo_identity_matrix(cr_);
        cairo_reset_clip(cr_);
        cairo_scale(cr_, scale_, scale_);
        return cr_;
    }
    // Pixels a point.
    double scale() const { return scale_; }
    // The document point at the bitmap's top left corner.
    Point origin() const { return origin_; }

    // One whole draw of the document by the library.
    void draw(Diagram& d) {
        Canvas canvas(context());
        canvas.setMeasureUnit(d.measureUnit());
        canvas.translateTransform(-origin_.x, -origin_.y);
        d.draw(canvas, d.bounds());
    }

private:
    void make(int width, int height) {
        surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
        cr_ = cairo_create(surface_);
    }

    cairo_surface_t* surface_ = nullptr;
    cairo_t* cr_ = nullptr;
    double scale_ = 1.0;
    Point origin_;
};

// One whole draw onto a new bitmap that shows the whole document.
inline void drawDocument(Diagram& d) {
    DrawingSurface surface(d);
    surface.draw(d);
}

}  // namespace nodeloom::bench
