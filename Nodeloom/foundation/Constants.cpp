#include "Nodeloom/foundation/Constants.h"

#include <optional>

#include "Nodeloom/foundation/MeasureUnit.h"

namespace nodeloom {

namespace {

struct Values {
    Matrix identityMatrix;
    double minValue = -3.402823e+38;
    double maxValue = 3.402823e+38;
};

Values& values() {
    static Values v;
    return v;
}

double millimeters(double length, const std::shared_ptr<MeasureUnit>& unit) {
    return MeasureUnit::Millimeter()->convert(length, unit);
}

// Looks the unit up among the built-in units by identity, in the order millimetre, inch, point,
// pixel (the one installed now), document; nothing for any other unit.
std::optional<double> builtInValue(const std::shared_ptr<MeasureUnit>& unit, double millimeter,
                                   double inch, double point, double pixel, double document) {
    if (unit == MeasureUnit::Millimeter()) return millimeter;
    if (unit == MeasureUnit::Inch()) return inch;
    if (unit == MeasureUnit::Point()) return point;
    if (unit == MeasureUnit::Pixel()) return pixel;
    if (unit == MeasureUnit::Document()) return document;
    return std::nullopt;
}

}  // namespace

Matrix Constants::identityMatrix() {
    return values().identityMatrix;
}
void Constants::setIdentityMatrix(const Matrix& matrix) {
    values().identityMatrix = matrix;
}
double Constants::minValue() {
    return values().minValue;
}
void Constants::setMinValue(double value) {
    values().minValue = value;
}
double Constants::maxValue() {
    return values().maxValue;
}
void Constants::setMaxValue(double value) {
    values().maxValue = value;
}

double Constants::getMillimeter(const std::shared_ptr<MeasureUnit>& unit) {
    return millimeters(1.0, unit);
}

double Constants::getMarkSize(const std::shared_ptr<MeasureUnit>& unit) {
    return millimeters(2.0, unit);
}

double Constants::getMinItemSize(const std::shared_ptr<MeasureUnit>& unit) {
    return millimeters(2.0, unit);
}

double Constants::getHalfInch(const std::shared_ptr<MeasureUnit>& unit) {
    return builtInValue(unit, 12.0, 0.5, 36.0, 40.0, 150.0).value_or(4.0);
}

double Constants::getMinArrowheadSize(const std::shared_ptr<MeasureUnit>& unit) {
    if (const auto value = builtInValue(unit, 1.0, 0.04, 2.88, 4.0, 12.0)) return *value;
    return millimeters(1.0, unit);
}

double Constants::getReflWth2(const std::shared_ptr<MeasureUnit>& unit) {
    return getHalfInch(unit) + getMinArrowheadSize(unit);
}

double Constants::getReflHth(const std::shared_ptr<MeasureUnit>& unit) {
    return getHalfInch(unit) + 3.0 * getMinArrowheadSize(unit);
}

}  // namespace nodeloom
