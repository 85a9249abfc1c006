#pragma once

namespace nodeloom {

// An extent in document units.
struct Size {
    double width = 0.0;
    double height = 0.0;

    constexpr Size() = default;
    constexpr Size(double width, double height) : width(width), height(height) {}

    friend bool operator==(const Size& a, const Size& b) = default;
};

}  // namespace nodeloom
