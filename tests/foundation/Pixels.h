#pragma once

#include <cairo.h>

#include <cstdint>

// An ARGB image surface with a Cairo context on it, for reading back what a canvas drew.
class Pixels {
public:
    Pixels(int width, int height)
        : surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
          cr_(cairo_create(surface_)) {}
    ~Pixels() {
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }
    Pixels(const Pixels&) = delete;
    Pixels& operator=(const Pixels&) = delete;

    cairo_t* cr() const { return cr_; }
    int width() const { return cairo_image_surface_get_width(surface_); }
    int height() const { return cairo_image_surface_get_height(surface_); }

    // Premultiplied 0xAARRGGBB; 0 outside the surface.
    std::uint32_t at(int x, int y) const {
        if (x < 0 || y < 0 || x >= width() || y >= height()) return 0;
        cairo_surface_flush(surface_);
        const unsigned char* data = cairo_image_surface_get_data(surface_);
        const int stride = cairo_image_surface_get_stride(surface_);
        return reinterpret_cast<const std::uint32_t*>(data + y * stride)[x];
    }
    int alpha(int x, int y) const { return static_cast<int>(at(x, y) >> 24); }
    int red(int x, int y) const { return static_cast<int>((at(x, y) >> 16) & 0xFF); }
    int green(int x, int y) const { return static_cast<int>((at(x, y) >> 8) & 0xFF); }
    int blue(int x, int y) const { return static_cast<int>(at(x, y) & 0xFF); }

    bool rowPainted(int y) const {
        for (int x = 0; x < width(); ++x)
            if (alpha(x, y) != 0) return true;
        return false;
    }
    bool columnPainted(int x) const {
        for (int y = 0; y < height(); ++y)
            if (alpha(x, y) != 0) return true;
        return false;
    }
    int paintedCount() const {
        int n = 0;
        for (int y = 0; y < height(); ++y)
            for (int x = 0; x < width(); ++x)
                n += alpha(x, y) != 0;
        return n;
    }
    // Bounds of the painted pixels: first and one-past-last row and column; all -1 when blank.
    struct Box {
        int top = -1, bottom = -1, left = -1, right = -1;
    };
    Box ink() const {
        Box b;
        for (int y = 0; y < height(); ++y) {
            if (!rowPainted(y)) continue;
            if (b.top < 0) b.top = y;
            b.bottom = y + 1;
        }
        for (int x = 0; x < width(); ++x) {
            if (!columnPainted(x)) continue;
            if (b.left < 0) b.left = x;
            b.right = x + 1;
        }
        return b;
    }

private:
    cairo_surface_t* surface_;
    cairo_t* cr_;
};
