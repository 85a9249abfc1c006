#include "Nodeloom/platform/Screen.h"

#include <cmath>

namespace nodeloom::platform {

namespace {
double& storedScale() {
    static double scale = 1.0;
    return scale;
}
}  // namespace

double Screen::scale() {
    return storedScale();
}

void Screen::setScale(double scale) {
    if (std::isfinite(scale) && scale > 0) storedScale() = scale;
}

}  // namespace nodeloom::platform
