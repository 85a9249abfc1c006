#include "Nodeloom/platform/Jpeg.h"

#include <cairo.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "Nodeloom/platform/ImageSurface.h"

#ifdef NODELOOM_HAVE_JPEG
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#endif

namespace nodeloom::platform {

#ifdef NODELOOM_HAVE_JPEG

namespace {

// libjpeg reports a fatal error by calling error_exit, which by default ends the process; here it
// jumps back to the encoder, which gives up on the picture instead.
struct Job {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    std::jmp_buf jump{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
};

void onFatalError(j_common_ptr info) {
    std::longjmp(static_cast<Job*>(info->client_data)->jump, 1);
}

void onMessage(j_common_ptr) {}

}  // namespace

bool Jpeg::available() {
    return true;
}

std::vector<std::uint8_t> Jpeg::encode(const ImageSurface& image, int quality) {
    cairo_surface_t* surface = image.surface();
    if (surface == nullptr || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE)
        return {};
    const cairo_format_t format = cairo_image_surface_get_format(surface);
    if (format != CAIRO_FORMAT_RGB24 && format != CAIRO_FORMAT_ARGB32) return {};
    cairo_surface_flush(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    if (width <= 0 || height <= 0 || data == nullptr) return {};

    std::vector<unsigned char> row(static_cast<std::size_t>(width) * 3);
    auto job = std::make_unique<Job>();
    job->info.err = jpeg_std_error(&job->errors);
    job->errors.error_exit = onFatalError;
    job->errors.output_message = onMessage;
    job->info.client_data = job.get();
    if (setjmp(job->jump) != 0) {
        jpeg_destroy_compress(&job->info);
        std::free(job->buffer);
        return {};
    }
    jpeg_create_compress(&job->info);
    jpeg_mem_dest(&job->info, &job->buffer, &job->size);
    job->info.image_width = static_cast<JDIMENSION>(width);
    job->info.image_height = static_cast<JDIMENSION>(height);
    job->info.input_components = 3;
    job->info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&job->info);
    jpeg_set_quality(&job->info, std::clamp(quality, 1, 100), TRUE);
    jpeg_start_compress(&job->info, TRUE);
    while (job->info.next_scanline < job->info.image_height) {
        // Cairo keeps each pixel as one native-endian 32-bit word 0xAARRGGBB.
        const auto* pixels = reinterpret_cast<const std::uint32_t*>(
            data + static_cast<std::size_t>(job->info.next_scanline) * stride);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = pixels[x];
            row[static_cast<std::size_t>(x) * 3] = static_cast<unsigned char>((p >> 16) & 0xFF);
            row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<unsigned char>((p >> 8) & 0xFF);
            row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<unsigned char>(p & 0xFF);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&job->info, rows, 1);
    }
    jpeg_finish_compress(&job->info);
    std::vector<std::uint8_t> bytes(job->buffer, job->buffer + job->size);
    jpeg_destroy_compress(&job->info);
    std::free(job->buffer);
    return bytes;
}

#else

bool Jpeg::available() {
    return false;
}

std::vector<std::uint8_t> Jpeg::encode(const ImageSurface&, int) {
    return {};
}

#endif

}  // namespace nodeloom::platform
