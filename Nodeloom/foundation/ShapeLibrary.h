#pragma once

#include <map>
#include <memory>
#include <string>

namespace nodeloom {

class Shape;
class XmlValueContext;
class XmlElement;

// Node shapes by id. Every library starts with the built-in "Rect"; the rest comes from a shape
// library file.
class ShapeLibrary {
public:
    using Shapes = std::map<std::string, std::shared_ptr<Shape>>;

    ShapeLibrary();
    virtual ~ShapeLibrary();

    ShapeLibrary(const ShapeLibrary&) = delete;
    ShapeLibrary& operator=(const ShapeLibrary&) = delete;

    // Exact, case-sensitive lookup; null when the id is unknown.
    virtual std::shared_ptr<Shape> shapeFromId(const std::string& id) const;
    // Registers every shape defined by the element's children, replacing shapes of the same id.
    // A child without an id is left out.
    virtual void loadFromXml(const std::shared_ptr<XmlElement>& element, XmlValueContext& context);

    // The library every document, node and view shares. The first access creates one holding
    // only the built-in "Rect"; after that it is whatever was last assigned, which may be none.
    static std::shared_ptr<ShapeLibrary> defaultShapes();
    static void setDefaultShapes(std::shared_ptr<ShapeLibrary> library);

    const Shapes& shapes() const { return shapes_; }
    Shapes& shapes() { return shapes_; }
    void setShapes(Shapes shapes) { shapes_ = std::move(shapes); }

private:
    static std::shared_ptr<ShapeLibrary>& sharedLibrary();

    Shapes shapes_;
};

}  // namespace nodeloom
