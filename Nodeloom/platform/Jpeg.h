#pragma once

#include <cstdint>
#include <vector>

namespace nodeloom::platform {

class ImageSurface;

// JPEG encoding of pictures, through libjpeg when the library was built with it.
class Jpeg {
public:
    Jpeg() = delete;

    // Whether this build can write JPEG at all.
    static bool available();
    // The JPEG file of the picture at the given quality (clamped to 1..100); empty when it cannot
    // be encoded. Transparent pixels come out as their colour over black.
    [[nodiscard]] static std::vector<std::uint8_t> encode(const ImageSurface& image,
                                                          int quality = 90);
};

}  // namespace nodeloom::platform
