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

    // Premultiplied 0xAARRGGBB.
    std::uint32_t at(int x, int y) const {
        cairo_surface_flush(surface_);
        const unsigned char* row =
            cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
        return reinterpret_cast<const std::uint32_t*>(row)[x];
    }
    int alpha(int x, int y) const { return static_cast<int>(at(x, y) >> 24); }
    int red(int x, int y) const { return static_cast<int>((at(x, y) >> 16) & 0xFF); }
    int green(int x, int y) const { return static_cast<int>((at(x, y) >> 8) & 0xFF); }
    int blue(int x, int y) const { return static_cast<int>(at(x, y) & 0xFF); }

    // Bounds of the painted pixels (right and bottom one past the last); all -1 when blank.
    struct Box {
        int left = -1, top = -1, right = -1, bottom = -1;
        int count = 0;
    };
    Box ink() const {
        Box b;
        const int w = cairo_image_surface_get_width(surface_);
        const int h = cairo_image_surface_get_height(surface_);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                if (alpha(x, y) == 0) continue;
                ++b.count;
                if (b.left < 0 || x < b.left) b.left = x;
                if (b.top < 0) b.top = y;
                if (x + 1 > b.right) b.right = x + 1;
                b.bottom = y + 1;
            }
        }
        return b;
    }

private:
    cairo_surface_t* surface_;
    cairo_t* cr_;
};
