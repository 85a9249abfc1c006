#pragma once

#include <memory>

namespace nodeloom {

class ShapeLibrary;

// Process-wide state of the document layer.
class DiagramStatic {
public:
    DiagramStatic() = delete;

    // The shape library every document, node and view shares. The first access creates one
    // holding only the built-in "Rect"; after that it is whatever was last assigned, which may
    // be none.
    static std::shared_ptr<ShapeLibrary> defaultShapes();
    static void setDefaultShapes(std::shared_ptr<ShapeLibrary> library);

private:
    static std::shared_ptr<ShapeLibrary>& storage();
};

}  // namespace nodeloom
