#include "Nodeloom/foundation/Brush.h"

#include <cstdint>
#include <utility>

#include "Nodeloom/foundation/Colors.h"

namespace nodeloom {

namespace {

bool sameColor(const std::shared_ptr<Color>& a, const std::shared_ptr<Color>& b) {
    if (!a || !b) return !a && !b;
    return a->alpha() == b->alpha() && a->red() == b->red() && a->green() == b->green() &&
           a->blue() == b->blue();
}

}  // namespace

std::shared_ptr<Color> Brush::toColor() const {
    return Colors::Black();
}

void Brush::hash(Hasher& hasher) const {
    hasher.combine(std::uint64_t{0});
}

bool Brush::equalsTo(const Brush&) const {
    return false;
}

std::size_t Brush::hashValue() const {
    Hasher hasher;
    hash(hasher);
    return hasher.finalize();
}

SolidColorBrush::SolidColorBrush() : color_(std::make_shared<Color>()) {}

SolidColorBrush::SolidColorBrush(std::shared_ptr<Color> color)
    : color_(color ? std::move(color) : std::make_shared<Color>()) {}

void SolidColorBrush::setColor(std::shared_ptr<Color> color) {
    if (color) color_ = std::move(color);
}

std::shared_ptr<Color> SolidColorBrush::toColor() const {
    return color_;
}

void SolidColorBrush::hash(Hasher& hasher) const {
    color_->hash(hasher);
}

bool SolidColorBrush::equalsTo(const Brush& other) const {
    const auto* solid = dynamic_cast<const SolidColorBrush*>(&other);
    return solid && sameColor(color_, solid->color_);
}

LinearGradientBrush::LinearGradientBrush(std::shared_ptr<Color> color1,
                                         std::shared_ptr<Color> color2, double angle)
    : positions_{0.0, 1.0}, colors_{std::move(color1), std::move(color2)},
      angle_(std::isfinite(angle) ? angle : 0.0) {}

std::shared_ptr<Color> LinearGradientBrush::toColor() const {
    if (colors_.empty() || !colors_.front()) return Brush::toColor();
    return colors_.front();
}

void LinearGradientBrush::hash(Hasher& hasher) const {
    for (double position : positions_)
        hasher.combine(position);
    for (const auto& color : colors_) {
        if (color)
            color->hash(hasher);
        else
            hasher.combine(std::uint64_t{1});
    }
    hasher.combine(std::uint64_t{0});
}

bool LinearGradientBrush::equalsTo(const Brush& other) const {
    const auto* gradient = dynamic_cast<const LinearGradientBrush*>(&other);
    if (!gradient || angle_ != gradient->angle_ || colors_.size() != gradient->colors_.size() ||
        positions_.size() != gradient->positions_.size())
        return false;
    for (std::size_t i = 0; i < colors_.size(); ++i)
        if (!sameColor(colors_[i], gradient->colors_[i])) return false;
    for (std::size_t i = 0; i < positions_.size(); ++i)
        if (positions_[i] != gradient->positions_[i]) return false;
    return true;
}

}  // namespace nodeloom
