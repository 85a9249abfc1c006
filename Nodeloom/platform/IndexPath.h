#pragma once

#include <compare>

namespace nodeloom::platform {

// A row of a table: its section and its row within the section.
struct IndexPath {
    int section = 0;
    int row = 0;

    IndexPath() = default;
    IndexPath(int sectionIndex, int rowIndex) : section(sectionIndex), row(rowIndex) {}

    friend auto operator<=>(const IndexPath&, const IndexPath&) = default;
};

}  // namespace nodeloom::platform
