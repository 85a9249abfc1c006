#include "Nodeloom/composite/Row.h"

#include <cmath>

namespace nodeloom {

void Row::setHeight(double height) {
    if (std::isfinite(height)) height_ = height;
}

}  // namespace nodeloom
