#pragma once

#include <memory>

namespace nodeloom {

class ShapeLibrary;

// Process-wide state of the document layer.
class DiagramStatic {
public:
    DiagramStatic() = delete;

    // The shape library every document, node and view shares: the one ShapeLibrary keeps.
    static std::shared_ptr<ShapeLibrary> defaultShapes();
    static void setDefaultShapes(std::shared_ptr<ShapeLibrary> library);
};

}  // namespace nodeloom
