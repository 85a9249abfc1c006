#pragma once

namespace nodeloom::platform {

// The scale of the main screen (device pixels per point). Headless, so it is a setting that a
// host or a test chooses; measuring canvases and new images read it.
class Screen {
public:
    static double scale();
    // A scale that is not a positive finite number is ignored.
    static void setScale(double scale);
};

}  // namespace nodeloom::platform
