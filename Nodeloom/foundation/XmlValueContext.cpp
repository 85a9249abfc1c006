#include "Nodeloom/foundation/XmlValueContext.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/NumberText.h"
#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/foundation/ShapeLibrary.h"
#include "Nodeloom/foundation/Style.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"
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

// The entry of a resource table that the element's "Id" names; null when it names none.
template <typename T>
std::shared_ptr<T> entryFor(const std::map<int, std::shared_ptr<T>>& table,
                            const std::shared_ptr<XmlElement>& element) {
    const auto index = XmlValueContext::intAttribute(element, "Id");
    if (!index) return nullptr;
    const auto it = table.find(*index);
    return it == table.end() ? nullptr : it->second;
}

// Fills a resource table from the named section: each entry under its decimal "Index". An entry
// without one is skipped; one that reads as nothing unbinds its number.
template <typename T, typename Read>
void readTable(const std::shared_ptr<XmlElement>& resources, const char* section,
               std::map<int, std::shared_ptr<T>>& table, Read read) {
    if (!resources) return;
    const auto entries = resources->getChild(section);
    if (!entries) return;
    for (const auto& entry : entries->children()) {
        const auto index = XmlValueContext::intAttribute(entry, "Index");
        if (!index) continue;
        if (auto value = read(entry))
            table[*index] = std::move(value);
        else
            table.erase(*index);
    }
}

}  // namespace

std::size_t XmlValueContext::BrushKeyHash::operator()(const std::shared_ptr<Brush>& brush) const {
    return brush ? brush->hashValue() : 0;
}

bool XmlValueContext::BrushKeyEqual::operator()(const std::shared_ptr<Brush>& a,
                                                const std::shared_ptr<Brush>& b) const {
    if (a == b) return true;
    return a && b && a->equalsTo(*b);
}

XmlValueContext::XmlValueContext() = default;

XmlValueContext::XmlValueContext(std::shared_ptr<XmlDomBuilder> document, int fileVersion)
    : fileVersion_(fileVersion), document_(std::move(document)) {}

XmlValueContext::~XmlValueContext() = default;

std::optional<int> XmlValueContext::intAttribute(const std::shared_ptr<XmlElement>& element,
                                                 const std::string& name) {
    if (!element) return std::nullopt;
    const auto& attributes = element->attributes();
    const auto it = attributes.find(name);
    if (it == attributes.end()) return std::nullopt;
    return parseIndex(it->second);
}

// --- Element creation ---------------------------------------------------------------------

std::shared_ptr<XmlElement> XmlValueContext::addChildElement(
    const std::string& name, const std::shared_ptr<XmlElement>& parent) {
    // Made directly rather than through the builder: the builder would keep every element of
    // the document on its stack for nothing, and a context without a builder still writes.
    if (!parent) return nullptr;
    return parent->addChild(name);
}

std::shared_ptr<XmlElement> XmlValueContext::addChildElement(
    const std::string& name, const std::shared_ptr<XmlElement>& parent,
    const std::string& innerText) {
    if (!parent) return nullptr;
    return parent->addChild(name, innerText);
}

// --- Value writers ------------------------------------------------------------------------

std::shared_ptr<XmlElement> XmlValueContext::writeDouble(
    double value, const std::string& name, const std::shared_ptr<XmlElement>& parent) {
    return addChildElement(name, parent, numberText(value));
}

std::shared_ptr<XmlElement> XmlValueContext::writeDoubleOpt(
    std::optional<double> value, const std::string& name,
    const std::shared_ptr<XmlElement>& parent) {
    if (!value) return nullptr;
    return writeDouble(*value, name, parent);
}

std::shared_ptr<XmlElement> XmlValueContext::writeString(
    const std::string& value, const std::string& name, const std::shared_ptr<XmlElement>& parent) {
    return addChildElement(name, parent, value);
}

std::shared_ptr<XmlElement> XmlValueContext::writeBool(bool value, const std::string& name,
                                                       const std::shared_ptr<XmlElement>& parent) {
    return addChildElement(name, parent, value ? "true" : "false");
}

std::shared_ptr<XmlElement> XmlValueContext::writeChar(char32_t value, const std::string& name,
                                                       const std::shared_ptr<XmlElement>& parent) {
    return addChildElement(name, parent, utf8(value));
}

std::shared_ptr<XmlElement> XmlValueContext::writeByte(std::uint8_t value, const std::string& name,
                                                       const std::shared_ptr<XmlElement>& parent) {
    return addChildElement(name, parent, std::to_string(value));
}

std::shared_ptr<XmlElement> XmlValueContext::writeInt(std::int64_t value, const std::string& name,
                                                      const std::shared_ptr<XmlElement>& parent) {
    return addChildElement(name, parent, std::to_string(value));
}

std::shared_ptr<XmlElement> XmlValueContext::writeUInt(std::uint64_t value, const std::string& name,
                                                       const std::shared_ptr<XmlElement>& parent) {
    return addChildElement(name, parent, std::to_string(value));
}

std::shared_ptr<XmlElement> XmlValueContext::writeRectangle(
    const Rect& value, const std::string& name, const std::shared_ptr<XmlElement>& parent) {
    return addChildElement(name, parent,
                           numberText(value.x) + ", " + numberText(value.y) + ", " +
                               numberText(value.width) + ", " + numberText(value.height));
}

std::shared_ptr<XmlElement> XmlValueContext::writePoint(const Point& value, const std::string& name,
                                                        const std::shared_ptr<XmlElement>& parent) {
    return addChildElement(name, parent, numberText(value.x) + ", " + numberText(value.y));
}

std::shared_ptr<XmlElement> XmlValueContext::writePoint(double x, double y, const std::string& name,
                                                        const std::shared_ptr<XmlElement>& parent) {
    auto element = addChildElement(name, parent);
    if (!element) return nullptr;
    element->attributes()["x"] = numberText(x);
    element->attributes()["y"] = numberText(y);
    return element;
}

std::shared_ptr<XmlElement> XmlValueContext::writeColor(const std::shared_ptr<Color>& value,
                                                        const std::string& name,
                                                        const std::shared_ptr<XmlElement>& parent) {
    if (!value) return nullptr;
    return addChildElement(name, parent, value->toString());
}

std::shared_ptr<XmlElement> XmlValueContext::writePointCollection(
    const std::vector<Point>& points, const std::string& name,
    const std::shared_ptr<XmlElement>& parent) {
    if (points.empty()) return nullptr;
    auto element = addChildElement(name, parent);
    if (!element) return nullptr;
    for (const auto& point : points)
        writePoint(point, "Point", element);
    return element;
}

std::shared_ptr<XmlElement> XmlValueContext::writeDoubleArray(
    const std::vector<double>& values, const std::string& name, const std::string& subElementName,
    const std::shared_ptr<XmlElement>& parent) {
    if (values.empty()) return nullptr;
    auto element = addChildElement(name, parent);
    if (!element) return nullptr;
    for (const double value : values)
        writeDouble(value, subElementName, element);
    return element;
}

std::shared_ptr<XmlElement> XmlValueContext::writeColorArray(
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

std::shared_ptr<XmlElement> XmlValueContext::writeShape(const std::shared_ptr<Shape>& shape,
                                                        const std::string& name,
                                                        const std::shared_ptr<XmlElement>& parent) {
    if (!shape) return nullptr;
    auto element = addChildElement(name, parent);
    if (element) element->attributes()["Id"] = shape->id().empty() ? "Rectangle" : shape->id();
    return element;
}

// --- Resources (writing) ------------------------------------------------------------------

std::shared_ptr<XmlElement> XmlValueContext::writeBrush(const std::shared_ptr<Brush>& brush,
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

void XmlValueContext::writeBrushContent(const std::shared_ptr<XmlElement>& element,
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

void XmlValueContext::writeBrushes(const std::shared_ptr<XmlElement>& resources) {
    if (inplaceResources_ || !resources) return;
    auto brushes = addChildElement("Brushes", resources);
    for (std::size_t i = 0; i < wroteBrushOrder_.size(); ++i)
        writeBrushContent(addChildElement("Brush", brushes), wroteBrushOrder_[i],
                          static_cast<int>(i));
}

std::shared_ptr<XmlElement> XmlValueContext::writeImage(
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

void XmlValueContext::writeImages(const std::shared_ptr<XmlElement>& resources) {
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

bool XmlValueContext::readVersion(const std::shared_ptr<XmlElement>& root) {
    const auto version = intAttribute(root, "Version");
    if (!version) return false;
    fileVersion_ = *version;
    return true;
}

std::shared_ptr<Brush> XmlValueContext::readBrush(const std::string& name,
                                                  const std::shared_ptr<XmlElement>& parent) {
    if (!parent) return nullptr;
    const auto child = parent->getChild(name);
    if (!child) return nullptr;
    if (!hasAttribute(child, "Id")) {
        // Written in place: the element carries the brush itself.
        return hasAttribute(child, "Type") ? readBrushContent(child) : nullptr;
    }
    return entryFor(readBrushes_, child);
}

std::shared_ptr<Brush> XmlValueContext::readBrushContent(
    const std::shared_ptr<XmlElement>& element) {
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

std::shared_ptr<Style> XmlValueContext::readStyle(const std::string& name,
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
    return entryFor(readStyles_, child);
}

std::shared_ptr<Style> XmlValueContext::readStyleContent(
    const std::shared_ptr<XmlElement>& element) {
    auto style = std::make_shared<Style>();
    style->loadFromXml(element, *this);
    return style;
}

void XmlValueContext::readBrushes(const std::shared_ptr<XmlElement>& resources) {
    readTable(resources, "Brushes", readBrushes_,
              [this](const std::shared_ptr<XmlElement>& entry) { return readBrushContent(entry); });
}

void XmlValueContext::readStyles(const std::shared_ptr<XmlElement>& resources) {
    readTable(resources, "Styles", readStyles_,
              [this](const std::shared_ptr<XmlElement>& entry) { return readStyleContent(entry); });
}

void XmlValueContext::readImages(const std::shared_ptr<XmlElement>& resources) {
    readTable(resources, "Images", readImages_, [](const std::shared_ptr<XmlElement>& entry) {
        std::shared_ptr<platform::ImageSurface> image;
        if (const auto bytes = platform::Base64::decode(entry->getInnerText()))
            image = platform::ImageSurface::fromData(*bytes);
        return image;
    });
}

std::shared_ptr<platform::ImageSurface> XmlValueContext::readImage(
    const std::string& name, const std::shared_ptr<XmlElement>& parent) {
    if (!parent) return nullptr;
    return entryFor(readImages_, parent->getChild(name));
}

std::vector<double> XmlValueContext::readDoubleArray(const std::string& name,
                                                     const std::string& subElementName,
                                                     const std::shared_ptr<XmlElement>& parent) {
    std::vector<double> values;
    const auto element = parent ? parent->getChild(name) : nullptr;
    if (!element) return values;
    for (const auto& child : element->getAllChildren(subElementName))
        values.push_back(doubleValue(child->getInnerText()));
    return values;
}

std::vector<std::shared_ptr<Color>> XmlValueContext::readColorArray(
    const std::string& name, const std::string& subElementName,
    const std::shared_ptr<XmlElement>& parent) {
    std::vector<std::shared_ptr<Color>> colors;
    const auto element = parent ? parent->getChild(name) : nullptr;
    if (!element) return colors;
    for (const auto& child : element->getAllChildren(subElementName))
        colors.push_back(ownColor(child->getInnerText()));
    return colors;
}

std::vector<Point> XmlValueContext::readPointCollection(const std::string& name,
                                                        const std::shared_ptr<XmlElement>& parent) {
    std::vector<Point> points;
    const auto element = parent ? parent->getChild(name) : nullptr;
    if (!element) return points;
    for (const auto& child : element->getAllChildren("Point"))
        points.push_back(Point::fromString(child->getInnerText()));
    return points;
}

std::shared_ptr<Shape> XmlValueContext::readShape(const std::string& name,
                                                  const std::shared_ptr<XmlElement>& parent,
                                                  const std::shared_ptr<Shape>& defaultValue) {
    const auto child = parent ? parent->getChild(name) : nullptr;
    if (!child) return defaultValue;
    const auto& attributes = child->attributes();
    const auto id = attributes.find("Id");
    if (id == attributes.end()) return defaultValue;
    const auto library = ShapeLibrary::defaultShapes();
    return library ? library->shapeFromId(id->second) : nullptr;
}

Point XmlValueContext::readPoint(const std::string& name,
                                 const std::shared_ptr<XmlElement>& parent) {
    const auto child = parent ? parent->getChild(name) : nullptr;
    if (!child) return Point{0.0, 0.0};
    return Point::fromString(child->getInnerText());
}

}  // namespace nodeloom
