#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

namespace platform {
class ImageSurface;
}

class Brush;
class Color;
class Object;
class Shape;
class Style;
class XmlDomBuilder;
class XmlElement;

// The value half of one XML save or one load: the encodings of the format (how a number, flag,
// rectangle, colour or brush becomes element text) and the resource tables that let brushes,
// styles and images be written once and referred to by number. Shapes, styles and themes read
// and write through it; the document's XmlContext adds the items.
//
// Every writer takes the value, an element name and a parent element, adds one child of that
// name and returns it; it writes nothing and returns null when the parent is null or an
// optional value is absent. Readers answer a missing or malformed element with their default
// or null and never change the caller's data.
class XmlValueContext {
public:
    struct BrushKeyHash {
        std::size_t operator()(const std::shared_ptr<Brush>& brush) const;
    };
    // Brushes are entered in the written table by content, so that equal brushes held by
    // different items are written once.
    struct BrushKeyEqual {
        bool operator()(const std::shared_ptr<Brush>& a, const std::shared_ptr<Brush>& b) const;
    };
    using WrittenBrushes =
        std::unordered_map<std::shared_ptr<Brush>, int, BrushKeyHash, BrushKeyEqual>;

    // For loading.
    XmlValueContext();
    // For saving into the builder's tree.
    XmlValueContext(std::shared_ptr<XmlDomBuilder> document, int fileVersion);
    virtual ~XmlValueContext();

    XmlValueContext(const XmlValueContext&) = delete;
    XmlValueContext& operator=(const XmlValueContext&) = delete;

    int fileVersion() const { return fileVersion_; }
    void setFileVersion(int version) { fileVersion_ = version; }
    const std::shared_ptr<XmlDomBuilder>& document() const { return document_; }
    // Write brush content (and style content) inside the referring element instead of a
    // reference into the resource tables.
    bool inplaceResources() const { return inplaceResources_; }
    void setInplaceResources(bool value) { inplaceResources_ = value; }

    // The resource tables.
    const std::map<int, std::shared_ptr<Brush>>& readBrushes() const { return readBrushes_; }
    const std::map<int, std::shared_ptr<Style>>& readStyles() const { return readStyles_; }
    const std::map<int, std::shared_ptr<platform::ImageSurface>>& readImages() const {
        return readImages_;
    }
    const WrittenBrushes& wroteBrushes() const { return wroteBrushes_; }
    const std::unordered_map<std::shared_ptr<platform::ImageSurface>, int>& wroteImages() const {
        return wroteImages_;
    }

    // --- Element creation -----------------------------------------------------------------

    std::shared_ptr<XmlElement> addChildElement(const std::string& name,
                                                const std::shared_ptr<XmlElement>& parent);
    std::shared_ptr<XmlElement> addChildElement(const std::string& name,
                                                const std::shared_ptr<XmlElement>& parent,
                                                const std::string& innerText);

    // --- Value writers --------------------------------------------------------------------

    // The shortest text that reads back as the same number, with a fraction or an exponent
    // (4 as 4.0, 0.00001 as 1e-05); inf, -inf and nan for the special values.
    std::shared_ptr<XmlElement> writeDouble(double value, const std::string& name,
                                            const std::shared_ptr<XmlElement>& parent);
    std::shared_ptr<XmlElement> writeDoubleOpt(std::optional<double> value, const std::string& name,
                                               const std::shared_ptr<XmlElement>& parent);
    std::shared_ptr<XmlElement> writeString(const std::string& value, const std::string& name,
                                            const std::shared_ptr<XmlElement>& parent);
    std::shared_ptr<XmlElement> writeBool(bool value, const std::string& name,
                                          const std::shared_ptr<XmlElement>& parent);
    // A code point that is no character (a surrogate, beyond U+10FFFF) gives an empty element.
    std::shared_ptr<XmlElement> writeChar(char32_t value, const std::string& name,
                                          const std::shared_ptr<XmlElement>& parent);
    std::shared_ptr<XmlElement> writeByte(std::uint8_t value, const std::string& name,
                                          const std::shared_ptr<XmlElement>& parent);
    std::shared_ptr<XmlElement> writeInt(std::int64_t value, const std::string& name,
                                         const std::shared_ptr<XmlElement>& parent);
    std::shared_ptr<XmlElement> writeUInt(std::uint64_t value, const std::string& name,
                                          const std::shared_ptr<XmlElement>& parent);
    template <typename E>
    requires std::is_enum_v<E> std::shared_ptr<XmlElement> writeEnum(
        E value, const std::string& name, const std::shared_ptr<XmlElement>& parent) {
        return writeInt(static_cast<std::int64_t>(value), name, parent);
    }
    // "x, y, width, height" in the number form of writeDouble.
    std::shared_ptr<XmlElement> writeRectangle(const Rect& value, const std::string& name,
                                               const std::shared_ptr<XmlElement>& parent);
    // "x, y" as element text.
    std::shared_ptr<XmlElement> writePoint(const Point& value, const std::string& name,
                                           const std::shared_ptr<XmlElement>& parent);
    // An empty element with the attributes "x" and "y".
    std::shared_ptr<XmlElement> writePoint(double x, double y, const std::string& name,
                                           const std::shared_ptr<XmlElement>& parent);
    std::shared_ptr<XmlElement> writeColor(const std::shared_ptr<Color>& value,
                                           const std::string& name,
                                           const std::shared_ptr<XmlElement>& parent);
    // Nothing for an empty list; else one "Point" child per point.
    std::shared_ptr<XmlElement> writePointCollection(const std::vector<Point>& points,
                                                     const std::string& name,
                                                     const std::shared_ptr<XmlElement>& parent);
    std::shared_ptr<XmlElement> writeDoubleArray(const std::vector<double>& values,
                                                 const std::string& name,
                                                 const std::string& subElementName,
                                                 const std::shared_ptr<XmlElement>& parent);
    std::shared_ptr<XmlElement> writeColorArray(const std::vector<std::shared_ptr<Color>>& colors,
                                                const std::string& name,
                                                const std::string& subElementName,
                                                const std::shared_ptr<XmlElement>& parent);
    // An empty element whose "Id" is the shape's id, "Rectangle" for a shape without one.
    std::shared_ptr<XmlElement> writeShape(const std::shared_ptr<Shape>& shape,
                                           const std::string& name,
                                           const std::shared_ptr<XmlElement>& parent);
    // Host data attached to an item or anchor point has no file form: nothing is written.
    template <typename Tag>
    std::shared_ptr<XmlElement> writeTag(const Object* /*owner*/, const Tag& /*tag*/,
                                         const std::string& /*name*/,
                                         const std::shared_ptr<XmlElement>& /*parent*/) {
        return nullptr;
    }

    // --- Resources (writing) --------------------------------------------------------------

    // A reference "Id" into the brush table (numbers run 0, 1, 2, ... in order of first use;
    // equal brushes share one), or the brush content itself when resources are written in place.
    std::shared_ptr<XmlElement> writeBrush(const std::shared_ptr<Brush>& brush,
                                           const std::string& name,
                                           const std::shared_ptr<XmlElement>& parent);
    // "Index" (when index >= 0), "Type" and the brush's values.
    void writeBrushContent(const std::shared_ptr<XmlElement>& element,
                           const std::shared_ptr<Brush>& brush, int index);
    // The "Brushes" table under the resources element, in index order; nothing when resources
    // are written in place.
    void writeBrushes(const std::shared_ptr<XmlElement>& resources);
    // Images are always referenced by number, whatever inplaceResources says.
    std::shared_ptr<XmlElement> writeImage(const std::shared_ptr<platform::ImageSurface>& image,
                                           const std::string& name,
                                           const std::shared_ptr<XmlElement>& parent);
    // The "Images" table, each image as Base64 of its PNG form. An image that cannot be encoded
    // is left out (references to it then read as null) rather than written as bad data.
    void writeImages(const std::shared_ptr<XmlElement>& resources);

    // --- Readers --------------------------------------------------------------------------

    // Reads the root's "Version" attribute into fileVersion; false (and fileVersion kept) when
    // it is missing or not a decimal integer.
    bool readVersion(const std::shared_ptr<XmlElement>& root);

    // The brush the named child refers to by "Id"; a child without "Id" that carries brush
    // content (written in place) is read as that content.
    std::shared_ptr<Brush> readBrush(const std::string& name,
                                     const std::shared_ptr<XmlElement>& parent);
    // A brush definition by its "Type" attribute ("Solid", "Gradient", "Pattern"); null for
    // anything else.
    std::shared_ptr<Brush> readBrushContent(const std::shared_ptr<XmlElement>& element);
    // The style the named child refers to by "Id"; a child without "Id" that carries style
    // content (written in place) is read as that content.
    std::shared_ptr<Style> readStyle(const std::string& name,
                                     const std::shared_ptr<XmlElement>& parent);
    // A new style read from the element; never null.
    std::shared_ptr<Style> readStyleContent(const std::shared_ptr<XmlElement>& element);
    std::shared_ptr<platform::ImageSurface> readImage(const std::string& name,
                                                      const std::shared_ptr<XmlElement>& parent);

    // Resource tables from the "Resources" element. An entry without a decimal "Index" is
    // skipped; an entry that reads as nothing unbinds its number.
    void readBrushes(const std::shared_ptr<XmlElement>& resources);
    void readStyles(const std::shared_ptr<XmlElement>& resources);
    void readImages(const std::shared_ptr<XmlElement>& resources);

    std::vector<double> readDoubleArray(const std::string& name, const std::string& subElementName,
                                        const std::shared_ptr<XmlElement>& parent);
    std::vector<std::shared_ptr<Color>> readColorArray(const std::string& name,
                                                       const std::string& subElementName,
                                                       const std::shared_ptr<XmlElement>& parent);
    std::vector<Point> readPointCollection(const std::string& name,
                                           const std::shared_ptr<XmlElement>& parent);
    // The shared library's shape named by the child's "Id". The default when the child (or its
    // "Id") is missing; null when the library is gone or knows no such shape.
    std::shared_ptr<Shape> readShape(const std::string& name,
                                     const std::shared_ptr<XmlElement>& parent,
                                     const std::shared_ptr<Shape>& defaultValue);
    // (0, 0) when the child is missing.
    Point readPoint(const std::string& name, const std::shared_ptr<XmlElement>& parent);

    // A whole decimal integer attribute that fits an int: an optional sign and digits, nothing
    // else; nothing when the element or the attribute is missing or malformed.
    static std::optional<int> intAttribute(const std::shared_ptr<XmlElement>& element,
                                           const std::string& name);

private:
    int fileVersion_ = 0;
    std::map<int, std::shared_ptr<Brush>> readBrushes_;
    std::map<int, std::shared_ptr<Style>> readStyles_;
    std::map<int, std::shared_ptr<platform::ImageSurface>> readImages_;
    WrittenBrushes wroteBrushes_;
    std::vector<std::shared_ptr<Brush>> wroteBrushOrder_;
    std::unordered_map<std::shared_ptr<platform::ImageSurface>, int> wroteImages_;
    std::vector<std::shared_ptr<platform::ImageSurface>> wroteImageOrder_;
    std::shared_ptr<XmlDomBuilder> document_;
    bool inplaceResources_ = false;
};

}  // namespace nodeloom
