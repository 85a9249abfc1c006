#include "Nodeloom/document/DiagramStatic.h"

#include "Nodeloom/foundation/ShapeLibrary.h"

namespace nodeloom {

std::shared_ptr<ShapeLibrary>& DiagramStatic::storage() {
    static std::shared_ptr<ShapeLibrary> library = std::make_shared<ShapeLibrary>();
    return library;
}

std::shared_ptr<ShapeLibrary> DiagramStatic::defaultShapes() {
    return storage();
}

void DiagramStatic::setDefaultShapes(std::shared_ptr<ShapeLibrary> library) {
    storage() = std::move(library);
}

}  // namespace nodeloom
