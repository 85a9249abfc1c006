#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "Nodeloom/foundation/Size.h"
#include "Nodeloom/platform/HandleDeleter.h"

namespace nodeloom::platform {

// A picture held as a Cairo image surface together with its scale (device pixels per point), so
// that its size in points is its pixel size divided by the scale. Pictures travel as PNG.
class ImageSurface {
public:
    // Takes its own reference to the surface; the caller keeps (and releases) its own.
    ImageSurface(cairo_surface_t* surface, double scale);
    ~ImageSurface();
    ImageSurface(const ImageSurface&) = delete;
    ImageSurface& operator=(const ImageSurface&) = delete;

    // A transparent picture of the given size in points at the given scale (pixels rounded up);
    // null when the size or scale is not usable or the surface cannot be made.
    static std::shared_ptr<ImageSurface> create(double width, double height, double scale = 1.0);
    // The picture read from encoded bytes, or null when the bytes are not a picture.
    static std::shared_ptr<ImageSurface> fromData(const std::vector<std::uint8_t>& bytes);
    // Wraps an existing image surface; null for a surface that is not a usable image surface.
    static std::shared_ptr<ImageSurface> fromSurface(cairo_surface_t* surface, double scale = 1.0);

    // The PNG form; empty when it cannot be written.
    std::vector<std::uint8_t> pngData() const;

    cairo_surface_t* surface() const { return surface_.get(); }
    int pixelWidth() const;
    int pixelHeight() const;
    double scale() const { return scale_; }
    // Size in points.
    Size size() const { return Size(pixelWidth() / scale_, pixelHeight() / scale_); }

private:
    Handle<cairo_surface_t, cairo_surface_destroy> surface_;
    double scale_;
};

}  // namespace nodeloom::platform
