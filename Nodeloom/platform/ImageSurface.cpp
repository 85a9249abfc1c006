#include "Nodeloom/platform/ImageSurface.h"

#include <cmath>
#include <cstring>

namespace nodeloom::platform {

namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct ReadCursor {
    const std::vector<std::uint8_t>* bytes;
    std::size_t offset;
};

cairo_status_t readBytes(void* closure, unsigned char* data, unsigned int length) {
    auto* cursor = static_cast<ReadCursor*>(closure);
    if (cursor->bytes->size() - cursor->offset < length) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, cursor->bytes->data() + cursor->offset, length);
    cursor->offset += length;
    return CAIRO_STATUS_SUCCESS;
}

cairo_status_t writeBytes(void* closure, const unsigned char* data, unsigned int length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

bool usableScale(double scale) {
    return std::isfinite(scale) && scale > 0;
}

}  // namespace

ImageSurface::ImageSurface(cairo_surface_t* surface, double scale)
    : surface_(cairo_surface_reference(surface)), scale_(usableScale(scale) ? scale : 1.0) {}

ImageSurface::~ImageSurface() = default;

std::shared_ptr<ImageSurface> ImageSurface::create(double width, double height, double scale) {
    if (!usableScale(scale) || !std::isfinite(width) || !std::isfinite(height) || width < 0 ||
        height < 0) {
        return nullptr;
    }
    const double pw = std::ceil(width * scale);
    const double ph = std::ceil(height * scale);
    // Cairo's own limit for image surfaces.
    if (pw > 32767 || ph > 32767) return nullptr;
    const Handle<cairo_surface_t, cairo_surface_destroy> surface(cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, static_cast<int>(pw), static_cast<int>(ph)));
    return fromSurface(surface.get(), scale);
}

std::shared_ptr<ImageSurface> ImageSurface::fromData(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < sizeof kPngSignature ||
        std::memcmp(bytes.data(), kPngSignature, sizeof kPngSignature) != 0) {
        return nullptr;
    }
    ReadCursor cursor{&bytes, 0};
    const Handle<cairo_surface_t, cairo_surface_destroy> surface(
        cairo_image_surface_create_from_png_stream(readBytes, &cursor));
    return fromSurface(surface.get(), 1.0);
}

std::shared_ptr<ImageSurface> ImageSurface::fromSurface(cairo_surface_t* surface, double scale) {
    if (surface == nullptr || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) {
        return nullptr;
    }
    return std::make_shared<ImageSurface>(surface, scale);
}

std::vector<std::uint8_t> ImageSurface::pngData() const {
    std::vector<std::uint8_t> out;
    if (cairo_surface_write_to_png_stream(surface_.get(), writeBytes, &out) !=
        CAIRO_STATUS_SUCCESS) {
        out.clear();
    }
    return out;
}

int ImageSurface::pixelWidth() const {
    return cairo_image_surface_get_width(surface_.get());
}

int ImageSurface::pixelHeight() const {
    return cairo_image_surface_get_height(surface_.get());
}

}  // namespace nodeloom::platform
