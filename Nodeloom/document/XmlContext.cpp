#include "Nodeloom/document/XmlContext.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "Nodeloom/composite/ContainerNode.h"  // Hook: factory creates every item kind
#include "Nodeloom/document/ClassDescriptor.h"
#include "Nodeloom/document/DiagramStatic.h"
#include "Nodeloom/foundation/Metatype.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/NumberText.h"
#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/foundation/ShapeLibrary.h"
#include "Nodeloom/foundation/Style.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"  // Hook: factory creates every item kind
#include "Nodeloom/platform/Base64.h"
#include "Nodeloom/platform/ImageSurface.h"

namespace nodeloom {

namespace {

// A whole decimal integer that fits an int: an optional sign and digits, nothing else.
std::optional<int> parseIndex(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || text.front() == '-') return std::nullopt;
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<int> intAttribute(const std::shared_ptr<XmlElement>& element,
                                const std::string& name) {
    if (!element) return std::nullopt;
    const auto& attributes = element->attributes();
    const auto it = attributes.find(name);
    if (it == attributes.end()) return std::nullopt;
    return parseIndex(it->second);
}

bool hasAttribute(const std::shared_ptr<XmlElement>& element, const std::string& name) {
    return element && element->attributes().count(name) != 0;
}

// A colour read from text, never the shared named black that the parser answers for text it
// cannot read: a brush read from a file must not change every black in the process when its
// colour is edited.
std::shared_ptr<Color> ownColor(std::string_view text) {
    auto color = Color::fromString(text);
    if (color == Colors::Black()) return std::make_shared<Color>(*color);
    return color;
}

// The colour of a named child; black when the child is missing.
std::shared_ptr<Color> colorChild(const std::shared_ptr<XmlElement>& element,
                                  const std::string& name) {
    const auto child = element->getChild(name);
    if (!child) return std::make_shared<Color>(0.0, 0.0, 0.0);
    return ownColor(child->getInnerText());
}

double doubleChild(const std::shared_ptr<XmlElement>& element, const std::string& name,
                   double defaultValue) {
    const auto child = element->getChild(name);
    return child ? doubleValue(child->getInnerText()) : defaultValue;
}

// The number form of every value the format writes; a NaN of either sign is "nan".
std::string numberText(double value) {
    return std::isnan(value) ? "nan" : doubleText(value);
}

std::string utf8(char32_t c) {
    std::string out;
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

}  // namespace

std::size_t XmlContext::BrushKeyHash::operator()(const std::shared_ptr<Brush>& brush) const {
    return brush ? brush->hashValue() : 0;
}

bool XmlContext::BrushKeyEqual::operator()(const std::shared_ptr<Brush>& a,
                                           const std::shared_ptr<Brush>& b) const {
    if (a == b) return true;
    return a && b && a->equalsTo(*b);
}

XmlContext::XmlContext() = default;

XmlContext::XmlContext(std::shared_ptr<XmlDomBuilder> document, int fileVersion)
    : fileVersion_(fileVersion), document_(std::move(document)) {}

XmlContext::~XmlContext() = default;

// --- Element creation ---------------------------------------------------------------------

std::shared_ptr<XmlElement> XmlContext::addChildElement(const std::string& name,
                                                        const std::shared_ptr<XmlElement>& parent) {
    // Made directly rather than through the builder: the builder would keep every element of
    // the document on its stack for nothing, and a context without a builder still writes.
    if (!parent) return nullptr;
    return parent->addChild(name);
}

std::shared_ptr<XmlElement> XmlContext::addChildElement(const std::string& name,
                                                        const std::shared_ptr<XmlElement>& parent,
                                                        const std::string& innerText) {
    if (!parent) return nullptr;
    return parent->addChild(name, innerText);
}

// --- Value writers ------------------------------------------------------------------------

std::shared_ptr<XmlElement> XmlContext::writeDouble(double value, const std::string& name,
                                                    const std::shared_ptr<XmlElement>& parent) {
    return addChildElement(name, parent, numberText(value));
}

std::shared_ptr<XmlElement> XmlContext::writeDoubleOpt(std::optional<double> value,
                                                       const std::string& name,
                                                       const std::shared_ptr<XmlElement>& parent) {
    if (!value) return nullptr;
    return writeDouble(*value, name, parent);
}

std::shared_ptr<XmlElement> XmlContext::writeString(const std::string& value,
                                                    const std::string& name,
                                                    const std::shared_ptr<XmlElement>& parent) {
    return addChildElement(name, parent, value);
}

std::shared_ptr<XmlElement> XmlContext::writeBool(bool value, const std::string& name,
                                                  const std::shared_ptr<XmlElement>& parent) {
    return addChildElement(name, parent, value ? "true" : "false");
}

std::shared_ptr<XmlElement> XmlContext::writeChar(char32_t value, const std::string& name,
                                                  const std::shared_ptr<XmlElement>& parent) {
    return addChildElement(name, parent, utf8(value));
}

std::shared_ptr<XmlElement> XmlContext::writeByte(std::uint8_t value, const std::string& name,
                                                  const std::shared_ptr<XmlElement>& parent) {
    return addChildElement(name, parent, std::to_string(value));
}

std::shared_ptr<XmlElement> XmlContext::writeInt(std::int64_t value, const std::string& name,
                                                 const std::shared_ptr<XmlElement>& parent) {
    return addChildElement(name, parent, std::to_string(value));
}

std::shared_ptr<XmlElement> XmlContext::writeUInt(std::uint64_t value, const std::string& name,
                                                  const std::shared_ptr<XmlElement>& parent) {
    return addChildElement(name, parent, std::to_string(value));
}

std::shared_ptr<XmlElement> XmlContext::writeRectangle(const Rect& value, const std::string& name,
                                                       const std::shared_ptr<XmlElement>& parent) {
    return addChildElement(name, parent,
                           numberText(value.x) + ", " + numberText(value.y) + ", " +
                               numberText(value.width) + ", " + numberText(value.height));
}

std::shared_ptr<XmlElement> XmlContext::writePoint(const Point& value, const std::string& name,
                                                   const std::shared_ptr<XmlElement>& parent) {
    return addChildElement(name, parent, numberText(value.x) + ", " + numberText(value.y));
}

std::shared_ptr<XmlElement> XmlContext::writePoint(double x, double y, const std::string& name,
                                                   const std::shared_ptr<XmlElement>& parent) {
    auto element = addChildElement(name, parent);
    if (!element) return nullptr;
    element->attributes()["x"] = numberText(x);
    element->attributes()["y"] = numberText(y);
    return element;
}

std::shared_ptr<XmlElement> XmlContext::writeColor(const std::shared_ptr<Color>& value,
                                                   const std::string& name,
                                                   const std::shared_ptr<XmlElement>& parent) {
    if (!value) return nullptr;
    return addChildElement(name, parent, value->toString());
}

std::shared_ptr<XmlElement> XmlContext::writePointCollection(
    const std::vector<Point>& points, const std::string& name,
    const std::shared_ptr<XmlElement>& parent) {
    if (points.empty()) return nullptr;
    auto element = addChildElement(name, parent);
    if (!element) return nullptr;
    for (const auto& point : points)
        writePoint(point, "Point", element);
    return element;
}

std::shared_ptr<XmlElement> XmlContext::writeDoubleArray(
    const std::vector<double>& values, const std::string& name, const std::string& subElementName,
    const std::shared_ptr<XmlElement>& parent) {
    if (values.empty()) return nullptr;
    auto element = addChildElement(name, parent);
    if (!element) return nullptr;
    for (const double value : values)
        writeDouble(value, subElementName, element);
    return element;
}

std::shared_ptr<XmlElement> XmlContext::writeColorArray(
    const std::vector<std::shared_ptr<Color>>& colors, const std::string& name,
    const std::string& subElementName, const std::shared_ptr<XmlElement>& parent) {
    if (colors.empty()) return nullptr;
    auto element = addChildElement(name, parent);
    if (!element) return nullptr;
    for (const auto& color : colors) {
        // A missing colour slot still takes its place, so that colours stay with their stops.
        if (color)
            writeColor(color, subElementName, element);
        else
            addChildElement(subElementName, element);
    }
    return element;
}

std::shared_ptr<XmlElement> XmlContext::writeShape(const std::shared_ptr<Shape>& shape,
                                                   const std::string& name,
                                                   const std::shared_ptr<XmlElement>& parent) {
    if (!shape) return nullptr;
    auto element = addChildElement(name, parent);
    if (element) element->attributes()["Id"] = shape->id().empty() ? "Rectangle" : shape->id();
    return element;
}

// --- Resources (writing) ------------------------------------------------------------------

std::shared_ptr<XmlElement> XmlContext::writeBrush(const std::shared_ptr<Brush>& brush,
                                                   const std::string& name,
                                                   const std::shared_ptr<XmlElement>& parent) {
    if (!brush || !parent) return nullptr;
    int index = 0;
    const auto found = wroteBrushes_.find(brush);
    if (found != wroteBrushes_.end()) {
        index = found->second;
    } else {
        index = static_cast<int>(wroteBrushOrder_.size());
        wroteBrushes_.emplace(brush, index);
        wroteBrushOrder_.push_back(brush);
    }
    auto element = addChildElement(name, parent);
    if (inplaceResources_)
        writeBrushContent(element, brush, index);
    else
        element->attributes()["Id"] = std::to_string(index);
    return element;
}

void XmlContext::writeBrushContent(const std::shared_ptr<XmlElement>& element,
                                   const std::shared_ptr<Brush>& brush, int index) {
    if (!element || !brush) return;
    if (index >= 0) element->attributes()["Index"] = std::to_string(index);
    if (const auto* solid = dynamic_cast<const SolidColorBrush*>(brush.get())) {
        element->attributes()["Type"] = "Solid";
        writeColor(solid->color(), "Color", element);
    } else if (const auto* gradient = dynamic_cast<const LinearGradientBrush*>(brush.get())) {
        element->attributes()["Type"] = "Gradient";
        writeDouble(gradient->angle(), "Angle", element);
        auto blend = addChildElement("ColorBlend", element);
        writeDoubleArray(gradient->positions(), "Positions", "Pos", blend);
        writeColorArray(gradient->colors(), "Colors", "Color", blend);
    }
}

void XmlContext::writeBrushes(const std::shared_ptr<XmlElement>& resources) {
    if (inplaceResources_ || !resources) return;
    auto brushes = addChildElement("Brushes", resources);
    for (std::size_t i = 0; i < wroteBrushOrder_.size(); ++i)
        writeBrushContent(addChildElement("Brush", brushes), wroteBrushOrder_[i],
                          static_cast<int>(i));
}

std::shared_ptr<XmlElement> XmlContext::writeStyle(const std::shared_ptr<Style>& style,
                                                   const std::string& name,
                                                   const std::shared_ptr<XmlElement>& parent) {
    if (!style || !parent) return nullptr;
    auto element = addChildElement(name, parent);
    if (inplaceResources_) {
        writeStyleClassAttributes(style, element);
        return element;
    }
    const auto found = wroteStyles_.find(style);
    const int index =
        found != wroteStyles_.end() ? found->second : static_cast<int>(wroteStyles_.size());
    if (found == wroteStyles_.end()) wroteStyles_.emplace(style, index);
    element->attributes()["Id"] = std::to_string(index);
    return element;
}

void XmlContext::writeStyleClassAttributes(const std::shared_ptr<Style>& style,
                                           const std::shared_ptr<XmlElement>& element) {
    if (!style || !element) return;
    const Metatype<Object> styleType([] { return std::make_shared<Style>(); }, "Style");
    if (const auto descriptor = ClassDescriptor::find(styleType)) {
        element->attributes()["Class"] = descriptor->_classId();
        element->attributes()["Version"] = std::to_string(descriptor->_classVersion());
    }
    // The content is written whether or not the class is registered: an in-place style has no
    // other place where its values could be found again.
    style->saveToXml(element);
}

std::shared_ptr<XmlElement> XmlContext::writeImage(
    const std::shared_ptr<platform::ImageSurface>& image, const std::string& name,
    const std::shared_ptr<XmlElement>& parent) {
    if (!image || !parent) return nullptr;
    const auto found = wroteImages_.find(image);
    int index = 0;
    if (found != wroteImages_.end()) {
        index = found->second;
    } else {
        index = static_cast<int>(wroteImageOrder_.size());
        wroteImages_.emplace(image, index);
        wroteImageOrder_.push_back(image);
    }
    auto element = addChildElement(name, parent);
    element->attributes()["Id"] = std::to_string(index);
    return element;
}

void XmlContext::writeImages(const std::shared_ptr<XmlElement>& resources) {
    if (!resources) return;
    auto images = addChildElement("Images", resources);
    int count = 0;
    for (std::size_t i = 0; i < wroteImageOrder_.size(); ++i) {
        const auto png = wroteImageOrder_[i]->pngData();
        if (png.empty()) continue;
        auto entry = addChildElement("Image", images, platform::Base64::encode(png));
        entry->attributes()["Index"] = std::to_string(i);
        ++count;
    }
    images->attributes()["Count"] = std::to_string(count);
}

// --- Readers ------------------------------------------------------------------------------

bool XmlContext::readVersion(const std::shared_ptr<XmlElement>& root) {
    const auto version = intAttribute(root, "Version");
    if (!version) return false;
    fileVersion_ = *version;
    return true;
}

std::shared_ptr<Brush> XmlContext::readBrush(const std::string& name,
                                             const std::shared_ptr<XmlElement>& parent) {
    if (!parent) return nullptr;
    const auto child = parent->getChild(name);
    if (!child) return nullptr;
    if (!hasAttribute(child, "Id")) {
        // Written in place: the element carries the brush itself.
        return hasAttribute(child, "Type") ? readBrushContent(child) : nullptr;
    }
    const auto index = intAttribute(child, "Id");
    if (!index) return nullptr;
    const auto it = readBrushes_.find(*index);
    return it == readBrushes_.end() ? nullptr : it->second;
}

std::shared_ptr<Brush> XmlContext::readBrushContent(const std::shared_ptr<XmlElement>& element) {
    if (!element) return nullptr;
    const auto& attributes = element->attributes();
    const auto type = attributes.find("Type");
    if (type == attributes.end()) return nullptr;
    if (type->second == "Solid")
        return std::make_shared<SolidColorBrush>(colorChild(element, "Color"));
    if (type->second == "Pattern")
        return std::make_shared<SolidColorBrush>(colorChild(element, "ForeColor"));
    if (type->second != "Gradient") return nullptr;

    const bool hasAngle = element->getChild("Angle") != nullptr;
    if (hasAngle && element->getChild("Color1") && element->getChild("Color2")) {
        return std::make_shared<LinearGradientBrush>(colorChild(element, "Color1"),
                                                     colorChild(element, "Color2"),
                                                     doubleChild(element, "Angle", 0.0));
    }
    const auto blend = element->getChild("ColorBlend");
    if (!hasAngle || !blend) return nullptr;
    auto brush = std::make_shared<LinearGradientBrush>();
    brush->setAngle(doubleChild(element, "Angle", 0.0));
    brush->setPositions(readDoubleArray("Positions", "Pos", blend));
    brush->setColors(readColorArray("Colors", "Color", blend));
    return brush;
}

std::shared_ptr<Style> XmlContext::readStyle(const std::string& name,
                                             const std::shared_ptr<XmlElement>& parent) {
    if (!parent) return nullptr;
    const auto child = parent->getChild(name);
    if (!child) return nullptr;
    if (!hasAttribute(child, "Id")) {
        // Written in place: the element holds the style's property elements.
        for (const auto& property : child->children())
            if (property && !property->name().empty()) return readStyleContent(child);
        return nullptr;
    }
    const auto index = intAttribute(child, "Id");
    if (!index) return nullptr;
    const auto it = readStyles_.find(*index);
    return it == readStyles_.end() ? nullptr : it->second;
}

std::shared_ptr<Style> XmlContext::readStyleContent(const std::shared_ptr<XmlElement>& element) {
    auto style = std::make_shared<Style>();
    style->loadFromXml(element, *this);
    return style;
}

void XmlContext::readBrushes(const std::shared_ptr<XmlElement>& resources) {
    if (!resources) return;
    const auto brushes = resources->getChild("Brushes");
    if (!brushes) return;
    for (const auto& entry : brushes->children()) {
        const auto index = intAttribute(entry, "Index");
        if (!index) continue;
        if (auto brush = readBrushContent(entry))
            readBrushes_[*index] = std::move(brush);
        else
            readBrushes_.erase(*index);
    }
}

void XmlContext::readStyles(const std::shared_ptr<XmlElement>& resources) {
    if (!resources) return;
    const auto styles = resources->getChild("Styles");
    if (!styles) return;
    for (const auto& entry : styles->children()) {
        const auto index = intAttribute(entry, "Index");
        if (!index) continue;
        readStyles_[*index] = readStyleContent(entry);
    }
}

void XmlContext::readImages(const std::shared_ptr<XmlElement>& resources) {
    if (!resources) return;
    const auto images = resources->getChild("Images");
    if (!images) return;
    for (const auto& entry : images->children()) {
        const auto index = intAttribute(entry, "Index");
        if (!index) continue;
        std::shared_ptr<platform::ImageSurface> image;
        if (const auto bytes = platform::Base64::decode(entry->getInnerText()))
            image = platform::ImageSurface::fromData(*bytes);
        if (image)
            readImages_[*index] = std::move(image);
        else
            readImages_.erase(*index);
    }
}

std::shared_ptr<platform::ImageSurface> XmlContext::readImage(
    const std::string& name, const std::shared_ptr<XmlElement>& parent) {
    if (!parent) return nullptr;
    const auto index = intAttribute(parent->getChild(name), "Id");
    if (!index) return nullptr;
    const auto it = readImages_.find(*index);
    return it == readImages_.end() ? nullptr : it->second;
}

std::vector<double> XmlContext::readDoubleArray(const std::string& name,
                                                const std::string& subElementName,
                                                const std::shared_ptr<XmlElement>& parent) {
    std::vector<double> values;
    const auto element = parent ? parent->getChild(name) : nullptr;
    if (!element) return values;
    for (const auto& child : element->getAllChildren(subElementName))
        values.push_back(doubleValue(child->getInnerText()));
    return values;
}

std::vector<std::shared_ptr<Color>> XmlContext::readColorArray(
    const std::string& name, const std::string& subElementName,
    const std::shared_ptr<XmlElement>& parent) {
    std::vector<std::shared_ptr<Color>> colors;
    const auto element = parent ? parent->getChild(name) : nullptr;
    if (!element) return colors;
    for (const auto& child : element->getAllChildren(subElementName))
        colors.push_back(ownColor(child->getInnerText()));
    return colors;
}

std::vector<Point> XmlContext::readPointCollection(const std::string& name,
                                                   const std::shared_ptr<XmlElement>& parent) {
    std::vector<Point> points;
    const auto element = parent ? parent->getChild(name) : nullptr;
    if (!element) return points;
    for (const auto& child : element->getAllChildren("Point"))
        points.push_back(Point::fromString(child->getInnerText()));
    return points;
}

std::shared_ptr<Shape> XmlContext::readShape(const std::string& name,
                                             const std::shared_ptr<XmlElement>& parent,
                                             const std::shared_ptr<Shape>& defaultValue) {
    const auto child = parent ? parent->getChild(name) : nullptr;
    if (!child) return defaultValue;
    const auto& attributes = child->attributes();
    const auto id = attributes.find("Id");
    if (id == attributes.end()) return defaultValue;
    const auto library = DiagramStatic::defaultShapes();
    return library ? library->shapeFromId(id->second) : nullptr;
}

Point XmlContext::readPoint(const std::string& name, const std::shared_ptr<XmlElement>& parent) {
    const auto child = parent ? parent->getChild(name) : nullptr;
    if (!child) return Point{0.0, 0.0};
    return Point::fromString(child->getInnerText());
}

// --- Items ---------------------------------------------------------------------------------------

std::shared_ptr<DiagramItem> XmlContext::readItemReference(
    const std::string& name, const std::shared_ptr<XmlElement>& parent) {
    if (!parent) return nullptr;
    return readItemReference(parent->getChild(name));
}

std::shared_ptr<DiagramItem> XmlContext::readItemReference(
    const std::shared_ptr<XmlElement>& element) {
    const auto id = intAttribute(element, "Id");
    if (!id) return nullptr;
    if (const auto it = readItems_.find(*id); it != readItems_.end()) return it->second;
    // A reference to an item further on in the file can name its class, so that the item is
    // made now and read into when its own element comes.
    const auto classId = element->attributes().find("ClassId");
    if (classId == element->attributes().end()) return nullptr;
    std::shared_ptr<DiagramItem> item = instantiateItem(classId->second);
    if (item) readItems_[*id] = item;
    return item;
}

std::shared_ptr<DiagramItem> XmlContext::instantiateItem(
    const std::optional<std::string>& classId) {
    if (!classId) return nullptr;
    std::shared_ptr<DiagramItem> item;
    if (*classId == "std:ShapeNode") {
        item = std::make_shared<ShapeNode>();
    } else if (*classId == "std:ContainerNode") {
        item = std::make_shared<ContainerNode>();
    } else if (*classId == "std:DiagramLink") {
        item = std::make_shared<DiagramLink>();
    } else {
        return nullptr;
    }
    item->setDiagram(diagram_);
    return item;
}

std::shared_ptr<DiagramItem> XmlContext::readItem(const std::shared_ptr<XmlElement>& element) {
    // Items are found by their number, so an element without one cannot become an item.
    const auto id = intAttribute(element, "Id");
    if (!id) return nullptr;
    std::shared_ptr<DiagramItem> item;
    if (const auto it = readItems_.find(*id); it != readItems_.end()) {
        item = it->second;
    } else {
        const auto classId = element->attributes().find("Class");
        if (classId == element->attributes().end()) return nullptr;
        item = instantiateItem(classId->second);
        if (!item) return nullptr;
        readItems_[*id] = item;
    }
    // The version only tells an item's reader which older form it may meet; the first one is
    // the safe guess.
    classVersion_ = intAttribute(element, "Version").value_or(1);
    item->loadFromXml(element, *this);
    item->setRuntimeIndex(*id);
    return item;
}

}  // namespace nodeloom
