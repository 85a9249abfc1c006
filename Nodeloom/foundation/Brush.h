#pragma once

#include <cmath>
#include <cstddef>
#include <memory>
#include <vector>

#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Hasher.h"

namespace nodeloom {

// How a closed shape is filled. Brushes are shared by reference (std::shared_ptr) between the
// styles, themes, items and documents that hold them: changing one changes every holder. `==`
// on brushes is identity (the same object); content comparison is `equalsTo`.
class Brush {
public:
    Brush() = default;
    virtual ~Brush() = default;

    // The one colour that best stands for the brush where only a colour can be used (a stroke or
    // text colour taken from a brush). The plain brush gives the shared Colors::Black. Never null.
    virtual std::shared_ptr<Color> toColor() const;
    virtual void hash(Hasher& hasher) const;
    // Content equality; a plain brush equals no brush, itself included.
    virtual bool equalsTo(const Brush& other) const;
    std::size_t hashValue() const;

    friend bool operator==(const Brush& a, const Brush& b) { return &a == &b; }

protected:
    Brush(const Brush&) = default;
    Brush& operator=(const Brush&) = default;
};

// Fills with one colour, held by reference: the brush shares the colour object it was given.
class SolidColorBrush : public Brush {
public:
    // A new opaque white colour.
    SolidColorBrush();
    // A null colour gets a new opaque white one, so that the brush always has a colour.
    explicit SolidColorBrush(std::shared_ptr<Color> color);

    const std::shared_ptr<Color>& color() const { return color_; }
    // A null colour is ignored and the brush keeps the one it has.
    void setColor(std::shared_ptr<Color> color);

    // The colour object itself.
    std::shared_ptr<Color> toColor() const override;
    void hash(Hasher& hasher) const override;
    bool equalsTo(const Brush& other) const override;

private:
    std::shared_ptr<Color> color_;
};

// Fills with a linear gradient: one colour per stop position, in stop order, along a direction
// given in degrees. The colours are held by reference. Nothing forces the two lists to the same
// length; a null colour slot is tolerated and compares equal only to another null slot.
class LinearGradientBrush : public Brush {
public:
    // No stops, angle 0.
    LinearGradientBrush() = default;
    // Stops at 0 and 1 with the two given colour objects.
    LinearGradientBrush(std::shared_ptr<Color> color1, std::shared_ptr<Color> color2, double angle);

    const std::vector<double>& positions() const { return positions_; }
    std::vector<double>& positions() { return positions_; }
    // A list with a position that is not finite is refused, and so is such an angle.
    void setPositions(std::vector<double> positions) {
        for (const double p : positions)
            if (!std::isfinite(p)) return;
        positions_ = std::move(positions);
    }
    const std::vector<std::shared_ptr<Color>>& colors() const { return colors_; }
    std::vector<std::shared_ptr<Color>>& colors() { return colors_; }
    void setColors(std::vector<std::shared_ptr<Color>> colors) { colors_ = std::move(colors); }
    double angle() const { return angle_; }
    void setAngle(double angle) {
        if (std::isfinite(angle)) angle_ = angle;
    }

    // The first colour object; black (the plain brush's answer) when there is none.
    std::shared_ptr<Color> toColor() const override;
    // Feeds the positions, then each colour's components; the angle is left out.
    void hash(Hasher& hasher) const override;
    bool equalsTo(const Brush& other) const override;

private:
    std::vector<double> positions_;
    std::vector<std::shared_ptr<Color>> colors_;
    double angle_ = 0.0;
};

}  // namespace nodeloom
