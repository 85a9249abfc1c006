#include "Nodeloom/foundation/ShapeLibrary.h"

#include <utility>
#include <vector>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/LineSegment.h"
#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/foundation/XmlElement.h"

namespace nodeloom {

namespace {

std::shared_ptr<Shape> makeRect() {
    auto rect = std::make_shared<Shape>();
    rect->setId("Rect");
    const std::vector<Point> corners{Point(0, 0), Point(100, 0), Point(100, 100), Point(0, 100)};
    Shape::Segments outline;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        outline.push_back(
            std::make_shared<LineSegment>(corners[i], corners[(i + 1) % corners.size()]));
    }
    rect->setOutline(std::move(outline));
    rect->setBrushes({std::make_shared<SolidColorBrush>(Colors::Green())});
    return rect;
}

}  // namespace

ShapeLibrary::ShapeLibrary() {
    shapes_["Rect"] = makeRect();
}

ShapeLibrary::~ShapeLibrary() = default;

std::shared_ptr<ShapeLibrary>& ShapeLibrary::sharedLibrary() {
    static std::shared_ptr<ShapeLibrary> library = std::make_shared<ShapeLibrary>();
    return library;
}

std::shared_ptr<ShapeLibrary> ShapeLibrary::defaultShapes() {
    return sharedLibrary();
}

void ShapeLibrary::setDefaultShapes(std::shared_ptr<ShapeLibrary> library) {
    sharedLibrary() = std::move(library);
}

std::shared_ptr<Shape> ShapeLibrary::shapeFromId(const std::string& id) const {
    const auto it = shapes_.find(id);
    return it == shapes_.end() ? nullptr : it->second;
}

void ShapeLibrary::loadFromXml(const std::shared_ptr<XmlElement>& element,
                               XmlValueContext& context) {
    if (!element) return;
    for (const auto& child : element->children()) {
        if (!child) continue;
        auto shape = std::make_shared<Shape>();
        if (!shape->loadFromXml(child, context)) continue;
        const std::string id = shape->id();
        shapes_[id] = std::move(shape);
    }
}

}  // namespace nodeloom
