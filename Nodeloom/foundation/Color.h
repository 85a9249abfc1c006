#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "Nodeloom/foundation/Hasher.h"

namespace nodeloom {

// A colour with red, green, blue and alpha components, conventionally 0 to 1 (never clamped).
// Colours are shared by reference (std::shared_ptr) between the styles, brushes and items that
// hold them, so changing a component changes it for every holder; two colours compare and hash
// by value. The colour with all four components at -1 is the empty colour: "no colour set".
class Color {
public:
    // Opaque white.
    Color() = default;
    // Opaque colour.
    Color(double red, double green, double blue) : red_(red), green_(green), blue_(blue) {}
    // Note the order: alpha first, as in the text form.
    Color(double alpha, double red, double green, double blue)
        : red_(red), green_(green), blue_(blue), alpha_(alpha) {}

    // Each byte over 255; alpha is the first argument.
    static std::shared_ptr<Color> fromBytes(std::uint8_t alpha, std::uint8_t red,
                                            std::uint8_t green, std::uint8_t blue);
    // Each byte over 255, opaque.
    static std::shared_ptr<Color> fromRGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    // Reads "#AARRGGBB" (hexadecimal, either case, surrounding white space ignored). Unreadable
    // text gives the shared Colors::Black object; the text that the empty colour writes gives a
    // new empty colour. Never null.
    static std::shared_ptr<Color> fromString(std::string_view text);

    // "#AARRGGBB" in upper case; each component times 255 truncated toward zero. A component
    // outside 0 to 1 writes the low 32 bits of that integer (-1 gives FFFFFF01).
    std::string toString() const;

    bool isEmpty() const {
        return alpha_ == -1.0 && red_ == -1.0 && green_ == -1.0 && blue_ == -1.0;
    }

    // Feeds red, green, blue and alpha, in that order.
    void hash(Hasher& hasher) const;
    std::size_t hashValue() const;

    double red() const { return red_; }
    void setRed(double value) { red_ = value; }
    double green() const { return green_; }
    void setGreen(double value) { green_ = value; }
    double blue() const { return blue_; }
    void setBlue(double value) { blue_ = value; }
    double alpha() const { return alpha_; }
    void setAlpha(double value) { alpha_ = value; }

    // Component-wise, exact: 0 equals -0 and a NaN component is unequal to everything.
    friend bool operator==(const Color& a, const Color& b) {
        return a.red_ == b.red_ && a.green_ == b.green_ && a.blue_ == b.blue_ &&
               a.alpha_ == b.alpha_;
    }

private:
    double red_ = 1.0;
    double green_ = 1.0;
    double blue_ = 1.0;
    double alpha_ = 1.0;
};

}  // namespace nodeloom

template <>
struct std::hash<nodeloom::Color> {
    std::size_t operator()(const nodeloom::Color& color) const noexcept {
        return color.hashValue();
    }
};
