#pragma once

#include <optional>

#include "Nodeloom/foundation/RawValue.h"

namespace nodeloom {

// How a column is sized. The style is kept and stored; the table sizes every column by its width.
enum class ColumnStyle { fixedWidth = 0, autoWidth = 1 };

template <>
inline std::optional<ColumnStyle> fromRaw<ColumnStyle>(int raw) {
    if (raw < 0 || raw > 1) return std::nullopt;
    return static_cast<ColumnStyle>(raw);
}

// One column of a table, left to right.
struct Column {
    double width = 18.0;
    ColumnStyle columnStyle = ColumnStyle::fixedWidth;
};

}  // namespace nodeloom
