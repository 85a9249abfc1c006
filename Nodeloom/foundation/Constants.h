#pragma once

#include <memory>

#include "Nodeloom/foundation/Matrix.h"

namespace nodeloom {

class MeasureUnit;

// Process-wide values and the sizes that items use for marks, minimum sizes, arrowheads and
// self-loops, each in the unit asked for.
class Constants {
public:
    Constants() = delete;

    static Matrix identityMatrix();
    static void setIdentityMatrix(const Matrix& matrix);
    // -3.402823e+38 and 3.402823e+38 exactly, not the single-precision limits.
    static double minValue();
    static void setMinValue(double value);
    static double maxValue();
    static void setMaxValue(double value);

    // 1 millimetre.
    static double getMillimeter(const std::shared_ptr<MeasureUnit>& unit);
    // 2 millimetres.
    static double getMarkSize(const std::shared_ptr<MeasureUnit>& unit);
    // 2 millimetres.
    static double getMinItemSize(const std::shared_ptr<MeasureUnit>& unit);
    // Rounded values for the built-in millimetre, inch, point, pixel and document units (by
    // identity); 4.0 for any other unit.
    static double getHalfInch(const std::shared_ptr<MeasureUnit>& unit);
    // Rounded values for the built-in millimetre, inch, point, pixel and document units (by
    // identity); 1 millimetre for any other unit.
    static double getMinArrowheadSize(const std::shared_ptr<MeasureUnit>& unit);
    // Half width of a self-loop: half an inch plus one arrowhead.
    static double getReflWth2(const std::shared_ptr<MeasureUnit>& unit);
    // Height of a self-loop: half an inch plus three arrowheads.
    static double getReflHth(const std::shared_ptr<MeasureUnit>& unit);
};

}  // namespace nodeloom
