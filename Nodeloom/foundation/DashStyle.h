#pragma once

#include "Nodeloom/foundation/RawValue.h"

namespace nodeloom {

class Canvas;

// Stroke patterns, measured in half millimetres whatever unit the canvas draws in.
enum class DashStyle { solid = 0, dash = 1, dot = 2, dashDot = 3, dashDotDot = 4, custom = 5 };

template <>
std::optional<DashStyle> fromRaw<DashStyle>(int raw);

// Sets the canvas's dash pattern for the style; solid and custom give a solid line.
void apply(DashStyle style, Canvas& canvas);

}  // namespace nodeloom
