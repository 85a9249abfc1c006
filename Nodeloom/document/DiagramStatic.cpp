#include "Nodeloom/document/DiagramStatic.h"

#include "Nodeloom/foundation/ShapeLibrary.h"

namespace nodeloom {

std::shared_ptr<ShapeLibrary> DiagramStatic::defaultShapes() {
    return ShapeLibrary::defaultShapes();
}

void DiagramStatic::setDefaultShapes(std::shared_ptr<ShapeLibrary> library) {
    ShapeLibrary::setDefaultShapes(std::move(library));
}

}  // namespace nodeloom
