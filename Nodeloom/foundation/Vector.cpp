#include "Nodeloom/foundation/Vector.h"

#include <cmath>

namespace nodeloom {

double Vector::length() const {
    return std::sqrt(x * x + y * y);
}

std::shared_ptr<Vector>& operator*=(std::shared_ptr<Vector>& v, double s) {
    if (v) v = std::make_shared<Vector>(*v * s);
    return v;
}

std::shared_ptr<Vector>& operator/=(std::shared_ptr<Vector>& v, double s) {
    if (v) v = std::make_shared<Vector>(*v / s);
    return v;
}

}  // namespace nodeloom
