#pragma once

#include <string>
#include <utility>

namespace nodeloom::platform {

// A font of the user interface: a family name and a size in points.
struct Font {
    std::string name = "Helvetica";
    double size = 17.0;

    Font() = default;
    Font(std::string fontName, double fontSize) : name(std::move(fontName)), size(fontSize) {}

    friend bool operator==(const Font&, const Font&) = default;
};

}  // namespace nodeloom::platform
